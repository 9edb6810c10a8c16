// The options sheet as a user works it: only the pages opened are written on OK, Cancel writes
// nothing, the 3D page ignores "apply now"; option files save, restore and refuse bad files
// with a message and no change; a page with its symbol buttons can be looked at as a PNG.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "catalog/options/option_files.h"
#include "catalog/options/options_sheet.h"
#include "platform/com/text.h"
#include "platform/host/shell/browse_dialog.h"
#include "platform/host/display/symbol_drawing.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/productline/symbol_text.h"
#include "platform/productline/tarvos_environment.h"
#include "platform/registry/token_privileges.h"
#include "platform/win/message_queue.h"
#include "platform/win/painting.h"
#include "platform/win/responder.h"
#include "tests/fixtures/requirement.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;

// The user: a list of steps done one per idle turn of the sheet, file dialogs answered from a
// queue of paths, message boxes recorded and answered with the default button.
class User : public win::Responder {
 public:
  std::vector<std::function<void(HWND)>> steps;
  std::vector<std::wstring> files;
  std::vector<std::wstring> messages;
  bool OnModalIdle(HWND dialog) override {
    if (next_ >= steps.size()) return false;
    steps[next_++](dialog);
    return true;
  }
  bool OnFileDialog(const win::FileDialogRequest&, std::wstring* path) override {
    if (files.empty()) return false;
    *path = files.front();
    files.erase(files.begin());
    return true;
  }
  int OnMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT type) override {
    messages.push_back(text);
    return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }

 private:
  std::size_t next_ = 0;
};

HWND Page(HWND sheet, int index) { return win::PropertySheetPageWindows(sheet).at(index); }
void ShowTab(HWND sheet, int index) { SendMessageW(sheet, PSM_SETCURSEL, index, 0); }
void Press(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

class OptionsSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::SetResponder(&user);
    reg::ClearPrivilegeFailures();
  }
  void TearDown() override {
    win::SetResponder(nullptr);
    reg::ClearPrivilegeFailures();
    host::SetSymbolChooser(nullptr);
    win::ResetWindows();
  }
  ComPtr<IZelSettings> settings() {
    ComPtr<IZelSettings> s;
    host.Zel()->get_Settings(s.put());
    return s;
  }
  // The settings by name as text, as the environment keeps them.
  productline::TarvosEnvironment& Env() {
    return *static_cast<productline::TarvosEnvironment*>(settings().get());
  }
  void RunSheet() { Options2Click(); }
  void Options2Click() {
    OptionsDlgSheet sheet;
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.DoModal(nullptr);
  }

  test::HostSessionFixture host;
  User user;
};

TEST_F(OptionsSheetTest, OkWritesOnlyTheOpenedPagesAndCancelNothing) {
  auto conversion = QueryAs<IConversionFieldsSettings>(settings().get());
  auto dataMan = QueryAs<IDataManSettings>(settings().get());
  auto general = QueryAs<IGeneralSettings>(settings().get());
  // Stored as 1: a page that applied would write it back as 0.
  conversion->put_AddExportedVPFDataToMap(1);
  dataMan->put_DataManDTEDDisplayRasters(-1);
  general->put_GeneralDistanceUnits(1);  // no entry carries 1: the first (meters, 9) shows

  user.steps = {[](HWND sheet) { ShowTab(sheet, 3); },
                [](HWND sheet) { CheckDlgButton(Page(sheet, 3), 2148, BST_UNCHECKED); },
                [](HWND sheet) { Press(sheet, IDCANCEL); }};
  RunSheet();
  VARIANT_BOOL b = 0;
  dataMan->get_DataManDTEDDisplayRasters(&b);
  EXPECT_EQ(b, -1) << "Cancel wrote the Data Management page";
  LONG units = 0;
  general->get_GeneralDistanceUnits(&units);
  EXPECT_EQ(units, 1);

  User ok;
  ok.steps = {[](HWND sheet) { ShowTab(sheet, 3); },
              [](HWND sheet) { CheckDlgButton(Page(sheet, 3), 2148, BST_UNCHECKED); },
              [](HWND sheet) { Press(sheet, IDOK); }};
  win::SetResponder(&ok);
  RunSheet();
  dataMan->get_DataManDTEDDisplayRasters(&b);
  EXPECT_EQ(b, 0);
  general->get_GeneralDistanceUnits(&units);
  EXPECT_EQ(units, 9) << "the General page, open from the start, writes its first entry";
  conversion->get_AddExportedVPFDataToMap(&b);
  EXPECT_EQ(b, 1) << "the Conversion page was never opened";
}

