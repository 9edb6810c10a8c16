// The module-wide keyboard hook of the modeless dialogs.
#include "framework/modeless_dialog_set.h"

#include <gtest/gtest.h>

#include "platform/win/dialog.h"
#include "platform/win/message_queue.h"
#include "platform/win/thread.h"
#include "platform/win/user_input.h"

namespace velk::corvane {
namespace {

const char* kDialog = R"(DIALOG 0, 0, 100, 60
STYLE WS_POPUP | WS_CAPTION | WS_VISIBLE
CONTROL "", 10, "Edit", WS_TABSTOP, 4, 4, 80, 12
CONTROL "", 11, "Edit", WS_TABSTOP, 4, 20, 80, 12
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 4, 40, 40, 14
)";

// A child dialog inside the first, so that one keystroke belongs to both.
const char* kInner = R"(DIALOG 0, 0, 50, 30
STYLE WS_CHILD | WS_VISIBLE | DS_CONTROL
CONTROL "", 20, "Edit", WS_TABSTOP, 2, 2, 40, 12
CONTROL "", 21, "Edit", WS_TABSTOP, 2, 16, 40, 12
)";

std::vector<std::pair<HWND, int>> g_commands;
INT_PTR LoggingProc(HWND h, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    g_commands.push_back({h, LOWORD(wp)});
    return TRUE;
  }
  return FALSE;
}

class KeyboardHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    g_commands.clear();
    static const std::string outer = kDialog, inner = kInner;
    static const res::EmbeddedResource table[] = {
        {"DIALOGS", "1", reinterpret_cast<const unsigned char*>(outer.data()), outer.size()},
        {"DIALOGS", "2", reinterpret_cast<const unsigned char*>(inner.data()), inner.size()},
        {nullptr, nullptr, nullptr, 0}};
    module = std::make_unique<res::ResourceModule>(L"hook", table);
    hooksBefore = win::testing::InstalledHookCount();
  }
  void TearDown() override {
    for (HWND h : registered) set.Unregister(h);
    win::ResetWindows();
  }
  HWND Dialog(int id, HWND parent = nullptr) {
    return CreateDialogParamW(module.get(), MAKEINTRESOURCEW(id), parent, LoggingProc, 0);
  }
  // The host's message loop: it knows nothing of dialogs.
  void HostLoop() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  void Register(HWND h) {
    ASSERT_EQ(set.Register(h), S_OK);
    registered.push_back(h);
  }
  ModelessDialogSet set;
  std::vector<HWND> registered;
  std::unique_ptr<res::ResourceModule> module;
  std::size_t hooksBefore = 0;
};

TEST_F(KeyboardHookTest, KeysReachARegisteredDialogThroughTheHostLoop) {
  HWND dlg = Dialog(1);
  ASSERT_NE(dlg, nullptr);
  SetFocus(GetDlgItem(dlg, 10));
  win::user::PostKey(VK_TAB);
  HostLoop();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 10))
      << "without the hook the host loop gives Tab to the edit";
  Register(dlg);
  win::user::PostKey(VK_TAB);
  HostLoop();
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 11));
  win::user::PostKey(VK_RETURN);
  HostLoop();
  EXPECT_EQ(g_commands, (std::vector<std::pair<HWND, int>>{{dlg, IDOK}}));
  win::user::PostText(L"ab");
  HostLoop();
  EXPECT_EQ(win::WindowText(GetDlgItem(dlg, 11)), L"ab") << "characters still reach the edit, once";
}

TEST_F(KeyboardHookTest, RegisteringTwiceKeepsOneEntryAndTheLastRemovalUnhooks) {
  HWND a = Dialog(1);
  HWND b = Dialog(1);
  EXPECT_EQ(set.Register(a), S_OK);
  HHOOK hook = set.Hook();
  ASSERT_NE(hook, nullptr);
  EXPECT_EQ(win::testing::InstalledHookCount(), hooksBefore + 1);
  EXPECT_EQ(set.Register(a), S_OK);
  EXPECT_EQ(set.Register(b), S_OK);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_EQ(set.Hook(), hook) << "further registrations only add windows";
  EXPECT_EQ(set.Unregister(a), S_OK);
  EXPECT_EQ(set.Unregister(a), E_INVALIDARG);
  EXPECT_NE(set.Hook(), nullptr);
  EXPECT_EQ(set.Unregister(b), S_OK);
  EXPECT_EQ(set.Hook(), nullptr);
  EXPECT_EQ(win::testing::InstalledHookCount(), hooksBefore);
  EXPECT_EQ(set.Register(b), S_OK);
  EXPECT_NE(set.Hook(), nullptr) << "registering again installs it again";
  registered.push_back(b);
}

