// The dialog bases and the dialog-command templates: the layer combo and its refill, help and
// context help, closing, and modal and modeless runs from a command click.
#include <gtest/gtest.h>

#include "framework/dlg_cmd_impl.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/catalog_layer_ids.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/host/shell/command.h"
#include "platform/host/documents/document_base.h"
#include "platform/host/display/map.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/user_input.h"
#include "tests/framework/host_session_fixture.h"
#include "tests/framework/layer_doubles.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::corvane {
namespace {

using test::HostSessionFixture;
using test::ScopedResponder;
using test::MakeLayer;

const char* kLayerDialog = R"(DIALOG 0, 0, 200, 100
STYLE WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Surface"
CONTROL "Surface:", -1, "Static", SS_LEFT, 4, 4, 40, 8
CONTROL "", 3550, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP, 50, 4, 100, 60
CONTROL "", 0, "Static", SS_ETCHEDHORZ, 4, 30, 190, 2
CONTROL "", 3010, "Edit", WS_TABSTOP | NOT WS_VISIBLE, 4, 40, 40, 12
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 80, 50, 14
CONTROL "Cancel", IDCANCEL, "Button", WS_TABSTOP, 145, 80, 50, 14
)";

std::unique_ptr<res::ResourceModule>& TestModule() {
  static std::unique_ptr<res::ResourceModule> m;
  if (!m) {
    static const std::string text = kLayerDialog;
    static const res::EmbeddedResource table[] = {
        {"DIALOGS", "3064", reinterpret_cast<const unsigned char*>(text.data()), text.size()},
        {nullptr, nullptr, nullptr, 0}};
    m = std::make_unique<res::ResourceModule>(L"dialogs", table);
  }
  return m;
}

// A layer dialog over the DTED and raster catalog layer interfaces, closing on OK and Cancel as
// the modeless tool dialogs do; counts its fills.
class SurfaceDlg : public CWindowWithLayersImpl<SurfaceDlg, 3550> {
 public:
  enum { IDD = 3064 };
  SurfaceDlg() {
    m_hResourceInstance = TestModule().get();
    m_interfaceIds = {ids::IID_IZelDtedLayer, ids::IID_IZelRasterLayer};
  }
  BEGIN_MSG_MAP(SurfaceDlg)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_HANDLER(3550, CBN_SELCHANGE, OnSelChange)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  END_MSG_MAP()

  void FillLayerCombo() override {
    ++fills;
    CWindowWithLayersImpl::FillLayerCombo();
  }
  bool AcceptLayer(IID iid, ComPtr<ILayer> layer) override {
    offered.push_back(Name(layer.get()));
    (void)iid;
    return refuse.empty() || Name(layer.get()) != refuse;
  }
  LRESULT OnSelChange(WORD, WORD, HWND, BOOL&) {
    m_selectedIndex = static_cast<LONG>(SendDlgItemMessage(3550, CB_GETCURSEL));
    return 0;
  }
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&) {
    BeforeClose();
    if (m_bModal)
      CloseDialog(id);
    else
      DestroyWindow();
    return 0;
  }
  static std::wstring Name(ILayer* l) {
    Bstr n;
    l->get_Name(&n);
    return n.str();
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> out;
    WTL::CComboBox combo(GetDlgItem(3550));
    for (int i = 0; i < combo.GetCount(); ++i) {
      std::wstring t;
      combo.GetLBText(i, t);
      out.push_back(t);
    }
    return out;
  }
  int CurSel() { return static_cast<int>(SendDlgItemMessage(3550, CB_GETCURSEL)); }

  int fills = 0;
  std::vector<std::wstring> offered;
  std::wstring refuse;
};

class DialogBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ClearUserEvents();
    main = CreateWindowExW(0, WC_PLAINWINDOW, L"Trevik", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           800, 600, nullptr, nullptr, nullptr, nullptr);
    static_cast<host::Application&>(host.Session().App()).SetMainWindow(main);
  }
  void TearDown() override {
    win::SetResponder(nullptr);
    win::ResetWindows();
  }
  ComPtr<IBasicMap> FocusMap() {
    HookStructImpl hook;
    hook.SetHook(host.Session().Hook());
    ComPtr<IBasicMap> map;
    Check(hook.GetBasicFocusMap(map.put()));
    return map;
  }
  // Layers are added on top, so they are added in reverse to read top-down as given.
  void SetLayers(std::vector<ComPtr<ILayer>> layers) {
    auto map = FocusMap();
    map->ClearLayers();
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) map->AddLayer(it->get());
  }
  HostSessionFixture host;
  HWND main = nullptr;
};

TEST_F(DialogBaseTest, RefillListsLayersPerInterfaceAndKeepsTheRemembered) {
  auto a = MakeLayer(L"dted A", {ids::IID_IZelDtedLayer});
  auto b = MakeLayer(L"raster B", {ids::IID_IZelRasterLayer});
  auto both = MakeLayer(L"both C", {ids::IID_IZelDtedLayer, ids::IID_IZelRasterLayer});
  auto broken = MakeLayer(L"invalid D", {ids::IID_IZelDtedLayer}, false);
  auto other = MakeLayer(L"plain E", {});
  SetLayers({a, b, both, broken, other});
  SurfaceDlg dlg;
  dlg.SetHook(host.Session().Hook());
  ASSERT_NE(dlg.Create(main), nullptr);
  dlg.ShowWindow(SW_SHOWNORMAL);
  dlg.FillLayerCombo();
  EXPECT_EQ(dlg.Items(), (std::vector<std::wstring>{L"dted A", L"both C", L"raster B", L"both C"}))
      << "listed once per interface, in interface order; the invalid layer is left out";
  EXPECT_EQ(dlg.offered, (std::vector<std::wstring>{L"dted A", L"both C", L"raster B", L"both C"}))
      << "an invalid layer is never offered";
  EXPECT_EQ(dlg.CurSel(), 0);

  // The user picks "raster B"; then the map's order changes and the dialog is refilled.
  ASSERT_EQ(win::user::SelectComboItem(dlg.GetDlgItem(3550), 2), L"");
  EXPECT_EQ(dlg.m_selectedIndex, 2);
  SetLayers({both, other, b, a});
  dlg.FillLayerCombo();
  EXPECT_EQ(dlg.Items(), (std::vector<std::wstring>{L"both C", L"dted A", L"both C", L"raster B"}));
  EXPECT_EQ(dlg.CurSel(), 3) << "the remembered layer stays selected though it moved";
  EXPECT_EQ(dlg.m_selectedIndex, 2) << "the refill does not write the selected index";

  // The doubly listed layer remembered: its later entry is selected.
  dlg.m_selectedIndex = 0;
  dlg.FillLayerCombo();
  EXPECT_EQ(dlg.CurSel(), 2);

  // The remembered layer gone: the first item.
  dlg.m_selectedIndex = 3;
  SetLayers({a, both});
  dlg.FillLayerCombo();
  EXPECT_EQ(dlg.CurSel(), 0);
}

TEST_F(DialogBaseTest, RefusedLayersAndEmptyOrOutOfRangeSelections) {
  auto a = MakeLayer(L"A", {ids::IID_IZelDtedLayer});
  auto b = MakeLayer(L"B", {ids::IID_IZelDtedLayer});
  SetLayers({a, b});
  SurfaceDlg dlg;
  dlg.SetHook(host.Session().Hook());
  dlg.refuse = L"A";
  dlg.Create(main);
  dlg.m_selectedIndex = -1;
  dlg.FillLayerCombo();
  EXPECT_EQ(dlg.Items(), (std::vector<std::wstring>{L"B"}));
  EXPECT_EQ(dlg.m_layers.size(), 1u);
  EXPECT_EQ(dlg.CurSel(), 0);
  SetLayers({});
  dlg.FillLayerCombo();
  EXPECT_TRUE(dlg.Items().empty());
  EXPECT_EQ(dlg.CurSel(), -1) << "an empty combo is left without a selection";
  EXPECT_EQ(dlg.m_lastFillError, S_OK);
}