// OK on pages the user opened but did not change keeps every stored value, also those a control
// cannot show (an index outside a list, a boolean stored as 1); what the user changed is
// written.
TEST_F(OptionsSheetTest, PagesWriteOnlyWhatTheUserChanged) {
  auto coord = QueryAs<ICoordToolSettings>(settings().get());
  auto geodesy = QueryAs<IGeodesySettings>(settings().get());
  auto dataMan = QueryAs<IDataManSettings>(settings().get());
  auto conversion = QueryAs<IConversionFieldsSettings>(settings().get());
  coord->put_CoordToolDMSHemiNSEW(7);
  coord->put_CoordToolEditSession(1);
  coord->put_CoordToolMGRSPrec(3);
  geodesy->put_GeodesyLineType(9);
  dataMan->put_DataManDTEDWireframe(5);
  dataMan->put_DataManRPFUseBestMapSet(1);
  dataMan->put_DataManVPFShowData(1);
  dataMan->put_DataManRPFDisplayRasters(-1);
  conversion->put_AddExportedVPFDataToMap(1);
  conversion->put_ConversionFieldsXField(Bstr(L"LON").get());
  user.steps = {[](HWND sheet) { ShowTab(sheet, 1); },
                [](HWND sheet) { ShowTab(sheet, 2); },
                [](HWND sheet) { ShowTab(sheet, 3); },
                [](HWND sheet) { CheckDlgButton(Page(sheet, 3), 2149, BST_UNCHECKED); },
                [](HWND sheet) { ShowTab(sheet, 6); },
                [](HWND sheet) { SetDlgItemTextW(Page(sheet, 6), 3748, L"LAT"); },
                [](HWND sheet) { Press(sheet, IDOK); }};
  RunSheet();
  LONG n = 0;
  VARIANT_BOOL b = 0;
  coord->get_CoordToolDMSHemiNSEW(&n);
  EXPECT_EQ(n, 7);
  coord->get_CoordToolEditSession(&b);
  EXPECT_EQ(b, 1);
  coord->get_CoordToolMGRSPrec(&n);
  EXPECT_EQ(n, 3);
  geodesy->get_GeodesyLineType(&n);
  EXPECT_EQ(n, 9);
  dataMan->get_DataManDTEDWireframe(&n);
  EXPECT_EQ(n, 5);
  dataMan->get_DataManRPFUseBestMapSet(&b);
  EXPECT_EQ(b, 1);
  dataMan->get_DataManVPFShowData(&b);
  EXPECT_EQ(b, 1);
  conversion->get_AddExportedVPFDataToMap(&b);
  EXPECT_EQ(b, 1);
  Bstr x, y;
  conversion->get_ConversionFieldsXField(&x);
  EXPECT_EQ(x.str(), L"LON");
  // What the user changed.
  dataMan->get_DataManRPFDisplayRasters(&b);
  EXPECT_EQ(b, 0);
  conversion->get_ConversionFieldsYField(&y);
  EXPECT_EQ(y.str(), L"LAT");
}

