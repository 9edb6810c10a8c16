#include "platform/win/responder.h"

#include "platform/win/format_message.h"
#include "platform/win/gdi.h"
#include "platform/win/thread.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

using ResponderTest = WinTest;

struct Answering : win::Responder {
  int answer = 0;
  std::wstring path;
  bool choose = true;
  int OnMessageBox(HWND, const std::wstring&, const std::wstring&, UINT) override { return answer; }
  bool OnFileDialog(const win::FileDialogRequest& r, std::wstring* out) override {
    last = r;
    *out = path;
    return choose;
  }
  win::FileDialogRequest last;
};

TEST_F(ResponderTest, MessageBoxesTakeTheAnswerOrTheDefaultButton) {
  struct Case {
    UINT type;
    int answer;
    int expect;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONEXCLAMATION, 0, IDOK},
      {MB_YESNO | MB_ICONQUESTION, IDNO, IDNO},
      {MB_YESNO, 0, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, 0, IDNO},
      {MB_OK, IDYES, IDOK},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, 0, IDCANCEL},
      {MB_RETRYCANCEL, IDCANCEL, IDCANCEL},
  };
  Answering user;
  win::SetResponder(&user);
  for (const Case& c : cases) {
    user.answer = c.answer;
    EXPECT_EQ(MessageBoxW(nullptr, L"text", L"Error", c.type), c.expect) << std::hex << c.type;
  }
  ASSERT_EQ(win::UserEvents().size(), std::size(cases));
  const win::UserEvent& e = win::UserEvents()[0];
  EXPECT_EQ(e.kind, win::UserEvent::Kind::MessageBox);
  EXPECT_EQ(e.text, L"text");
  EXPECT_EQ(e.caption, L"Error");
  EXPECT_EQ(e.type, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(ResponderTest, ButtonNamesRoundTrip) {
  for (int id = IDOK; id <= IDCONTINUE; ++id)
    EXPECT_EQ(win::ButtonFromName(win::ButtonName(id)), id);
  EXPECT_EQ(win::ButtonFromName(L"yes"), IDYES);
  EXPECT_EQ(win::ButtonFromName(L"maybe"), 0);
}

TEST_F(ResponderTest, FileDialogGivesThePathWithTheDefaultExtension) {
  Answering user;
  win::SetResponder(&user);
  user.path = L"/tmp/options";
  wchar_t file[MAX_PATH] = L"";
  OPENFILENAMEW ofn;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrFilter = L"Zel Option Files (*.zelo)\0*.zelo\0\0";
  ofn.lpstrDefExt = L"zelo";
  ofn.lpstrTitle = L"Save";
  ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_STREQ(file, L"/tmp/options.zelo");
  EXPECT_EQ(ofn.nFileOffset, 5);
  EXPECT_EQ(user.last.filters.size(), 1u);
  EXPECT_EQ(user.last.filters[0].second, L"*.zelo");
  EXPECT_TRUE(user.last.save);
  user.path = L"/tmp/a.txt";
  EXPECT_TRUE(GetOpenFileNameW(&ofn));
  EXPECT_STREQ(file, L"/tmp/a.txt") << "a path with an extension keeps it";
}

TEST_F(ResponderTest, FileDialogCancelAndTooSmallABuffer) {
  Answering user;
  win::SetResponder(&user);
  wchar_t file[8] = L"";
  OPENFILENAMEW ofn;
  ofn.lpstrFile = file;
  ofn.nMaxFile = 8;
  user.choose = false;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  user.choose = true;
  user.path = L"/a/very/long/path.zelo";
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  EXPECT_STREQ(file, L"") << "nothing is written past the buffer";
  win::SetResponder(nullptr);
  EXPECT_FALSE(GetOpenFileNameW(&ofn)) << "without a responder the user cancels";
}

TEST_F(ResponderTest, HelpCallsAreRecordedWithTheirPairList) {
  DWORD ids[] = {3550, 3550, 1, 1, 0, 0};
  WinHelpW(nullptr, L"velk_csTarvos.hlp", HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(ids));
  WinHelpW(nullptr, L"velk_csTarvos.hlp", HELP_CONTEXTPOPUP, 3550);
  ASSERT_EQ(win::UserEvents().size(), 2u);
  EXPECT_EQ(win::UserEvents()[0].help.pairs, (std::vector<DWORD>{3550, 3550, 1, 1}));
  EXPECT_EQ(win::UserEvents()[1].help.data, 3550u);
  EXPECT_EQ(win::UserEvents()[1].type, HELP_CONTEXTPOPUP);
}

DWORD FormatVa(std::wstring* out, const wchar_t* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  wchar_t buf[256];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_STRING, pattern, 0, 0, buf, 256, &args);
  va_end(args);
  *out = n ? buf : L"";
  return n;
}

