// The host's feature clip: lines and points cut to a rectangle, compared with what GDAL's own
// ogr2ogr -clipsrc makes of the same data (a shapefile, and a VPF class the host reads through
// OGDI); refusals leave nothing under the output's name.
#include "platform/host/analysis/feature_clip.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <fstream>

#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/operations/feature_clip_op.h"
#include "platform/host/data/gdal_drivers.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/workspace_objects.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"
#include "tests/fixtures/vpf_fixture.h"

namespace velk::host::analysis {
namespace {

using test::ScratchDir;

// roads.shp: three lines with a NAME; one crosses the rectangle (0,0)-(10,10), one lies in it,
// one lies outside. towns.shp: points, two inside.
void MakeSources(const std::string& folder) {
  EnsureGdalDrivers();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
  OGRSpatialReference wgs;
  wgs.importFromEPSG(4326);
  wgs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  struct Source {
    const char* name;
    OGRwkbGeometryType type;
    std::vector<std::pair<const char*, const char*>> rows;
  } sources[] = {
      {"roads", wkbLineString,
       {{"cross", "LINESTRING (-5 5,15 5)"}, {"inside", "LINESTRING (2 2,3 8)"},
        {"outside", "LINESTRING (20 20,30 30)"}}},
      {"towns", wkbPoint, {{"a", "POINT (1 1)"}, {"b", "POINT (9 9)"}, {"c", "POINT (11 1)"}}},
  };
  for (const Source& s : sources) {
    GDALDataset* ds = driver->Create((folder + "/" + s.name + ".shp").c_str(), 0, 0, 0,
                                     GDT_Unknown, nullptr);
    OGRLayer* layer = ds->CreateLayer(s.name, &wgs, s.type, nullptr);
    OGRFieldDefn name("NAME", OFTString);
    layer->CreateField(&name);
    for (const auto& [label, wkt] : s.rows) {
      OGRFeature f(layer->GetLayerDefn());
      f.SetField("NAME", label);
      OGRGeometry* g = nullptr;
      OGRGeometryFactory::createFromWkt(wkt, nullptr, &g);
      f.SetGeometryDirectly(g);
      EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    }
    GDALClose(ds);
  }
}

std::string RowsText(const std::string& dataset, const std::string& layer) {
  std::string text;
  for (const auto& row : test::OgrRows(dataset, "SELECT NAME FROM " + layer + " ORDER BY NAME"))
    text += row.at("NAME") + ";";
  return text;
}

TEST(FeatureClip, LinesAndPointsCutToTheRectangleAsOgr2ogrCutsThem) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir dir;
  MakeSources(dir.path());
  for (const char* name : {"roads", "towns"}) {
    FeatureClipOptions options;
    options.source = dir.path();
    options.layer = name;
    options.xmin = 0, options.ymin = 0, options.xmax = 10, options.ymax = 10;
    options.output = dir / (std::string("ours_") + name + ".shp");
    const FeatureClipOutcome outcome = ClipFeatures(options);
    ASSERT_TRUE(outcome.ok) << outcome.problem;
    EXPECT_EQ(outcome.features, 2);
    const std::string theirs = dir / (std::string("theirs_") + name + ".shp");
    test::RunCommand("ogr2ogr -clipsrc 0 0 10 10 " + test::ShellQuote(theirs) + " " +
                     test::ShellQuote(dir / (std::string(name) + ".shp")));
    EXPECT_EQ(RowsText(options.output, std::string("ours_") + name),
              RowsText(theirs, std::string("theirs_") + name));
  }
  // The crossing road ends on the rectangle's edges.
  const auto rows = test::OgrRows(dir / "ours_roads.shp",
                                  "SELECT ST_MinX(geometry) AS x0, ST_MaxX(geometry) AS x1 FROM "
                                  "ours_roads WHERE NAME = 'cross'",
                                  nullptr, true);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("x0")), 0.0);
  EXPECT_DOUBLE_EQ(std::stod(rows[0].at("x1")), 10.0);
}

