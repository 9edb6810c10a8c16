// The MGRS field of a converted table against GeographicLib's GeoConvert: 100,000 random points
// over the whole globe, the polar caps included, at GeoConvert's default precision (1 m).
#include <gtest/gtest.h>

#include <ogrsf_frmts.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/host/gdal_drivers.h"
#include "coordinates/conversion_output.h"
#include "coordinates/table_conversion_run.h"
#include "framework/host_object_creation.h"
#include "platform/com/text.h"
#include "platform/host/browse_dialog.h"
#include "platform/host/data_class_ids.h"
#include "platform/registry/activation.h"
#include "platform/win/responder.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::corvane {
namespace {

constexpr int kPoints = 100000;

// The input: points with their latitude and longitude in decimal-degree fields.
void WriteRandomPoints(const std::string& path) {
  velk::host::EnsureGdalDrivers();
  GDALDriver* driver = velk::host::DriverForExtension("shp", velk::host::DataKind::kVector, true);
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRLayer* layer = ds->CreateLayer("random", nullptr, wkbNone, nullptr);
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
    f.SetField(0, std::asin(unit(rng)) * 180.0 / M_PI);
    f.SetField(1, lon(rng));
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

TEST(ConvertAgainstGeoConvert, MgrsOfOneHundredThousandRandomPointsMatches) {
  test::HostSessionFixture host;
  test::ScratchDir dir;
  WriteRandomPoints(dir / "random.dbf");

  // The table and the output location as the dialog would have them.
  ComPtr<IWorkspaceFactory> factory =
      CreateHostObject<IWorkspaceFactory>(host::CLSID_ShapefileWorkspaceFactory);
  ComPtr<IWorkspace> ws;
  ASSERT_EQ(factory->OpenFromFile(Bstr(dir.wpath()), nullptr, ws.put()), S_OK);
  ComPtr<ITable> input;
  ASSERT_EQ(ws.As<IFeatureWorkspace>()->OpenTable(Bstr(L"random"), input.put()), S_OK);
  PickFolder user(dir.wpath() + L"/mgrs.dbf");
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
  OutputFieldNames names;
  names.mgrs = L"MGRS";
  NewOutput out;
  ASSERT_TRUE(CreateOutput(nullptr, location.get(), name, input.get(), false, out));
  ASSERT_TRUE(AddOutputFields(nullptr, out.table.get(), true, names));
  ComPtr<ICoordinateTool> engine;
  ASSERT_EQ(CoCreateInstance(productline::CLSID_CoordinateTool, nullptr, CLSCTX_ALL,
                             IidOf<ICoordinateTool>(), engine.put_void()),
            S_OK);
  ConversionParsers parsers;
  RecordLayout layout;
  input->FindField(Bstr(L"LON"), &layout.xIndex);
  input->FindField(Bstr(L"LAT"), &layout.yIndex);
  RecordTarget target;
  target.input = input;
  target.output = out.table;
  target.newFile = true;
  target.fieldMap = out.fieldMap;
  RunCounts counts;
  ASSERT_EQ(RunRecords(engine.get(), parsers, target, names, layout, 0, 0, counts),
            RunOutcome::kCompleted);
  target = RecordTarget{};
  ASSERT_TRUE(FinishOutput(nullptr, out));
  out = NewOutput{};
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

}  // namespace
}  // namespace velk::corvane