TEST_F(OptionsSheetTest, ThreeDPageWaitsForOkWhileOthersApplyNow) {
  auto ddd = QueryAs<IDDDSettings>(settings().get());
  auto terrain = QueryAs<ITerrainSettings>(settings().get());
  ddd->put_DDDRadials(10.0);
  terrain->put_TerrainRefraction(0.13);
  double radials = 0, refraction = 0;
  user.steps = {[](HWND sheet) { ShowTab(sheet, 5); },
                [](HWND sheet) { SetDlgItemTextW(Page(sheet, 5), 3884, L"45.5"); },
                [](HWND sheet) { ShowTab(sheet, 4); },
                [](HWND sheet) { SetDlgItemTextW(Page(sheet, 4), 3531, L"1.5"); },
                [](HWND sheet) { SetDlgItemTextW(Page(sheet, 4), 3531, L"0.25"); },
                [&](HWND sheet) {
                  SendMessageToDescendants(sheet, kApplyNowMessage, 0, 0, true);
                  ddd->get_DDDRadials(&radials);
                  terrain->get_TerrainRefraction(&refraction);
                  EXPECT_EQ(SendDlgItemMessageW(Page(sheet, 4), 3739, TBM_GETPOS, 0, 0), 250);
                  EXPECT_EQ(SendDlgItemMessageW(Page(sheet, 5), 3879, TBM_GETPOS, 0, 0), 45);
                },
                [](HWND sheet) { Press(sheet, IDOK); }};
  RunSheet();
  EXPECT_EQ(radials, 10.0) << "the 3D page applied on the private message";
  EXPECT_EQ(refraction, 0.25);
  ddd->get_DDDRadials(&radials);
  EXPECT_EQ(radials, 45.5);
}

class OptionFilesTest : public OptionsSheetTest {
 protected:
  void SetUp() override {
    OptionsSheetTest::SetUp();
    dir = fs::temp_directory_path() / ("velk-options-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    OptionsSheetTest::TearDown();
  }
  std::wstring File(const char* name) { return FromUtf8((dir / name).string()); }
  LONG Distance() {
    LONG v = 0;
    QueryAs<IGeneralSettings>(settings().get())->get_GeneralDistanceUnits(&v);
    return v;
  }
  void SetDistance(LONG v) {
    QueryAs<IGeneralSettings>(settings().get())->put_GeneralDistanceUnits(v);
  }
  // The sheet opened, the General page's load button pressed, then OK.
  void LoadThroughSheet(const std::wstring& path) {
    user = User();
    user.files = {path};
    user.steps = {[](HWND sheet) { Press(Page(sheet, 0), 3758); },
                  [](HWND sheet) { Press(sheet, IDCANCEL); }};
    RunSheet();
  }
  void SaveThroughSheet(const std::wstring& path) {
    user = User();
    user.files = {path};
    user.steps = {[](HWND sheet) { Press(Page(sheet, 0), 3757); },
                  [](HWND sheet) { Press(sheet, IDCANCEL); }};
    RunSheet();
  }
  fs::path dir;
};

TEST_F(OptionFilesTest, SaveChangeLoadBringsTheSettingBack) {
  SetDistance(5);
  const std::wstring file = File("mine.zelo");
  SaveThroughSheet(file);
  ASSERT_TRUE(fs::exists(ToUtf8(file)));
  EXPECT_TRUE(user.messages.empty());
  SetDistance(10);
  User loader;
  win::SetResponder(&loader);
  loader.files = {file};
  loader.steps = {[](HWND sheet) { Press(Page(sheet, 0), 3758); },
                  [](HWND sheet) {
                    // The open General page shows the loaded unit at once.
                    EXPECT_EQ(SendDlgItemMessageW(Page(sheet, 0), 3751, CB_GETCURSEL, 0, 0), 4);
                    EXPECT_EQ(SendDlgItemMessageW(Page(sheet, 0), 3751, CB_GETCOUNT, 0, 0), 6);
                  },
                  [](HWND sheet) { Press(sheet, IDCANCEL); }};
  RunSheet();
  EXPECT_EQ(Distance(), 5);
  ASSERT_EQ(loader.messages.size(), 1u);  // the confirmation only
  EXPECT_EQ(reg::OpenTokenCount(), 0u);

  // Saving over it keeps no backup beside it.
  SaveThroughSheet(file);
  std::size_t files = 0;
  for (auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);

  VELK_REQUIRE(std::system("command -v hivexsh >/dev/null 2>&1") == 0, "hivexsh missing");
  const std::string listing = "printf 'cd General\\nlsval\\n' | hivexsh '" + ToUtf8(file) +
                              "' > '" + (dir / "list.txt").string() + "' 2>&1";
  ASSERT_EQ(std::system(listing.c_str()), 0);
  std::ifstream in(dir / "list.txt");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("\"GeneralDistanceUnits\"=dword:00000005"), std::string::npos) << text;
}

