// The MGRS field of a converted table against GeographicLib's GeoConvert: 100,000 random points
// over the whole globe, the polar caps included, at GeoConvert's default precision (1 m); and the
// same points converted in place against a new output of them.
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host/data/gdal_drivers.h"
#include "coordinates/conversion_output.h"
#include "coordinates/table_conversion_run.h"
#include "framework/host_object_creation.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/registry/activation.h"
#include "platform/win/responder.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::corvane {
namespace {

constexpr int kPoints = 100000;

// The input: points with their latitude and longitude in decimal-degree fields (and as point
// shapes when asked).
void WriteRandomPoints(const std::string& path, bool shapes = false) {
  velk::host::EnsureGdalDrivers();
  GDALDriver* driver = velk::host::DriverForExtension("shp", velk::host::DataKind::kVector, true);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  OGRLayer* layer = ds->CreateLayer("random", shapes ? &wgs84 : nullptr,
                                    shapes ? wkbPoint : wkbNone, nullptr);
  for (const char* f : {"LAT", "LON"}) {
    OGRFieldDefn d(f, OFTReal);
    d.SetWidth(16);
    d.SetPrecision(9);
    ASSERT_EQ(layer->CreateField(&d), OGRERR_NONE);
  }
  std::mt19937_64 rng(20240917);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  for (int i = 0; i < kPoints; ++i) {
    OGRFeature f(layer->GetLayerDefn());
    const double y = std::asin(unit(rng)) * 180.0 / M_PI, x = lon(rng);
    f.SetField(0, y);
    f.SetField(1, x);
    OGRPoint p(x, y);
    if (shapes) f.SetGeometry(&p);
    ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  GDALClose(ds);
}

class PickFolder : public win::Responder {
 public:
  explicit PickFolder(std::wstring path) : path_(std::move(path)) {}
  bool OnFileDialog(const win::FileDialogRequest&, std::wstring* path) override {
    *path = path_;
    return true;
  }

 private:
  std::wstring path_;
};

// Converts every record of input into a new dataset at path (a feature class or a table), as the
// dialog does: the output location from the save dialog, the output made, its fields added, the
// records run and the output finished.
void ConvertIntoNew(ITable* input, const std::wstring& path, bool featureClass,
                    const OutputFieldNames& names, const RecordLayout& layout,
                    ICoordinateTool* engine, ConversionParsers& parsers, RunCounts& counts) {
  PickFolder user(path);
  auto browse = CreateHostObject<IBrowseDialog>(host::CLSID_BrowseDialog);
  VARIANT_BOOL ok = VARIANT_FALSE;
  {
    test::ScopedResponder responder(&user);
    browse->DoModalSave(nullptr, &ok);
  }
  ComPtr<IBrowseObject> location;
  browse->get_FinalLocation(location.put());
  Bstr typed;
  browse->get_Name(&typed);
  std::wstring name = typed.str();
  NewOutput out;
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input, featureClass, out));
  ASSERT_TRUE(AddOutputFields(nullptr, out.table.get(), true, names));
  RecordTarget target;
  target.input = input;
  target.output = out.table;
  target.newFile = true;
  target.fieldMap = out.fieldMap;
  ASSERT_EQ(RunRecords(engine, parsers, target, names, layout, 0, 0, counts),
            RunOutcome::kCompleted);
  target = RecordTarget{};
  ASSERT_TRUE(FinishOutput(nullptr, out));
}

ComPtr<ICoordinateTool> Engine() {
  ComPtr<ICoordinateTool> engine;
  EXPECT_EQ(CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL,
                             IidOf<ICoordinateTool>(), engine.put_void()),
            S_OK);
  return engine;
}

// The host's workspace over a folder of shapefiles and dBASE tables; null when it cannot open.
ComPtr<IFeatureWorkspace> FolderWorkspace(const std::wstring& folder) {
  ComPtr<IWorkspaceFactory> factory =
      CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  if (!factory || FAILED(factory->OpenFromFile(Bstr(folder), nullptr, ws.put()))) return nullptr;
  return ws.As<IFeatureWorkspace>();
}

