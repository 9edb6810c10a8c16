// The threat dome command and dialog in a running globe host: one dialog however often it is
// clicked, points of the coordinate tool (ignored without the window), the input type's
// controls, the observer list that opens and closes, rows renumbered after a removal.
#include "terrain/threat_dome/threat_dome_command.h"

#include <gtest/gtest.h>

#include "framework/host_object_creation.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe_layer_kind.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/win/common_controls.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/scoped_responder.h"
#include "tests/fixtures/tool_output.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

struct Globe {
  test::HostSessionFixture fixture{host::HostKind::Globe};
  test::ScratchDir dir;
  ComPtr<ICommand> command;

  Globe() {
    EXPECT_TRUE(test::MakeGeoTiffDem(dir / "dem.tif", {}));
    auto raster = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
    EXPECT_EQ(raster->CreateFromFilePath(Bstr(FromUtf8(dir / "dem.tif"))), S_OK);
    auto layer = raster.Query<ILayer>();
    layer->put_Name(Bstr(L"heights"));
    auto kind = CreateHostObject<IGlobeLayerKind>(host::CLSID_GlobeLayerKind);
    kind->put_Kind(kGlobeLayerElevation);
    RequireInterface<ILayerExtensions>(layer.get())->AddExtension(kind.get());
    ComPtr<IBasicMap> map;
    CHookImpl<Globe> hook;
    hook.SetHook(fixture.Session().Hook());
    hook.GetBasicFocusMap(map.put());
    map->AddLayer(layer.get());
    Check(CreateThreatDome(nullptr, IidOf<ICommand>(), command.put_void()));
    Check(command->OnCreate(fixture.Session().Hook()));
  }
  ThreatDome& Cmd() { return *static_cast<ThreatDome*>(command.get()); }
  ThreatDomeDlg& Dlg() { return Cmd().Dialog(); }
  HWND Item(int id) { return ::GetDlgItem(Dlg().m_hWnd, id); }
  std::wstring Text(int id) {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(Dlg().m_hWnd, id, text, 64);
    return text;
  }
  void Press(int id) {
    ::SendMessageW(Dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(id)));
  }
  void ChooseInputType(int index) {
    ::SendMessageW(Item(tdd::kInputType), CB_SETCURSEL, index, 0);
    ::SendMessageW(Dlg().m_hWnd, WM_COMMAND, MAKEWPARAM(tdd::kInputType, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(Item(tdd::kInputType)));
  }
  void Pick(double lon, double lat) {
    auto p = host::NewPoint(lon, lat, test::SpatialReference(4326).get());
    Cmd().ActivePointChanged(p.get(), p.get(), p.get());
  }
  int Rows() { return static_cast<int>(::SendMessageW(Item(tdd::kList), LVM_GETITEMCOUNT, 0, 0)); }
};

