// What a HookStruct answers for every kind of hook the host hands over: the application of the
// 2-D map host, of the 3-D globe host and of the catalog, the hooks of the view controls and of
// command bars bound to them.
#include "framework/hook_struct.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/host/shell/command_bar_hook.h"
#include "platform/host/display/globe_view.h"
#include "platform/host/application/host_application.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/display/map_view.h"
#include "platform/host/display/page_view.h"

namespace velk::corvane {
namespace {

using host::HostKind;

HWND FakeWindow(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }

// The host objects every case is drawn from.
struct World {
  ComPtr<host::Application> trevik = host::MakeApplication(HostKind::Map, FakeWindow(0x100));
  ComPtr<host::Application> kuvalo = host::MakeApplication(HostKind::Globe, FakeWindow(0x101));
  ComPtr<host::Application> catalog = host::MakeApplication(HostKind::Catalog, FakeWindow(0x102));
  ComPtr<IMapViewHook> mapView = host::MakeMapView(nullptr, FakeWindow(0x200));
  ComPtr<IMap> pageMap = MakeObjectPtr<host::Map, IMap>();
  ComPtr<IPageViewHook> pageView = host::MakePageView(pageMap.get());
  ComPtr<IPageViewHook> emptyPageView = host::MakePageView(nullptr, false);
  ComPtr<IGlobeViewHook> globeView = host::MakeGlobeView(nullptr);
  ComPtr<ICommandBarHook> barOnMap = host::MakeCommandBarHook(mapView.get());
  ComPtr<ICommandBarHook> barAlone = host::MakeCommandBarHook(nullptr);
  ComPtr<IStatusBar> unrelated = MakeObjectPtr<host::StatusBar, IStatusBar>();

  ~World() {
    trevik->Shutdown();
    kuvalo->Shutdown();
    catalog->Shutdown();
  }

