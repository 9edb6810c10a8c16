// The property sheet: a page's window is made the first time the page is shown, OK sends
// PSN_APPLY only to pages that have windows, Cancel applies nothing, the pages go in reverse
// order when the sheet closes, and PSH_NOAPPLYNOW and PSH_PROPTITLE shape the sheet.
#include "platform/win/property_sheet.h"

#include <functional>
#include <string>
#include <vector>

#include "platform/com/text.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

std::string Page(const char* caption) {
  return std::string("DIALOG 0, 0, 120, 60\nSTYLE WS_CHILD\nCAPTION \"") + caption +
         "\"\nBEGIN\nCONTROL \"\", 1001, \"Edit\", WS_TABSTOP, 4, 4, 60, 12\nEND\n";
}

std::vector<std::string> g_log;

INT_PTR PageProc(HWND h, UINT msg, WPARAM, LPARAM lp) {
  auto id = [h] { return ToUtf8(win::WindowText(h)); };
  switch (msg) {
    case WM_INITDIALOG: g_log.push_back("made " + id()); return TRUE;
    case WM_NOTIFY:
      if (static_cast<int>(reinterpret_cast<const NMHDR*>(lp)->code) == PSN_APPLY) {
        g_log.push_back("apply " + id());
        SetWindowLongPtrW(h, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY: g_log.push_back("destroyed " + id()); return FALSE;
    default: return FALSE;
  }
}

class Steps : public win::Responder {
 public:
  std::vector<std::function<void(HWND)>> steps;
  bool OnModalIdle(HWND sheet) override {
    if (next_ >= steps.size()) return false;
    steps[next_++](sheet);
    return true;
  }

 private:
  std::size_t next_ = 0;
};

class PropertySheetTest : public WinTest {
 protected:
  void SetUp() override {
    WinTest::SetUp();
    g_log.clear();
    module = MakeModule({{{"DIALOGS", "101"}, Page("One")},
                         {{"DIALOGS", "102"}, Page("Two")},
                         {{"DIALOGS", "103"}, Page("Three")}});
  }
  INT_PTR Run(DWORD flags, std::vector<std::function<void(HWND)>> steps) {
    Steps user;
    user.steps = std::move(steps);
    win::SetResponder(&user);
    std::vector<HPROPSHEETPAGE> pages;
    for (const wchar_t* name : {L"101", L"102", L"103"}) {
      PROPSHEETPAGEW p;
      p.hInstance = module.get();
      p.pszTemplate = name;
      p.pfnDlgProc = &PageProc;
      pages.push_back(CreatePropertySheetPageW(&p));
    }
    PROPSHEETHEADERW h;
    h.dwFlags = flags;
    h.pszCaption = L"Settings";
    h.nPages = static_cast<UINT>(pages.size());
    h.phpage = pages.data();
    INT_PTR r = PropertySheetW(&h);
    win::SetResponder(nullptr);
    return r;
  }
  std::unique_ptr<res::ResourceModule> module;
};

TEST_F(PropertySheetTest, OkAppliesTheShownPagesAndThePagesGoInReverseOrder) {
  bool applyButton = true;
  std::wstring caption;
  INT_PTR r = Run(PSH_NOAPPLYNOW,
                  {[&](HWND sheet) {
                     applyButton = GetDlgItem(sheet, IDAPPLY) != nullptr;
                     caption = win::WindowText(sheet);
                     SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
                   },
                   [](HWND sheet) { SendMessageW(GetDlgItem(sheet, IDOK), BM_CLICK, 0, 0); }});
  EXPECT_EQ(r, IDOK);
  EXPECT_FALSE(applyButton);
  EXPECT_EQ(caption, L"Settings");
  const std::vector<std::string> expected = {"made One",    "made Three",      "apply One",
                                             "apply Three", "destroyed Three", "destroyed One"};
  EXPECT_EQ(g_log, expected);
}

TEST_F(PropertySheetTest, CancelAppliesNothingAndTheTitleMayTakeItsPrefix) {
  bool applyButton = false;
  std::wstring caption;
  Run(PSH_PROPTITLE,
      {[&](HWND sheet) {
         applyButton = GetDlgItem(sheet, IDAPPLY) != nullptr;
         caption = win::WindowText(sheet);
         SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
       },
       [](HWND sheet) { SendMessageW(GetDlgItem(sheet, IDCANCEL), BM_CLICK, 0, 0); }});
  EXPECT_TRUE(applyButton);
  EXPECT_EQ(caption, L"Properties for Settings");
  const std::vector<std::string> expected = {"made One", "made Two", "destroyed Two",
                                             "destroyed One"};
  EXPECT_EQ(g_log, expected);
}

}  // namespace
}  // namespace velk::test