TEST(ThreatDomeCommand, OneDialogAndThePointsOfTheCoordinateTool) {
  Globe g;
  g.Pick(12.5, 48.25);  // no window yet: nothing happens
  ASSERT_EQ(g.command->OnClick(), S_OK);
  HWND first = g.Dlg().m_hWnd;
  ASSERT_TRUE(::IsWindow(first));
  ASSERT_EQ(g.command->OnClick(), S_OK);
  EXPECT_EQ(g.Dlg().m_hWnd, first);
  // The raster that gives the globe its heights is the base; no observer layer, so OK waits.
  EXPECT_EQ(::SendMessageW(g.Item(tdd::kBaseLayer), CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(g.Item(tdd::kObserverLayer), CB_GETCOUNT, 0, 0), 0);
  EXPECT_FALSE(::IsWindowEnabled(g.Item(IDOK)));
  EXPECT_EQ(g.Text(tdd::kHeightOffset), L"200");
  EXPECT_EQ(g.Text(tdd::kRadius), L"10");
  g.Pick(12.5, 48.25);
  EXPECT_EQ(g.Text(tdd::kLongitude), L"12.5");
  EXPECT_EQ(g.Text(tdd::kLatitude), L"48.25");
  EXPECT_TRUE(::IsWindowEnabled(g.Item(IDOK)));
  // Cancel closes the window; a later click makes it again.
  ::SendMessageW(g.Dlg().m_hWnd, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(::IsWindow(first));
  ASSERT_EQ(g.command->OnClick(), S_OK);
  EXPECT_TRUE(::IsWindow(g.Dlg().m_hWnd));
}

TEST(ThreatDomeDialog, InputTypeListAndRows) {
  Globe g;
  ASSERT_EQ(g.command->OnClick(), S_OK);
  EXPECT_EQ(g.Dlg().InputType(), 0);
  EXPECT_FALSE(::IsWindowEnabled(g.Item(tdd::kHeightOffset)));
  EXPECT_TRUE(::IsWindowEnabled(g.Item(tdd::kObserverLayer)));
  g.ChooseInputType(1);
  EXPECT_EQ(g.Dlg().InputType(), 1);
  EXPECT_TRUE(::IsWindowEnabled(g.Item(tdd::kHeightOffset)));
  EXPECT_FALSE(::IsWindowEnabled(g.Item(tdd::kObserverLayer)));
  EXPECT_FALSE(::IsWindowEnabled(g.Item(tdd::kLatitude)));  // from the coordinate tool only
  EXPECT_FALSE(::IsWindowEnabled(g.Item(tdd::kElevation)));
  ::CheckDlgButton(g.Dlg().m_hWnd, tdd::kUseElevation, BST_CHECKED);
  g.Press(tdd::kUseElevation);
  EXPECT_TRUE(::IsWindowEnabled(g.Item(tdd::kElevation)));
  ::CheckDlgButton(g.Dlg().m_hWnd, tdd::kUseElevation, BST_UNCHECKED);
  g.Press(tdd::kUseElevation);
  EXPECT_FALSE(::IsWindowEnabled(g.Item(tdd::kElevationUnit)));

  // The list part: full height open, the button's bottom plus 10 pixels closed.
  RECT r{};
  ::GetWindowRect(g.Dlg().m_hWnd, &r);
  EXPECT_EQ(r.bottom - r.top, g.Dlg().CollapsedHeight());
  g.Press(tdd::kToggleList);
  ::GetWindowRect(g.Dlg().m_hWnd, &r);
  EXPECT_EQ(r.bottom - r.top, g.Dlg().FullHeight());
  EXPECT_EQ(g.Text(tdd::kToggleList), L"<< Single Observer");
  EXPECT_TRUE(g.Dlg().ListOpen());

  for (double lon : {1.0, 2.0, 3.0}) {
    g.Pick(lon, 5.0);
    g.Press(tdd::kAdd);
  }
  ASSERT_EQ(g.Rows(), 3);
  LVITEMW state;
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  ::SendMessageW(g.Item(tdd::kList), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  g.Press(tdd::kRemove);
  ASSERT_EQ(g.Rows(), 2);
  ASSERT_EQ(g.Dlg().ObserverList().size(), 2u);
  EXPECT_EQ(g.Dlg().ObserverList()[1].longitude, 3.0);
  wchar_t text[16] = {};
  LVITEMW item;
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = 16;
  ::SendMessageW(g.Item(tdd::kList), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"2");
  g.Press(tdd::kToggleList);
  EXPECT_EQ(g.Text(tdd::kToggleList), L"Multiple Observers >>");
}

// Records the message boxes the dialog shows.
class BoxRecorder : public win::Responder {
 public:
  int OnMessageBox(HWND, const std::wstring& text, const std::wstring&, UINT) override {
    texts.push_back(text);
    return IDOK;
  }
  std::vector<std::wstring> texts;
};

// A new observer whose typed fields hold texts that are no numbers is refused by OK and by
// the add button with a message naming the first such field; nothing runs or is listed. The
// elevation counts only while its box is checked.
TEST(ThreatDomeDialog, TextsThatAreNoNumbersAreRefusedNamingTheirField) {
  struct Case {
    int id;
    const wchar_t* text;
    bool useElevation;
    const wchar_t* field;  // null: no refusal
  };
  const Case cases[] = {
      {tdd::kHeightOffset, L"abc", false, L"Height Offset"},
      {tdd::kHeightOffset, L"1e999", false, L"Height Offset"},
      {tdd::kRadius, L"3 km", false, L"Dome Radius"},
      {tdd::kRadius, L"nan", false, L"Dome Radius"},
      {tdd::kElevation, L"x", true, L"Elevation"},
      {tdd::kElevation, L"x", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    Globe g;
    ASSERT_EQ(g.command->OnClick(), S_OK);
    g.ChooseInputType(1);
    g.Pick(0.5, 0.5);
    ::CheckDlgButton(g.Dlg().m_hWnd, tdd::kUseElevation,
                     c.useElevation ? BST_CHECKED : BST_UNCHECKED);
    g.Press(tdd::kUseElevation);
    ::SetDlgItemTextW(g.Dlg().m_hWnd, tdd::kHeightOffset, L"10");
    ::SetDlgItemTextW(g.Dlg().m_hWnd, tdd::kRadius, L"1");
    ::SetDlgItemTextW(g.Dlg().m_hWnd, tdd::kElevation, L"0");
    ::SetDlgItemTextW(g.Dlg().m_hWnd, c.id, c.text);
    BoxRecorder user;
    test::ScopedResponder scope(&user);
    const std::wstring said =
        c.field ? std::wstring(L"The field \"") + c.field + L"\" does not hold a number." : L"";
    g.Press(tdd::kToggleList);
    g.Press(tdd::kAdd);
    if (c.field) {
      ASSERT_EQ(user.texts.size(), 1u);
      EXPECT_EQ(user.texts[0], said);
      EXPECT_EQ(g.Rows(), 0);
    } else {
      EXPECT_TRUE(user.texts.empty());
      EXPECT_EQ(g.Rows(), 1);
      continue;
    }
    g.Press(tdd::kToggleList);
    g.Press(IDOK);
    ASSERT_EQ(user.texts.size(), 2u);
    EXPECT_EQ(user.texts[1], said);
    EXPECT_FALSE(g.Dlg().LastOutcome().done);
    EXPECT_TRUE(g.Dlg().LastOutcome().messages.empty());
  }
}

}  // namespace
}  // namespace velk::corvane
