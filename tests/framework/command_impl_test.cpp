// The command templates: texts, bitmaps and cursor from the resources, the enabled rule over
// the extension object and the host's analysis extensions, tools, subtypes and tool controls,
// and creation by the host with its hook.
#include "framework/command_impl.h"

#include <gtest/gtest.h>

#include "platform/com/out_param.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/window.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

using test::HostSessionFixture;

std::wstring Text(HRESULT (ICommand::*slot)(BSTR*), ICommand* c) {
  Bstr b;
  EXPECT_EQ((c->*slot)(&b), S_OK);
  return b.str();
}

// Radial line of sight: base rule, then Quentara or else Sorrelin.
class Radial : public CCommandImpl<Radial> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  Radial() : CCommandImpl(3041) {}
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override {
    HRESULT hr = BaseEnabled(enabled);
    if (hr != S_OK || *enabled == VARIANT_FALSE) return hr;
    bool on =
        IsExtensionEnabled(QuentaraName().Copy()) || IsExtensionEnabled(SorrelinName().Copy());
    *enabled = ToVariantBool(on);
    return S_OK;
  }
};

// Linear line of sight: base rule and Sorrelin.
class Linear : public CCommandImpl<Linear> {
 public:
  static constexpr UINT kCaptionId = 3188, kTooltipId = 3191, kMessageId = 3189;
  Linear() : CCommandImpl(3027) {}
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override {
    HRESULT hr = BaseEnabled(enabled);
    if (hr != S_OK || *enabled == VARIANT_FALSE) return hr;
    *enabled = ToVariantBool(IsExtensionEnabled(SorrelinName().Copy()));
    return S_OK;
  }
};

class Options : public CCommandNoBitmapImpl<Options> {
 public:
  static constexpr UINT kCaptionId = 3218, kTooltipId = 3220, kMessageId = 3219;
};

class Viewer : public CToolImpl<Viewer> {
 public:
  static constexpr UINT kCaptionId = 3162, kTooltipId = 3164, kMessageId = 3163;
  Viewer() : CToolImpl(3012) {}
};

class Terrain : public CToolSlots<CCommandSubTypeImpl<Terrain, 4, ITool>> {
 public:
  static constexpr UINT kCaptionId = 0, kTooltipId = 0, kMessageId = 0;
  HRESULT FinalConstruct() {
    SetSubTypeInfo(0, 3679, 3187, 3185, 3022);
    SetSubTypeInfo(1, 3680, 3198, 3196, 3028);
    SetSubTypeInfo(2, 3681, 3183, 3181, 3021);
    SetSubTypeInfo(3, 3682, 3208, 3207, 3030);
    return S_OK;
  }
};

// A control dialog as the tool-control template needs one.
struct FakeControlDialog : HookStructImpl {
  HRESULT Create(HWND parent, LPARAM param) {
    ++creates;
    lastParent = parent;
    lastParam = param;
    window = reinterpret_cast<HWND>(0x4242);
    return S_OK;
  }
  HWND WindowHandle() const { return window; }
  int creates = 0;
  HWND lastParent = reinterpret_cast<HWND>(1);
  LPARAM lastParam = -1;
  HWND window = nullptr;
};

class Control : public CToolControlImpl<Control, FakeControlDialog> {
 public:
  static constexpr UINT kCaptionId = 3675, kTooltipId = 3678, kMessageId = 3677;
};

class NoImage : public CCommandImpl<NoImage> {
 public:
  static constexpr UINT kCaptionId = 3149, kTooltipId = 3151, kMessageId = 3150;
  NoImage() : CCommandImpl(9999) {}
};

class Two : public CCommandSubTypeImpl<Two, 2> {
 public:
  static constexpr UINT kCaptionId = 0, kTooltipId = 0, kMessageId = 0;
};

template <class T, class I = ICommand>
ComPtr<I> Make() {
  return MakeObjectPtr<T, I>();
}