TEST_F(OptionFilesTest, BadFilesAreRefusedWithAMessageAndNoChange) {
  SetDistance(5);
  const std::wstring good = File("good.zelo");
  ASSERT_EQ(SaveSettingsToFile(good), OptionFileResult::Done);
  std::ifstream in(ToUtf8(good), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});

  // A hive of another key: save some other key.
  reg::WriteDword(reg::Hive::CurrentUser, L"Software\\Other\\Area", L"x", 1);
  HKEY other = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Other", 0, KEY_ALL_ACCESS, &other);
  const std::wstring otherFile = File("other.zelo");
  ASSERT_EQ(RegSaveKeyW(other, otherFile.c_str(), nullptr), ERROR_SUCCESS);
  RegCloseKey(other);

  struct Bad {
    const char* name;
    std::string content;
  };
  const Bad bad[] = {{"text.zelo", "not a hive at all\n"},
                     {"cut.zelo", bytes.substr(0, bytes.size() / 2)},
                     {"header.zelo", bytes.substr(0, 600)}};
  std::vector<std::wstring> paths;
  for (const Bad& b : bad) {
    std::ofstream(dir / b.name, std::ios::binary) << b.content;
    paths.push_back(File(b.name));
  }
  paths.push_back(otherFile);
  SetDistance(10);
  for (const std::wstring& p : paths) {
    LoadThroughSheet(p);
    EXPECT_EQ(Distance(), 10) << ToUtf8(p);
    ASSERT_EQ(user.messages.size(), 2u) << ToUtf8(p);
    EXPECT_EQ(user.messages[1], L"Cannot load settings from file.");
  }
}

// Loading from a file that is not there says so after the confirmation, and changes nothing.
TEST_F(OptionFilesTest, LoadingAMissingFileSaysSo) {
  SetDistance(5);
  const std::wstring missing = File("gone.zelo");
  LoadThroughSheet(missing);
  EXPECT_EQ(Distance(), 5);
  ASSERT_EQ(user.messages.size(), 2u);
  EXPECT_EQ(user.messages[1],
            L"Cannot load settings from file: \"" + missing + L"\" does not exist.");
}

TEST_F(OptionFilesTest, PrivilegeFailuresAreShownAndNothingChanges) {
  const std::wstring file = File("p.zelo");
  reg::SetPrivilegeFailure(reg::PrivilegeStep::Adjust, ERROR_PRIVILEGE_NOT_HELD);
  SaveThroughSheet(file);
  EXPECT_FALSE(fs::exists(ToUtf8(file)));
  ASSERT_EQ(user.messages.size(), 1u);
  EXPECT_EQ(user.messages[0], L"Cannot save settings to file.");
  EXPECT_EQ(reg::OpenTokenCount(), 0u) << "the opened token is closed";

  reg::ClearPrivilegeFailures();
  SetDistance(6);
  ASSERT_EQ(SaveSettingsToFile(file), OptionFileResult::Done);
  SetDistance(3);
  reg::SetPrivilegeFailure(reg::PrivilegeStep::OpenToken, 5);
  EXPECT_EQ(LoadSettingsFromFile(file), OptionFileResult::NoPrivileges);
  EXPECT_EQ(Distance(), 3);
}