// A VPF class's name ("lib1:pop:builtp") is no layer GDAL finds at its workspace's path: the
// class is cut from where the host reads it, and reads whole afterwards.
TEST(FeatureClip, AVpfClassOfTheHostIsCutAsOgr2ogrCutsItsOgdiLayer) {
  VELK_REQUIRE(!test::ProgramOnPath("ogr2ogr").empty(), "ogr2ogr is not installed");
  ScratchDir dir;
  ASSERT_TRUE(test::MakeVpfDatabase(dir / "vpf", test::SmallVpfDatabase()));
  EnsureGdalDrivers();
  auto factory = WorkspaceFactoryFromProgId(kVpfWorkspaceFactoryProgId);
  ASSERT_TRUE(factory);
  ComPtr<IWorkspace> ws;
  ASSERT_EQ(factory->OpenFromFile(Bstr(FromUtf8(dir / "vpf/vmaplv0")).get(), nullptr, ws.put()),
            S_OK);
  auto classes = QueryAs<IFeatureWorkspace>(ws.get());
  ASSERT_TRUE(classes);
  // Town 1 inside, Town 2 outside; City 1 and Road 1 cross the rectangle.
  const double x0 = 10.2, y0 = 50.2, x1 = 10.5, y1 = 50.5;
  const std::string library = "gltp:/vrf" + dir / "vpf/vmaplv0/lib1";
  struct Case {
    const char* name;
    const char* ogdiLayer;
    LONG all;
  } cases[] = {{"lib1:pop:builtp", "builtp@pop(*)_point", 2},
               {"lib1:pop:builta", "builta@pop(*)_area", 1},
               {"lib1:trans:roadl", "roadl@trans(*)_line", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IFeatureClass> source;
    ASSERT_EQ(classes->OpenFeatureClass(Bstr(FromUtf8(c.name)).get(), source.put()), S_OK);
    const std::string kind = std::string(c.ogdiLayer).substr(0, std::string(c.ogdiLayer).find('@'));
    const std::string ours = "ours_" + kind;
    ComPtr<IFeatureClass> clipped;
    std::wstring problem;
    ASSERT_EQ(ClipFeatureClass(source.get(), NewEnvelope(x0, y0, x1, y1).get(),
                               Bstr(FromUtf8(dir.path())).get(), Bstr(FromUtf8(ours)).get(),
                               clipped.put(), &problem),
              S_OK)
        << ToUtf8(problem);
    const std::string theirs = dir / ("theirs_" + kind + ".shp");
    test::RunCommand("ogr2ogr -clipsrc 10.2 50.2 10.5 50.5 " + test::ShellQuote(theirs) + " " +
                     test::ShellQuote(library) + " " + test::ShellQuote(c.ogdiLayer));
    const auto names = [](const std::string& file, const std::string& layer) {
      std::string text;
      for (const auto& row : test::OgrRows(file, "SELECT nam FROM " + layer + " ORDER BY nam"))
        text += row.at("nam") + ";";
      return text;
    };
    const std::string got = names(dir / (ours + ".shp"), ours);
    EXPECT_FALSE(got.empty());
    EXPECT_EQ(got, names(theirs, "theirs_" + kind));
    LONG count = -1;
    ASSERT_EQ(source->FeatureCount(nullptr, &count), S_OK);
    EXPECT_EQ(count, c.all);
  }
}

TEST(FeatureClip, RefusalsLeaveNothingUnderTheOutputsName) {
  ScratchDir dir;
  MakeSources(dir.path());
  FeatureClipOptions good;
  good.source = dir.path();
  good.layer = "roads";
  good.xmin = 0, good.ymin = 0, good.xmax = 10, good.ymax = 10;
  good.output = dir / "out.shp";
  struct Case {
    const char* what;
    FeatureClipOptions options;
  };
  std::vector<Case> cases;
  cases.push_back({"no source", good});
  cases.back().options.source = dir / "missing";
  cases.push_back({"no such layer", good});
  cases.back().options.layer = "rivers";
  cases.push_back({"an empty rectangle", good});
  cases.back().options.xmax = 0;
  cases.push_back({"an unwritable folder", good});
  cases.back().options.output = dir / "no-folder/out.shp";
  for (const Case& c : cases) {
    const FeatureClipOutcome outcome = ClipFeatures(c.options);
    EXPECT_FALSE(outcome.ok) << c.what;
    EXPECT_FALSE(outcome.problem.empty()) << c.what;
    EXPECT_FALSE(std::filesystem::exists(c.options.output)) << c.what;
  }
  // An existing output is not overwritten.
  std::ofstream(dir / "taken.shp") << "mine";
  good.output = dir / "taken.shp";
  EXPECT_FALSE(ClipFeatures(good).ok);
  std::ifstream kept(dir / "taken.shp");
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "mine");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find("~clip_"), std::string::npos);
}

}  // namespace
}  // namespace velk::host::analysis
