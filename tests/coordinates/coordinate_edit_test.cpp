// Coordinate edit controls: colour sets answered to reflected colour messages, the validated
// edits of the three notations, and the field helpers that read, write and flag entries.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/dialog_field_helpers.h"
#include "coordinates/validated_edit_ctrl.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/responder.h"
#include "platform/win/user_input.h"
#include "platform/win/window_impl.h"

namespace velk::corvane {
namespace {

const char* kDialog = R"(DIALOG 0, 0, 200, 100
STYLE WS_POPUP | WS_CAPTION | WS_VISIBLE
CONTROL "", 3074, "Edit", ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP, 33, 33, 133, 12
CONTROL "", 3106, "Edit", ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP, 33, 49, 133, 12
CONTROL "", 3089, "Edit", ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP, 33, 65, 133, 12
CONTROL "", 3109, "Edit", WS_TABSTOP, 4, 4, 40, 12
CONTROL "", 3110, "Edit", WS_TABSTOP, 50, 4, 40, 12
CONTROL "", 3111, "Edit", WS_TABSTOP, 96, 4, 40, 12
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 140, 80, 50, 14
)";

// A dialog in the manner of the coordinate dialogs: it reflects notifications so its edits
// can colour themselves, and cleans a coordinate field when the user leaves it.
class CoordDlg : public ATL::CDialogImpl<CoordDlg> {
 public:
  enum { IDD = 1 };
  BEGIN_MSG_MAP(CoordDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInit)
  COMMAND_CODE_HANDLER(EN_KILLFOCUS, OnLeave)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&) {
    dms.SubclassWindow(GetDlgItem(3074));
    utm.SubclassWindow(GetDlgItem(3106));
    mgrs.SubclassWindow(GetDlgItem(3089));
    return TRUE;
  }
  LRESULT OnLeave(WORD, WORD id, HWND, BOOL& bHandled) {
    ValidatedEditCtrl* edit = id == 3074   ? static_cast<ValidatedEditCtrl*>(&dms)
                              : id == 3106 ? static_cast<ValidatedEditCtrl*>(&utm)
                              : id == 3089 ? static_cast<ValidatedEditCtrl*>(&mgrs)
                                           : nullptr;
    if (!edit) {
      bHandled = FALSE;
      return 0;
    }
    if (!edit->ParseWindowText()) FlashInputError(edit->m_hWnd, false);
    return 0;
  }

  DMSValidatedEditCtrl dms;
  UTMValidatedEditCtrl utm;
  MGRSValidatedEditCtrl mgrs;
};

class CoordinateEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ResetClock();
    win::ClearUserEvents();
    static const std::string text = kDialog;
    static const res::EmbeddedResource table[] = {
        {"DIALOGS", "1", reinterpret_cast<const unsigned char*>(text.data()), text.size()},
        {nullptr, nullptr, nullptr, 0}};
    module = std::make_unique<res::ResourceModule>(L"coords", table);
    dlg.m_hResourceInstance = module.get();
    ASSERT_NE(dlg.Create(nullptr), nullptr);
  }
  void TearDown() override { win::ResetWindows(); }
  std::vector<win::UserEvent::Kind> Events() {
    std::vector<win::UserEvent::Kind> out;
    for (auto& e : win::UserEvents()) out.push_back(e.kind);
    return out;
  }
  std::unique_ptr<res::ResourceModule> module;
  CoordDlg dlg;
};