TEST_F(KeyboardHookTest, FailuresOfInstallationAndRemoval) {
  HWND a = Dialog(1);
  win::testing::FailNextHookInstall(8);
  EXPECT_EQ(set.Register(a), E_UNEXPECTED);
  EXPECT_EQ(set.Count(), 0u) << "the window is not added";
  EXPECT_EQ(set.Register(a), S_OK) << "the next registration tries again";
  HHOOK installed = set.Hook();
  win::testing::FailNextUnhook(1404);
  EXPECT_EQ(set.Unregister(a), HRESULT_FROM_WIN32(1404));
  EXPECT_EQ(set.Hook(), nullptr) << "the hook is forgotten either way";
  UnhookWindowsHookEx(installed);  // the failure was simulated: the hook is still there
  EXPECT_EQ(set.Register(a), S_OK);
  EXPECT_NE(set.Hook(), nullptr) << "a fresh hook";
  registered.push_back(a);
}

TEST_F(KeyboardHookTest, TheLowerHandleIsAskedFirstAndTakesTheKey) {
  HWND outer = Dialog(1);
  HWND inner = Dialog(2, outer);
  ASSERT_NE(inner, nullptr);
  Register(inner);
  Register(outer);
  // Enter in the inner dialog's edit belongs to both dialogs; the outer one has the lower
  // handle, is asked first and takes it, so the inner one never sees it.
  SetFocus(GetDlgItem(inner, 20));
  win::user::PostKey(VK_RETURN);
  HostLoop();
  ASSERT_EQ(g_commands.size(), 1u);
  EXPECT_EQ(g_commands[0].first, outer)
      << "the outer dialog, asked first, pressed its default button";
}

TEST_F(KeyboardHookTest, PeekedAndNonKeyboardMessagesPassUntouched) {
  HWND dlg = Dialog(1);
  Register(dlg);
  HWND edit = GetDlgItem(dlg, 10);
  SetFocus(edit);
  struct Case {
    UINT msg;
    WPARAM wp;
  };
  for (Case c : {Case{WM_UNICHAR, 'x'}, Case{WM_LBUTTONDOWN, 0}, Case{WM_USER, 1}}) {
    PostMessageW(edit, c.msg, c.wp, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, c.msg);
    EXPECT_EQ(m.hwnd, edit);
  }
  PostMessageW(edit, WM_KEYDOWN, VK_TAB, 1);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_KEYDOWN) << "a look without removal leaves it";
  EXPECT_EQ(GetFocus(), edit) << "and the dialog has not been offered it";
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_NULL) << "taken on removal: an empty message to no window";
  EXPECT_EQ(m.hwnd, nullptr);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 11)) << "offered once";
}

TEST_F(KeyboardHookTest, ADestroyedRegisteredWindowIsSkipped) {
  HWND gone = Dialog(1);
  HWND live = Dialog(1);
  Register(gone);
  Register(live);
  DestroyWindow(gone);
  SetFocus(GetDlgItem(live, 10));
  win::user::PostKey(VK_TAB);
  HostLoop();
  EXPECT_EQ(GetFocus(), GetDlgItem(live, 11));
}

TEST_F(KeyboardHookTest, DestroyingTheSetRemovesAnInstalledHook) {
  HWND a = Dialog(1);
  {
    ModelessDialogSet local;
    EXPECT_EQ(local.Register(a), S_OK);
    EXPECT_EQ(win::testing::InstalledHookCount(), hooksBefore + 1);
  }
  EXPECT_EQ(win::testing::InstalledHookCount(), hooksBefore)
      << "no hook is left pointing into unloaded code";
}

TEST_F(KeyboardHookTest, ModuleWideFunctionsShareOneSet) {
  HWND a = Dialog(1);
  EXPECT_EQ(RegisterModelessDialog(a), S_OK);
  EXPECT_TRUE(ModelessDialogs().Contains(a));
  EXPECT_EQ(UnregisterModelessDialog(a), S_OK);
  EXPECT_EQ(UnregisterModelessDialog(a), E_INVALIDARG);
  EXPECT_EQ(ModelessDialogs().Hook(), nullptr);
}

}  // namespace
}  // namespace velk::corvane
