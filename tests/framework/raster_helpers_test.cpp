// The raster helpers over small GeoTIFFs made here: dataset names for outputs, the host's
// default analysis settings copied into an operator's environment, and the raster collection
// of a catalog as the extent choice box and the region pick it.
#include "framework/raster_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/host_object_creation.h"
#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_dataset_name.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/window.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

constexpr UINT kSelectedDatasetsText = 3246;

HRESULT ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.Error();
  }
  return S_OK;
}

// A running host with a folder of three one-degree elevation rasters side by side, from
// longitude 6: a.tif, b.tif and c.tif.
struct RasterHost {
  test::HostSessionFixture host;
  test::ScratchDir dir;
  ComPtr<IWorkspace> workspace;
  RasterHost() {
    for (int i = 0; i < 3; ++i) {
      test::DemSpec spec;
      spec.columns = 8;
      spec.rows = 8;
      spec.originX = 6.0 + i;
      spec.originY = 1.0;
      EXPECT_TRUE(
          test::MakeGeoTiffDem(dir / (std::string(1, static_cast<char>('a' + i)) + ".tif"), spec));
    }
    workspace = test::OpenWorkspace(test::RasterFactory().get(), dir.path());
  }
  ComPtr<IWorkspaceName> WorkspaceName(const std::wstring& path) {
    auto name = CreateHostObject<IWorkspaceName>(host::CLSID_WorkspaceName);
    name->put_PathName(Bstr(path));
    name->put_WorkspaceFactoryProgID(Bstr(host::kRasterWorkspaceFactoryProgId));
    return name;
  }
};

// The file names of a collection's rasters, in order.
std::vector<std::wstring> FilesOf(IRasterCollection* collection) {
  std::vector<std::wstring> out;
  LONG n = 0;
  collection->get_RasterCount(&n);
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IRaster> raster;
    collection->get_Raster(i, raster.put());
    ComPtr<IRasterDataset> dataset;
    raster->get_RasterDataset(dataset.put());
    Bstr path;
    dataset->get_CompleteName(&path);
    std::wstring p = path.str();
    out.push_back(p.substr(p.find_last_of(L'/') + 1));
  }
  return out;
}

using Files = std::vector<std::wstring>;

// ---------------------------------------------------------------- dataset names

TEST(RasterHelpers, DatasetNameTakesTheTextOrElseTheWorkspacesName) {
  RasterHost r;
  ComPtr<IDatasetName> name;
  MakeRasterDatasetName(name.put(), r.WorkspaceName(r.dir.wpath()).get(), Bstr(L"b.tif"), nullptr);
  ASSERT_TRUE(name);
  Bstr text;
  name->get_Name(&text);
  EXPECT_EQ(text.str(), L"b.tif");
  ComPtr<IUnknown> definition;
  name.Query<IRasterDatasetName>()->get_Definition(definition.put());
  EXPECT_FALSE(definition);
  ComPtr<IUnknown> opened;
  ASSERT_EQ(name.Query<IName>()->Open(opened.put()), S_OK);  // the real file
  EXPECT_TRUE(QueryAs<IRasterDataset>(opened.get()));

  // An empty text: the workspace's own name, the last part of its path.
  auto sr = test::SpatialReference(4326);
  MakeRasterDatasetName(name.put(), r.WorkspaceName(L"/data/out/hll1A2/").get(), Bstr(L""),
                        sr.get());
  name->get_Name(&text);
  EXPECT_EQ(text.str(), L"hll1A2");
  name.Query<IRasterDatasetName>()->get_Definition(definition.put());
  EXPECT_TRUE(IsSameObject(definition.get(), sr.get()));
  ComPtr<IWorkspaceName> ws;
  name->get_WorkspaceName(ws.put());
  Bstr path;
  ws->get_PathName(&path);
  EXPECT_EQ(path.str(), L"/data/out/hll1A2/");

  EXPECT_EQ(
      ErrorOf([&] { MakeRasterDatasetName(name.put(), r.workspace.get(), Bstr(L"x"), nullptr); }),
      E_POINTER);
  EXPECT_FALSE(name);
}

// ---------------------------------------------------------------- analysis settings

