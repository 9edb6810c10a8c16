#include "platform/win/dialog.h"

#include <functional>

#include "platform/win/thread.h"
#include "platform/win/user_input.h"
#include "tests/platform/win_fixture.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::test {
namespace {

const char* kDialog = R"(# a test dialog
DIALOG 0, 0, 200, 100
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Test ""dialog"""
FONT 8, "MS Shell Dlg"
BEGIN
CONTROL "&Name:", IDC_STATIC, "Static", SS_LEFT, 4, 4, 40, 8
CONTROL "", 1001, "Edit", ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER, 50, 4, 100, 12
CONTROL "", 1002, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP, 50, 20, 100, 60
CONTROL "One", 1003, "Button", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 4, 40, 40, 10
CONTROL "Two", 1004, "Button", BS_AUTORADIOBUTTON, 50, 40, 40, 10
CONTROL "Hidden", 1005, "Edit", WS_TABSTOP | NOT WS_VISIBLE, 4, 60, 40, 10, WS_EX_CLIENTEDGE
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 90, 80, 50, 14
CONTROL "Cancel", IDCANCEL, "Button", BS_PUSHBUTTON | WS_TABSTOP, 145, 80, 50, 14
END
)";

class DialogTest : public WinTest {
 protected:
  void SetUp() override {
    WinTest::SetUp();
    module = MakeModule({{{"DIALOGS", "100"}, kDialog}});
    owner = MakeTopWindow();
  }
  std::unique_ptr<res::ResourceModule> module;
  HWND owner = nullptr;
};

// A dialog procedure that logs commands and ends on OK and Cancel.
struct Recorder {
  std::vector<std::pair<int, WORD>> commands;
  LPARAM initParam = -1;
  bool endInInit = false;
  bool ignoreCancel = false;
  bool end = true;
};
Recorder* g_rec = nullptr;

INT_PTR RecordingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      g_rec->initParam = lp;
      if (g_rec->endInInit) EndDialog(h, 77);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wp) != BN_CLICKED || win::WindowClassName(reinterpret_cast<HWND>(lp)) != L"Button")
        return FALSE;
      g_rec->commands.push_back({LOWORD(wp), HIWORD(wp)});
      if (!g_rec->end) return TRUE;
      if (LOWORD(wp) == IDOK || (LOWORD(wp) == IDCANCEL && !g_rec->ignoreCancel))
        EndDialog(h, LOWORD(wp));
      return TRUE;
    default: return FALSE;
  }
}

TEST(DialogTemplateTest, ParsesControlsStylesAndTexts) {
  win::DialogTemplate t;
  std::string err;
  ASSERT_TRUE(win::ParseDialogTemplate(kDialog, &t, &err)) << err;
  EXPECT_EQ(t.caption, L"Test \"dialog\"");
  EXPECT_EQ(t.cx, 200);
  EXPECT_EQ(t.fontSize, 8);
  ASSERT_EQ(t.items.size(), 8u);
  EXPECT_EQ(t.items[0].id, -1);
  EXPECT_EQ(t.items[0].text, L"&Name:");
  EXPECT_EQ(t.items[1].style, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER);
  EXPECT_EQ(t.items[5].style & WS_VISIBLE, 0u) << "NOT removes a style";
  EXPECT_EQ(t.items[5].exStyle, WS_EX_CLIENTEDGE);
  EXPECT_EQ(t.items[6].id, IDOK);
}

TEST(DialogTemplateTest, MalformedTemplatesNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"DIALOG 0,0,10,10\nCONTROL \"a\", 1, \"Edit\", WS_NOPE, 0,0,1,1",
       "line 2: unknown name or number 'WS_NOPE'"},
      {"DIALOG 0,0,10,10\n\nCONTROL \"a\", 1, \"Edit\", 0, 0,0,1", "line 3: CONTROL needs"},
      {"DIALOG 0,0,10\n", "line 1: DIALOG needs"},
      {"CAPTION \"x\"\n", "line 0: no DIALOG statement"},
      {"DIALOG 0,0,1,1\nCAPTION \"open\n", "line 2: expected a text in double quotes"},
      {"DIALOG 0,0,1,1\nCONTROL \"a, 1, \"Edit\", 0, 0,0,1,1\n", "line 2: unterminated text"},
      {"DIALOG 0,0,1,1\nMENU 5\n", "line 2: unknown statement 'MENU'"},
      {"DIALOG 0,0,1,1\nCONTROL a, 1, \"Edit\", 0, 0,0,1,1\n", "line 2: expected a text"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_FALSE(win::ParseDialogTemplate(c.text, nullptr, &err)) << c.text;
    EXPECT_EQ(err.rfind(c.message, 0), 0u) << err << " | want " << c.message;
  }
}

TEST(DialogTemplateTest, DialogUnitsMapByTheFixedRule) {
  EXPECT_EQ(win::DialogUnitsToPixelsX(4), 6);
  EXPECT_EQ(win::DialogUnitsToPixelsX(50), 75);
  EXPECT_EQ(win::DialogUnitsToPixelsY(8), 13);
  EXPECT_EQ(win::DialogUnitsToPixelsY(14), 23);  // 22.75 rounds up
  RECT r{0, 0, 200, 100};
  MapDialogRect(nullptr, &r);
  EXPECT_EQ(r, (RECT{0, 0, 300, 163}));
}

TEST_F(DialogTest, ModelessDialogHasItsControlsInPixels) {
  Recorder rec;
  g_rec = &rec;
  HWND dlg = CreateDialogParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 55);
  ASSERT_NE(dlg, nullptr) << win::LastDialogError();
  EXPECT_EQ(rec.initParam, 55);
  EXPECT_EQ(win::DialogTemplateId(dlg), 100);
  EXPECT_EQ(win::WindowText(dlg), L"Test \"dialog\"");
  EXPECT_FALSE(IsWindowVisible(dlg)) << "no WS_VISIBLE in the template";
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), owner);
  HWND edit = GetDlgItem(dlg, 1001);
  ASSERT_NE(edit, nullptr);
  RECT r{};
  GetClientRect(edit, &r);
  EXPECT_EQ(r, (RECT{0, 0, 150, 20}));
  EXPECT_EQ(win::WindowClassName(GetDlgItem(dlg, 1002)), L"ComboBox");
  ShowWindow(dlg, SW_SHOWNORMAL);
  EXPECT_EQ(GetFocus(), edit) << "the first tab stop gets the focus on showing";
}

TEST_F(DialogTest, MissingOrBrokenTemplateFailsWithAReason) {
  EXPECT_EQ(CreateDialogParamW(module.get(), MAKEINTRESOURCEW(999), owner, RecordingProc, 0),
            nullptr);
  EXPECT_NE(win::LastDialogError().find("dialog 999 is not in module"), std::string::npos);
  auto broken = MakeModule(
      {{{"DIALOGS", "5"}, "DIALOG 0,0,1,1\nCONTROL \"\", 1, \"NoClass\", 0, 0,0,1,1\n"}});
  EXPECT_EQ(DialogBoxParamW(broken.get(), MAKEINTRESOURCEW(5), owner, RecordingProc, 0), -1);
  EXPECT_NE(win::LastDialogError().find("NoClass"), std::string::npos);
  EXPECT_EQ(win::TopLevelWindows().size(), 1u) << "nothing is left behind";
}

// The responder plays the user inside the modal loop.
struct ScriptedUser : win::Responder {
  std::vector<std::function<void(HWND)>> steps;
  std::size_t next = 0;
  bool OnModalIdle(HWND dialog) override {
    if (next >= steps.size()) return false;
    steps[next++](dialog);
    return true;
  }
};

TEST_F(DialogTest, ModalRunEndsWithTheButtonTheUserPresses) {
  Recorder rec;
  g_rec = &rec;
  ScriptedUser user;
  HWND seenOwner = nullptr;
  bool ownerDisabled = false;
  user.steps.push_back([&](HWND d) {
    seenOwner = GetWindow(d, GW_OWNER);
    ownerDisabled = !IsWindowEnabled(owner);
    win::user::SetEditText(GetDlgItem(d, 1001), L"abc");
  });
  user.steps.push_back([&](HWND d) { win::user::ClickButton(GetDlgItem(d, IDOK)); });
  ScopedResponder responder(&user);
  EXPECT_EQ(DialogBoxParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 0), IDOK);
  EXPECT_EQ(seenOwner, owner);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(win::TopLevelWindows().size(), 1u) << "the dialog is destroyed";
}

TEST_F(DialogTest, ModalRunWithoutAUserIsCancelled) {
  Recorder rec;
  g_rec = &rec;
  EXPECT_EQ(DialogBoxParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 0),
            IDCANCEL);
  EXPECT_EQ(rec.commands, (std::vector<std::pair<int, WORD>>{{IDCANCEL, BN_CLICKED}}));
  rec = Recorder{};
  rec.ignoreCancel = true;
  EXPECT_EQ(DialogBoxParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 0), IDCANCEL)
      << "a dialog that refuses to close is closed";
}

TEST_F(DialogTest, EndDialogDuringInitialisationReturnsAtOnce) {
  Recorder rec;
  rec.endInInit = true;
  g_rec = &rec;
  ScriptedUser user;
  user.steps.push_back([](HWND) { ADD_FAILURE() << "the loop must not run"; });
  ScopedResponder responder(&user);
  EXPECT_EQ(DialogBoxParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 0), 77);
}

class DialogKeysTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    g_rec = &rec;
    rec.end = false;
    dlg = CreateDialogParamW(module.get(), MAKEINTRESOURCEW(100), owner, RecordingProc, 0);
    ShowWindow(dlg, SW_SHOWNORMAL);
  }
  // Posts a key and runs a loop that offers it to the dialog, as a host loop with the hook does.
  void Key(UINT vk, bool shift = false) {
    win::user::PostKey(vk, shift);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageW(dlg, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
  }
  Recorder rec;
  HWND dlg = nullptr;
};

TEST_F(DialogKeysTest, TabWalksTabStopsSkippingHiddenOnes) {
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1001));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1002));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1003));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK)) << "the hidden edit is skipped";
  Key(VK_TAB, true);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1003));
}

TEST_F(DialogKeysTest, ArrowsMoveWithinTheGroupAndCheckRadioButtons) {
  SetFocus(GetDlgItem(dlg, 1003));
  Key(VK_RIGHT);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1004));
  EXPECT_EQ(IsDlgButtonChecked(dlg, 1004), BST_CHECKED);
  Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1003))
      << "wraps within its group (the hidden edit is skipped)";
}

TEST_F(DialogKeysTest, EnterPressesTheDefaultButtonEscapeCancels) {
  SetFocus(GetDlgItem(dlg, 1001));
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  std::vector<std::pair<int, WORD>> want = {{IDOK, BN_CLICKED}, {IDCANCEL, BN_CLICKED}};
  EXPECT_EQ(rec.commands, want);
  SetFocus(GetDlgItem(dlg, IDCANCEL));
  rec.commands.clear();
  Key(VK_RETURN);
  EXPECT_EQ(rec.commands, (std::vector<std::pair<int, WORD>>{{IDCANCEL, BN_CLICKED}}))
      << "a focused push button";
}

TEST_F(DialogKeysTest, EditsKeepTheirCharactersAndMnemonicsFocus) {
  SetFocus(GetDlgItem(dlg, 1001));
  win::user::PostText(L"ab");
  Key(VK_END);
  EXPECT_EQ(win::WindowText(GetDlgItem(dlg, 1001)), L"ab");
  SetFocus(GetDlgItem(dlg, IDOK));
  MSG m{};
  m.hwnd = GetFocus();
  m.message = WM_SYSCHAR;
  m.wParam = L'n';
  EXPECT_TRUE(IsDialogMessageW(dlg, &m));
  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, 1001))
      << "the label's mnemonic focuses the control after it";
}

TEST_F(DialogKeysTest, MessagesOfOtherWindowsAreNotTaken) {
  MSG m{};
  m.hwnd = owner;
  m.message = WM_KEYDOWN;
  m.wParam = VK_TAB;
  EXPECT_FALSE(IsDialogMessageW(dlg, &m));
}

TEST_F(DialogKeysTest, DefaultButtonIdAndItemHelpers) {
  EXPECT_EQ(SendMessageW(dlg, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
  SendMessageW(dlg, DM_SETDEFID, IDCANCEL, 0);
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(SendMessageW(dlg, DM_GETDEFID, 0, 0))), IDCANCEL);
  EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(dlg, IDOK), GWL_STYLE) & BS_TYPEMASK,
            static_cast<LONG_PTR>(BS_PUSHBUTTON));
  SetDlgItemInt(dlg, 1001, static_cast<UINT>(-42), TRUE);
  BOOL ok = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 1001, &ok, TRUE)), -42);
  EXPECT_TRUE(ok);
  SetDlgItemTextW(dlg, 1001, L"12x");
  GetDlgItemInt(dlg, 1001, &ok, TRUE);
  EXPECT_FALSE(ok);
  CheckRadioButton(dlg, 1003, 1004, 1004);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 1003), 0u);
  EXPECT_EQ(IsDlgButtonChecked(dlg, 1004), BST_CHECKED);
}

TEST_F(DialogKeysTest, ClosingTheWindowCancels) {
  rec.end = true;
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_EQ(rec.commands, (std::vector<std::pair<int, WORD>>{{IDCANCEL, BN_CLICKED}}));
  EXPECT_TRUE(IsWindow(dlg)) << "a modeless dialog ended with EndDialog is hidden, not destroyed";
  EXPECT_FALSE(IsWindowVisible(dlg));
}

}  // namespace
}  // namespace velk::test