TEST_F(DialogBaseTest, NoWindowOrNoInterfacesMeansNoFill) {
  SetLayers({MakeLayer(L"A", {ids::IID_IZelDtedLayer})});
  SurfaceDlg dlg;
  dlg.SetHook(host.Session().Hook());
  dlg.FillLayerCombo();
  EXPECT_TRUE(dlg.m_layers.empty()) << "no window: nothing happens";
  dlg.Create(main);
  dlg.m_interfaceIds.clear();
  dlg.FillLayerCombo();
  EXPECT_TRUE(dlg.Items().empty());
}

TEST_F(DialogBaseTest, AHookWithoutHostGivesAnEmptyList) {
  SurfaceDlg dlg;
  dlg.Create(main);
  dlg.FillLayerCombo();
  EXPECT_TRUE(dlg.Items().empty());
  EXPECT_EQ(dlg.m_lastFillError, S_OK) << "a failing focus-map request contributes nothing";
}

TEST_F(DialogBaseTest, SelectLayerFindsTheSameObject) {
  auto a = MakeLayer(L"A", {ids::IID_IZelDtedLayer});
  auto b = MakeLayer(L"B", {ids::IID_IZelDtedLayer, ids::IID_IZelRasterLayer});
  SetLayers({a, b});
  SurfaceDlg dlg;
  dlg.SetHook(host.Session().Hook());
  dlg.Create(main);
  dlg.FillLayerCombo();
  // Another interface pointer of the same object is found by identity.
  ComPtr<IUnknown> unk = b.As<IUnknown>();
  dlg.SelectLayer(static_cast<ILayer*>(static_cast<IUnknown*>(b.get())));
  EXPECT_EQ(dlg.CurSel(), 1) << "the first entry of the layer";
  dlg.SelectLayer(MakeLayer(L"elsewhere", {}).get());
  EXPECT_EQ(dlg.CurSel(), 1);
  dlg.SelectLayer(nullptr);
  EXPECT_EQ(dlg.CurSel(), 1);
  EXPECT_EQ(dlg.m_selectedIndex, 0);
}

TEST_F(DialogBaseTest, SelectCurrentLayerFollowsTheSelectedLayerControl) {
  auto a = MakeLayer(L"A", {ids::IID_IZelDtedLayer});
  auto b = MakeLayer(L"B", {ids::IID_IZelRasterLayer});
  SetLayers({a, b});
  SurfaceDlg dlg;
  dlg.SetHook(host.Session().Hook());
  dlg.SelectCurrentLayer();  // no window: nothing
  dlg.Create(main);
  dlg.FillLayerCombo();
  dlg.SelectCurrentLayer();
  EXPECT_EQ(dlg.CurSel(), 0) << "no selected-layer control: nothing is selected";
  auto control = MakeObjectPtr<test::SelectedLayerDouble, IToolControl>();
  ComPtr<ICommandItem> item;
  ASSERT_EQ(host.Session().App().Document().Bars().AddItem(L"velkTarvosUI.SelectedLayer", 0,
                                                           control.get(), item.put()),
            S_OK);
  dlg.SelectCurrentLayer();
  EXPECT_EQ(dlg.CurSel(), 0) << "the control gives no layer";
  static_cast<test::SelectedLayerDouble*>(control.get())->current = b;
  dlg.SelectCurrentLayer();
  EXPECT_EQ(dlg.CurSel(), 1);
}