TEST(ConvertAgainstGeoConvert, MgrsOfOneHundredThousandRandomPointsMatches) {
  test::HostSessionFixture host;
  test::ScratchDir dir;
  WriteRandomPoints(dir / "random.dbf");

  // The table and the output location as the dialog would have them.
  ComPtr<IFeatureWorkspace> ws = FolderWorkspace(dir.wpath());
  ASSERT_TRUE(ws);
  ComPtr<ITable> input;
  ASSERT_EQ(ws->OpenTable(Bstr(L"random"), input.put()), S_OK);
  OutputFieldNames names;
  names.mgrs = L"MGRS";
  ConversionParsers parsers;
  RecordLayout layout;
  input->FindField(Bstr(L"LON"), &layout.xIndex);
  input->FindField(Bstr(L"LAT"), &layout.yIndex);
  RunCounts counts;
  ConvertIntoNew(input.get(), dir.wpath() + L"/mgrs.dbf", false, names, layout, Engine().get(),
                 parsers, counts);
  EXPECT_EQ(counts.total, kPoints);
  EXPECT_EQ(counts.failed, 0);

  // The stored latitude and longitude of every row, and its MGRS field.
  std::vector<std::string> mgrs;
  {
    GDALDataset* ds = static_cast<GDALDataset*>(GDALOpenEx(
        (dir / "mgrs.dbf").c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    ASSERT_NE(ds, nullptr);
    OGRLayer* layer = ds->GetLayer(0);
    std::ofstream positions(dir / "positions.txt");
    for (auto& f : *layer) {
      char line[96];
      std::snprintf(line, sizeof line, "%.17g %.17g\n", f->GetFieldAsDouble("LAT"),
                    f->GetFieldAsDouble("LON"));
      positions << line;
      std::string m = f->GetFieldAsString("MGRS");
      std::erase(m, ' ');
      mgrs.push_back(m);
    }
    GDALClose(ds);
  }
  ASSERT_EQ(mgrs.size(), static_cast<std::size_t>(kPoints));
  int status = -1;
  std::istringstream oracle(
      test::ToolOutput("GeoConvert -m < " + test::ShellQuote(dir / "positions.txt"), &status));
  ASSERT_EQ(status, 0);
  int differ = 0, polar = 0;
  std::string expected;
  for (std::size_t i = 0; i < mgrs.size() && std::getline(oracle, expected); ++i) {
    if (mgrs[i] != expected && ++differ <= 5)
      ADD_FAILURE() << "row " << i << ": " << mgrs[i] << " != " << expected;
    if (!expected.empty() && std::isalpha(static_cast<unsigned char>(expected[0]))) ++polar;
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(polar, 100);  // the polar caps were part of it
}

// Every row of a dataset as GDAL reads it back: its shape and every field as text.
std::vector<std::string> RowsOf(const std::string& path) {
  std::vector<std::string> rows;
  GDALDataset* ds = static_cast<GDALDataset*>(
      GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!ds) return rows;
  for (auto& f : *ds->GetLayer(0)) {
    std::string row = f->GetGeometryRef() ? f->GetGeometryRef()->exportToWkt() : "no shape";
    for (int i = 0; i < f->GetFieldCount(); ++i)
      row += std::string("|") + f->GetFieldDefnRef(i)->GetNameRef() + "=" +
             (f->IsFieldSetAndNotNull(i) ? f->GetFieldAsString(i) : "(null)");
    rows.push_back(std::move(row));
  }
  GDALClose(ds);
  return rows;
}

// The same 100,000 random points converted in place (the input's working copy, its fields
// added and each row read and written back by one cursor) and into a new shapefile read back
// through GDAL the same: every shape and every field of every row, in the same order.
TEST(ConvertAgainstGeoConvert, InPlaceGivesTheRowsOfANewOutput) {
  test::HostSessionFixture host;
  test::ScratchDir dir;
  WriteRandomPoints(dir / "random.shp", true);
  ComPtr<IFeatureWorkspace> ws = FolderWorkspace(dir.wpath());
  ASSERT_TRUE(ws);
  ComPtr<IFeatureClass> points;
  ASSERT_EQ(ws->OpenFeatureClass(Bstr(L"random"), points.put()), S_OK);
  ComPtr<ITable> input = points.As<ITable>();
  ComPtr<ICoordinateTool> engine = Engine();
  ConversionParsers parsers;
  const OutputFieldNames names{L"X", L"Y", L"DMS", L"", L"UTM", L"MGRS"};
  RecordLayout layout;
  input->FindField(Bstr(L"LON"), &layout.xIndex);
  input->FindField(Bstr(L"LAT"), &layout.yIndex);
  RunCounts fresh;
  ConvertIntoNew(input.get(), dir.wpath() + L"/new.shp", true, names, layout, engine.get(),
                 parsers, fresh);
  EXPECT_EQ(fresh.total, kPoints);
  {  // in place, as the dialog does it
    auto swap = QueryAs<IDatasetSwap>(input.get());
    ASSERT_TRUE(swap);
    ComPtr<ITable> working;
    ASSERT_EQ(swap->StartEdit(working.put()), S_OK);
    ASSERT_TRUE(AddOutputFields(nullptr, working.get(), true, names));
    RecordTarget target;
    target.input = working;
    target.output = working;
    RunCounts counts;
    ASSERT_EQ(RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts),
              RunOutcome::kCompleted);
    target = RecordTarget{};
    working = nullptr;
    ASSERT_EQ(swap->StopEdit(VARIANT_TRUE), S_OK);
    EXPECT_EQ(counts.total, kPoints);
    EXPECT_EQ(counts.failed, 0);
  }
  input = nullptr;
  points = nullptr;
  ws = nullptr;

  const std::vector<std::string> newRows = RowsOf(dir / "new.shp");
  const std::vector<std::string> inPlace = RowsOf(dir / "random.shp");
  ASSERT_EQ(newRows.size(), static_cast<std::size_t>(kPoints));
  ASSERT_EQ(inPlace.size(), newRows.size());
  EXPECT_NE(inPlace[0].find("|MGRS="), std::string::npos) << inPlace[0];
  int differ = 0;
  for (std::size_t i = 0; i < newRows.size(); ++i)
    if (inPlace[i] != newRows[i] && ++differ <= 5)
      ADD_FAILURE() << "row " << i << ":\n  " << inPlace[i] << "\n  " << newRows[i];
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace velk::corvane
