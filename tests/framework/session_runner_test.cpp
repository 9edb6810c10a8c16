// Session scripts played in-process against commands built from the framework's templates:
// dialog commands (modeless and modal), the keyboard hook, coordinate edits, layer lists,
// message boxes, file dialogs, tools and the clock; and the runner's errors.
#include <gtest/gtest.h>

#include <sstream>

#include "apps/trevik/session_runner.h"
#include "framework/dialog_field_helpers.h"
#include "coordinates/validated_edit_ctrl.h"
#include "framework/dlg_cmd_impl.h"
#include "framework/modeless_dialog_set.h"
#include "framework/window_with_layers_impl.h"
#include "interfaces/catalog_layer_ids.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/dialog.h"
#include "tests/fixtures/temp_root.h"

namespace velk::corvane {
namespace {

const char* kSurfaceDialog = R"(DIALOG 0, 0, 200, 100
STYLE WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Surface"
CONTROL "&Surface:", -1, "Static", SS_LEFT, 4, 4, 40, 8
CONTROL "", 3550, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP, 50, 4, 100, 60
CONTROL "Observer:", -1, "Static", SS_LEFT, 4, 20, 40, 8
CONTROL "", 3074, "Edit", ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP, 50, 20, 133, 12
CONTROL "", 3109, "Edit", WS_TABSTOP, 50, 36, 40, 12
CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 90, 80, 50, 14
CONTROL "Cancel", IDCANCEL, "Button", WS_TABSTOP, 145, 80, 50, 14
)";

res::ResourceModule* Module() {
  static const std::string text = kSurfaceDialog;
  static const res::EmbeddedResource table[] = {
      {"DIALOGS", "3064", reinterpret_cast<const unsigned char*>(text.data()), text.size()},
      {nullptr, nullptr, nullptr, 0}};
  static res::ResourceModule module(L"session-test", table);
  return &module;
}

// A tool dialog in the manner of the line-of-sight dialogs: a surface combo over the DTED and
// raster catalog layers, a DMS observer field cleaned when left, dialog keys through the
// module's keyboard hook.
class SurfaceDlg : public CWindowWithLayersImpl<SurfaceDlg, 3550> {
 public:
  enum { IDD = 3064 };
  SurfaceDlg() {
    m_hResourceInstance = Module();
    m_interfaceIds = {ids::IID_IZelDtedLayer, ids::IID_IZelRasterLayer};
  }
  BEGIN_MSG_MAP(SurfaceDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInit)
  MESSAGE_HANDLER(WM_HELP, OnHelp)
  MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
  COMMAND_HANDLER(3550, CBN_SELCHANGE, OnSelChange)
  COMMAND_HANDLER(3074, EN_KILLFOCUS, OnLeaveObserver)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&) {
    observer.SubclassWindow(GetDlgItem(3074));
    if (!m_bModal) RegisterModelessDialog(m_hWnd);
    return TRUE;
  }
  LRESULT OnSelChange(WORD, WORD, HWND, BOOL&) {
    m_selectedIndex = static_cast<LONG>(SendDlgItemMessage(3550, CB_GETCURSEL));
    return 0;
  }
  LRESULT OnLeaveObserver(WORD, WORD, HWND, BOOL&) {
    if (!observer.ParseWindowText()) FlashInputError(observer.m_hWnd, false);
    return 0;
  }
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&) {
    if (!m_bModal) UnregisterModelessDialog(m_hWnd);
    BeforeClose();
    if (m_bModal)
      CloseDialog(id);
    else
      DestroyWindow();
    return 0;
  }
  DMSValidatedEditCtrl observer;
};

template <class T>
struct AlwaysEnabled {
  static HRESULT Enabled(VARIANT_BOOL* e) {
    if (!e) return E_POINTER;
    *e = VARIANT_TRUE;
    return S_OK;
  }
};

class ModelessCmd : public CDlgBasedCmdImpl<ModelessCmd, SurfaceDlg, 0> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  ModelessCmd() : CDlgBasedCmdImpl(3041) {}
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return AlwaysEnabled<ModelessCmd>::Enabled(e); }
};
class ModalCmd : public CDlgBasedCmdNoBitmapImpl<ModalCmd, SurfaceDlg, 1> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return AlwaysEnabled<ModalCmd>::Enabled(e); }
};

