// The coordinate tool's "Draw point graphic/feature" with the host's editor: while a point
// layer is the editor's target, a click adds a feature to it (projected into the layer's
// reference, one edit operation each) instead of a marker; without editing, a marker.
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/host/data/gdal_drivers.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

TEST(CoordToolEditorSession, AClickAddsAFeatureToTheEditedPointLayerElseAMarker) {
  VELK_REQUIRE(ToolOutput("command -v GeoConvert") != "", "GeoConvert is not installed");
  TempRoot root;
  ScratchDir dir;
  // The map in degrees; the layer in UTM zone 18 north, its one town at 585628 4511322.
  const std::string script = "host map\nregister " + kCorvaneLibrary +
                             "\n"
                             "map-reference 4326\n"
                             "map-extent -75 40 -73 41.6\n"
                             "add-points towns 32618 585628 4511322\n"
                             "edit towns\n"
                             "click velkTarvosUI.CoordTool\n"
                             "dialog 3047\n"
                             "check 3515\n"
                             "map-click 500 400\n"
                             "print features towns\n"
                             "print graphics\n"
                             "edit stop\n"
                             "map-click 600 400\n"
                             "print features towns\n"
                             "print graphics\n";
  CommandResult r = RunSession(root, dir.path(), "editor.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;

  // The click at pixel (500, 400) is 74 W 40.8 N.
  std::istringstream utm(ToolOutput("echo '40.8 -74' | GeoConvert -u -p 3"));
  std::string zone;
  double x = 0, y = 0;
  utm >> zone >> x >> y;
  ASSERT_EQ(zone, "18n");
  const std::size_t first = r.out.find("2 features in \"towns\", 1 edit operation(s)");
  ASSERT_NE(first, std::string::npos) << r.out;
  std::istringstream points(r.out.substr(first));
  std::string line;
  std::getline(points, line);
  bool found = false;
  while (std::getline(points, line) && line.rfind("  ", 0) == 0) {
    double px = 0, py = 0;
    if (std::sscanf(line.c_str(), " %lf %lf", &px, &py) == 2 && std::abs(px - x) < 0.01 &&
        std::abs(py - y) < 0.01)
      found = true;
  }
  EXPECT_TRUE(found) << "no feature at " << x << " " << y << "\n" << r.out;

  // While editing no marker was drawn; after editing stopped the click drew one and added none.
  const std::size_t graphics = r.out.find("> print graphics");
  const std::size_t stop = r.out.find("> edit stop");
  ASSERT_NE(graphics, std::string::npos);
  EXPECT_EQ(r.out.substr(graphics, stop - graphics).find("marker"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 features in \"towns\", 1 edit operation(s)", stop), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("marker", r.out.rfind("> print graphics")), std::string::npos) << r.out;
}

// A multipoint layer whose shapes carry z: the click becomes a multipoint of that one point,
// with z 0.
TEST(CoordToolEditorSession, AMultipointLayerWithZGetsAMultipointAtZeroHeight) {
  TempRoot root;
  ScratchDir dir;
  const std::string shp = dir / "spots.shp";
  {
    host::EnsureGdalDrivers();
    GDALDriver* driver = host::DriverForExtension("shp", host::DataKind::kVector, true);
    GDALDataset* ds = driver->Create(shp.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    ASSERT_NE(ds, nullptr);
    OGRSpatialReference wgs84;
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRLayer* layer = ds->CreateLayer("spots", &wgs84, wkbMultiPoint25D, nullptr);
    ASSERT_NE(layer, nullptr);
    OGRFieldDefn name("NAME", OFTString);
    ASSERT_EQ(layer->CreateField(&name), OGRERR_NONE);
    GDALClose(ds);
  }
  const std::string script = "host map\nregister " + kCorvaneLibrary +
                             "\n"
                             "map-reference 4326\n"
                             "map-extent -75 40 -73 41.6\n"
                             "add-features " +
                             shp +
                             "\n"
                             "edit spots\n"
                             "click velkTarvosUI.CoordTool\n"
                             "dialog 3047\n"
                             "check 3515\n"
                             "map-click 500 400\n"
                             "print features spots\n"
                             "print graphics\n";
  CommandResult r = RunSession(root, dir.path(), "editor.session", script);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("1 features in \"spots\", 1 edit operation(s)\n"
                       "  -74.000000 40.800000 z 0.000000"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no graphics"), std::string::npos) << r.out;
  std::string info = ToolOutput("ogrinfo -al " + ShellQuote(shp));
  // A shapefile's z shapes carry measures too: GDAL reads them back as ZM.
  EXPECT_NE(info.find("MULTIPOINT ZM ((-74 40.8 0 0))"), std::string::npos) << info;
}

}  // namespace
}  // namespace velk::test