TEST_F(DialogBaseTest, HelpPopupAndContextMenuList) {
  SurfaceDlg dlg;
  dlg.Create(main);
  dlg.ShowWindow(SW_SHOWNORMAL);
  EXPECT_EQ(dlg.m_helpFile, L"velk_csTarvos.hlp");
  win::user::PressHelp(dlg.GetDlgItem(3550));
  win::user::ClickAt(dlg.GetDlgItem(IDOK), POINT{2, 2}, true);
  // A label has id -1: pressing F1 on it does nothing.
  HWND label = GetWindow(dlg, GW_CHILD);
  SendMessageW(label, WM_KEYDOWN, VK_F1, 0);
  ASSERT_EQ(win::UserEvents().size(), 2u);
  const auto& popup = win::UserEvents()[0];
  EXPECT_EQ(popup.type, HELP_CONTEXTPOPUP);
  EXPECT_EQ(popup.help.data, 3550u);
  EXPECT_EQ(popup.window, dlg.m_hWnd);
  EXPECT_EQ(popup.text, L"velk_csTarvos.hlp");
  const auto& menu = win::UserEvents()[1];
  EXPECT_EQ(menu.type, HELP_CONTEXTMENU);
  EXPECT_EQ(menu.window, dlg.GetDlgItem(IDOK)) << "help for the clicked window";
  // Visible children with a non-zero id in sibling order: the label (-1), the combo, OK,
  // Cancel; not the id-0 line nor the hidden edit.
  std::vector<DWORD> want = {0xFFFFFFFFu, 0xFFFFFFFFu, 3550, 3550, IDOK, IDOK, IDCANCEL, IDCANCEL};
  EXPECT_EQ(menu.help.pairs, want);
}

TEST_F(DialogBaseTest, EmptyHelpFileLeavesHelpToDefaultProcessing) {
  SurfaceDlg dlg;
  dlg.m_helpFile.clear();
  dlg.Create(main);
  dlg.ShowWindow(SW_SHOWNORMAL);
  bool ownerSawHelp = false;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) -> LRESULT {
    if (m == WM_HELP) *reinterpret_cast<bool*>(ref) = true;
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(main, proc, 1, reinterpret_cast<DWORD_PTR>(&ownerSawHelp));
  win::user::PressHelp(dlg.GetDlgItem(3550));
  RemoveWindowSubclass(main, proc, 1);
  EXPECT_TRUE(win::UserEvents().empty());
  EXPECT_TRUE(ownerSawHelp) << "default processing passes it on to the owner";
}

TEST_F(DialogBaseTest, CloseHidesAModelessDialogAndEndsAModalOne) {
  auto dlg = std::make_unique<SurfaceDlg>();
  dlg->Create(main);
  dlg->ShowWindow(SW_SHOWNORMAL);
  HWND h = dlg->m_hWnd;
  EXPECT_EQ(dlg->CloseDialog(IDOK), 1);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(IsWindowVisible(h));
  dlg.reset();
  EXPECT_FALSE(IsWindow(h)) << "destroying the object destroys the hidden window";

  struct User : win::Responder {
    SurfaceDlg* d = nullptr;
    INT_PTR closed = 0;
    bool OnModalIdle(HWND) override {
      closed = d->CloseDialog(IDCANCEL);
      return true;
    }
  } user;
  SurfaceDlg modal;
  modal.m_bModal = true;
  user.d = &modal;
  ScopedResponder responder(&user);
  EXPECT_EQ(modal.DoModal(main), IDCANCEL);
  EXPECT_EQ(user.closed, TRUE);
}

// Commands over the dialog: a modeless one and a modal one.
class RadialCmd : public CDlgBasedCmdImpl<RadialCmd, SurfaceDlg, 0> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  RadialCmd() : CDlgBasedCmdImpl(3041) {}
};
class HillshadeCmd : public CDlgBasedCmdNoBitmapImpl<HillshadeCmd, SurfaceDlg, 1> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
};

std::size_t DialogWindowCount() {
  std::size_t n = 0;
  for (HWND h : win::TopLevelWindows())
    if (win::IsDialogWindow(h)) ++n;
  return n;
}