void SetStatus(HookStruct& hook, const std::wstring& text) {
  ComPtr<IStatusBar> bar;
  hook.GetApplicationObject(bar.put());
  if (bar) bar->put_Message(0, Bstr(text));
}

// Asks before overwriting, and says on the status bar what the user answered.
class AskCmd : public CCommandNoBitmapImpl<AskCmd> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return AlwaysEnabled<AskCmd>::Enabled(e); }
  HRESULT OnClick() override {
    int r = MessageBoxW(GetWindowHandle(), L"Data with the same name exists. Overwrite?", L"Error",
                        MB_YESNO | MB_ICONQUESTION);
    SetStatus(*this, r == IDYES ? L"overwritten" : L"kept");
    return S_OK;
  }
};

// Saves an options file where the user says.
class SaveCmd : public CCommandNoBitmapImpl<SaveCmd> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return AlwaysEnabled<SaveCmd>::Enabled(e); }
  HRESULT OnClick() override {
    wchar_t file[MAX_PATH] = L"";
    OPENFILENAMEW ofn;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = L"Save";
    ofn.lpstrDefExt = L"zelo";
    SetStatus(*this, GetSaveFileNameW(&ofn) ? file : L"no file");
    return S_OK;
  }
};

// A map tool that reports where it was clicked.
class PointTool : public CToolImpl<PointTool> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  PointTool() : CToolImpl(3041) {}
  HRESULT get_Enabled(VARIANT_BOOL* e) override { return AlwaysEnabled<PointTool>::Enabled(e); }
  HRESULT OnMouseDown(LONG button, LONG, LONG x, LONG y) override {
    SetStatus(*this, L"button " + std::to_wstring(button) + L" at " + std::to_wstring(x) + L"," +
                         std::to_wstring(y));
    return S_OK;
  }
};

struct TestClass {
  const wchar_t* progId;
  CLSID clsid;
  CreatorFn creator;
};
const TestClass kClasses[] = {
    {L"velkTest.Modeless", MakeGuid("{0E2F1A40-0000-4000-8000-000000000001}"),
     &CreateInstance<ModelessCmd>},
    {L"velkTest.Modal", MakeGuid("{0E2F1A40-0000-4000-8000-000000000002}"),
     &CreateInstance<ModalCmd>},
    {L"velkTest.Ask", MakeGuid("{0E2F1A40-0000-4000-8000-000000000003}"), &CreateInstance<AskCmd>},
    {L"velkTest.Save", MakeGuid("{0E2F1A40-0000-4000-8000-000000000004}"),
     &CreateInstance<SaveCmd>},
    {L"velkTest.Point", MakeGuid("{0E2F1A40-0000-4000-8000-000000000005}"),
     &CreateInstance<PointTool>},
};

class SessionRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ResetClock();
    for (const TestClass& c : kClasses) {
      cookies_.push_back(RegisterProcessClass(c.clsid, c.creator));
      reg::WriteString(reg::Hive::ClassesRoot, std::wstring(c.progId) + L"\\CLSID", L"",
                       GuidToString(c.clsid));
    }
  }
  void TearDown() override {
    for (DWORD c : cookies_) RevokeProcessClass(c);
    win::ResetWindows();
  }
  // Runs a script; returns the exit status, the transcript in out and the errors in err.
  int Run(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream o, e;
    int status = trevik::RunSessionScript(in, "test.session", o, e);
    out = o.str();
    err = e.str();
    return status;
  }
  std::size_t Count(const std::string& what) const {
    std::size_t n = 0;
    for (std::size_t at = out.find(what); at != std::string::npos; at = out.find(what, at + 1)) ++n;
    return n;
  }
  bool Has(const std::string& what) const { return out.find(what) != std::string::npos; }

  test::TempRoot root_;
  std::vector<DWORD> cookies_;
  std::string out, err;
};

