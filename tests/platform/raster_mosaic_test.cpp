// The host's mosaic of rasters beside GDAL's own utilities (gdalbuildvrt, then gdal_translate)
// over the same files: every band, cut to an area, palettes that differ expanded to RGB, into
// a GeoTIFF or a GeoPackage raster table; and what it refuses, leaving nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <gdal_priv.h>

#include "platform/host/analysis/raster_mosaic.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/raster_cells.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;
using host::analysis::MosaicOptions;
using host::analysis::MosaicRasters;

// A GeoTIFF of columns x rows cells at (x0, y0) north-west, cells of one unit, value(c, r, band).
void WriteTiff(const std::string& path, double x0, double y0, int columns, int rows, int bands,
               GDALDataType type, double (*value)(int, int, int), const GDALColorTable* palette = nullptr) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  std::unique_ptr<GDALDataset> ds(driver->Create(path.c_str(), columns, rows, bands, type, nullptr));
  ASSERT_TRUE(ds);
  double gt[6] = {x0, 1.0, 0.0, y0, 0.0, -1.0};
  ds->SetGeoTransform(gt);
  OGRSpatialReference sr;
  sr.importFromEPSG(32632);
  ds->SetSpatialRef(&sr);
  for (int b = 1; b <= bands; ++b) {
    std::vector<double> cells(static_cast<std::size_t>(columns) * rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) cells[r * columns + c] = value(c, r, b);
    ASSERT_EQ(ds->GetRasterBand(b)->RasterIO(GF_Write, 0, 0, columns, rows, cells.data(), columns,
                                             rows, GDT_Float64, 0, 0),
              CE_None);
    if (palette) ds->GetRasterBand(b)->SetColorTable(const_cast<GDALColorTable*>(palette));
  }
}

double Ramp(int c, int r, int b) { return (c * 7 + r * 3 + b * 11) % 200; }
double Other(int c, int r, int) { return (c + 2 * r) % 5; }

GDALColorTable Palette(int shift) {
  GDALColorTable t;
  for (int i = 0; i < 256; ++i) {
    GDALColorEntry e{static_cast<short>((i + shift) % 256), static_cast<short>(i), static_cast<short>(255 - i), 255};
    t.SetColorEntry(i, &e);
  }
  return t;
}

bool OracleReady() { return ToolOutput("command -v gdalbuildvrt") != "" && ToolOutput("command -v gdal_translate") != ""; }

// gdalbuildvrt (with its arguments) then gdal_translate into a GeoTIFF.
RasterCells Oracle(const ScratchDir& dir, const std::vector<std::string>& inputs,
                   const std::string& vrtArgs, const std::string& name) {
  std::string files;
  for (const auto& f : inputs) files += " " + ShellQuote(f);
  const std::string vrt = dir / (name + ".vrt"), tif = dir / (name + "_oracle.tif");
  ToolOutput("gdalbuildvrt -q " + vrtArgs + " " + ShellQuote(vrt) + files);
  ToolOutput("gdal_translate -q " + ShellQuote(vrt) + " " + ShellQuote(tif));
  return ReadRasterCells(tif);
}

struct Tiles {
  ScratchDir dir;
  std::vector<std::string> files;
  // Four tiles of 40 x 30 cells, two bands, overlapping by 10 columns in the east.
  Tiles() {
    const double west[] = {500000, 500030, 500000, 500030};
    const double north[] = {4000060, 4000060, 4000030, 4000030};
    for (int i = 0; i < 4; ++i) {
      files.push_back(dir / ("tile" + std::to_string(i) + ".tif"));
      WriteTiff(files.back(), west[i], north[i], 40, 30, 2, GDT_Int16, i % 2 ? &Other : &Ramp);
    }
  }
};