TEST_F(CoordinateEditTest, SubclassingResetsTheColoursToTheSystemDefaults) {
  EXPECT_EQ(dlg.dms.TextColor(CColoredEditCtrl::kNormal), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(dlg.dms.BackgroundColor(CColoredEditCtrl::kDisabled), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(dlg.dms.TextColor(CColoredEditCtrl::kDisabled), GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(dlg.dms.TextColor(CColoredEditCtrl::kReadOnly), GetSysColor(COLOR_BTNTEXT));
  win::PaintColors pc = win::QueryControlColors(dlg.dms.m_hWnd);
  EXPECT_EQ(pc.bkMode, TRANSPARENT) << "the edit's own handler answered";
  EXPECT_EQ(pc.brush, GetSysColorBrush(COLOR_WINDOW));
}

TEST_F(CoordinateEditTest, ColourSetsFollowTheEditState) {
  std::size_t before = win::LiveGdiObjectCount();
  dlg.dms.SetNormalColors(RGB(255, 0, 0), RGB(1, 2, 3));
  dlg.dms.SetReadOnlyColors(RGB(0, 0, 255), kDefaultColor);
  dlg.dms.SetDisabledColors(RGB(0, 255, 0), RGB(9, 9, 9));
  EXPECT_EQ(win::LiveGdiObjectCount(), before + 2);
  struct Case {
    bool readOnly;
    bool enabled;
    COLORREF text;
    COLORREF brush;
  };
  const Case cases[] = {
      {false, true, RGB(255, 0, 0), RGB(1, 2, 3)},
      {true, true, RGB(0, 0, 255), GetSysColor(COLOR_BTNFACE)},
      {false, false, RGB(0, 255, 0), RGB(9, 9, 9)},
      {true, false, RGB(0, 255, 0), RGB(9, 9, 9)},
  };
  for (const Case& c : cases) {
    dlg.dms.SetReadOnly(c.readOnly);
    dlg.dms.EnableWindow(c.enabled);
    win::PaintColors pc = win::QueryControlColors(dlg.dms.m_hWnd);
    EXPECT_EQ(pc.text, c.text) << c.readOnly << c.enabled;
    EXPECT_EQ(pc.brushColor, c.brush) << c.readOnly << c.enabled;
  }
  // The default background after a custom one deletes the custom brush.
  int paints = win::InvalidationCount(dlg.dms.m_hWnd);
  dlg.dms.SetNormalColors(kDefaultColor, kDefaultColor);
  EXPECT_EQ(win::LiveGdiObjectCount(), before + 1);
  EXPECT_EQ(dlg.dms.Brush(CColoredEditCtrl::kNormal), GetSysColorBrush(COLOR_WINDOW));
  EXPECT_GT(win::InvalidationCount(dlg.dms.m_hWnd), paints);
}

TEST_F(CoordinateEditTest, BrushesDieWithTheEditAndNothingIsSetWithoutAWindow) {
  std::size_t before = win::LiveGdiObjectCount();
  {
    CColoredEditCtrl edit;
    edit.SetNormalColors(RGB(1, 1, 1), RGB(2, 2, 2));
    EXPECT_EQ(edit.Brush(CColoredEditCtrl::kNormal), nullptr) << "no window yet";
    ASSERT_NE(edit.Create(dlg.m_hWnd, RECT{0, 0, 50, 20}), nullptr);
    EXPECT_EQ(edit.Brush(CColoredEditCtrl::kNormal), GetSysColorBrush(COLOR_WINDOW))
        << "creation resets the colours";
    edit.SetNormalColors(RGB(1, 1, 1), RGB(2, 2, 2));
    edit.SetDisabledColors(RGB(1, 1, 1), RGB(3, 3, 3));
    EXPECT_EQ(win::LiveGdiObjectCount(), before + 2);
  }
  EXPECT_EQ(win::LiveGdiObjectCount(), before);
}

TEST_F(CoordinateEditTest, ValidatedEditsCleanTheirNotation) {
  struct Case {
    ValidatedEditCtrl* edit;
    const wchar_t* typed;
    const wchar_t* shown;
    bool valid;
  };
  const Case cases[] = {
      {&dlg.dms, L"40.5N 73.25W", L"403000.00N 0731500.00W", true},
      {&dlg.dms, L"-40.5 -73.25", L"403000.00S 0731500.00W", true},
      {&dlg.dms, L"north", L"000100.00N 0000100.00E", false},
      {&dlg.utm, L"585628 4511322 18T", L"18T 585628 4511322", true},
      {&dlg.mgrs, L"18twl8562811322", L"18T WL 8562811322", true},
      {&dlg.mgrs, L"18IWL123", L"00I II 0000000000", false},
  };
  for (const Case& c : cases) {
    c.edit->SetWindowText(c.typed);
    EXPECT_EQ(c.edit->ParseWindowText(), c.valid) << c.typed;
    EXPECT_EQ(c.edit->GetWindowText(), c.shown) << c.typed;
    EXPECT_EQ(c.edit->TextColor(CColoredEditCtrl::kNormal),
              c.valid ? GetSysColor(COLOR_WINDOWTEXT) : kInvalidTextColor)
        << c.typed;
  }
  ValidatedEditCtrl plain;
  EXPECT_FALSE(plain.ParseWindowText()) << "an edit without a parser's members changes nothing";
}

TEST_F(CoordinateEditTest, LeavingTheFieldCleansItAndFlashesOnInvalidInput) {
  dlg.ShowWindow(SW_SHOWNORMAL);
  win::user::SetEditText(dlg.dms.m_hWnd, L"40.5n 73.25w");
  win::user::Focus(dlg.GetDlgItem(3109));
  EXPECT_EQ(dlg.dms.GetWindowText(), L"403000.00N 0731500.00W");
  EXPECT_TRUE(win::UserEvents().empty());
  win::user::SetEditText(dlg.utm.m_hWnd, L"not a utm");
  ULONGLONG before = win::Now();
  win::user::Focus(dlg.GetDlgItem(3110));
  EXPECT_EQ(dlg.utm.GetWindowText(), L"00I 000000 0000000");
  EXPECT_EQ(Events(), (std::vector<win::UserEvent::Kind>{win::UserEvent::Kind::Flash,
                                                         win::UserEvent::Kind::Flash,
                                                         win::UserEvent::Kind::Beep}));
  EXPECT_EQ(win::UserEvents()[2].type, MB_ICONEXCLAMATION);
  EXPECT_EQ(win::UserEvents()[0].window, dlg.utm.m_hWnd);
  EXPECT_EQ(win::Now() - before, 500u) << "half a second between the flashes";
  EXPECT_EQ(GetFocus(), dlg.GetDlgItem(3110)) << "the focus was not asked for";
}

TEST_F(CoordinateEditTest, FlashInputErrorIgnoresNonWindowsAndCanTakeTheFocus) {
  FlashInputError(reinterpret_cast<HWND>(0x1234), true);
  EXPECT_TRUE(win::UserEvents().empty());
  EXPECT_EQ(win::Now(), 0u);
  dlg.ShowWindow(SW_SHOWNORMAL);
  FlashInputError(dlg.GetDlgItem(3111), true);
  EXPECT_EQ(GetFocus(), dlg.GetDlgItem(3111));
}

TEST_F(CoordinateEditTest, WritingNumbersWithDecimalsAndFallback) {
  struct Case {
    double value;
    int decimals;
    const wchar_t* text;
  };
  const Case cases[] = {
      {1.0 / 3.0, 20, L"0.333333333333333"},
      {2.75, -3, L"3"},
      {std::nan(""), 6, L"none"},
      {-12.5, 2, L"-12.50"},
  };
  for (const Case& c : cases) {
    SetDlgItemDouble(dlg.m_hWnd, 3109, c.value, c.decimals, L"none");
    EXPECT_EQ(win::WindowText(dlg.GetDlgItem(3109)), c.text);
  }
  EXPECT_DOUBLE_EQ(ReadWindowDouble(dlg.GetDlgItem(3109)), -12.5);
  SetDlgItemTextW(dlg.m_hWnd, 3109, L"abc");
  EXPECT_EQ(ReadWindowDouble(dlg.GetDlgItem(3109)), 0.0);
}

TEST_F(CoordinateEditTest, ThreeEmptyFieldsFlagOnlyTheFirst) {
  dlg.ShowWindow(SW_SHOWNORMAL);
  SetFocus(dlg.GetDlgItem(IDOK));
  win::ClearUserEvents();
  double x = 7, y = 7, z = 7;
  bool error = false;
  error = ReadDlgItemDouble(dlg.m_hWnd, 3109, &x, error);
  error = ReadDlgItemDouble(dlg.m_hWnd, 3110, &y, error);
  error = ReadDlgItemDouble(dlg.m_hWnd, 3111, &z, error);
  EXPECT_TRUE(error);
  ASSERT_EQ(win::UserEvents().size(), 3u) << "one flash, flash, beep";
  EXPECT_EQ(win::UserEvents()[0].window, dlg.GetDlgItem(3109));
  EXPECT_EQ(GetFocus(), dlg.GetDlgItem(3109));
  EXPECT_EQ(x, 7.0) << "an empty field leaves the value";
  SetDlgItemTextW(dlg.m_hWnd, 3110, L"4.25");
  EXPECT_FALSE(ReadDlgItemDouble(dlg.m_hWnd, 3110, &y, false));
  EXPECT_EQ(y, 4.25);
}

}  // namespace
}  // namespace velk::corvane