TEST(CommandTemplates, TextsComeFromTheStringTable) {
  auto c = Make<Radial>();
  EXPECT_EQ(Text(&ICommand::get_Name, c.get()), L"TarvosRadial Line of Sight...");
  EXPECT_EQ(Text(&ICommand::get_Caption, c.get()), L"Radial Line of Sight...");
  EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"Radial Line of Sight");
  EXPECT_EQ(Text(&ICommand::get_Message, c.get()),
            L"Determines the surface locations visible to specified observer points");
  EXPECT_EQ(Text(&ICommand::get_Category, c.get()), L"Tarvos");
  EXPECT_EQ(Text(&ICommand::get_HelpFile, c.get()), L"velk_csTarvos.hlp");
  LONG context = 0;
  EXPECT_EQ(c->get_HelpContextID(&context), S_OK);
  EXPECT_EQ(context, 3222);
  VARIANT_BOOL checked = VARIANT_TRUE;
  EXPECT_EQ(c->get_Checked(&checked), S_OK);
  EXPECT_EQ(checked, VARIANT_FALSE);
}

TEST(CommandTemplates, EmptyCaptionGivesTheProductNameAlone) {
  auto c = Make<Control>();
  EXPECT_EQ(Text(&ICommand::get_Name, c.get()), L"Tarvos");
  EXPECT_EQ(Text(&ICommand::get_Caption, c.get()), L"");
  EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"");
  EXPECT_EQ(Text(&ICommand::get_Message, c.get()), L"");
}

