// Dataset, workspace and field helpers: path tests, the grid name check and its last-error
// record, the save dialog, raster openers, field builders and feature classes in a database
// (checked with ogrinfo), and the surfaces of layers (checked with gdallocationinfo).
#include "framework/dataset_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "framework/host_object_creation.h"
#include "framework/last_error_record.h"
#include "platform/host/data/data_errors.h"
#include "framework/surface_lookup.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/win/responder.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/fixtures/scoped_responder.h"
#include "tests/fixtures/requirement.h"

namespace velk::corvane {
namespace {

using test::Has;
using test::ScopedResponder;
using test::ScratchDir;
using test::ShellQuote;
using test::ToolOutput;

std::string OgrInfo(const std::string& args) { return ToolOutput("ogrinfo -ro " + args + " 2>&1"); }
TEST(DatasetHelpers, PathTests) {
  struct Case {
    const wchar_t* path;
    bool database, personal, temporary;
  } cases[] = {
      {L"D:/data/x.mdb/roads", false, true, false},
      {L"D:/data/X.MDB", false, true, false},
      {L"/work/Database Connections/db1", true, false, false},
      {L"/work/database/db1", false, false, false},
      {L"/tmp/<temporary>/grid", false, false, true},
      {L"/tmp/<TEMPORARY2>", false, false, true},
      {L"/tmp/temporary", false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDatabasePath(Bstr(c.path)), c.database) << c.path;
    EXPECT_EQ(IsPersonalGeodatabasePath(Bstr(c.path)), c.personal) << c.path;
    EXPECT_EQ(IsTemporaryDatasetName(Bstr(c.path)), c.temporary) << c.path;
  }
}

TEST(DatasetHelpers, OutputGridNameAndLastErrorRecord) {
  TakeLastErrorCode();
  struct Case {
    const wchar_t* path;
    bool usable;
    const wchar_t* name;
    const wchar_t* message;
  } cases[] = {
      {L"/out/abcdefghi.img", true, L"abcdefghi.img", nullptr},  // 13 characters with the extension
      {L"/out/abcdefghij.img", false, nullptr,
       L"The output grid name (excluding path) can't exceed 13 characters"},
      {L"/out/ has.img", false, nullptr, L"The output grid name can't contain space characters"},
      {L"/out/long name here.img", false, nullptr,
       L"The output grid name (excluding path) can't exceed 13 characters"},
  };
  for (const auto& c : cases) {
    Bstr folder, name;
    bool temporary = true;
    EXPECT_EQ(ValidateOutputGridName(Bstr(c.path), &folder, &name, &temporary), c.usable) << c.path;
    EXPECT_FALSE(temporary);
    if (c.usable) {
      EXPECT_EQ(folder.str(), L"/out/");
      EXPECT_EQ(name.str(), c.name);
      EXPECT_EQ(TakeLastErrorCode(), 0);
    } else {
      EXPECT_TRUE(folder.is_null());
      EXPECT_EQ(TakeLastErrorCode(), kGridNameRefused) << c.path;
      EXPECT_EQ(TakeLastErrorCode(), 0);  // taking resets the code
      Bstr message = Bstr::Attach(GetLastErrorMessage());
      EXPECT_EQ(message.str(), c.message);  // the message stays readable
    }
  }
  BSTR folder = SysAllocString(L"kept"),
       name = SysAllocString(L"kept");  // in/out: not a Bstr's out slot
  bool temporary = false;
  EXPECT_TRUE(ValidateOutputGridName(Bstr(L"/x/<temporary> grid with spaces and a long name"),
                                     &folder, &name, &temporary));
  EXPECT_TRUE(temporary);
  EXPECT_EQ(BstrToWstring(folder), L"kept");
  EXPECT_EQ(BstrToWstring(name), L"kept");
  SysFreeString(folder);
  SysFreeString(name);
}

// A user who types a name in the save dialog (or cancels).
class SavingUser : public win::Responder {
 public:
  explicit SavingUser(std::wstring answer) : answer_(std::move(answer)) {}
  bool OnFileDialog(const win::FileDialogRequest& request, std::wstring* path) override {
    last = request;
    if (answer_.empty()) return false;
    *path = answer_;
    return true;
  }
  win::FileDialogRequest last;

