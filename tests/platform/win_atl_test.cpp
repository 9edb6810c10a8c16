#include "platform/win/control_wrappers.h"
#include "platform/win/file_dialog_impl.h"
#include "platform/win/user_input.h"
#include "platform/win/window_impl.h"
#include "tests/platform/win_fixture.h"
#include "tests/fixtures/scoped_responder.h"

namespace velk::test {
namespace {

using AtlTest = WinTest;

// An edit object that counts characters and answers reflected colour messages.
class CountingEdit : public ATL::CWindowImpl<CountingEdit, WTL::CEdit> {
 public:
  BEGIN_MSG_MAP(CountingEdit)
  MESSAGE_HANDLER(WM_CHAR, OnChar)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(OCM_CTLCOLOREDIT, OnColor)
  END_MSG_MAP()

  LRESULT OnChar(UINT, WPARAM wp, LPARAM, BOOL& handled) {
    ++chars;
    if (wp == L'x') return 0;  // swallowed
    handled = FALSE;           // the edit still takes the others
    return 0;
  }
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& handled) {
    created = true;
    handled = FALSE;
    return 0;
  }
  LRESULT OnColor(UINT, WPARAM wp, LPARAM, BOOL&) {
    SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 0, 0));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
  }
  void OnFinalMessage(HWND) override { ++finals; }

  int chars = 0;
  bool created = false;
  int finals = 0;
};

TEST_F(AtlTest, SubclassedWindowSeesMessagesAndPassesTheRestOn) {
  HWND top = MakeTopWindow();
  HWND edit = MakeChild(top, WC_EDIT, L"", 0, 5);
  CountingEdit obj;
  ASSERT_TRUE(obj.SubclassWindow(edit));
  EXPECT_FALSE(obj.SubclassWindow(edit)) << "an object binds one window";
  SetFocus(edit);
  win::user::PostText(L"axb");
  win::PumpMessages();
  EXPECT_EQ(obj.chars, 3);
  EXPECT_EQ(win::WindowText(edit), L"ab");
  EXPECT_EQ(obj.UnsubclassWindow(), edit);
  win::user::PostText(L"c");
  win::PumpMessages();
  EXPECT_EQ(obj.chars, 3);
  EXPECT_EQ(obj.finals, 0);
}

TEST_F(AtlTest, CreatedWindowSeesItsCreationAndFinalMessage) {
  HWND top = MakeTopWindow();
  CountingEdit obj;
  HWND h = obj.Create(top, RECT{0, 0, 50, 20}, L"", 0, 0, 9);
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(obj.created);
  EXPECT_EQ(obj.m_hWnd, h);
  EXPECT_EQ(win::WindowClassName(h), L"Edit");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)) & (WS_CHILD | WS_VISIBLE),
            WS_CHILD | WS_VISIBLE)
      << "the control traits give the style";
  DestroyWindow(top);
  EXPECT_EQ(obj.m_hWnd, nullptr);
  EXPECT_EQ(obj.finals, 1);
}

const char* kSmallDialog = R"(DIALOG 0, 0, 100, 50
CONTROL "", 10, "Edit", WS_TABSTOP, 4, 4, 80, 12
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 4, 30, 40, 14
CONTROL "Cancel", IDCANCEL, "Button", WS_TABSTOP, 50, 30, 40, 14
)";

class SmallDlg : public ATL::CAxDialogImpl<SmallDlg> {
 public:
  enum { IDD = 200 };
  BEGIN_MSG_MAP(SmallDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInit)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  LRESULT OnInit(UINT, WPARAM, LPARAM lp, BOOL&) {
    init = lp;
    edit.SubclassWindow(GetDlgItem(10));
    return TRUE;
  }
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&) {
    text = velk::win::WindowText(GetDlgItem(10));
    if (modal)
      EndDialog(id);
    else
      DestroyWindow();
    return 0;
  }
  void OnFinalMessage(HWND) override { ++finals; }

  CountingEdit edit;
  LPARAM init = 0;
  bool modal = true;
  std::wstring text;
  int finals = 0;
};

TEST_F(AtlTest, DialogObjectRunsModallyWithItsMessageMap) {
  auto module = MakeModule({{{"DIALOGS", "200"}, kSmallDialog}});
  win::SetDefaultResourceInstance(module.get());
  HWND owner = MakeTopWindow();
  struct User : win::Responder {
    int step = 0;
    bool OnModalIdle(HWND d) override {
      if (step++ == 0)
        win::user::SetEditText(GetDlgItem(d, 10), L"typed");
      else
        win::user::ClickButton(GetDlgItem(d, IDOK));
      return true;
    }
  } user;
  ScopedResponder responder(&user);
  SmallDlg dlg;
  EXPECT_EQ(dlg.DoModal(owner, 31), IDOK);
  EXPECT_EQ(dlg.init, 31);
  EXPECT_EQ(dlg.text, L"typed");
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.finals, 1);
  win::SetDefaultResourceInstance(nullptr);
}

TEST_F(AtlTest, ModelessDialogReflectsColoursToItsControl) {
  auto module = MakeModule({{{"DIALOGS", "200"}, kSmallDialog}});
  SmallDlg dlg;
  dlg.m_hResourceInstance = module.get();
  dlg.modal = false;
  HWND h = dlg.Create(nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(dlg.m_hWnd, h);
  win::PaintColors pc = win::QueryControlColors(dlg.GetDlgItem(10));
  EXPECT_EQ(pc.text, RGB(255, 0, 0));
  EXPECT_EQ(pc.brushColor, GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(dlg.Create(nullptr), nullptr) << "a second window is refused while one exists";
  EXPECT_EQ(win::user::ClickButton(dlg.GetDlgItem(IDCANCEL)), L"hidden");
  dlg.ShowWindow(SW_SHOWNORMAL);
  EXPECT_EQ(win::user::ClickButton(dlg.GetDlgItem(IDCANCEL)), L"");
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

class OptionsFileDialog : public WTL::CFileDialogImpl<OptionsFileDialog> {
 public:
  OptionsFileDialog()
      : CFileDialogImpl(FALSE, L"zelo", nullptr, OFN_PATHMUSTEXIST, L"Zel\0*.zelo\0\0") {}
};

TEST_F(AtlTest, FileDialogObjectAnswersIdOkWithThePath) {
  struct User : win::Responder {
    bool OnFileDialog(const win::FileDialogRequest& r, std::wstring* p) override {
      owner = r.owner;
      *p = L"/tmp/saved";
      return true;
    }
    HWND owner = nullptr;
  } user;
  ScopedResponder responder(&user);
  HWND top = MakeTopWindow();
  OptionsFileDialog dlg;
  EXPECT_EQ(dlg.DoModal(top), IDOK);
  EXPECT_STREQ(dlg.m_szFileName, L"/tmp/saved.zelo");
  EXPECT_EQ(user.owner, top);
}

}  // namespace
}  // namespace velk::test
