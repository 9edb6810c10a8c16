// The host's feature clip: lines and points cut to a rectangle, compared with what GDAL's own
// ogr2ogr -clipsrc makes of the same data; refusals leave nothing under the output's name.
#include "platform/host/analysis/feature_clip.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <fstream>

#include "platform/host/gdal_drivers.h"
#include "tests/fixtures/ogr_rows.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

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
