// The undoable operation that adds catalog layers, over real catalogs made by the data manager
// and stand-in layer classes registered under the catalog layers' class identifiers: which
// class each catalog gets, pick order, the settings, the visibility default, the flags of
// Do, Undo and Redo, the globe's routing, and the browse dialog's filters.
#include <gtest/gtest.h>

#include <map>

#include "catalog/layers/add_layer_command.h"
#include "catalog/layers/add_zel_layers_operation.h"
#include "interfaces/corvane_ids.h"
#include "interfaces/lumeris_ids.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_settings.h"
#include "platform/host/documents/globe_document.h"
#include "platform/host/documents/map_document.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/responder.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/data_manager.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/fixtures/tool_output.h"

namespace velk::corvane {
namespace {

// Stand-in catalog layer: records its class, what it was set up with and what it was told. It
// answers the one catalog-layer interface of its kind.
class FakeZelLayer : public ComObjectRoot<FakeZelLayer, ILayer, IZelDtedLayer, IZelRasterLayer,
                                          IZelVectorLayer, IWireframeDisplayProps> {
 public:
  HRESULT InternalQueryInterface(REFIID riid, void** ppv) {
    const bool dted = kind == L"dted";
    const bool raster = kind == L"rpf" || kind == L"referenced-rpf";
    const bool vector = !dted && !raster;
    if ((riid == IidOf<IZelDtedLayer>() && !dted) || (riid == IidOf<IZelRasterLayer>() && !raster) ||
        (riid == IidOf<IZelVectorLayer>() && !vector)) {
      if (ppv) *ppv = nullptr;
      return E_NOINTERFACE;
    }
    return ComObjectRoot::InternalQueryInterface(riid, ppv);
  }

  HRESULT get_Name(BSTR* name) override {
    *name = AllocBstr(kind);
    return S_OK;
  }
  HRESULT put_Name(BSTR) override { return S_OK; }
  HRESULT get_Visible(VARIANT_BOOL* v) override {
    *v = visible;
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL v) override {
    visible = v;
    return S_OK;
  }
  HRESULT get_Valid(VARIANT_BOOL* v) override {
    *v = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT Setup(ITable*, VARIANT_BOOL* ok) override {
    *ok = setupAnswer;
    return S_OK;
  }
  HRESULT get_InternalObject(IRasterCatalog** c) override {
    *c = nullptr;
    return S_OK;
  }
  HRESULT put_UseUniformRenderer(VARIANT_BOOL v) override { return Set(L"uniform", v); }
  HRESULT get_UseUniformRenderer(VARIANT_BOOL*) override { return S_OK; }
  HRESULT get_DisplayElevation(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_DisplayElevation(VARIANT_BOOL v) override { return Set(L"elevation", v); }
  HRESULT get_ResamplingType(velkRasterResamplingType*) override { return S_OK; }
  HRESULT put_ResamplingType(velkRasterResamplingType) override { return S_OK; }
  HRESULT get_UseBestMap(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_UseBestMap(VARIANT_BOOL v) override { return Set(L"best-map", v); }
  HRESULT get_DisplayRasters(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_DisplayRasters(VARIANT_BOOL v) override { return Set(L"rasters", v); }
  HRESULT get_FeatureClass(IFeatureClass**) override { return S_OK; }
  HRESULT putref_FeatureClass(IFeatureClass* fc) override {
    featureClass = fc != nullptr;
    return S_OK;
  }
  HRESULT get_DisplayCoverages(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_DisplayCoverages(VARIANT_BOOL v) override { return Set(L"coverages", v); }
  HRESULT get_UseGeoSym(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_UseGeoSym(VARIANT_BOOL v) override { return Set(L"geosym", v); }
  HRESULT get_UseScaleDep(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_UseScaleDep(VARIANT_BOOL v) override { return Set(L"scale-dep", v); }
  HRESULT get_DisplayWireframe(velkZelWireframeDisplayEnum*) override { return S_OK; }
  HRESULT put_DisplayWireframe(velkZelWireframeDisplayEnum m) override {
    wireframe = m;
    return S_OK;
  }

  HRESULT Set(const wchar_t* what, VARIANT_BOOL v) {
    switches[what] = v != VARIANT_FALSE;
    return S_OK;
  }

  std::wstring kind;
  VARIANT_BOOL setupAnswer = VARIANT_TRUE;
  VARIANT_BOOL visible = VARIANT_TRUE;
  bool featureClass = false;
  int wireframe = -1;
  std::map<std::wstring, bool> switches;
};

// What setup answers, per class (the referenced layer's failure is kept, the others' not).
std::map<std::wstring, VARIANT_BOOL>& SetupAnswers() {
  static std::map<std::wstring, VARIANT_BOOL> answers;
  return answers;
}

template <const CLSID* kClsid, const wchar_t* kKind>
HRESULT CreateFake(IUnknown* outer, REFIID riid, void** ppv) {
  ComObject<FakeZelLayer>* f = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  HRESULT hr = ComObject<FakeZelLayer>::Create(&f);
  if (FAILED(hr)) return hr;
  f->kind = kKind;
  auto it = SetupAnswers().find(kKind);
  if (it != SetupAnswers().end()) f->setupAnswer = it->second;
  hr = f->QueryInterface(riid, ppv);
  f->Release();
  return hr;
}

constexpr wchar_t kDted[] = L"dted", kRaster[] = L"rpf", kReferenced[] = L"referenced-rpf",
                  kVector[] = L"vpf", kManaged[] = L"managed-vpf";

class AddZelLayersOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupAnswers().clear();
    cookies_ = {
        RegisterProcessClass(ids::CLSID_ZelDtedLayer, &CreateFake<&ids::CLSID_ZelDtedLayer, kDted>),
        RegisterProcessClass(ids::CLSID_ZelRasterLayer,
                             &CreateFake<&ids::CLSID_ZelRasterLayer, kRaster>),
        RegisterProcessClass(ids::CLSID_ZelReferencedRpfLayer,
                             &CreateFake<&ids::CLSID_ZelReferencedRpfLayer, kReferenced>),
        RegisterProcessClass(ids::CLSID_ZelVectorLayer,
                             &CreateFake<&ids::CLSID_ZelVectorLayer, kVector>),
        RegisterProcessClass(ids::CLSID_ZelManagedVpfLayer,
                             &CreateFake<&ids::CLSID_ZelManagedVpfLayer, kManaged>),
        RegisterProcessClass(ids::CLSID_AddZelLayersOperation, &CreateAddZelLayersOperation),
        RegisterProcessClass(ids::CLSID_AddLayer, &CreateAddLayer),
    };
  }
  void TearDown() override {
    for (DWORD c : cookies_) RevokeProcessClass(c);
  }

  // A new catalog of the kind in the test's database; its path as the browse dialog gives it.
  std::wstring Catalog(velkZelCatalogTypeEnum kind, const std::wstring& name) {
    if (!database_) {
      ComPtr<IWorkspaceFactory> factory;
      Check(host::CreateDatabaseWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                 factory.put_void()));
      Check(factory->Create(Bstr(FromUtf8(dir_.path())), Bstr(L"catalogs.gpkg"), nullptr, nullptr,
                            database_.put()));
    }
    ComPtr<IDataManager> manager;
    Check(productline::CreateDataManagerObject(nullptr, IidOf<IDataManager>(),
                                               manager.put_void()));
    EXPECT_EQ(manager->CreateCatalog(database_.get(), kind, nullptr, Bstr(name), 0, 0, nullptr),
              S_OK);
    return Database() + L"/" + name;
  }
  std::wstring Database() const { return FromUtf8(dir_ / "catalogs.gpkg"); }

  // The layers of the map, top first, as their kinds.
  static std::vector<std::wstring> Kinds(IBasicMap* map) {
    std::vector<std::wstring> out;
    LONG n = 0;
    map->get_LayerCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> layer;
      map->get_Layer(i, layer.put());
      Bstr name;
      layer->get_Name(&name);
      out.push_back(name.str());
    }
    return out;
  }

  test::ScratchDir dir_;
  std::vector<DWORD> cookies_;
  ComPtr<IWorkspace> database_;
};

// The picks as the host's browse dialog hands them over.
class Picks : public ComObjectRoot<Picks, IEnumBrowseObject> {
 public:
  HRESULT Next(IBrowseObject** o) override {
    if (at_ >= paths.size()) {
      *o = nullptr;
      return S_FALSE;
    }
    return MakeObject<Pick, IBrowseObject>(o, paths[at_++]);
  }
  HRESULT Reset() override {
    at_ = 0;
    return S_OK;
  }
  std::vector<std::wstring> paths;

 private:
  class Pick : public ComObjectRoot<Pick, IBrowseObject> {
   public:
    explicit Pick(std::wstring path) : path_(std::move(path)) {}
    HRESULT get_FullName(BSTR* p) override {
      *p = AllocBstr(path_);
      return S_OK;
    }
    HRESULT get_BaseName(BSTR* p) override { return get_FullName(p); }
    HRESULT get_InternalObjectName(IName** name) override { return host::NameOfPath(path_, name); }

   private:
    std::wstring path_;
  };
  std::size_t at_ = 0;
};

ComPtr<IEnumBrowseObject> MakePicks(std::vector<std::wstring> paths) {
  auto picks = MakeObjectPtr<Picks, IEnumBrowseObject>();
  static_cast<Picks*>(picks.get())->paths = std::move(paths);
  return picks;
}

ComPtr<IOperation> NewOperation() {
  ComPtr<IOperation> op;
  EXPECT_EQ(CreateAddZelLayersOperation(nullptr, IidOf<IOperation>(), op.put_void()), S_OK);
  return op;
}

TEST_F(AddZelLayersOperationTest, EachKindGetsItsClassInPickOrderAndOneUndoTakesThemAll) {
  test::HostSessionFixture host;
  host.SetZelState(1);
  const auto dted = Catalog(velkZelCatalogDTED, L"elevation");
  const auto rpf = Catalog(velkZelCatalogRPF, L"charts");
  const auto referenced = Catalog(velkZelCatalogReferencedRPF, L"frames");
  const auto vpf = Catalog(velkZelCatalogVPF, L"libs");
  const auto managed = Catalog(velkZelCatalogGDBVPF, L"managed");
  ComPtr<IMap> map;
  Check(QueryAs<IMapDocument>(host.Session().Document().get())->get_FocusMap(map.put()));
  SetupAnswers()[kReferenced] = VARIANT_FALSE;  // kept all the same
  SetupAnswers()[kRaster] = VARIANT_TRUE;

  auto op = NewOperation();
  auto params = op.As<IAddZelLayersOperation>();
  ASSERT_EQ(params->SetParameters(map.get(), map.get(), nullptr, host.Session().Hook(),
                                  MakePicks({dted, rpf, referenced, vpf, managed,
                                             FromUtf8(dir_ / "catalogs.gpkg/libs_features")})
                                      .get()),
            S_OK);
  ASSERT_EQ(op->Do(), S_OK);
  EXPECT_EQ(Kinds(map.get()), (std::vector<std::wstring>{kManaged, kVector, kReferenced, kRaster,
                                                          kDted}));
  VARIANT_BOOL canUndo = VARIANT_FALSE, canRedo = VARIANT_TRUE;
  op->get_CanUndo(&canUndo);
  op->get_CanRedo(&canRedo);
  EXPECT_EQ(canUndo, VARIANT_TRUE);
  EXPECT_EQ(canRedo, VARIANT_FALSE);
  // Redo before Undo cannot run; Undo takes all of them, a second Undo cannot run.
  EXPECT_EQ(op->Redo(), kOperationCannotRun);
  std::vector<ComPtr<ILayer>> first;
  for (LONG i = 0; i < 5; ++i) {
    ComPtr<ILayer> l;
    map->get_Layer(i, l.put());
    first.push_back(l);
  }
  EXPECT_EQ(op->Undo(), S_OK);
  EXPECT_TRUE(Kinds(map.get()).empty());
  EXPECT_EQ(op->Undo(), kOperationCannotRun);
  ASSERT_EQ(op->Redo(), S_OK);
  ASSERT_EQ(Kinds(map.get()).size(), 5u);
  for (LONG i = 0; i < 5; ++i) {
    ComPtr<ILayer> l;
    map->get_Layer(i, l.put());
    EXPECT_FALSE(IsSameObject(l.get(), first[i].get())) << "redo reuses layer " << i;
  }
}

TEST_F(AddZelLayersOperationTest, FailedSetupsAddNothingAndTheSettingsAndVisibilityApply) {
  test::HostSessionFixture host;
  host.SetZelState(1);
  const auto dted = Catalog(velkZelCatalogDTED, L"elevation");
  const auto rpf = Catalog(velkZelCatalogRPF, L"charts");
  const auto vpf = Catalog(velkZelCatalogVPF, L"libs");
  ComPtr<IMap> map;
  Check(QueryAs<IMapDocument>(host.Session().Document().get())->get_FocusMap(map.put()));
  SetupAnswers()[kRaster] = VARIANT_FALSE;
  auto dataMan = RequireZelSettings<IDataManSettings>();
  Check(dataMan->put_DataManDTEDDisplayRasters(VARIANT_FALSE));
  Check(dataMan->put_DataManVPFWireframe(0));
  ASSERT_EQ(reg::WriteDword(reg::Hive::CurrentUser, kLayerVisibilityKey, kLayerVisibilityValue, 0),
            0);
  auto op = NewOperation();
  ASSERT_EQ(op.As<IAddZelLayersOperation>()->SetParameters(map.get(), map.get(), nullptr,
                                                           host.Session().Hook(),
                                                           MakePicks({dted, rpf, vpf}).get()),
            S_OK);
  ASSERT_EQ(op->Do(), S_OK);
  ASSERT_EQ(Kinds(map.get()), (std::vector<std::wstring>{kVector, kDted}));
  ComPtr<ILayer> vector, elevation;
  map->get_Layer(0, vector.put());
  map->get_Layer(1, elevation.put());
  auto* v = static_cast<FakeZelLayer*>(static_cast<ILayer*>(vector.get()));
  auto* d = static_cast<FakeZelLayer*>(static_cast<ILayer*>(elevation.get()));
  EXPECT_EQ(v->visible, VARIANT_FALSE);
  EXPECT_EQ(d->visible, VARIANT_FALSE);
  EXPECT_TRUE(v->featureClass);
  EXPECT_EQ(v->wireframe, 0);
  EXPECT_EQ(d->wireframe, 2);
  EXPECT_EQ(d->switches, (std::map<std::wstring, bool>{{L"elevation", false}, {L"uniform", false}}));
  EXPECT_EQ(v->switches, (std::map<std::wstring, bool>{
                             {L"geosym", false}, {L"scale-dep", true}, {L"coverages", true}}));
  // The value as text does not count: visible.
  ASSERT_EQ(reg::WriteString(reg::Hive::CurrentUser, kLayerVisibilityKey, kLayerVisibilityValue,
                             L"0"),
            0);
  EXPECT_TRUE(ReadLayerVisibilityDefault());
}

TEST_F(AddZelLayersOperationTest, RefusalsLeaveTheFlagsAsTheyWere) {
  test::HostSessionFixture host;
  ComPtr<IMap> map;
  Check(QueryAs<IMapDocument>(host.Session().Document().get())->get_FocusMap(map.put()));
  auto op = NewOperation();
  auto params = op.As<IAddZelLayersOperation>();
  auto picks = MakePicks({});
  EXPECT_EQ(params->SetParameters(map.get(), map.get(), nullptr, nullptr, picks.get()), E_POINTER);
  EXPECT_EQ(params->SetParameters(map.get(), map.get(), nullptr, host.Session().Hook(), nullptr),
            E_POINTER);
  EXPECT_EQ(params->SetParameters(nullptr, nullptr, nullptr, host.Session().Hook(), picks.get()),
            E_INVALIDARG);
  EXPECT_EQ(op->Do(), kOperationCannotRun);  // nothing set
  ASSERT_EQ(params->SetParameters(map.get(), map.get(), nullptr, host.Session().Hook(),
                                  picks.get()),
            S_OK);
  EXPECT_EQ(op->Do(), kOperationCannotRun);  // no picks
  VARIANT_BOOL flag = VARIANT_TRUE;
  op->get_CanUndo(&flag);
  EXPECT_EQ(flag, VARIANT_FALSE);
  Bstr text;
  EXPECT_EQ(op->get_MenuString(&text), S_OK);
  EXPECT_EQ(op->get_MenuString(nullptr), E_POINTER);
  auto info = op.As<ISupportErrorInfo>();
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IidOf<IOperation>()), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IidOf<IAddZelLayersOperation>()), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IidOf<ILayer>()), S_FALSE);
}

TEST_F(AddZelLayersOperationTest, TheGlobeTakesElevationAndRastersOnlyThroughTheCommand) {
  test::HostSessionFixture host(host::HostKind::Globe);
  host.SetZelState(1);
  const auto dted = Catalog(velkZelCatalogDTED, L"elevation");
  const auto rpf = Catalog(velkZelCatalogRPF, L"charts");
  // The user picks both in the browse dialog.
  struct Answer : win::Responder {
    bool OnFileDialog(const win::FileDialogRequest& r, std::wstring* path) override {
      multiple = (r.flags & OFN_ALLOWMULTISELECT) != 0;
      *path = folder + L'\0' + L"elevation" + L'\0' + L"charts";
      return true;
    }
    std::wstring folder;
    bool multiple = false;
  } answer;
  answer.folder = Database();
  win::SetResponder(&answer);
  ComPtr<ICommandItem> item;
  ASSERT_EQ(host.Session().CreateCommand(GuidToString(ids::CLSID_AddLayer), 0, item.put()), S_OK);
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  EXPECT_EQ(QueryAs<ICommand>(command.get())->OnClick(), S_OK);
  win::SetResponder(nullptr);
  EXPECT_TRUE(answer.multiple);
  const auto& record = host::LastBrowseDialog();
  EXPECT_EQ(record.title, L"Zel Catalogs");
  ASSERT_EQ(record.filters.size(), 2u);
  EXPECT_EQ(record.filters[0], std::make_pair(std::wstring(L"DTED Catalogs"), true));
  EXPECT_EQ(record.filters[1], std::make_pair(std::wstring(L"RPF Catalogs"), false));
  ComPtr<IGlobe> globe;
  Check(QueryAs<IGlobeDocument>(host.Session().Document().get())->get_Globe(globe.put()));
  EXPECT_EQ(Kinds(globe.get()), (std::vector<std::wstring>{kRaster, kDted}));
}

}  // namespace
}  // namespace velk::corvane