TEST_F(OptionFilesTest, AFailedSaveOverAnOldFilePutsItBack) {
  const std::wstring file = File("old.zelo");
  SetDistance(6);
  ASSERT_EQ(SaveSettingsToFile(file), OptionFileResult::Done);
  std::ifstream in(ToUtf8(file), std::ios::binary);
  std::string before((std::istreambuf_iterator<char>(in)), {});
  // The settings key has gone and the registry refuses to make it again: the save fails.
  ASSERT_EQ(reg::DeleteTree(reg::Hive::CurrentUser, L"Software\\Velk\\Tarvos\\10.0.0.0"),
            ERROR_SUCCESS);
  const std::string registryFile = reg::HostRoot() + "/registry.txt";
  std::ofstream(registryFile, std::ios::binary | std::ios::trunc) << "garbage";
  reg::SetHostRoot(reg::HostRoot());
  EXPECT_EQ(SaveSettingsToFile(file), OptionFileResult::Failed);
  std::ifstream again(ToUtf8(file), std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(again)), {});
  EXPECT_EQ(after, before) << "the earlier file is back under its name";
  std::size_t files = 0;
  for (auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1u) << "no backup left beside it";
}

// A file whose values the pages cannot show (a flipped byte: MGRS precision 48131, a unit that
// is no choice, an on/off setting that is neither, an angle past its slider) is refused at
// load, naming the value; the settings stay as they were.
TEST_F(OptionFilesTest, ValuesOutsideWhatThePagesShowAreRefused) {
  const std::wstring key = productline::kTarvosSettingsKey;
  struct Case {
    const wchar_t* area;
    const wchar_t* name;
    reg::Value value;
    reg::Value good;
  };
  auto dword = [](DWORD n) {
    reg::Value v;
    v.type = REG_DWORD;
    v.number = n;
    return v;
  };
  auto text = [](const wchar_t* t) {
    reg::Value v;
    v.type = REG_SZ;
    v.text = t;
    return v;
  };
  const Case cases[] = {
      {L"CoordTool", L"CoordToolMGRSPrec", dword(48131), dword(5)},
      {L"General", L"GeneralAzimuthUnits", dword(4), dword(11)},
      {L"DataMan", L"DataManVPFShowData", dword(7), dword(0)},
      {L"DDD", L"DDDRadials", text(L"500"), text(L"10")},
      {L"DataMan", L"DataManRPFWireframe", dword(0xFFFFFFFF), dword(2)},
  };
  for (const Case& c : cases) {
    const std::wstring file = File("flipped.zelo");
    std::error_code ec;
    fs::remove(ToUtf8(file), ec);
    SetDistance(6);
    ASSERT_EQ(reg::WriteValue(reg::Hive::CurrentUser, key + L"\\" + c.area, c.name, c.value),
              ERROR_SUCCESS);
    ASSERT_EQ(SaveSettingsToFile(file), OptionFileResult::Done);
    ASSERT_EQ(reg::WriteValue(reg::Hive::CurrentUser, key + L"\\" + c.area, c.name, c.good),
              ERROR_SUCCESS);
    SetDistance(3);
    std::wstring problem;
    EXPECT_EQ(LoadSettingsFromFile(file, &problem), OptionFileResult::OutOfRange) << c.name;
    EXPECT_NE(problem.find(c.name), std::wstring::npos) << ToUtf8(problem);
    EXPECT_EQ(Distance(), 3) << c.name;
  }
}

// A save killed while it writes (the file size limit ends the process with SIGXFSZ) leaves the
// old file under its name, as it was.
TEST_F(OptionFilesTest, ASaveKilledMidWriteKeepsTheOldFile) {
  const std::wstring file = File("kept.zelo");
  SetDistance(6);
  ASSERT_EQ(SaveSettingsToFile(file), OptionFileResult::Done);
  std::ifstream in(ToUtf8(file), std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), {});
  SetDistance(3);
  GTEST_FLAG_SET(death_test_style, "fast");
  auto saveWithNoRoomToWrite = [&] {
    setenv("TMPDIR", dir.c_str(), 1);  // what the killed save leaves goes with the test
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1;
    setrlimit(RLIMIT_FSIZE, &limit);
    SaveSettingsToFile(file);
    std::_Exit(0);
  };
  EXPECT_EXIT(saveWithNoRoomToWrite(), ::testing::KilledBySignal(SIGXFSZ), "");
  std::ifstream again(ToUtf8(file), std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(again)), {});
  EXPECT_TRUE(after == before) << "the old file keeps its name and content";
}