TEST(RasterMosaic, EqualsBuildVrtAndTranslateWholeAndCutToAnArea) {
  VELK_REQUIRE(OracleReady(), "gdalbuildvrt or gdal_translate is not installed");
  Tiles t;
  struct Case {
    const char* name;
    std::optional<host::analysis::MosaicBounds> bounds;
    std::string vrtArgs;
  } cases[] = {
      {"whole", std::nullopt, ""},
      {"aligned", host::analysis::MosaicBounds{500010, 4000010, 500050, 4000040},
       "-te 500010 4000010 500050 4000040"},
      // Cut through cells: the same nearest-neighbour sampling as the VRT's.
      {"unaligned", host::analysis::MosaicBounds{500010.5, 4000010.25, 500049.5, 4000040.75},
       "-te 500010.5 4000010.25 500049.5 4000040.75"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MosaicOptions o;
    o.firstBandOnly = false;
    o.bounds = c.bounds;
    const std::string out = t.dir / (std::string(c.name) + ".tif");
    ASSERT_EQ(MosaicRasters(t.files, out, o), "");
    const RasterCells ours = ReadRasterCells(out), ref = Oracle(t.dir, t.files, c.vrtArgs, c.name);
    EXPECT_EQ(ours.bands, 2);
    EXPECT_TRUE(ours == ref) << DescribeDifference(ours, ref);
  }
}

TEST(RasterMosaic, PalettesStayWhenTheyAgreeAndBecomeRgbWhenTheyDiffer) {
  VELK_REQUIRE(OracleReady(), "gdalbuildvrt or gdal_translate is not installed");
  ScratchDir dir;
  const GDALColorTable a = Palette(0), b = Palette(40);
  const std::string f1 = dir / "f1.tif", f2 = dir / "f2.tif", f3 = dir / "f3.tif";
  WriteTiff(f1, 500000, 4000030, 30, 30, 1, GDT_Byte, &Ramp, &a);
  WriteTiff(f2, 500030, 4000030, 30, 30, 1, GDT_Byte, &Ramp, &a);
  WriteTiff(f3, 500030, 4000030, 30, 30, 1, GDT_Byte, &Other, &b);
  MosaicOptions o;
  o.firstBandOnly = false;
  ASSERT_EQ(MosaicRasters({f1, f2}, dir / "same.tif", o), "");
  RasterCells same = ReadRasterCells(dir / "same.tif"), ref = Oracle(dir, {f1, f2}, "", "same");
  EXPECT_TRUE(same.paletted);
  EXPECT_TRUE(same == ref) << DescribeDifference(same, ref);

  ASSERT_EQ(MosaicRasters({f1, f3}, dir / "mixed.tif", o), "");
  // The oracle: each frame expanded to RGB by gdal_translate, then put together.
  for (const auto& f : {f1, f3})
    ToolOutput("gdal_translate -q -expand rgb " + ShellQuote(f) + " " + ShellQuote(f + ".rgb.tif"));
  RasterCells mixed = ReadRasterCells(dir / "mixed.tif");
  RasterCells rgb = Oracle(dir, {f1 + ".rgb.tif", f3 + ".rgb.tif"}, "", "mixed");
  EXPECT_EQ(mixed.bands, 3);
  EXPECT_FALSE(mixed.paletted);
  EXPECT_TRUE(mixed == rgb) << DescribeDifference(mixed, rgb);
}

TEST(RasterMosaic, RastersThatDoNotAgreeAreRefusedAndNothingIsWritten) {
  ScratchDir dir;
  const GDALColorTable a = Palette(0);
  const std::string grey = dir / "grey.tif", two = dir / "two.tif", word = dir / "word.tif",
                    colour = dir / "colour.tif";
  WriteTiff(grey, 500000, 4000030, 20, 20, 1, GDT_Byte, &Ramp);
  WriteTiff(two, 500020, 4000030, 20, 20, 2, GDT_Byte, &Ramp);
  WriteTiff(word, 500020, 4000030, 20, 20, 1, GDT_Int16, &Ramp);
  WriteTiff(colour, 500020, 4000030, 20, 20, 1, GDT_Byte, &Ramp, &a);
  MosaicOptions o;
  o.firstBandOnly = false;
  struct Case {
    std::vector<std::string> inputs;
    const char* why;
  } cases[] = {
      {{grey, two}, "differ in their bands"},
      {{grey, word}, "differ in their bands or cell types"},
      {{grey, colour}, "some have a palette"},
      {{grey, dir / "missing.tif"}, "cannot read"},
      {{}, "no rasters"},
  };
  for (const auto& c : cases) {
    const std::string out = dir / "out.tif";
    const std::string error = MosaicRasters(c.inputs, out, o);
    EXPECT_NE(error.find(c.why), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(out));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST(RasterMosaic, AnExistingOutputIsReplacedOnlyWhenAskedAndOnlyByAFinishedOne) {
  Tiles t;
  const std::string out = t.dir / "out.tif";
  std::ofstream(out) << "older";
  MosaicOptions o;
  o.firstBandOnly = false;
  EXPECT_NE(MosaicRasters(t.files, out, o), "");
  EXPECT_EQ(ReadFileText(out), "older");
  // A cancelled run leaves the older file as it was and no working file.
  o.replace = true;
  o.progress = [](double done) { return done < 0.3; };
  EXPECT_NE(MosaicRasters(t.files, out, o), "");
  EXPECT_EQ(ReadFileText(out), "older");
  o.progress = nullptr;
  ASSERT_EQ(MosaicRasters(t.files, out, o), "");
  EXPECT_EQ(ReadRasterCells(out).bands, 2);
  for (const auto& e : fs::directory_iterator(t.dir.path()))
    EXPECT_EQ(e.path().string().find(".part"), std::string::npos) << e.path();
  // A folder that cannot be written.
  EXPECT_NE(MosaicRasters(t.files, t.dir / "no/such/folder/out.tif", o), "");
}

TEST(RasterMosaic, IntoAGeoPackageRasterTableWithItsStorageAndOverviews) {
  Tiles t;
  const std::string db = t.dir / "store.gpkg";
  // A database that already holds a feature table.
  {
    GDALAllRegister();
    std::unique_ptr<GDALDataset> ds(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
        db.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(ds);
    OGRSpatialReference sr;
    sr.importFromEPSG(4326);
    ASSERT_TRUE(ds->CreateLayer("places", &sr, wkbPoint));
  }
  MosaicOptions o;
  o.firstBandOnly = false;
  o.format = "GPKG";
  o.table = "mosaic";
  o.storage.tileWidth = 16;
  o.storage.tileHeight = 32;
  o.storage.pyramidLevel = 2;
  // Two bands of 16-bit cells do not go into a GeoPackage: refused, the database as it was.
  EXPECT_NE(MosaicRasters(t.files, db, o), "");
  EXPECT_FALSE(host::analysis::GeoPackageHasRaster(db, "mosaic"));
  EXPECT_FALSE(host::analysis::GeoPackageHasRaster(db, "mosaic_velk_part"));

  // One band each: a gridded coverage.
  std::vector<std::string> single;
  for (std::size_t i = 0; i < t.files.size(); ++i) {
    single.push_back(t.dir / ("single" + std::to_string(i) + ".tif"));
    ToolOutput("gdal_translate -q -b 1 " + ShellQuote(t.files[i]) + " " + ShellQuote(single.back()));
  }
  ASSERT_EQ(MosaicRasters(single, db, o), "");
  ASSERT_TRUE(host::analysis::GeoPackageHasRaster(db, "MOSAIC"));
  const RasterCells stored = ReadRasterCells("GPKG:" + db + ":mosaic");
  MosaicOptions tiff;
  tiff.firstBandOnly = false;
  ASSERT_EQ(MosaicRasters(single, t.dir / "single.tif", tiff), "");
  const RasterCells ref = ReadRasterCells(t.dir / "single.tif");
  EXPECT_TRUE(stored == ref) << DescribeDifference(stored, ref);
  {
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(("GPKG:" + db + ":mosaic").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(ds);
    int bx = 0, by = 0;
    ds->GetRasterBand(1)->GetBlockSize(&bx, &by);
    EXPECT_EQ(bx, 16);
    EXPECT_EQ(by, 32);
    EXPECT_EQ(ds->GetRasterBand(1)->GetOverviewCount(), 2);
    EXPECT_EQ(ds->GetLayerCount(), 0);
  }
  // Not replaced unless asked; a cancelled replacement keeps the older table.
  EXPECT_NE(MosaicRasters({single[0]}, db, o), "");
  o.replace = true;
  o.progress = [](double done) { return done < 0.5; };
  EXPECT_NE(MosaicRasters({single[0]}, db, o), "");
  EXPECT_TRUE(ReadRasterCells("GPKG:" + db + ":mosaic") == ref);
  o.progress = nullptr;
  ASSERT_EQ(MosaicRasters({single[0]}, db, o), "");
  EXPECT_EQ(ReadRasterCells("GPKG:" + db + ":mosaic").columns, 40);
  EXPECT_FALSE(host::analysis::GeoPackageHasRaster(db, "mosaic_velk_part"));
  // A feature table of the name is never taken for a raster.
  o.table = "places";
  EXPECT_NE(MosaicRasters({single[0]}, db, o).find("no raster"), std::string::npos);
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(db.c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(ds);
  EXPECT_TRUE(ds->GetLayerByName("places"));
  EXPECT_EQ(host::analysis::DeleteGeoPackageRaster(db, "mosaic"), "");
  EXPECT_FALSE(host::analysis::GeoPackageHasRaster(db, "mosaic"));
  // A file that is no GeoPackage is refused and left alone.
  std::ofstream(t.dir / "text.gpkg") << "no database";
  o.table = "mosaic";
  EXPECT_NE(MosaicRasters({single[0]}, t.dir / "text.gpkg", o), "");
  EXPECT_EQ(ReadFileText(t.dir / "text.gpkg"), "no database");
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

namespace fs = std::filesystem;

// A DTED cell cut short after it was chosen (a catalog loaded before the cell changed) is
// named in the refusal, and nothing is written.
TEST(RasterMosaic, ACellChangedSinceItWasChosenIsNamed) {
  ScratchDir dir;
  const std::string good = DtedCellPath(dir.path(), 6, 0, 0);
  const std::string cut = DtedCellPath(dir.path(), 7, 0, 0);
  ASSERT_TRUE(MakeDtedCell(good, 6, 0, 0));
  ASSERT_TRUE(MakeDtedCell(cut, 7, 0, 0));
  fs::resize_file(cut, fs::file_size(cut) / 2);
  const std::string out = dir / "out.tif";
  const std::string error = MosaicRasters({good, cut}, out);
  EXPECT_NE(error.find("cannot read " + cut), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace velk::test