 private:
  std::wstring answer_;
};

TEST(DatasetHelpers, SaveDatasetDialogByKind) {
  test::HostSessionFixture host;
  SavingUser user(L"/data/out/hill.img");
  ScopedResponder responder(&user);
  // path and location are in/out BSTRs the helper replaces
  BSTR path = nullptr, location = SysAllocString(L"");
  auto set = [](BSTR& b, const wchar_t* v) {
    SysFreeString(b);
    b = SysAllocString(v);
  };
  ASSERT_TRUE(ShowSaveDatasetDialog(&path, &location, kSaveRaster, nullptr));
  EXPECT_EQ(BstrToWstring(path), L"/data/out/hill.img");
  EXPECT_EQ(BstrToWstring(location), L"/data/out");
  EXPECT_EQ(host::LastBrowseDialog().title, L"Save Raster As");
  ASSERT_EQ(host::LastBrowseDialog().filters.size(), 1u);
  EXPECT_TRUE(host::LastBrowseDialog().filters[0].second);

  using F = std::vector<bool>;
  auto marks = [] {
    F m;
    for (const auto& f : host::LastBrowseDialog().filters) m.push_back(f.second);
    return m;
  };
  // Features: exactly one of shapefiles, personal database classes, database classes is the
  // default, chosen by where the dialog starts.
  struct FeatureCase {
    const wchar_t* location;
    F marks;
  };
  const FeatureCase featureCases[] = {
      {L"D:/x.mdb", {false, true, false}},
      {L"D:/X.MDB", {false, true, false}},
      {L"/Database Connections/db", {false, false, true}},
      {L"/Database Connections/x.mdb", {false, true, false}},  // personal wins
      {L"/plain/folder", {true, false, false}},
      {L"/data/database", {true, false, false}},  // "Database" only as written
      {L"", {true, false, false}},
  };
  for (const FeatureCase& c : featureCases) {
    set(location, c.location);
    ShowSaveDatasetDialog(&path, &location, kSaveFeatures, nullptr);
    EXPECT_EQ(host::LastBrowseDialog().title, L"Save Features As");
    EXPECT_EQ(marks(), c.marks) << c.location;
  }

  set(location, L"/somewhere");
  ShowSaveDatasetDialog(&path, &location, 7, nullptr);
  EXPECT_EQ(host::LastBrowseDialog().title, L"");
  EXPECT_TRUE(host::LastBrowseDialog().filters.empty());

  SavingUser cancelling(L"");
  ScopedResponder cancel(&cancelling);
  set(path, L"before");
  set(location, L"/start");
  EXPECT_FALSE(ShowSaveDatasetDialog(&path, &location, kSaveTin, nullptr));
  EXPECT_EQ(BstrToWstring(path), L"before");
  EXPECT_EQ(BstrToWstring(location), L"/start");
  EXPECT_EQ(cancelling.last.title, L"Save TIN As");
  EXPECT_EQ(cancelling.last.initialDir, L"/start");
  SysFreeString(path);
  SysFreeString(location);
}

TEST(DatasetHelpers, FeatureClassInDatabaseAndFieldsAsOgrinfoSeesThem) {
  test::HostSessionFixture host;
  ScratchDir dir;
  ComPtr<IWorkspace> made;
  ASSERT_EQ(test::DatabaseFactory()->Create(Bstr(FromUtf8(dir.path())), Bstr(L"analysis.gpkg"),
                                            nullptr, nullptr, made.put()),
            S_OK);
  made.Reset();
  std::wstring db = FromUtf8(dir / "analysis.gpkg");
  auto fc = CreateFeatureClassInDatabase(Bstr(db), Bstr(L"observers"), kGeometryPoint, 0, 0,
                                         test::SpatialReference(4326));
  ASSERT_TRUE(fc);
  EXPECT_EQ(AddFieldToTable(fc.As<IUnknown>(), Bstr(L"X_DD"), -1, 3, 18, 18, 8), S_OK);
  EXPECT_EQ(AddFieldToTable(fc.As<IUnknown>(), Bstr(L"MGRS"), -1, 4, 50, 0, 0), S_OK);
  EXPECT_EQ(AddFieldToTable(fc.As<IUnknown>(), Bstr(L"MGRS"), -1, 4, 50, 0, 0),
            host::E_DATA_INVALID_NAME);
  EXPECT_EQ(AddFieldToTable(nullptr, Bstr(L"Z"), -1, 3, 8, 0, 0), E_POINTER);
  std::string info = OgrInfo("-so -al " + ShellQuote(dir / "analysis.gpkg"));
  EXPECT_TRUE(Has(info, "Layer name: observers")) << info;
  EXPECT_TRUE(Has(info, "Geometry: Point")) << info;
  EXPECT_TRUE(Has(info, "FID Column = OID")) << info;
  EXPECT_TRUE(Has(info, "Geometry Column = Shape")) << info;
  EXPECT_TRUE(Has(info, "X_DD: Real")) << info;
  EXPECT_TRUE(Has(info, "MGRS: String (50.0)")) << info;

  // A missing or corrupt database, or a name the database refuses: no class, nothing left.
  EXPECT_FALSE(CreateFeatureClassInDatabase(Bstr(FromUtf8(dir / "none.gpkg")), Bstr(L"a"), 1, 0, 0,
                                            nullptr));
  EXPECT_FALSE(std::filesystem::exists(dir / "none.gpkg"));
  ASSERT_TRUE(test::MakeCorruptFile(dir / "bad.gpkg"));
  EXPECT_FALSE(
      CreateFeatureClassInDatabase(Bstr(FromUtf8(dir / "bad.gpkg")), Bstr(L"a"), 1, 0, 0, nullptr));
  EXPECT_FALSE(CreateFeatureClassInDatabase(Bstr(db), Bstr(L"two words"), 1, 0, 0, nullptr));
  EXPECT_FALSE(
      CreateFeatureClassInDatabase(Bstr(db), Bstr(L"observers"), 1, 0, 0, nullptr));  // exists
  info = OgrInfo("-so " + ShellQuote(dir / "analysis.gpkg"));
  EXPECT_FALSE(Has(info, "two words")) << info;

  // The single field builders make a polygon class with "ObjectID" and "SHAPE".
  auto fields = CreateHostObject<IFieldsEdit>(host::CLSID_Fields);
  AddObjectIdField(fields.get(), Bstr(L"ObjectID"));
  AddShapeField(fields.get(), Bstr(L"SHAPE"), test::SpatialReference(32632));
  auto ws = test::OpenWorkspace(test::DatabaseFactory().get(), dir / "analysis.gpkg");
  ComPtr<IFeatureClass> areas;
  ASSERT_EQ(ws.Query<IFeatureWorkspace>()->CreateFeatureClass(
                Bstr(L"areas"), fields.As<IFields>().get(), nullptr, nullptr, 1, Bstr(L"SHAPE"),
                Bstr(L""), areas.put()),
            S_OK);
  info = OgrInfo("-so " + ShellQuote(dir / "analysis.gpkg") + " areas");
  EXPECT_TRUE(Has(info, "Geometry: Multi Polygon")) << info;
  EXPECT_TRUE(Has(info, "FID Column = ObjectID")) << info;
  EXPECT_TRUE(Has(info, "Geometry Column = SHAPE")) << info;

  // Shapefiles: dBASE rules hold for added fields.
  auto folder = test::OpenWorkspace(test::ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> shp;
  ASSERT_EQ(folder.Query<IFeatureWorkspace>()->CreateFeatureClass(
                Bstr(L"pts"), BuildFeatureClassFields(1, 0, 0, nullptr).get(), nullptr, nullptr, 1,
                Bstr(L"Shape"), Bstr(L""), shp.put()),
            S_OK);
  EXPECT_EQ(AddFieldToTable(shp.As<IUnknown>(), Bstr(L"LATITUDE_DMS"), -1, 4, 50, 0, 0),
            host::E_DATA_INVALID_NAME);
  EXPECT_EQ(AddFieldToTable(shp.As<IUnknown>(), Bstr(L"LAT_DMS"), -1, 4, 50, 0, 0), S_OK);
  EXPECT_TRUE(Has(OgrInfo("-so -al " + ShellQuote(dir / "pts.shp")), "LAT_DMS: String (50.0)"));
}

double LocationInfo(const std::string& file, double x, double y) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "gdallocationinfo -valonly -geoloc " << ShellQuote(file) << " " << x << " " << y;
  std::string out = ToolOutput(cmd.str());
  return out.find_first_not_of(" \n") == std::string::npos ? NAN : std::stod(out);
}

TEST(DatasetHelpers, RasterOpenersAndSurfacesOfLayers) {
  test::HostSessionFixture host;
  ScratchDir dir;
  ASSERT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", test::DemSpec{}));
  EXPECT_TRUE(OpenWorkspaceFromFolder(Bstr(FromUtf8(dir.path()))));
  EXPECT_FALSE(OpenWorkspaceFromFolder(Bstr(FromUtf8(dir / "missing"))));
  EXPECT_TRUE(OpenDatasetInFolder(Bstr(FromUtf8(dir.path())), Bstr(L"dem.tif")));
  EXPECT_FALSE(OpenDatasetInFolder(Bstr(FromUtf8(dir.path())), Bstr(L"absent.tif")));
  try {
    OpenDatasetInFolder(Bstr(FromUtf8(dir / "missing")), Bstr(L"dem.tif"));
    ADD_FAILURE() << "a folder that does not open ends the helper";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }

  const std::string dted = std::string(VELK_SHARED_DATA) + "/dted/n00_e006_3arc_v2.dt1";
  VELK_REQUIRE(std::filesystem::exists(dted), "the shared DTED cell is missing: " << dted);
  auto layer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  ASSERT_EQ(layer->CreateFromFilePath(Bstr(FromUtf8(dted))), S_OK);
  auto surface = GetSurfaceFromLayer(layer.As<ILayer>().get());
  ASSERT_TRUE(surface);
  for (auto [x, y] : {std::pair{6.6, 0.3}, {6.548, 0.2834}, {6.5, 0.5}}) {
    double z = 0;
    ASSERT_EQ(surface->GetElevation(host::NewPoint(x, y).get(), &z), S_OK);
    EXPECT_DOUBLE_EQ(z, LocationInfo(dted, x, y)) << x << "," << y;
  }

  // A layer whose 3-D properties name a base surface yields none; the lookup finds that one.
  auto props = CreateHostObject<I3DProperties>(host::CLSID_3DProperties);
  props->put_BaseOption(kBaseOptionSurface);
  props->putref_BaseSurface(surface.get());
  auto plain = CreateHostObject<I3DProperties>(host::CLSID_3DProperties);
  layer.Query<ILayerExtensions>()->AddExtension(plain.get());
  layer.Query<ILayerExtensions>()->AddExtension(props.get());
  EXPECT_TRUE(IsSameObject(FindLayerBaseSurface(layer.As<ILayer>().get()).get(), surface.get()));
  EXPECT_FALSE(GetSurfaceFromLayer(layer.As<ILayer>().get()));

  EXPECT_FALSE(GetSurfaceFromLayer(nullptr));
  EXPECT_FALSE(FindLayerBaseSurface(nullptr));
  auto features = CreateHostObject<ILayer>(host::CLSID_FeatureLayer);
  EXPECT_FALSE(GetSurfaceFromLayer(features.get()));
}

}  // namespace
}  // namespace velk::corvane