TEST_F(OptionsSheetTest, APageWithItsSymbolButtonsSavesAsPng) {
  auto coord = QueryAs<ICoordToolSettings>(settings().get());
  const std::string png = (fs::temp_directory_path() / "velk-options-coord.png").string();
  bool written = false;
  COLORREF inside = CLR_INVALID;
  user.steps = {[](HWND sheet) { ShowTab(sheet, 1); },
                [&](HWND sheet) {
                  HWND page = Page(sheet, 1);
                  written = win::WriteWindowPng(page, png);
                  // The button's face shows the marker: red (the default coordinate-tool
                  // marker) at its centre.
                  HWND button = GetDlgItem(page, 3726);
                  RECT r{};
                  GetClientRect(button, &r);
                  HDC dc = CreateCompatibleDC(nullptr);
                  HBITMAP bmp = CreateCompatibleBitmap(dc, r.right, r.bottom);
                  SelectObject(dc, bmp);
                  DRAWITEMSTRUCT dis;
                  dis.CtlType = ODT_BUTTON;
                  dis.CtlID = 3726;
                  dis.hwndItem = button;
                  dis.hDC = dc;
                  dis.rcItem = r;
                  SendMessageW(page, WM_DRAWITEM, 3726, reinterpret_cast<LPARAM>(&dis));
                  inside = GetPixel(dc, (r.right - 6) / 2 + 3, r.bottom / 2);
                  DeleteDC(dc);
                  DeleteObject(bmp);
                },
                [](HWND sheet) { Press(sheet, IDCANCEL); }};
  RunSheet();
  (void)coord;
  EXPECT_TRUE(written);
  EXPECT_TRUE(fs::exists(png));
  EXPECT_EQ(inside, RGB(255, 0, 0));
}

// The face a button shows: its WM_DRAWITEM drawn into a memory DC, as the colours of the
// pixels inside its frame.
std::vector<COLORREF> ButtonFace(HWND page, int id) {
  HWND button = GetDlgItem(page, id);
  RECT r{};
  GetClientRect(button, &r);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, r.right, r.bottom);
  HGDIOBJ old = SelectObject(dc, bmp);
  DRAWITEMSTRUCT dis{};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = static_cast<UINT>(id);
  dis.hwndItem = button;
  dis.hDC = dc;
  dis.rcItem = r;
  SendMessageW(page, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&dis));
  std::vector<COLORREF> inside;
  for (int y = 4; y < r.bottom - 4; ++y)
    for (int x = 4; x < r.right - 4; ++x) inside.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  return inside;
}

// Pixels within 60 of the colour in each of red, green and blue (smoothed text never shows its
// exact colour).
std::size_t Count(const std::vector<COLORREF>& pixels, COLORREF c) {
  return static_cast<std::size_t>(std::count_if(pixels.begin(), pixels.end(), [&](COLORREF p) {
    return std::abs(GetRValue(p) - GetRValue(c)) <= 60 &&
           std::abs(GetGValue(p) - GetGValue(c)) <= 60 &&
           std::abs(GetBValue(p) - GetBValue(c)) <= 60;
  }));
}

// Every kind of symbol shows on its button: the Geodesy page's label button shows the text
// "AaBbYyZz" in the label symbol's colour; its line buttons a line, its ring button a fill.
TEST_F(OptionsSheetTest, TheGeodesyButtonsShowLinesAFillAndAText) {
  Env().SetText(L"GeodesyLabelSymbol", L"text 0x00FF00 10");
  Env().SetText(L"GeodesyLineSymbol", L"line 0xFF0000 2 0");
  Env().SetText(L"GeodesyRangeRingSymbol", L"fill 0x0000FF 0");
  std::vector<COLORREF> label, line, rings;
  user.steps = {[](HWND sheet) { ShowTab(sheet, 2); },
                [&](HWND sheet) {
                  label = ButtonFace(Page(sheet, 2), 3733);
                  line = ButtonFace(Page(sheet, 2), 3730);
                  rings = ButtonFace(Page(sheet, 2), 3731);
                },
                [](HWND sheet) { Press(sheet, IDCANCEL); }};
  RunSheet();
  // The text's strokes, not the whole face.
  EXPECT_GT(Count(label, RGB(0, 255, 0)), 10u);
  EXPECT_LT(Count(label, RGB(0, 255, 0)), label.size() / 3);
  EXPECT_GT(Count(line, RGB(0, 0, 255)), 10u);
  EXPECT_GT(Count(rings, RGB(255, 0, 0)), rings.size() / 2);
}