// An operator's environment that records what it is given.
class RecordingEnvironment
    : public ComObjectRoot<RecordingEnvironment, IRasterAnalysisEnvironment> {
 public:
  HRESULT get_OutWorkspace(IWorkspace**) override { return E_NOTIMPL; }
  HRESULT putref_OutWorkspace(IWorkspace* ws) override {
    log.push_back(std::string("workspace ") + (ws ? "set" : "none"));
    return S_OK;
  }
  HRESULT get_OutSpatialReference(ISpatialReference**) override { return E_NOTIMPL; }
  HRESULT putref_OutSpatialReference(ISpatialReference* sr) override {
    log.push_back(std::string("sr ") + (sr ? "set" : "none"));
    return S_OK;
  }
  HRESULT GetCellSize(LONG*, double*) override { return E_NOTIMPL; }
  HRESULT SetCellSize(LONG kind, VARIANT* size) override {
    log.push_back("cell " + std::to_string(kind) + " vt " + std::to_string(size->vt) + " " +
                  std::to_string(size->dblVal));
    return S_OK;
  }
  HRESULT GetExtent(LONG*, IUnknown**) override { return E_NOTIMPL; }
  HRESULT SetExtent(LONG kind, VARIANT* extent, VARIANT* snap) override {
    log.push_back("extent " + std::to_string(kind) + " vt " + std::to_string(extent->vt) + " " +
                  std::to_string(extent->boolVal) + (snap ? " snap" : " no snap"));
    return S_OK;
  }
  HRESULT Validate() override {
    log.push_back("validate");
    return S_OK;
  }
  HRESULT SetAsNewDefaultEnvironment() override { return E_NOTIMPL; }
  std::vector<std::string> log;
};

TEST(RasterHelpers, AnalysisSettingsArriveInOrderAndAsTheirVariants) {
  RasterHost r;
  auto target = MakeObjectPtr<RecordingEnvironment, IRasterAnalysisEnvironment>();
  auto* rec = static_cast<RecordingEnvironment*>(target.get());
  ApplyRasterAnalysisSettings(r.host.Session().Hook(), target.get());
  EXPECT_EQ(rec->log, (std::vector<std::string>{"workspace none", "sr none", "cell 1 vt 5 0.000000",
                                                "extent 1 vt 11 0 no snap", "validate"}));

  // A default with everything set: the envelope goes over as VT_BOOL true.
  auto def = CreateHostObject<IRasterAnalysisEnvironment>(host::CLSID_RasterAnalysis);
  def->putref_OutWorkspace(r.workspace.get());
  def->putref_OutSpatialReference(test::SpatialReference(4326).get());
  Variant size(0.25);
  def->SetCellSize(kCellSizeValue, &size);
  Variant area(host::NewEnvelope(6.2, 0.1, 7.4, 0.9).As<IUnknown>().get());
  ASSERT_EQ(def->SetExtent(kExtentValue, &area, nullptr), S_OK);
  def->SetAsNewDefaultEnvironment();
  rec->log.clear();
  ApplyRasterAnalysisSettings(nullptr, target.get());
  EXPECT_EQ(rec->log, (std::vector<std::string>{"workspace set", "sr set", "cell 3 vt 5 0.250000",
                                                "extent 3 vt 11 -1 no snap", "validate"}));
}

TEST(RasterHelpers, AHostEnvironmentTakesTheDefaultSettingsWholly) {
  RasterHost r;
  auto def = CreateHostObject<IRasterAnalysisEnvironment>(host::CLSID_RasterAnalysis);
  auto target =
      CreateHostObject<IRasterAnalysisEnvironment>(host::CLSID_RasterAnalysis);  // made before
  def->putref_OutWorkspace(r.workspace.get());
  Variant size(0.5);
  def->SetCellSize(kCellSizeValue, &size);
  Variant area(host::NewEnvelope(6.2, 0.1, 7.4, 0.9).As<IUnknown>().get());
  def->SetExtent(kExtentValue, &area, nullptr);
  def->SetAsNewDefaultEnvironment();

  ApplyRasterAnalysisSettings(nullptr, target.get());
  ComPtr<IWorkspace> ws;
  target->get_OutWorkspace(ws.put());
  EXPECT_TRUE(IsSameObject(ws.get(), r.workspace.get()));
  LONG kind = 0;
  double cell = 0;
  target->GetCellSize(&kind, &cell);
  EXPECT_EQ(cell, 0.5);
  ComPtr<IUnknown> extent;
  target->GetExtent(&kind, extent.put());
  EXPECT_EQ(kind, kExtentValue);
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ASSERT_TRUE(QueryAs<IEnvelope>(extent.get()));
  QueryAs<IEnvelope>(extent.get())->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 6.2);
  EXPECT_EQ(y1, 0.9);

  EXPECT_EQ(ErrorOf([&] { ApplyRasterAnalysisSettings(nullptr, r.workspace.get()); }), E_POINTER);
  EXPECT_EQ(ErrorOf([&] { ApplyRasterAnalysisSettings(nullptr, nullptr); }), E_POINTER);
}