TEST_F(DialogBaseTest, ModelessCommandCreatesOnceAndRaisesOnLaterClicks) {
  SetLayers({MakeLayer(L"A", {ids::IID_IZelDtedLayer})});
  auto cmd = MakeObjectPtr<RadialCmd, ICommand>();
  auto* impl = static_cast<RadialCmd*>(cmd.get());
  ASSERT_EQ(cmd->OnCreate(host.Session().Hook()), S_OK);
  HWND other = CreateWindowExW(0, WC_PLAINWINDOW, L"other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(cmd->OnClick(), S_OK);
  HWND first = impl->m_dialog.m_hWnd;
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(GetWindow(first, GW_OWNER), main) << "created under the host's main window";
  EXPECT_EQ(impl->m_dialog.fills, 1);
  EXPECT_EQ(impl->m_dialog.Items(), (std::vector<std::wstring>{L"A"}));
  SetActiveWindow(other);
  EXPECT_EQ(cmd->OnClick(), S_OK);
  EXPECT_EQ(impl->m_dialog.m_hWnd, first) << "one window";
  EXPECT_EQ(DialogWindowCount(), 1u);
  EXPECT_EQ(GetActiveWindow(), first) << "raised";
  EXPECT_EQ(impl->m_dialog.fills, 1) << "not refilled";

  // Closed with Cancel: the next click makes and fills it anew.
  win::user::ClickButton(GetDlgItem(first, IDCANCEL));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(impl->m_dialog.m_hWnd, nullptr);
  cmd->OnClick();
  EXPECT_NE(impl->m_dialog.m_hWnd, nullptr);
  EXPECT_NE(impl->m_dialog.m_hWnd, first);
  EXPECT_EQ(impl->m_dialog.fills, 2);

  // Destroying the command destroys the open dialog window first.
  HWND second = impl->m_dialog.m_hWnd;
  cmd.Reset();
  EXPECT_FALSE(IsWindow(second));
}

TEST_F(DialogBaseTest, ModelessDialogWithoutApplicationHasNoOwner) {
  auto cmd = MakeObjectPtr<RadialCmd, ICommand>();
  auto* impl = static_cast<RadialCmd*>(cmd.get());
  cmd->OnClick();
  ASSERT_NE(impl->m_dialog.m_hWnd, nullptr);
  EXPECT_EQ(GetWindow(impl->m_dialog.m_hWnd, GW_OWNER), nullptr);
}

TEST_F(DialogBaseTest, ModalCommandIsOwnedByTheActiveWindowAndAnswersSOk) {
  auto cmd = MakeObjectPtr<HillshadeCmd, ICommand>();
  cmd->OnCreate(host.Session().Hook());
  HWND other = CreateWindowExW(0, WC_PLAINWINDOW, L"other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  struct User : win::Responder {
    HWND owner = nullptr;
    int pressed = 0;
    int button = IDOK;
    bool OnModalIdle(HWND d) override {
      owner = GetWindow(d, GW_OWNER);
      ++pressed;
      win::user::ClickButton(GetDlgItem(d, button));
      return true;
    }
  } user;
  ScopedResponder responder(&user);
  EXPECT_EQ(cmd->OnClick(), S_OK);
  EXPECT_EQ(user.owner, other) << "owned by whichever window is active";
  user.button = IDCANCEL;
  EXPECT_EQ(cmd->OnClick(), S_OK) << "Cancel answers S_OK too";
  EXPECT_EQ(user.pressed, 2);
  EXPECT_EQ(DialogWindowCount(), 0u);
  EXPECT_TRUE(static_cast<HillshadeCmd*>(cmd.get())->m_dialog.m_bModal);
}

TEST_F(DialogBaseTest, OnCreateHandsTheHookToTheDialogToo) {
  auto cmd = MakeObjectPtr<RadialCmd, ICommand>();
  auto* impl = static_cast<RadialCmd*>(cmd.get());
  EXPECT_EQ(cmd->OnCreate(host.Session().Hook()), S_OK);
  ComPtr<IApplication> app;
  impl->m_dialog.GetApplication(app.put());
  EXPECT_TRUE(app);
  EXPECT_FALSE(impl->m_dialog.m_bModal);
}

}  // namespace
}  // namespace velk::corvane