TEST_F(SessionRunnerTest, AModelessDialogCommandClickedTwiceGivesOneWindow) {
  int status = Run(R"(# two clicks on one modeless command
host map
add-layer "dted A" IZelDtedLayer
click velkTest.Modeless
click velkTest.Modeless
expect dialogs 1
print windows
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_EQ(Count("opened dialog 3064 \"Surface\""), 1u) << out;
  EXPECT_TRUE(Has("  dialog 3064 \"Surface\"\n")) << out;
}

TEST_F(SessionRunnerTest, AModalDialogEndsOnAScriptedCancelWithItsResult) {
  int status = Run(R"(host map
click velkTest.Modal
print dialog
set 3109 "12.5"
press Cancel
print windows
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_TRUE(Has("dialog 3064 \"Surface\" modal\n")) << out;
  EXPECT_TRUE(Has("  3109 edit \"\"")) << out;
  EXPECT_TRUE(Has("dialog 3064 \"Surface\" ended with Cancel (2)\nclosed dialog 3064 \"Surface\""))
      << out;
  EXPECT_TRUE(Has("  no dialogs")) << out;
}

TEST_F(SessionRunnerTest, TheScriptEndingInsideAModalDialogCancelsIt) {
  ASSERT_EQ(Run("host map\nclick velkTest.Modal\n"), 0) << err;
  EXPECT_TRUE(Has("the script ended with dialog 3064 \"Surface\" open; it is cancelled")) << out;
  EXPECT_TRUE(Has("ended with Cancel")) << out;
}

TEST_F(SessionRunnerTest, RefilledListKeepsTheRememberedLayerAndListsDoubleAnswerersTwice) {
  int status = Run(R"(host map
add-layer "dted A" IZelDtedLayer
add-layer "raster B" IZelRasterLayer
add-layer "both C" IZelDtedLayer IZelRasterLayer
add-layer "broken D" IZelDtedLayer invalid
print layers
click velkTest.Modeless
print 3550
pick 3550 "raster B"
press Cancel
move-layer "raster B" 1
click velkTest.Modeless
print 3550
)");
  ASSERT_EQ(status, 0) << err << out;
  // Layers are added on top: the map lists them newest first.
  EXPECT_TRUE(Has("  1. \"broken D\" invalid\n  2. \"both C\"\n  3. \"raster B\"\n  4. \"dted A\""))
      << out;
  // Listed per interface (DTED, then raster) in map order: the layer answering both is listed
  // twice, the invalid one not at all.
  EXPECT_TRUE(Has(
      "3550 combo \"both C\" items [\"both C\", \"dted A\", \"both C\", \"raster B\"] selected 0"))
      << out;
  // "raster B" (item 3) was picked; moved to the top of the map it becomes item 2 and stays
  // selected.
  EXPECT_TRUE(
      Has("3550 combo \"raster B\" items [\"both C\", \"dted A\", \"raster B\", \"both C\"] "
          "selected 2"))
      << out;
}

TEST_F(SessionRunnerTest, KeysReachTheDialogThroughTheHookAndTheObserverFieldIsCleaned) {
  int status = Run(R"(host map
click velkTest.Modeless
focus 3074
type "40.5n 73.25w"
key tab
print 3074
print 3109
focus 3074
set 3074 "somewhere"
key shift+tab
print 3074
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_TRUE(Has("  3074 edit \"403000.00N 0731500.00W\"\n")) << out;
  EXPECT_TRUE(Has("  3109 edit \"\" focused"))
      << out << "Tab moved the focus: the hook gave the key to the dialog";
  EXPECT_TRUE(Has("flash 3074\nflash 3074\nbeep")) << out;
  EXPECT_TRUE(Has("  3074 edit \"000100.00N 0000100.00E\" color #FF0000")) << out;
}

TEST_F(SessionRunnerTest, MessageBoxesAreAnsweredByTheNextLine) {
  int status = Run(R"(host map
click velkTest.Ask
answer No
print status
click velkTest.Ask
print status
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_TRUE(
      Has("message box \"Error\": \"Data with the same name exists. Overwrite?\" (question, "
          "Yes/No) -> No"))
      << out;
  EXPECT_TRUE(Has("  status \"kept\"")) << out;
  EXPECT_TRUE(Has("-> Yes\n")) << out << "without an answer line the default button";
  EXPECT_TRUE(Has("  status \"overwritten\"")) << out;
}

TEST_F(SessionRunnerTest, AnAnswerTheBoxDoesNotHaveStopsTheSession) {
  EXPECT_EQ(Run("host map\nclick velkTest.Ask\nanswer Retry\nprint status\n"), 1);
  EXPECT_NE(err.find("test.session:3: the message box has no button Retry (it has Yes, No)"),
            std::string::npos)
      << err;
  EXPECT_FALSE(Has("> print status")) << "nothing runs after the error";
}

TEST_F(SessionRunnerTest, FileDialogsTakeThePathOfTheNextLine) {
  int status = Run(R"(host map
click velkTest.Save
file /tmp/options
print status
click velkTest.Save
file cancel
print status
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_TRUE(Has("save file dialog \"Save\" -> /tmp/options.zelo")) << out;
  EXPECT_TRUE(Has("  status \"/tmp/options.zelo\"")) << out;
  EXPECT_TRUE(Has("-> cancelled")) << out;
  EXPECT_TRUE(Has("  status \"no file\"")) << out;
}

TEST_F(SessionRunnerTest, ToolsTakeMapClicksAndTheClockAdvances) {
  int status = Run(R"(host map
click velkTest.Point
map-click 120 45
print status
map-click 3 4 right
print status
wait 250
print clock
)");
  ASSERT_EQ(status, 0) << err << out;
  EXPECT_TRUE(Has("  status \"button 1 at 120,45\"")) << out;
  EXPECT_TRUE(Has("  status \"button 2 at 3,4\"")) << out;
  EXPECT_TRUE(Has("  clock 250 ms")) << out;
}

TEST_F(SessionRunnerTest, HelpInADialogIsShown) {
  ASSERT_EQ(Run("host map\nclick velkTest.Modeless\nhelp 3550\n"), 0) << err;
  EXPECT_TRUE(Has("help \"velk_csTarvos.hlp\" popup 3550")) << out;
}

TEST_F(SessionRunnerTest, ErrorsNameTheLine) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"host map\njump 3\n", "test.session:2: unknown action 'jump'"},
      {"click velkTest.Ask\n", "test.session:1: no host is running (start one with: host map)"},
      {"host map\nclick velkTest.Modeless\npress 9999\n",
       "test.session:3: no control 9999 in dialog 3064 \"Surface\""},
      {"host map\nclick velkTest.Modeless\npress Apply\n",
       "test.session:3: no control \"Apply\" in dialog 3064"},
      {"host map\nset 3109 x\n", "test.session:2: no dialog is open"},
      {"host map\nclick velkTest.Nothing\n", "test.session:2: cannot create velkTest.Nothing"},
      {"host map\nanswer Yes\n", "test.session:2: answer: no message box is waiting"},
      {"host moon\n", "test.session:1: unknown host kind moon"},
      {"host map\n\n# comment\nprint \"windows\n",
       "test.session: line 4: a text in double quotes is not closed"},
      {"host map\nclick velkTest.Modal\nclick velkTest.Ask\n",
       "test.session:3: a modal dialog is open: the host's commands cannot be reached"},
      {"host map\nadd-data /no/such/file.tif\n", "test.session:2: no such file: /no/such/file.tif"},
      {"host map\nclick velkTest.Modeless\nkey hyperspace\n",
       "test.session:3: unknown key hyperspace"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.script), 1) << c.script;
    EXPECT_NE(err.find(c.error), std::string::npos) << c.script << "\n" << err;
    win::ResetWindows();
  }
}

TEST_F(SessionRunnerTest, AFailureInsideAModalDialogCancelsItAndStops) {
  EXPECT_EQ(Run("host map\nclick velkTest.Modal\npress Apply\nprint windows\n"), 1);
  EXPECT_NE(err.find("test.session:3: no control \"Apply\""), std::string::npos) << err;
  EXPECT_TRUE(Has("ended with Cancel")) << out;
  EXPECT_FALSE(Has("> print windows"));
}

TEST_F(SessionRunnerTest, SaveWritesTheTranscript) {
  std::string file = root_.path() + "/transcript.txt";
  ASSERT_EQ(Run("host map\nadd-layer \"A\" IZelDtedLayer\nprint layers\nsave " + file + "\n"), 0)
      << err;
  std::string saved = test::ReadFileText(file);
  EXPECT_NE(saved.find("  1. \"A\""), std::string::npos) << saved;
  EXPECT_EQ(saved, out.substr(0, saved.size()));
}

}  // namespace
}  // namespace velk::corvane