TEST(CommandTemplates, EveryOutSlotRefusesANullPointer) {
  auto c = Make<Viewer>();
  EXPECT_EQ(c->get_Enabled(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Checked(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Name(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Caption(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Tooltip(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Message(nullptr), E_POINTER);
  EXPECT_EQ(c->get_HelpFile(nullptr), E_POINTER);
  EXPECT_EQ(c->get_HelpContextID(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Bitmap(nullptr), E_POINTER);
  EXPECT_EQ(c->get_Category(nullptr), E_POINTER);
  auto tool = c.Query<ITool>();
  EXPECT_EQ(tool->get_Cursor(nullptr), E_POINTER);
  EXPECT_EQ(tool->OnContextMenu(1, 2, nullptr), E_POINTER);
  EXPECT_EQ(tool->Deactivate(nullptr), E_POINTER);
}

TEST(CommandTemplates, BitmapAndCursorComeFromTheDeliverable) {
  auto c = Make<Viewer>();
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(c->get_Bitmap(&bitmap), S_OK);
  const CommandBitmapInfo* info = DescribeCommandBitmap(bitmap);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->id, 3012u);
  EXPECT_EQ(info->width, 16);
  EXPECT_EQ(info->bytes, *DeliverableInstance()->Find("BITMAPS", 3012));

  HCURSOR cursor = nullptr;
  ASSERT_EQ(c.Query<ITool>()->get_Cursor(&cursor), S_OK);
  const ToolCursorInfo* cur = DescribeToolCursor(cursor);
  ASSERT_NE(cur, nullptr);
  EXPECT_EQ(cur->id, 3552u);
  EXPECT_EQ(cur->hotSpotX, 15);
  EXPECT_EQ(cur->hotSpotY, 15);
}

TEST(CommandTemplates, BitmapsAndCursorsAreFreedWithTheCommand) {
  std::size_t before = LiveCommandImageCount();
  {
    auto tool = Make<Viewer>();
    auto terrain = Make<Terrain>();
    EXPECT_EQ(LiveCommandImageCount(), before + 2 + 4 + 1);
  }
  EXPECT_EQ(LiveCommandImageCount(), before);
}

TEST(CommandTemplates, AMissingBitmapIsANullHandle) {
  auto c = Make<NoImage>();
  auto* sentinel = reinterpret_cast<HBITMAP>(0x1);
  HBITMAP b = sentinel;
  EXPECT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(b, nullptr);
}

TEST(CommandTemplates, NoBitmapVariantLeavesTheOutUntouched) {
  auto c = Make<Options>();
  auto* sentinel = reinterpret_cast<HBITMAP>(0x1);
  HBITMAP b = sentinel;
  EXPECT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(b, sentinel);
  EXPECT_EQ(c->get_Bitmap(nullptr), S_OK);
}

TEST(CommandTemplates, ToolDefaults) {
  auto tool = Make<Viewer, ITool>();
  VARIANT_BOOL b = VARIANT_TRUE;
  EXPECT_EQ(tool->OnContextMenu(5, 6, &b), S_OK);
  EXPECT_EQ(b, VARIANT_FALSE);
  b = VARIANT_FALSE;
  EXPECT_EQ(tool->Deactivate(&b), S_OK);
  EXPECT_EQ(b, VARIANT_TRUE);
  EXPECT_EQ(tool->OnMouseDown(1, 0, 10, 10), S_OK);
  EXPECT_EQ(tool->OnKeyDown(13, 0), S_OK);
  EXPECT_EQ(tool->Refresh(nullptr), S_OK);
}

TEST(CommandTemplates, SubtypesAnswerTheirTableEntry) {
  auto c = Make<Terrain>();
  auto sub = c.Query<ICommandSubType>();
  LONG count = 0;
  EXPECT_EQ(sub->GetCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  // A new command answers subtype 1.
  EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"Find Highest Point");
  EXPECT_EQ(Text(&ICommand::get_Name, c.get()), L"Tarvos");
  HBITMAP b = nullptr;
  ASSERT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(DescribeCommandBitmap(b)->id, 3022u);

  ASSERT_EQ(sub->SetSubType(2), S_OK);
  EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"Find Lowest Point");
  EXPECT_EQ(Text(&ICommand::get_Message, c.get()),
            L"Find the lowest elevation in a specified area");
  ASSERT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(DescribeCommandBitmap(b)->id, 3028u);
  LONG context = -1;
  EXPECT_EQ(c->get_HelpContextID(&context), S_OK);
  EXPECT_EQ(context, 0);

  for (LONG bad : {0L, 5L, -1L}) {
    EXPECT_EQ(sub->SetSubType(bad), E_INVALIDARG) << bad;
    EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"Find Lowest Point")
        << "subtype kept after " << bad;
  }
  ASSERT_EQ(sub->SetSubType(4), S_OK);
  EXPECT_EQ(Text(&ICommand::get_Tooltip, c.get()), L"Extract");
}

TEST(CommandTemplates, SubtypeInfoOutsideTheTableIsRefused) {
  auto c = Make<Two>();
  auto* raw = static_cast<Two*>(c.get());
  EXPECT_FALSE(raw->SetSubTypeInfo(2, 3180, 3183, 3181, 3021));
  EXPECT_FALSE(raw->SetSubTypeInfo(-1, 3180, 3183, 3181, 3021));
  EXPECT_TRUE(raw->SetSubTypeInfo(1, 3180, 3183, 3181, 0));
  // Entry 0 was never set: empty texts, no bitmap written.
  EXPECT_EQ(Text(&ICommand::get_Caption, c.get()), L"");
  auto* sentinel = reinterpret_cast<HBITMAP>(0x1);
  HBITMAP b = sentinel;
  EXPECT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(b, sentinel);
  c.Query<ICommandSubType>()->SetSubType(2);
  EXPECT_EQ(Text(&ICommand::get_Caption, c.get()), L"Hillshade...");
  EXPECT_EQ(c->get_Bitmap(&b), S_OK);
  EXPECT_EQ(b, sentinel);  // id 0 stores no bitmap
  // With the subtype checked first, a null out still gives E_INVALIDARG when it is bad; with
  // a good subtype, E_POINTER.
  EXPECT_EQ(c->get_Bitmap(nullptr), E_POINTER);
}

TEST(CommandTemplates, ToolControlMakesItsWindowOnCreate) {
  HostSessionFixture host;
  auto c = Make<Control>();
  auto control = c.Query<IToolControl>();
  HWND window = reinterpret_cast<HWND>(1);
  EXPECT_EQ(control->get_hWnd(&window), S_OK);
  EXPECT_EQ(window, nullptr);

  EXPECT_EQ(c->OnCreate(host.Session().Hook()), S_OK);
  auto* raw = static_cast<Control*>(c.get());
  EXPECT_TRUE(raw->Created());
  EXPECT_EQ(raw->Dialog().creates, 1);
  EXPECT_EQ(raw->Dialog().lastParent, nullptr);
  EXPECT_EQ(raw->Dialog().lastParam, 0);
  EXPECT_TRUE(raw->Application);           // the control's own hook
  EXPECT_TRUE(raw->Dialog().Application);  // and the dialog's
  EXPECT_EQ(control->get_hWnd(&window), S_OK);
  EXPECT_EQ(window, reinterpret_cast<HWND>(0x4242));

  for (LONG bar : {0L, 1L, 2L, -1L}) {
    VARIANT_BOOL accept = VARIANT_FALSE;
    EXPECT_EQ(control->OnDrop(bar, &accept), S_OK);
    EXPECT_EQ(accept, ToVariantBool(bar == 0)) << bar;
  }
  EXPECT_EQ(control->OnDrop(0, nullptr), E_POINTER);
  EXPECT_EQ(control->get_hWnd(nullptr), E_POINTER);
}

TEST(CommandTemplates, TopLevelOwnerClimbsParentsAndOwners) {
  win::ResetWindows();
  auto make = [](DWORD style, HWND parent) {
    return CreateWindowExW(0, WC_PLAINWINDOW, L"w", style, 0, 0, 10, 10, parent, nullptr, nullptr,
                           nullptr);
  };
  HWND main = make(WS_OVERLAPPEDWINDOW, nullptr);
  HWND frame = make(WS_POPUP, main);      // owned by the main window
  HWND dialog = make(WS_CHILD, frame);    // a dialog docked into the frame
  HWND control = make(WS_CHILD, dialog);  // one of its controls
  HWND loose = make(WS_POPUP, nullptr);   // a pop-up with neither parent nor owner
  struct Case {
    HWND from, expected;
  };
  const Case cases[] = {
      {control, main}, {dialog, main}, {frame, main},
      {main, main},    {loose, loose}, {nullptr, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(GetTopLevelOwnerWindow(c.from), c.expected);
  win::ResetWindows();
}

// Enabled states by the states of the extension object and the analysis extensions.
struct EnabledCase {
  const char* name;
  bool loadZel;
  LONG zel, quentara, sorrelin;
  bool radial, linear, options;
};

void PrintTo(const EnabledCase& c, std::ostream* os) { *os << c.name; }

class EnabledRule : public ::testing::TestWithParam<EnabledCase> {};

TEST_P(EnabledRule, FollowsTheExtensionStates) {
  const EnabledCase& c = GetParam();
  HostSessionFixture host(host::HostKind::Map, c.loadZel);
  host.SetStates(c.zel, c.quentara, c.sorrelin);
  auto enabled = [](ICommand* cmd) {
    VARIANT_BOOL e = VARIANT_TRUE;
    EXPECT_EQ(cmd->get_Enabled(&e), S_OK);
    return e == VARIANT_TRUE;
  };
  EXPECT_EQ(enabled(Make<Radial>().get()), c.radial);
  EXPECT_EQ(enabled(Make<Linear>().get()), c.linear);
  EXPECT_EQ(enabled(Make<Options>().get()), c.options);
  EXPECT_EQ(enabled(Make<Viewer>().get()), c.options);  // base rule alone
}

INSTANTIATE_TEST_SUITE_P(
    States, EnabledRule,
    ::testing::Values(EnabledCase{"AllEnabled", true, 1, 1, 1, true, true, true},
                      EnabledCase{"QuentaraOnly", true, 1, 1, 2, true, false, true},
                      EnabledCase{"SorrelinOnly", true, 1, 2, 1, true, true, true},
                      EnabledCase{"NoAnalysisExtension", true, 1, 2, 2, false, false, true},
                      EnabledCase{"ExtensionDisabled", true, 2, 1, 1, false, false, false},
                      EnabledCase{"ExtensionStateZero", true, 0, 1, 1, false, false, false},
                      EnabledCase{"ExtensionStateMinusOne", true, -1, 1, 1, false, false, false},
                      EnabledCase{"AnalysisStateThreeIsNotEnabled", true, 1, 3, 3, false, false,
                                  true},
                      EnabledCase{"NoExtensionLoaded", false, 1, 1, 1, false, false, false}),
    [](const ::testing::TestParamInfo<EnabledCase>& i) { return std::string(i.param.name); });

TEST(EnabledRule, WithoutAHostTheManagerFailureIsReturned) {
  // No session: the extension manager cannot be created; the slot reports the failure.
  ASSERT_EQ(host::HostSession::Current(), nullptr);
  auto c = Make<Options>();
  VARIANT_BOOL e = VARIANT_TRUE;
  EXPECT_TRUE(FAILED(c->get_Enabled(&e)));
  EXPECT_EQ(e, VARIANT_FALSE);
}

TEST(EnabledRule, FollowsAStateChangeWithoutRecreatingTheCommand) {
  HostSessionFixture host;
  auto c = Make<Linear>();
  VARIANT_BOOL e = VARIANT_FALSE;
  c->get_Enabled(&e);
  EXPECT_EQ(e, VARIANT_TRUE);
  host.SetStates(1, 1, 2);
  c->get_Enabled(&e);
  EXPECT_EQ(e, VARIANT_FALSE);
  host.SetStates(1, 1, 1);
  c->get_Enabled(&e);
  EXPECT_EQ(e, VARIANT_TRUE);
}

// The host creates a command by ProgID and hands it the application as its hook.
constexpr CLSID kRadialTestClsid = MakeGuid("{5D0C2E0B-7A34-4C61-9E57-3B8F1A2C9D01}");

TEST(HostCreation, CommandIsCreatedByProgIdAndGetsTheHook) {
  HostSessionFixture host;
  DWORD cookie = RegisterProcessClass(kRadialTestClsid, &CreateInstance<Radial>);
  ASSERT_EQ(reg::WriteString(reg::Hive::ClassesRoot, L"velkTest.Radial\\CLSID", L"",
                             GuidToString(kRadialTestClsid)),
            ERROR_SUCCESS);
  ComPtr<ICommandItem> item;
  ASSERT_EQ(host.Session().CreateCommand(L"velkTest.Radial", 0, item.put()), S_OK);
  ComPtr<IUnknown> object;
  ASSERT_EQ(item->get_Command(object.put()), S_OK);
  auto* radial = dynamic_cast<Radial*>(object.Query<ICommand>().get());
  ASSERT_NE(radial, nullptr);
  EXPECT_TRUE(IsSameObject(radial->Application.get(), host.Session().Hook()));
  ComPtr<IMap> map;
  EXPECT_EQ(radial->GetFocusMap(map.put()), S_OK);
  EXPECT_TRUE(map);
  // The document's command bars find it again by its ProgID.
  ComPtr<ICommandBars> bars;
  host.Session().Document()->get_CommandBars(bars.put());
  ComPtr<ICommandItem> found;
  ASSERT_EQ(
      bars->Find(host::MakeUid(L"VELKTEST.RADIAL").get(), VARIANT_TRUE, VARIANT_TRUE, found.put()),
      S_OK);
  EXPECT_TRUE(IsSameObject(found.get(), item.get()));
  Bstr caption;
  EXPECT_EQ(found->get_Caption(&caption), S_OK);
  EXPECT_EQ(caption.str(), L"Radial Line of Sight...");
  EXPECT_EQ(found->Execute(), S_OK);
  RevokeProcessClass(cookie);
}

}  // namespace
}  // namespace velk::corvane