// The selector's choice reaches the settings on OK through each page's own kinds, and the two
// start-point symbols without a button are written back to their own kinds, not each other's.
TEST_F(OptionsSheetTest, ChosenSymbolsReachTheSettingsUnderTheirOwnKinds) {
  auto& session = Env();
  session.SetText(L"TerrainLLOSStartPntSymbol1", L"marker 0x000001 5 0");
  session.SetText(L"TerrainLLOSStartPntSymbol2", L"marker 0x000002 6 0");
  std::vector<std::wstring> offered;
  host::SetSymbolChooser([&](HWND, IUnknown* symbol, ComPtr<IUnknown>* chosen) {
    std::wstring text;
    productline::SymbolToText(symbol, text);
    offered.push_back(text);
    *chosen =
        productline::SymbolFromText(offered.size() == 1 ? L"text 0x0000AA 12" : L"fill 0x00AA00 0");
    return true;
  });
  user.steps = {
      [](HWND sheet) { ShowTab(sheet, 2); }, [](HWND sheet) { Press(Page(sheet, 2), 3733); },
      [](HWND sheet) { ShowTab(sheet, 4); }, [](HWND sheet) { Press(Page(sheet, 4), 3742); },
      [](HWND sheet) { Press(sheet, IDOK); }};
  RunSheet();
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0], L"text 0x000000 10") << "the stored label symbol is offered";
  const std::pair<const wchar_t*, const wchar_t*> expected[] = {
      {L"GeodesyLabelSymbol", L"text 0x0000AA 12"},
      {L"TerrainRLOSVisSymbol", L"fill 0x00AA00 0"},
      {L"TerrainLLOSStartPntSymbol1", L"marker 0x000001 5 0"},
      {L"TerrainLLOSStartPntSymbol2", L"marker 0x000002 6 0"},
      {L"GeodesyLineSymbol", L"line 0xFF0000 1.5 0"},
  };
  for (const auto& [name, text] : expected) {
    std::wstring value;
    ASSERT_EQ(session.GetText(name, value), S_OK) << ToUtf8(name);
    EXPECT_EQ(value, text) << ToUtf8(name);
  }
}

// Browsing takes the picked item's own workspace kind: a database picked where a folder was.
TEST_F(OptionFilesTest, BrowsingTakesTheWorkspaceKindOfThePickedItem) {
  auto general = QueryAs<IGeneralSettings>(settings().get());
  ASSERT_EQ(general->SetGeneralOutputWorkspace(Bstr(host::kShapefileWorkspaceFactoryProgId).get(),
                                               Bstr(File("")).get()),
            S_OK);
  std::wstring before;
  Env().GetText(L"GeneralOutputWorkspaceFactory", before);
  const std::wstring gpkg = File("out.gpkg");
  user.files = {gpkg};
  user.steps = {
      [](HWND sheet) { Press(Page(sheet, 0), 3752); },
      [&](HWND sheet) { EXPECT_EQ(win::WindowText(GetDlgItem(Page(sheet, 0), 3533)), gpkg); },
      [](HWND sheet) { Press(sheet, IDOK); }};
  RunSheet();
  EXPECT_EQ(host::LastBrowseDialog().title, L"Choose output folder");
  std::wstring path, factory;
  Env().GetText(L"GeneralOutputWorkspacePath", path);
  Env().GetText(L"GeneralOutputWorkspaceFactory", factory);
  EXPECT_EQ(path, gpkg);
  EXPECT_NE(factory, before);
  EXPECT_EQ(factory, host::kDatabaseWorkspaceFactoryProgId);
}

}  // namespace
}  // namespace velk::corvane