TEST(FormatMessageTest, InsertsFromAVariableArgumentList) {
  std::wstring out;
  FormatVa(&out, L"Please specify %1!s! field", L"Radius2");
  EXPECT_EQ(out, L"Please specify Radius2 field");
  FormatVa(&out, L"Generating threat dome ( %1!d! of %2!d! ) ... Press Esc To Cancel", 3, 10);
  EXPECT_EQ(out, L"Generating threat dome ( 3 of 10 ) ... Press Esc To Cancel");
  FormatVa(&out, L"%2!s! before %1!d!", 7, L"text");
  EXPECT_EQ(out, L"text before 7") << "arguments are taken in number order";
  FormatVa(&out, L"%1 100%% done%0 and cut", L"x");
  EXPECT_EQ(out, L"x 100% done");
  FormatVa(&out, L"[%1!5d!|%2!-4s!|%3!x!]", -12, L"ab", 255u);
  EXPECT_EQ(out, L"[  -12|ab  |ff]");
}

TEST(FormatMessageTest, ArgumentArrayModuleAndBuffers) {
  auto module = MakeModule({}, "3272\tPlease specify %1!s! field\n");
  DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(L"Visible")};
  wchar_t buf[64];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           module.get(), 3272, 0, buf, 64, reinterpret_cast<va_list*>(args));
  EXPECT_EQ(std::wstring(buf, n), L"Please specify Visible field");
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE, module.get(), 9999, 0, buf, 64, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           module.get(), 3272, 0, buf, 10, reinterpret_cast<va_list*>(args)),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  LPWSTR block = nullptr;
  n = FormatMessageW(
      FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
      L"keep %1!s! as is", 0, 0, reinterpret_cast<LPWSTR>(&block), 0, nullptr);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::wstring(block, n), L"keep %1!s! as is");
  LocalFree(block);
}

TEST(FormatMessageTest, CheckedInsertsRefuseMissingOrMismatchedArguments) {
  std::wstring out;
  std::string err;
  EXPECT_TRUE(win::FormatInserts(L"%1!s! of %2!d!", {std::wstring(L"a"), 5LL}, &out, &err));
  EXPECT_EQ(out, L"a of 5");
  EXPECT_FALSE(win::FormatInserts(L"%1!s! of %2!d!", {std::wstring(L"a")}, &out, &err));
  EXPECT_EQ(err, "no argument 2");
  EXPECT_FALSE(win::FormatInserts(L"%1!d!", {std::wstring(L"a")}, &out, &err));
  EXPECT_EQ(err, "argument 1 does not suit its format");
  EXPECT_EQ(out, L"a of 5") << "a failure leaves the output alone";
}

TEST_F(ResponderTest, BrushesSystemColoursAndImages) {
  std::size_t before = win::LiveGdiObjectCount();
  HBRUSH sys = GetSysColorBrush(COLOR_BTNFACE);
  EXPECT_EQ(win::BrushColor(sys), GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(win::IsSystemBrush(sys));
  EXPECT_TRUE(DeleteObject(sys));
  EXPECT_EQ(win::BrushColor(sys), GetSysColor(COLOR_BTNFACE)) << "a system brush survives deletion";
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  EXPECT_EQ(win::LiveGdiObjectCount(), before + 1);
  EXPECT_EQ(win::BrushColor(red), RGB(255, 0, 0));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(red));
  EXPECT_EQ(win::LiveGdiObjectCount(), before);

  // A 4 x 3 bitmap file, 24 bits per pixel.
  std::string bmp(54 + 3 * 12, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[14] = 40;
  bmp[18] = 4;
  bmp[22] = 3;
  bmp[28] = 24;
  auto module = MakeModule({{{"BITMAPS", "3005"}, bmp}, {{"BITMAPS", "9"}, "not a bitmap"}});
  HBITMAP b = LoadBitmapW(module.get(), MAKEINTRESOURCEW(3005));
  ASSERT_NE(b, nullptr);
  BITMAP info;
  ASSERT_EQ(GetObjectW(b, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 4);
  EXPECT_EQ(info.bmHeight, 3);
  EXPECT_EQ(LoadBitmapW(module.get(), MAKEINTRESOURCEW(9)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
  EXPECT_EQ(LoadBitmapW(module.get(), MAKEINTRESOURCEW(10)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  DeleteObject(b);
  EXPECT_NE(LoadCursorW(nullptr, IDC_WAIT), nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), LoadCursorW(nullptr, IDC_WAIT))
      << "system cursors are shared";
}

}  // namespace
}  // namespace velk::test
