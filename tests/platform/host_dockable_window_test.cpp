// The host's dockable windows (made by ProgID through the application's manager, shown and
// hidden, destroyed once at shutdown) and the map document's mouse location and search
// tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/host/display/display.h"
#include "platform/host/shell/dockable_window.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/application/host_session.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/window.h"
#include "tests/fixtures/temp_root.h"

namespace velk::host {
namespace {

const CLSID kDefClsid = MakeGuid("{5D1C2F0B-8E3A-4C51-9B6E-2A7F00C0FFEE}");
constexpr const wchar_t* kDefProgId = L"velkTest.DockDef";

// What the definitions were told, in order.
std::vector<std::wstring> g_calls;

class TestDef : public ComObjectRoot<TestDef, IDockableWindowDef> {
 public:
  ~TestDef() override {
    g_calls.push_back(L"gone");
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }
  HRESULT OnCreate(IUnknown* hook) override {
    g_calls.push_back(QueryAs<IApplication>(hook) ? L"create with application" : L"create");
    window_ = ::CreateWindowExW(0, WC_PLAINWINDOW, L"dock", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr);
    return S_OK;
  }
  HRESULT get_ChildHWND(HWND* w) override {
    *w = window_;
    return S_OK;
  }
  HRESULT get_Name(BSTR* n) override {
    *n = AllocBstr(L"Dock");
    return S_OK;
  }
  HRESULT get_Caption(BSTR* c) override {
    *c = AllocBstr(L"Dock caption");
    return S_OK;
  }
  HRESULT OnDestroy() override {
    g_calls.push_back(L"destroy");
    return S_OK;
  }
  HRESULT get_UserData(VARIANT* data) override {
    VariantInit(data);
    data->vt = VT_I4;
    data->lVal = 42;
    return S_OK;
  }
  HWND window_ = nullptr;
};

class DockableWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    cookie_ = RegisterProcessClass(kDefClsid, &CreateInstance<TestDef>);
    reg::WriteString(reg::Hive::ClassesRoot, std::wstring(kDefProgId) + L"\\CLSID", L"",
                     GuidToString(kDefClsid));
    HostSessionOptions options;
    session_ = HostSession::Start(options);
    ASSERT_TRUE(session_);
  }
  void TearDown() override {
    session_.reset();
    RevokeProcessClass(cookie_);
  }
  ComPtr<IDockableWindowManager> Manager() {
    return QueryAs<IDockableWindowManager>(session_->Hook());
  }

  test::TempRoot root_;
  DWORD cookie_ = 0;
  std::unique_ptr<HostSession> session_;
};

TEST_F(DockableWindowTest, TheApplicationMakesAWindowOnceAndKeepsItsIdentity) {
  auto manager = Manager();
  ASSERT_TRUE(manager);
  EXPECT_TRUE(IsSameObject(manager.get(), session_->Hook()))
      << "the manager is a part of the application";
  ComPtr<IDockableWindow> first, second;
  ASSERT_EQ(manager->GetDockableWindow(MakeUid(kDefProgId).get(), first.put()), S_OK);
  ASSERT_EQ(manager->GetDockableWindow(MakeUid(L"VELKTEST.DOCKDEF").get(), second.put()), S_OK);
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(g_calls, std::vector<std::wstring>{L"create with application"});

  Variant data;
  first->get_UserData(&data);
  EXPECT_EQ(data.vt, VT_I4);
  EXPECT_EQ(data.lVal, 42);
  Bstr caption;
  first->get_Caption(&caption);
  EXPECT_EQ(caption.str(), L"Dock caption");
}

TEST_F(DockableWindowTest, ShowAndHideMoveTheChildWindow) {
  ComPtr<IDockableWindow> window;
  ASSERT_EQ(Manager()->GetDockableWindow(MakeUid(kDefProgId).get(), window.put()), S_OK);
  auto found = session_->App().DockableWindows().Find(kDefProgId);
  ASSERT_TRUE(found);
  VARIANT_BOOL visible = VARIANT_TRUE;
  window->IsVisible(&visible);
  EXPECT_EQ(visible, VARIANT_FALSE) << "a window starts hidden";
  window->Show(VARIANT_TRUE);
  window->IsVisible(&visible);
  EXPECT_EQ(visible, VARIANT_TRUE);
  EXPECT_TRUE(::IsWindowVisible(found->Child()));
  window->Show(VARIANT_FALSE);
  window->IsVisible(&visible);
  EXPECT_EQ(visible, VARIANT_FALSE);
  EXPECT_FALSE(::IsWindowVisible(found->Child()));
}