// ---------------------------------------------------------------- raster collections

struct ChoiceCase {
  const char* what;
  std::vector<const wchar_t*> items;
  int current;  // -1: no selection
  bool useCombo;
  Files files;
};

class RasterChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(RasterChoice, TheChoiceBoxPicksSelectedOrAllDatasets) {
  const ChoiceCase& c = GetParam();
  RasterHost r;
  auto catalog = CreateHostObject<IRasterCatalog>(host::CLSID_WorkspaceRasterCatalog);
  catalog.Query<IWorkspaceRasterCatalog>()->putref_Workspace(r.workspace.get());
  catalog.Query<IWorkspaceRasterCatalog>()->SelectDataset(Bstr(L"c.tif"));
  catalog.Query<IWorkspaceRasterCatalog>()->SelectDataset(Bstr(L"a.tif"));

  HWND top = CreateWindowExW(0, WC_PLAINWINDOW, L"mosaic", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                             nullptr, nullptr, nullptr, nullptr);
  WTL::CComboBox combo(CreateWindowExW(0, WC_COMBOBOX, L"", WS_CHILD | CBS_DROPDOWNLIST, 10, 10,
                                       150, 100, top, nullptr, nullptr, nullptr));
  for (const wchar_t* item : c.items) combo.AddString(item);
  combo.SetCurSel(c.current);

  ComPtr<IRasterCollection> collection;
  BuildRasterCollection(
      collection.put(),
      ComboShowsItem(c.useCombo ? static_cast<HWND>(combo) : nullptr, kSelectedDatasetsText),
      nullptr, catalog.get());
  ASSERT_TRUE(collection);
  EXPECT_EQ(FilesOf(collection.get()), c.files);
  DestroyWindow(top);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RasterChoice,
    ::testing::Values(
        ChoiceCase{"selected",
                   {L"All datasets", L"Selected datasets"},
                   1,
                   true,
                   Files{L"a.tif", L"c.tif"}},
        ChoiceCase{"all",
                   {L"All datasets", L"Selected datasets"},
                   0,
                   true,
                   Files{L"a.tif", L"b.tif", L"c.tif"}},
        ChoiceCase{"letter case ignored",
                   {L"All datasets", L"SELECTED DATASETS"},
                   1,
                   true,
                   Files{L"a.tif", L"c.tif"}},
        ChoiceCase{"longer text is another item",
                   {L"Selected datasets only"},
                   0,
                   true,
                   Files{L"a.tif", L"b.tif", L"c.tif"}},
        // neither the item nor a selection: both not found, taken as the selected datasets
        ChoiceCase{"empty box", {}, -1, true, Files{L"a.tif", L"c.tif"}},
        ChoiceCase{"no box", {}, -1, false, Files{L"a.tif", L"b.tif", L"c.tif"}}),
    [](const auto& param) {
      std::string n = param.param.what;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

TEST(RasterHelpers, ARegionBecomesTheExtentAndLeavesOutDatasetsOutsideIt) {
  RasterHost r;
  auto catalog = CreateHostObject<IRasterCatalog>(host::CLSID_WorkspaceRasterCatalog);
  catalog.Query<IWorkspaceRasterCatalog>()->putref_Workspace(r.workspace.get());
  auto region = host::NewPolygon();
  auto points = region.Query<IPointCollection>();
  for (auto [x, y] : {std::pair{7.2, 0.2}, {7.2, 0.8}, {8.5, 0.8}, {8.5, 0.2}, {7.2, 0.2}})
    points->AddPoint(host::NewPoint(x, y).get());
  region->put_SpatialReference(test::SpatialReference(4326).get());
  ComPtr<IRasterCollection> collection;
  BuildRasterCollection(collection.put(), false, region.get(), catalog.get());
  EXPECT_EQ(FilesOf(collection.get()), (Files{L"b.tif", L"c.tif"}));
  ComPtr<IEnvelope> extent;
  collection->get_Extent(extent.put());
  ASSERT_TRUE(extent);
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  extent->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 7.2);
  EXPECT_EQ(x1, 8.5);

  EXPECT_EQ(
      ErrorOf([&] { BuildRasterCollection(collection.put(), false, nullptr, r.workspace.get()); }),
      E_POINTER);  // not a raster catalog
  EXPECT_EQ(ErrorOf([&] {
              BuildRasterCollection(collection.put(), false, r.workspace.get(), catalog.get());
            }),
            E_POINTER);  // a region that is no geometry
}

}  // namespace
}  // namespace velk::corvane