  ComPtr<IMapDocument> TrevikDoc() {
    ComPtr<IDocument> d;
    trevik->get_Document(d.put());
    return d.Query<IMapDocument>();
  }
  ComPtr<IGlobeDocument> KuvaloDoc() {
    ComPtr<IDocument> d;
    kuvalo->get_Document(d.put());
    return d.Query<IGlobeDocument>();
  }
  ComPtr<IUnknown> FocusMap() {
    ComPtr<IMap> m;
    TrevikDoc()->get_FocusMap(m.put());
    return ComPtr<IUnknown>(m.get());
  }
  ComPtr<IUnknown> Globe() {
    ComPtr<IGlobe> g;
    KuvaloDoc()->get_Globe(g.put());
    return ComPtr<IUnknown>(g.get());
  }
  ComPtr<IUnknown> MapViewMap() {
    ComPtr<IMap> m;
    mapView->get_Map(m.put());
    return ComPtr<IUnknown>(m.get());
  }
  ComPtr<IUnknown> GlobeViewGlobe() {
    ComPtr<IGlobe> g;
    globeView->get_Globe(g.put());
    return ComPtr<IUnknown>(g.get());
  }
  ComPtr<IUnknown> PageLayoutView() {
    ComPtr<IActiveView> v;
    pageView->get_ActiveView(v.put());
    return ComPtr<IUnknown>(v.get());
  }
  ComPtr<IUnknown> DocStack() {
    ComPtr<IOperationStack> s;
    TrevikDoc()->get_OperationStack(s.put());
    return ComPtr<IUnknown>(s.get());
  }
  ComPtr<IUnknown> BarStack(ICommandBarHook* bar) {
    ComPtr<IOperationStack> s;
    bar->get_OperationStack(s.put());
    return ComPtr<IUnknown>(s.get());
  }
};

// An expected answer: the result code and the object the out argument holds (null: empty).
struct Answer {
  HRESULT hr;
  std::function<ComPtr<IUnknown>(World&)> object;
};
Answer Empty(HRESULT hr) {
  return {hr, [](World&) { return ComPtr<IUnknown>(); }};
}

struct Case {
  const char* name;
  std::function<IUnknown*(World&)> hook;
  Answer basicFocusMap;
  Answer focusMap;
  Answer activeView;
  Answer globe;
  Answer operationStack;
  std::uintptr_t window;
  std::function<IUnknown*(World&)> application;  // null: S_OK with an empty out
};

std::vector<Case> Cases() {
  auto none = [](World&) -> IUnknown* { return nullptr; };
  return {
      {"TrevikApplication",
       [](World& w) -> IUnknown* { return w.trevik.get(); },
       {S_OK, [](World& w) { return w.FocusMap(); }},
       {S_OK, [](World& w) { return w.FocusMap(); }},
       {S_OK, [](World& w) { return w.FocusMap(); }},  // data view: the focus map is the view
       Empty(E_NOTIMPL),
       {S_OK, [](World& w) { return w.DocStack(); }},
       0x100,
       [](World& w) -> IUnknown* { return w.trevik.get(); }},
      {"KuvaloApplication",
       [](World& w) -> IUnknown* { return w.kuvalo.get(); },
       {S_OK, [](World& w) { return w.Globe(); }},
       Empty(E_FAIL),
       Empty(E_FAIL),
       {S_OK, [](World& w) { return w.Globe(); }},
       Empty(E_FAIL),
       0x101,
       [](World& w) -> IUnknown* { return w.kuvalo.get(); }},
      {"CatalogApplication", [](World& w) -> IUnknown* { return w.catalog.get(); }, Empty(E_FAIL),
       Empty(E_FAIL), Empty(E_FAIL), Empty(E_NOTIMPL), Empty(E_FAIL), 0x102,
       [](World& w) -> IUnknown* { return w.catalog.get(); }},
      {"MapViewHook",
       [](World& w) -> IUnknown* { return w.mapView.get(); },
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       Empty(E_NOTIMPL),
       Empty(E_FAIL),
       0x200,
       none},
      {"PageViewHook",
       [](World& w) -> IUnknown* { return w.pageView.get(); },
       {S_OK, [](World& w) { return ComPtr<IUnknown>(w.pageMap.get()); }},
       {S_OK, [](World& w) { return ComPtr<IUnknown>(w.pageMap.get()); }},
       {S_OK, [](World& w) { return w.PageLayoutView(); }},
       Empty(E_NOTIMPL),
       Empty(E_FAIL),
       0,
       none},
      {"GlobeViewHook",
       [](World& w) -> IUnknown* { return w.globeView.get(); },
       {S_OK, [](World& w) { return w.GlobeViewGlobe(); }},
       Empty(E_FAIL),
       Empty(S_FALSE),
       {S_OK, [](World& w) { return w.GlobeViewGlobe(); }},
       Empty(E_FAIL),
       0,
       none},
      {"BarHookOnMapView",
       [](World& w) -> IUnknown* { return w.barOnMap.get(); },
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       {S_OK, [](World& w) { return w.MapViewMap(); }},
       Empty(E_NOTIMPL),
       {S_OK, [](World& w) { return w.BarStack(w.barOnMap.get()); }},
       0x200,
       none},
      {"BarHookBoundToNothing",
       [](World& w) -> IUnknown* { return w.barAlone.get(); },
       Empty(E_FAIL),
       Empty(E_FAIL),
       Empty(E_FAIL),
       Empty(E_NOTIMPL),
       {S_OK, [](World& w) { return w.BarStack(w.barAlone.get()); }},
       0,
       none},
      {"PageViewWithoutLayout", [](World& w) -> IUnknown* { return w.emptyPageView.get(); },
       Empty(E_FAIL), Empty(E_FAIL), Empty(S_OK), Empty(E_NOTIMPL), Empty(E_FAIL), 0, none},
      {"UnrelatedObject", [](World& w) -> IUnknown* { return w.unrelated.get(); }, Empty(E_FAIL),
       Empty(E_FAIL), Empty(E_FAIL), Empty(E_NOTIMPL), Empty(E_FAIL), 0, none},
  };
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class HookKinds : public ::testing::TestWithParam<Case> {};

template <class I>
void ExpectAnswer(const char* op, World& w, const Answer& want, HRESULT hr, const ComPtr<I>& got) {
  SCOPED_TRACE(op);
  EXPECT_EQ(hr, want.hr);
  ComPtr<IUnknown> expected = want.object(w);
  if (!expected) {
    EXPECT_FALSE(got) << "out should be empty";
  } else {
    ASSERT_TRUE(got);
    EXPECT_TRUE(IsSameObject(got.get(), expected.get()));
  }
}

TEST_P(HookKinds, AnswersAsTheHostKindGives) {
  const Case& c = GetParam();
  World w;
  HookStructImpl hs;
  ASSERT_EQ(hs.SetHook(c.hook(w)), S_OK);

  ComPtr<IBasicMap> basic;
  HRESULT hr = hs.GetBasicFocusMap(basic.put());
  ExpectAnswer("GetBasicFocusMap", w, c.basicFocusMap, hr, basic);

  ComPtr<IMap> map;
  hr = hs.GetFocusMap(map.put());
  ExpectAnswer("GetFocusMap", w, c.focusMap, hr, map);

  ComPtr<IActiveView> view;
  hr = hs.GetActiveView(view.put());
  ExpectAnswer("GetActiveView", w, c.activeView, hr, view);

  ComPtr<IGlobe> globe;
  hr = hs.GetGlobe(globe.put());
  ExpectAnswer("GetGlobe", w, c.globe, hr, globe);

  ComPtr<IOperationStack> stack;
  hr = hs.GetOperationStack(stack.put());
  ExpectAnswer("GetOperationStack", w, c.operationStack, hr, stack);

  EXPECT_EQ(hs.GetWindowHandle(), FakeWindow(c.window));

  ComPtr<IApplication> app;
  EXPECT_EQ(hs.GetApplication(app.put()), S_OK);
  IUnknown* wantApp = c.application(w);
  if (wantApp) {
    EXPECT_TRUE(IsSameObject(app.get(), wantApp));
  } else {
    EXPECT_FALSE(app);
  }

  // Without an application there is no application object and no map document to forward to.
  ComPtr<IStatusBar> bar;
  EXPECT_EQ(hs.GetApplicationObject(bar.put()), wantApp ? S_OK : E_NOTIMPL);
  if (!wantApp) {
    EXPECT_EQ(hs.ForwardToMapDocument(kLayoutView), E_FAIL);
  }

  ComPtr<IMapViewHook> mapHook;
  hr = hs.GetMapHook(mapHook.put());
  EXPECT_EQ(hr, hs.MapHook ? S_OK : S_FALSE);
  EXPECT_EQ(mapHook.get() != nullptr, static_cast<bool>(hs.MapHook));
}

INSTANTIATE_TEST_SUITE_P(EveryHook, HookKinds, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return std::string(i.param.name);
                         });

TEST(HookStruct, NullArgumentsAreRefused) {
  HookStructImpl hs;
  EXPECT_EQ(hs.SetHook(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetBasicFocusMap(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetFocusMap(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetActiveView(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetApplicationObject(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetGlobe(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetOperationStack(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetMapHook(nullptr), E_POINTER);
  EXPECT_EQ(hs.GetApplication(nullptr), E_POINTER);
}

// Counts the interfaces it is asked for; answers the map-view and globe-view hooks both.
class DoubleViewHook : public ComObjectRoot<DoubleViewHook, IMapViewHook, IGlobeViewHook> {
 public:
  HRESULT get_Map(IMap** map) override { return map_.CopyTo(map); }
  HRESULT get_ActiveView(IActiveView** view) override {
    return map_->QueryInterface(IidOf<IActiveView>(), reinterpret_cast<void**>(view));
  }
  HRESULT get_hWnd(HWND* window) override {
    *window = FakeWindow(0x300);
    return S_OK;
  }
  HRESULT get_Globe(IGlobe** globe) override { return globe_.CopyTo(globe); }
  ComPtr<IMap> map_ = MakeObjectPtr<host::Map, IMap>();
  ComPtr<IGlobe> globe_ = MakeObjectPtr<host::Globe, IGlobe>();
};

TEST(HookStruct, AHookThatIsBothMapAndGlobeViewIsKeptAsMapHookOnly) {
  auto hook = MakeObjectPtr<DoubleViewHook, IMapViewHook>();
  HookStructImpl hs;
  ASSERT_EQ(hs.SetHook(hook.get()), S_OK);
  EXPECT_TRUE(hs.MapHook);
  EXPECT_FALSE(hs.GlobeHook);
  ComPtr<IGlobe> globe;
  EXPECT_EQ(hs.GetGlobe(globe.put()), E_NOTIMPL);
}

TEST(HookStruct, GlobeViewHookLeavesTheActiveViewOutUntouched) {
  World w;
  HookStructImpl hs;
  hs.SetHook(w.globeView.get());
  auto* sentinel = reinterpret_cast<IActiveView*>(0x1234);
  IActiveView* out = sentinel;
  EXPECT_EQ(hs.GetActiveView(&out), S_FALSE);
  EXPECT_EQ(out, sentinel);
}

TEST(HookStruct, BarHookOnMapViewTakesTheDocumentStackFirst) {
  World w;
  HookStructImpl hs;
  hs.SetHook(w.barOnMap.get());
  hs.SetHook(w.trevik.get());  // a second call fills the application and keeps the rest
  EXPECT_TRUE(hs.BarHook);
  EXPECT_TRUE(hs.MapHook);
  ComPtr<IOperationStack> stack;
  ASSERT_EQ(hs.GetOperationStack(stack.put()), S_OK);
  EXPECT_TRUE(IsSameObject(stack.get(), w.DocStack().get()));
  // The map hook still decides the window and the focus map.
  EXPECT_EQ(hs.GetWindowHandle(), FakeWindow(0x200));
}

TEST(HookStruct, ForwardToMapDocumentSwitchesTheActiveView) {
  World w;
  HookStructImpl hs;
  hs.SetHook(w.trevik.get());
  ASSERT_EQ(hs.ForwardToMapDocument(kLayoutView), S_OK);
  ComPtr<IActiveView> view;
  ASSERT_EQ(hs.GetActiveView(view.put()), S_OK);
  EXPECT_TRUE(QueryAs<IPageLayout>(view.get()));
  // The page layout reports the focus map, so the focus map stays the document's.
  ComPtr<IMap> map;
  ASSERT_EQ(hs.GetFocusMap(map.put()), S_OK);
  EXPECT_TRUE(IsSameObject(map.get(), w.FocusMap().get()));
  EXPECT_EQ(hs.ForwardToMapDocument(7), E_INVALIDARG);

  HookStructImpl globeHs;
  globeHs.SetHook(w.kuvalo.get());
  EXPECT_EQ(globeHs.ForwardToMapDocument(kDataView), E_FAIL);
}

TEST(HookStruct, TheHostKindIsAskedAgainOnEveryCall) {
  // A hook that changes its document between calls: the answers follow the document.
  class SwitchingApp : public ComObjectRoot<SwitchingApp, IApplication> {
   public:
    HRESULT get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_Document(IDocument** d) override { return doc.CopyTo(d); }
    HRESULT get_hWnd(HWND* h) override {
      *h = nullptr;
      return S_OK;
    }
    HRESULT get_StatusBar(IStatusBar**) override { return E_NOTIMPL; }
    HRESULT get_CurrentTool(ICommandItem**) override { return E_NOTIMPL; }
    HRESULT put_CurrentTool(ICommandItem*) override { return E_NOTIMPL; }
    ComPtr<IDocument> doc;
  };
  World w;
  auto app = MakeObjectPtr<SwitchingApp, IApplication>();
  auto* raw = static_cast<SwitchingApp*>(app.get());
  HookStructImpl hs;
  hs.SetHook(app.get());
  w.trevik->get_Document(raw->doc.put());
  ComPtr<IMap> map;
  EXPECT_EQ(hs.GetFocusMap(map.put()), S_OK);
  EXPECT_TRUE(map);
  w.kuvalo->get_Document(raw->doc.put());
  EXPECT_EQ(hs.GetFocusMap(map.put()), E_FAIL);
  ComPtr<IGlobe> globe;
  EXPECT_EQ(hs.GetGlobe(globe.put()), S_OK);
  raw->doc.Reset();
  EXPECT_EQ(hs.GetGlobe(globe.put()), E_NOTIMPL);
  EXPECT_EQ(hs.GetOperationStack(nullptr), E_POINTER);
  ComPtr<IOperationStack> stack;
  EXPECT_EQ(hs.GetOperationStack(stack.put()), E_FAIL);
}

TEST(HookStruct, OperationStackRaisesAFailedMapDocumentQuery) {
  // A document whose map-document query fails with something other than "no such interface"
  // (ComObjectRoot turns every failed extra query into E_NOINTERFACE, so it is made by hand).
  class RawBrokenDocument : public IDocument {
   public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
      *ppv = nullptr;
      if (riid == IidOf<IUnknown>() || riid == IidOf<IDocument>()) {
        *ppv = static_cast<IDocument*>(this);
        return S_OK;
      }
      return riid == IidOf<IMapDocument>() ? E_UNEXPECTED : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT get_Title(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_Parent(IApplication**) override { return E_NOTIMPL; }
    HRESULT get_CommandBars(ICommandBars**) override { return E_NOTIMPL; }
  };
  class AppWithDoc : public ComObjectRoot<AppWithDoc, IApplication> {
   public:
    HRESULT get_Name(BSTR*) override { return E_NOTIMPL; }
    HRESULT get_Document(IDocument** d) override {
      *d = &doc;
      return S_OK;
    }
    HRESULT get_hWnd(HWND*) override { return E_NOTIMPL; }
    HRESULT get_StatusBar(IStatusBar**) override { return E_NOTIMPL; }
    HRESULT get_CurrentTool(ICommandItem**) override { return E_NOTIMPL; }
    HRESULT put_CurrentTool(ICommandItem*) override { return E_NOTIMPL; }
    RawBrokenDocument doc;
  };
  auto app = MakeObjectPtr<AppWithDoc, IApplication>();
  HookStructImpl hs;
  hs.SetHook(app.get());
  ComPtr<IOperationStack> stack;
  try {
    hs.GetOperationStack(stack.put());
    FAIL() << "expected a COM error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_UNEXPECTED);
  }
}

}  // namespace
}  // namespace velk::corvane