TEST_F(DockableWindowTest, UnknownClassesAreRefusedAndNotKept) {
  ComPtr<IDockableWindow> window;
  EXPECT_TRUE(
      FAILED(Manager()->GetDockableWindow(MakeUid(L"velkTest.NoSuchDock").get(), window.put())));
  EXPECT_FALSE(window);
  EXPECT_EQ(Manager()->GetDockableWindow(nullptr, window.put()), E_POINTER);
  EXPECT_EQ(Manager()->GetDockableWindow(MakeUid(kDefProgId).get(), nullptr), E_POINTER);
}

TEST_F(DockableWindowTest, ShutdownDestroysEachWindowOnceWhileHoldersKeepTheHostObject) {
  ComPtr<IDockableWindow> held;
  ASSERT_EQ(Manager()->GetDockableWindow(MakeUid(kDefProgId).get(), held.put()), S_OK);
  held->Show(VARIANT_TRUE);
  session_.reset();
  EXPECT_EQ(g_calls, (std::vector<std::wstring>{L"create with application", L"destroy", L"gone"}));
  VARIANT_BOOL visible = VARIANT_TRUE;
  EXPECT_EQ(held->IsVisible(&visible), S_OK);
  EXPECT_EQ(visible, VARIANT_FALSE);
  EXPECT_TRUE(FAILED(held->Show(VARIANT_TRUE)));
  Variant data;
  EXPECT_EQ(held->get_UserData(&data), S_OK);
  EXPECT_EQ(data.vt, VT_EMPTY);
}

TEST_F(DockableWindowTest, TheMouseLocationIsTheDocumentsOwnPointAndTheToleranceFollowsTheView) {
  auto doc = QueryAs<IMapDocument>(session_->Document().get());
  ASSERT_TRUE(doc);
  ComPtr<IPoint> location;
  ASSERT_EQ(doc->get_CurrentLocation(location.put()), S_OK);
  VARIANT_BOOL empty = VARIANT_FALSE;
  location->get_IsEmpty(&empty);
  EXPECT_EQ(empty, VARIANT_TRUE) << "before the mouse was over the map";

  ComPtr<IPoint> mouse = NewPoint(10.0, 20.0);
  ASSERT_EQ(doc->put_CurrentLocation(mouse.get()), S_OK);
  mouse->PutCoords(99.0, 99.0);
  ComPtr<IPoint> a, b;
  doc->get_CurrentLocation(a.put());
  double x = 0, y = 0;
  a->QueryCoords(&x, &y);
  EXPECT_EQ(x, 10.0) << "the document keeps a copy of what it was given";
  EXPECT_EQ(y, 20.0);
  a->PutCoords(10.5, 20.5);  // a holder adjusts the location in place
  doc->get_CurrentLocation(b.put());
  EXPECT_EQ(a.get(), b.get());
  b->QueryCoords(&x, &y);
  EXPECT_EQ(x, 10.5);
  ASSERT_EQ(doc->put_CurrentLocation(nullptr), S_OK);
  b.Reset();
  doc->get_CurrentLocation(b.put());
  b->get_IsEmpty(&empty);
  EXPECT_EQ(empty, VARIANT_TRUE);

  // 3 pixels of the view: 1000 pixels over 2 map units.
  ComPtr<IActiveView> view;
  doc->get_ActiveView(view.put());
  ComPtr<IScreenDisplay> display;
  view->get_ScreenDisplay(display.put());
  ComPtr<IDisplayTransformation> t;
  display->get_DisplayTransformation(t.put());
  t->put_VisibleBounds(NewEnvelope(-75.0, 40.0, -73.0, 41.6).get());
  double tolerance = 0;
  ASSERT_EQ(doc->get_SearchTolerance(&tolerance), S_OK);
  EXPECT_NEAR(tolerance, 3 * 2.0 / 1000.0, 1e-12);
  EXPECT_EQ(doc->get_SearchTolerance(nullptr), E_POINTER);
}

}  // namespace
}  // namespace velk::host
