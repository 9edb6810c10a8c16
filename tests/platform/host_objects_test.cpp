// The host stand-in: host kinds and their documents, the layer list of maps and globes, the
// operation stack, command bars with creation by ProgID and the current tool, the extension
// manager, and the one-session rule.
#include <gtest/gtest.h>

#include <vector>

#include "platform/host/shell/command.h"
#include "platform/com/out_param.h"
#include "platform/host/display/globe.h"
#include "platform/host/shell/host_extension.h"
#include "platform/host/application/host_session.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/fixtures/temp_root.h"

namespace velk::host {
namespace {

class TestLayer : public ComObjectRoot<TestLayer, ILayer> {
 public:
  HRESULT get_Name(BSTR* n) override {
    *n = name.Copy();
    return S_OK;
  }
  HRESULT put_Name(BSTR n) override {
    name = Bstr(BstrToWstring(n));
    return S_OK;
  }
  HRESULT get_Visible(VARIANT_BOOL* v) override {
    *v = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT put_Visible(VARIANT_BOOL) override { return S_OK; }
  HRESULT get_Valid(VARIANT_BOOL* v) override {
    *v = VARIANT_TRUE;
    return S_OK;
  }
  Bstr name;
};

// A group layer that is also a map (any second interface will do for filtering).
class TestGroup
    : public test::FixedLayer<TestGroup, ComObjectRoot<TestGroup, ILayer, ICompositeLayer>> {
 public:
  static constexpr const wchar_t* kLayerName = L"group";
  HRESULT get_Count(LONG* c) override {
    *c = static_cast<LONG>(members.size());
    return S_OK;
  }
  HRESULT get_Layer(LONG i, ILayer** l) override {
    if (i < 0 || i >= static_cast<LONG>(members.size())) return E_INVALIDARG;
    return members[static_cast<std::size_t>(i)].CopyTo(l);
  }
  std::vector<ComPtr<ILayer>> members;
};

ComPtr<ILayer> NamedLayer(const wchar_t* name) {
  auto l = MakeObjectPtr<TestLayer, ILayer>();
  static_cast<TestLayer*>(l.get())->name = Bstr(name);
  return l;
}

std::vector<std::wstring> Names(IEnumLayer* e) {
  std::vector<std::wstring> out;
  ComPtr<ILayer> l;
  while (e->Next(l.put()) == S_OK) {
    Bstr n;
    l->get_Name(&n);
    out.push_back(n.str());
  }
  return out;
}

TEST(HostMap, NewLayersGoOnTopAndAreHeldOnce) {
  auto map = MakeObjectPtr<Map, IMap>();
  auto a = NamedLayer(L"a"), b = NamedLayer(L"b");
  EXPECT_EQ(map->AddLayer(a.get()), S_OK);
  EXPECT_EQ(map->AddLayer(b.get()), S_OK);
  EXPECT_EQ(map->AddLayer(a.get()), S_FALSE);
  LONG n = 0;
  map->get_LayerCount(&n);
  EXPECT_EQ(n, 2);
  ComPtr<ILayer> top;
  ASSERT_EQ(map->get_Layer(0, top.put()), S_OK);
  EXPECT_TRUE(IsSameObject(top.get(), b.get()));
  EXPECT_EQ(map->get_Layer(2, top.put()), E_INVALIDARG);
  EXPECT_FALSE(top);
  EXPECT_EQ(map->get_Layer(-1, top.put()), E_INVALIDARG);
  EXPECT_EQ(map->DeleteLayer(b.get()), S_OK);
  EXPECT_EQ(map->DeleteLayer(b.get()), S_FALSE);
  EXPECT_EQ(map->AddLayer(nullptr), E_POINTER);
}

TEST(HostMap, LayersByInterfaceRecurseIntoGroups) {
  auto map = MakeObjectPtr<Map, IMap>();
  auto group = MakeObjectPtr<TestGroup, ILayer>();
  auto* g = static_cast<TestGroup*>(group.get());
  g->members = {NamedLayer(L"inner1"), NamedLayer(L"inner2")};
  map->AddLayer(NamedLayer(L"bottom").get());
  map->AddLayer(group.get());

  ComPtr<IEnumLayer> e;
  ASSERT_EQ(map->get_Layers(nullptr, VARIANT_FALSE, e.put()), S_OK);
  EXPECT_EQ(Names(e.get()), (std::vector<std::wstring>{L"group", L"bottom"}));
  ASSERT_EQ(map->get_Layers(nullptr, VARIANT_TRUE, e.put()), S_OK);
  EXPECT_EQ(Names(e.get()), (std::vector<std::wstring>{L"group", L"inner1", L"inner2", L"bottom"}));
  e->Reset();
  EXPECT_EQ(Names(e.get()).size(), 4u);

  auto groups = MakeUid(GuidToString(IidOf<ICompositeLayer>()));
  ASSERT_EQ(map->get_Layers(groups.get(), VARIANT_TRUE, e.put()), S_OK);
  EXPECT_EQ(Names(e.get()), (std::vector<std::wstring>{L"group"}));
  EXPECT_EQ(map->get_Layers(MakeUid(L"not an identifier").get(), VARIANT_TRUE, e.put()),
            E_INVALIDARG);
}

TEST(HostMap, MapAndGlobeAreBasicMaps) {
  auto map = MakeObjectPtr<Map, IMap>();
  auto globe = MakeObjectPtr<Globe, IGlobe>();
  auto basic = map.Query<IBasicMap>();
  basic->AddLayer(NamedLayer(L"x").get());
  LONG n = 0;
  map->get_LayerCount(&n);
  EXPECT_EQ(n, 1);
  EXPECT_TRUE(globe.As<IBasicMap>());
  EXPECT_FALSE(globe.As<IMap>());
  // The map in data view is its own active view.
  ComPtr<IMap> focus;
  ASSERT_EQ(map.Query<IActiveView>()->get_FocusMap(focus.put()), S_OK);
  EXPECT_TRUE(IsSameObject(focus.get(), map.get()));
}

struct KindCase {
  HostKind kind;
  const wchar_t* name;
  bool mapDocument;
  bool globeDocument;
};

class HostKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(HostKinds, DocumentInterfaceTellsTheKind) {
  auto app = MakeApplication(GetParam().kind);
  Bstr name;
  app->get_Name(&name);
  EXPECT_EQ(name.str(), GetParam().name);
  ComPtr<IDocument> doc;
  ASSERT_EQ(app->get_Document(doc.put()), S_OK);
  EXPECT_EQ(static_cast<bool>(doc.As<IMapDocument>()), GetParam().mapDocument);
  EXPECT_EQ(static_cast<bool>(doc.As<IGlobeDocument>()), GetParam().globeDocument);
  ComPtr<IApplication> parent;
  doc->get_Parent(parent.put());
  EXPECT_TRUE(IsSameObject(parent.get(), app.get()));
  app->Shutdown();
  doc->get_Parent(parent.put());
  EXPECT_FALSE(parent);
}

INSTANTIATE_TEST_SUITE_P(All, HostKinds,
                         ::testing::Values(KindCase{HostKind::Map, L"Trevik", true, false},
                                           KindCase{HostKind::Globe, L"Kuvalo", false, true},
                                           KindCase{HostKind::Catalog, L"Catalog", false, false}));

TEST(HostMapDocument, FocusMapPageLayoutAndViewKind) {
  auto doc = MakeObjectPtr<MapDocument, IMapDocument>();
  ComPtr<IMap> first;
  doc->get_FocusMap(first.put());
  auto second = MakeObjectPtr<Map, IMap>();
  ASSERT_EQ(doc->put_FocusMap(second.get()), S_OK);
  LONG count = 0;
  doc->get_MapCount(&count);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(doc->put_ActiveViewKind(kLayoutView), S_OK);
  ComPtr<IActiveView> view;
  doc->get_ActiveView(view.put());
  EXPECT_TRUE(view.As<IPageLayout>());
  ComPtr<IMap> shown;
  view->get_FocusMap(shown.put());
  EXPECT_TRUE(IsSameObject(shown.get(), second.get()));
  EXPECT_EQ(doc->put_ActiveViewKind(2), E_INVALIDARG);
}

// An operation that counts what was done to it.
class CountingOp : public ComObjectRoot<CountingOp, IOperation> {
 public:
  HRESULT get_MenuString(BSTR* t) override {
    *t = AllocBstr(L"op");
    return S_OK;
  }
  HRESULT get_CanUndo(VARIANT_BOOL* b) override {
    *b = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_CanRedo(VARIANT_BOOL* b) override {
    *b = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT Do() override {
    ++done;
    return failDo ? E_ABORT : S_OK;
  }
  HRESULT Undo() override {
    ++undone;
    return S_OK;
  }
  HRESULT Redo() override {
    ++redone;
    return S_OK;
  }
  int done = 0, undone = 0, redone = 0;
  bool failDo = false;
};

TEST(HostOperationStack, DoUndoRedo) {
  auto stack = MakeObjectPtr<OperationStack, IOperationStack>();
  auto op = MakeObjectPtr<CountingOp, IOperation>();
  auto* c = static_cast<CountingOp*>(op.get());
  ASSERT_EQ(stack->Do(op.get()), S_OK);
  LONG n = 0;
  stack->get_Count(&n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(stack->Undo(), S_OK);
  EXPECT_EQ(stack->Undo(), S_FALSE);
  EXPECT_EQ(stack->Redo(), S_OK);
  EXPECT_EQ(stack->Redo(), S_FALSE);
  EXPECT_EQ(c->done, 1);
  EXPECT_EQ(c->undone, 1);
  EXPECT_EQ(c->redone, 1);

  auto failing = MakeObjectPtr<CountingOp, IOperation>();
  static_cast<CountingOp*>(failing.get())->failDo = true;
  EXPECT_EQ(stack->Do(failing.get()), E_ABORT);
  stack->get_Count(&n);
  EXPECT_EQ(n, 1);  // a failed operation is not recorded

  stack->Undo();
  ASSERT_EQ(stack->Do(MakeObjectPtr<CountingOp, IOperation>().get()), S_OK);
  EXPECT_EQ(stack->Redo(), S_FALSE);  // a new operation drops what had been undone
}

// A tool command that counts clicks and can refuse to be deactivated.
class TestTool : public ComObjectRoot<TestTool, ICommand, ITool> {
 public:
  HRESULT get_Enabled(VARIANT_BOOL* e) override {
    *e = ToVariantBool(enabled);
    return S_OK;
  }
  HRESULT get_Checked(VARIANT_BOOL* c) override {
    *c = VARIANT_FALSE;
    return S_OK;
  }
  HRESULT get_Name(BSTR* n) override {
    *n = AllocBstr(L"TestTool");
    return S_OK;
  }
  HRESULT get_Caption(BSTR* c) override {
    *c = AllocBstr(L"Test Tool");
    return S_OK;
  }
  HRESULT get_Tooltip(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_Message(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_HelpFile(BSTR*) override { return E_NOTIMPL; }
  HRESULT get_HelpContextID(LONG*) override { return E_NOTIMPL; }
  HRESULT get_Bitmap(HBITMAP*) override { return S_OK; }
  HRESULT get_Category(BSTR*) override { return E_NOTIMPL; }
  HRESULT OnCreate(IUnknown* h) override {
    hook = h;
    return S_OK;
  }
  HRESULT OnClick() override {
    ++clicks;
    return S_OK;
  }
  HRESULT get_Cursor(HCURSOR*) override { return S_OK; }
  HRESULT OnMouseDown(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnMouseMove(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnMouseUp(LONG, LONG, LONG, LONG) override { return S_OK; }
  HRESULT OnDblClick() override { return S_OK; }
  HRESULT OnKeyDown(LONG, LONG) override { return S_OK; }
  HRESULT OnKeyUp(LONG, LONG) override { return S_OK; }
  HRESULT OnContextMenu(LONG, LONG, VARIANT_BOOL*) override { return S_OK; }
  HRESULT Refresh(HDC) override { return S_OK; }
  HRESULT Deactivate(VARIANT_BOOL* ok) override {
    *ok = ToVariantBool(mayDeactivate);
    return S_OK;
  }
  ComPtr<IUnknown> hook;
  int clicks = 0;
  bool enabled = true;
  bool mayDeactivate = true;
};

constexpr CLSID kTestToolClsid = MakeGuid("{0E7B4B55-1F0A-4C8E-8D2A-6C5D3E2F1A09}");

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cookie_ = RegisterProcessClass(kTestToolClsid, &CreateInstance<TestTool>);
    reg::WriteString(reg::Hive::ClassesRoot, L"velkTest.Tool\\CLSID", L"",
                     GuidToString(kTestToolClsid));
    session_ = HostSession::Start({}, nullptr);
    ASSERT_TRUE(session_);
  }
  void TearDown() override {
    session_.reset();
    RevokeProcessClass(cookie_);
  }
  TestTool* ToolOf(ICommandItem* item) {
    ComPtr<IUnknown> cmd;
    item->get_Command(cmd.put());
    return static_cast<TestTool*>(cmd.Query<ICommand>().get());
  }
  test::TempRoot root_;
  DWORD cookie_ = 0;
  std::unique_ptr<HostSession> session_;
};

TEST_F(SessionTest, CommandsAreCreatedByProgIdWithTheApplicationAsHook) {
  ComPtr<ICommandItem> item;
  ASSERT_EQ(session_->CreateCommand(L"velkTest.Tool", 0, item.put()), S_OK);
  TestTool* tool = ToolOf(item.get());
  EXPECT_TRUE(IsSameObject(tool->hook.get(), session_->Hook()));
  EXPECT_EQ(session_->CreateCommand(L"velkTest.Missing", 0, item.put()), CO_E_CLASSSTRING);
  // A class without subtypes refuses a subtype.
  EXPECT_EQ(session_->CreateCommand(L"velkTest.Tool", 2, item.put()), E_INVALIDARG);
}

TEST_F(SessionTest, FindCreatesOnlyWhenAsked) {
  ComPtr<ICommandBars> bars;
  session_->Document()->get_CommandBars(bars.put());
  ComPtr<ICommandItem> item;
  auto uid = MakeUid(L"velkTest.Tool");
  ASSERT_EQ(bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, item.put()), S_OK);
  EXPECT_FALSE(item);
  ASSERT_EQ(bars->Find(uid.get(), VARIANT_TRUE, VARIANT_FALSE, item.put()), S_OK);
  ASSERT_TRUE(item);
  // The class's identifier text names the same item as its ProgID; another subtype does not.
  ComPtr<ICommandItem> again;
  bars->Find(MakeUid(GuidToString(kTestToolClsid)).get(), VARIANT_TRUE, VARIANT_TRUE, again.put());
  EXPECT_TRUE(IsSameObject(again.get(), item.get()));
  bars->Find(MakeUid(GuidToString(kTestToolClsid), 2).get(), VARIANT_TRUE, VARIANT_TRUE,
             again.put());
  EXPECT_FALSE(again);
  bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, again.put());
  EXPECT_TRUE(IsSameObject(again.get(), item.get()));
}

TEST_F(SessionTest, ExecutingAToolMakesItCurrent) {
  ComPtr<ICommandItem> first, second;
  ASSERT_EQ(session_->CreateCommand(L"velkTest.Tool", 0, first.put()), S_OK);
  ASSERT_EQ(session_->CreateCommand(L"velkTest.Tool", 0, second.put()), S_OK);
  ASSERT_EQ(first->Execute(), S_OK);
  ComPtr<ICommandItem> current;
  session_->App().get_CurrentTool(current.put());
  EXPECT_TRUE(IsSameObject(current.get(), first.get()));
  EXPECT_EQ(ToolOf(first.get())->clicks, 1);

  ToolOf(first.get())->mayDeactivate = false;
  EXPECT_EQ(second->Execute(), S_FALSE);
  session_->App().get_CurrentTool(current.put());
  EXPECT_TRUE(IsSameObject(current.get(), first.get()));

  ToolOf(first.get())->mayDeactivate = true;
  ToolOf(second.get())->enabled = false;
  EXPECT_EQ(second->Execute(), S_FALSE);  // disabled: nothing happens
  EXPECT_EQ(ToolOf(second.get())->clicks, 0);
}

TEST_F(SessionTest, OneSessionAtATime) {
  std::wstring error;
  EXPECT_FALSE(HostSession::Start({}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(HostSession::Current(), session_.get());
}

TEST_F(SessionTest, ExtensionManagerIsTheSessionsAndFindsByNameOrId) {
  ComPtr<IExtensionManager> manager;
  ASSERT_EQ(CoCreateInstance(CLSID_ExtensionManager, nullptr, 0x17, IidOf<IExtensionManager>(),
                             manager.put_void()),
            S_OK);
  LONG n = 0;
  manager->get_ExtensionCount(&n);
  EXPECT_EQ(n, 3);  // the analysis extensions and the editor
  ComPtr<IExtension> e;
  EXPECT_EQ(manager->get_Extension(3, e.put()), E_INVALIDARG);
  Variant byName(L"quentara");
  ASSERT_EQ(manager->FindExtension(byName, e.put()), S_OK);
  ASSERT_TRUE(e);
  Variant byId(static_cast<IUnknown*>(MakeUid(GuidToString(CLSID_Sorrelin)).get()));
  ASSERT_EQ(manager->FindExtension(byId, e.put()), S_OK);
  Bstr name;
  e->get_Name(&name);
  EXPECT_EQ(name.str(), L"Sorrelin");
  Variant missing(L"Nothing");
  EXPECT_EQ(manager->FindExtension(missing, e.put()), S_OK);
  EXPECT_FALSE(e);
  EXPECT_EQ(session_->SetExtensionState(L"Nothing", 1), E_INVALIDARG);

  session_.reset();
  EXPECT_EQ(CoCreateInstance(CLSID_ExtensionManager, nullptr, 0x17, IidOf<IExtensionManager>(),
                             manager.put_void()),
            REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace velk::host
