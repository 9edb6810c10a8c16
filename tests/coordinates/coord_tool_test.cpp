// The coordinate tool: its connection point (slots, cookies, firing), and the tool at the host —
// showing its window, the visibility poll, snapping to point features, the events of clicks,
// drags, deactivation and typed points, and callbacks that meet no window.
#include <gtest/gtest.h>

#include "framework/coord_tool_helpers.h"
#include "framework/command_images.h"
#include "tests/coordinates/coord_tool_test_support.h"

namespace velk::corvane {
namespace {

using testing::CoordToolHost;
using testing::EventLog;
using testing::MakeEventLog;

ComPtr<ICommand> MakeLooseTool() {
  ComPtr<ICommand> tool;
  Check(CreateCoordTool(nullptr, IidOf<ICommand>(), tool.put_void()));
  return tool;
}

ComPtr<IConnectionPoint> PointOf(IUnknown* tool) {
  ComPtr<IConnectionPoint> cp;
  Check(QueryAs<IConnectionPointContainer>(tool)->FindConnectionPoint(IidOf<IZelCoordToolEvents>(),
                                                                      cp.put()));
  return cp;
}

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

class CoordToolConnectionTest : public testing::CoordToolTestBase {};

TEST_F(CoordToolConnectionTest, SlotsStartAtFourDoubleWhenFullAndAreUsedAgain) {
  auto tool = MakeLooseTool();
  auto cp = PointOf(tool.get());
  auto& events = static_cast<CoordTool*>(tool.get())->Events();

  IID iid{};
  EXPECT_EQ(cp->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, IidOf<IZelCoordToolEvents>());
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(cp->GetConnectionPointContainer(container.put()), S_OK);
  EXPECT_TRUE(IsSameObject(container.get(), tool.get()));
  ComPtr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IidOf<IZelExtensionEvents>(), other.put()),
            CONNECT_E_NOCONNECTION);

  std::vector<ComPtr<ComObject<EventLog>>> sinks;
  for (int i = 0; i < 5; ++i) sinks.push_back(MakeEventLog());
  for (int i = 0; i < 5; ++i) {
    DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(static_cast<IZelCoordToolEvents*>(sinks[i].get()), &cookie), S_OK);
    EXPECT_EQ(cookie, static_cast<DWORD>(i + 1));
    EXPECT_EQ(events.SlotCount(), i < 4 ? 4u : 8u) << "after sink " << i + 1;
  }
  EXPECT_EQ(cp->Unadvise(2), S_OK);
  struct Refused {
    DWORD cookie;
    const char* why;
  };
  for (const Refused& r : {Refused{0, "cookie 0"}, Refused{2, "emptied slot"},
                           Refused{8, "empty slot at the end"}, Refused{9, "beyond the list"}}) {
    EXPECT_EQ(cp->Unadvise(r.cookie), CONNECT_E_NOCONNECTION) << r.why;
  }
  auto late = MakeEventLog();
  DWORD cookie = 0;
  ASSERT_EQ(cp->Advise(static_cast<IZelCoordToolEvents*>(late.get()), &cookie), S_OK);
  EXPECT_EQ(cookie, 2u) << "the first empty slot";

  ComPtr<IEnumConnections> e;
  ASSERT_EQ(cp->EnumConnections(e.put()), S_OK);
  std::vector<DWORD> cookies;
  CONNECTDATA data[8];
  ULONG fetched = 0;
  EXPECT_EQ(e->Next(8, data, &fetched), S_FALSE);
  for (ULONG i = 0; i < fetched; ++i) {
    cookies.push_back(data[i].dwCookie);
    EXPECT_TRUE(IsSameObject(data[i].pUnk, i == 1 ? late.get() : sinks[i].get()));
    data[i].pUnk->Release();
  }
  EXPECT_EQ(cookies, (std::vector<DWORD>{1, 2, 3, 4, 5}));

  e.Reset();
  container.Reset();
  ULONG held = RefCount(static_cast<IZelCoordToolEvents*>(sinks[0].get()));
  cp.Reset();
  tool.Reset();
  EXPECT_EQ(RefCount(static_cast<IZelCoordToolEvents*>(sinks[0].get())), held - 1)
      << "the tool let its sinks go";
}

TEST_F(CoordToolConnectionTest, AdviseRefusesWhatIsNoSink) {
  auto tool = MakeLooseTool();
  auto cp = PointOf(tool.get());
  DWORD cookie = 77;
  EXPECT_EQ(cp->Advise(nullptr, &cookie), E_POINTER);
  EXPECT_EQ(cookie, 0u);
  auto sink = MakeEventLog();
  EXPECT_EQ(cp->Advise(static_cast<IZelCoordToolEvents*>(sink.get()), nullptr), E_POINTER);
  cookie = 77;
  auto point = host::NewPoint(1, 2);
  EXPECT_EQ(cp->Advise(point.get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(static_cast<CoordTool*>(tool.get())->Events().SlotCount(), 0u) << "nothing was taken";
}

TEST_F(CoordToolConnectionTest, FiringReachesEverySinkAndAnswersTheLastOnesResult) {
  struct Case {
    HRESULT results[3];
    HRESULT expected;
  };
  const Case cases[] = {
      {{S_OK, E_FAIL, S_FALSE}, S_FALSE},
      {{E_FAIL, S_OK, E_UNEXPECTED}, E_UNEXPECTED},
  };
  for (const Case& c : cases) {
    auto tool = MakeLooseTool();
    auto& events = static_cast<CoordTool*>(tool.get())->Events();
    EXPECT_EQ(events.Fire_ToolActivated(), S_OK) << "no sinks";
    std::vector<ComPtr<ComObject<EventLog>>> sinks;
    for (HRESULT r : c.results) {
      sinks.push_back(MakeEventLog());
      sinks.back()->result = r;
      DWORD cookie = 0;
      Check(PointOf(tool.get())
                ->Advise(static_cast<IZelCoordToolEvents*>(sinks.back().get()), &cookie));
    }
    EXPECT_EQ(events.Fire_ToolActivated(), c.expected);
    for (auto& s : sinks) EXPECT_EQ(s->Names(), std::vector<std::string>{"ToolActivated"});
  }
}

TEST_F(CoordToolConnectionTest, ASinkMayUnadviseItselfWhileTheEventGoesRound) {
  auto tool = MakeLooseTool();
  auto cp = PointOf(tool.get());
  auto first = MakeEventLog(), second = MakeEventLog();
  DWORD a = 0, b = 0;
  Check(cp->Advise(static_cast<IZelCoordToolEvents*>(first.get()), &a));
  Check(cp->Advise(static_cast<IZelCoordToolEvents*>(second.get()), &b));
  first->onActivated = [&] { cp->Unadvise(a); };
  EXPECT_EQ(static_cast<CoordTool*>(tool.get())->Events().Fire_ToolActivated(), S_OK);
  EXPECT_EQ(first->Names().size(), 1u);
  EXPECT_EQ(second->Names().size(), 1u) << "the later sink still hears it";
  EXPECT_EQ(static_cast<CoordTool*>(tool.get())->Events().SinkCount(), 1u);
}

TEST_F(CoordToolConnectionTest, TheConnectionPointKeepsItsToolAlive) {
  auto tool = MakeLooseTool();
  auto cp = PointOf(tool.get());
  tool.Reset();
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(cp->GetConnectionPointContainer(container.put()), S_OK);
  EXPECT_TRUE(container);
}

// ---- at the host ----

class CoordToolHostTest : public testing::CoordToolTestBase {
 protected:
  ComPtr<ComObject<EventLog>> Listen() {
    auto log = MakeEventLog();
    DWORD cookie = 0;
    Check(PointOf(static_cast<ICommand*>(&host->Tool()))
              ->Advise(static_cast<IZelCoordToolEvents*>(log.get()), &cookie));
    return log;
  }
};

TEST_F(CoordToolHostTest, ClickShowsTheWindowThenTellsTheListeners) {
  VARIANT_BOOL checked = VARIANT_TRUE;
  EXPECT_EQ(MakeLooseTool()->get_Checked(&checked), S_OK);
  EXPECT_EQ(checked, VARIANT_FALSE) << "no window before the hook";

  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_TRUE(h.Tool().DockableWindow());
  EXPECT_FALSE(h.WindowVisible());
  h.Tool().get_Checked(&checked);
  EXPECT_EQ(checked, VARIANT_FALSE);

  auto log = Listen();
  bool visibleWhenTold = false;
  log->onActivated = [&] { visibleWhenTold = h.WindowVisible(); };
  ASSERT_EQ(item->Execute(), S_OK);
  EXPECT_EQ(log->Names(), std::vector<std::string>{"ToolActivated"});
  EXPECT_TRUE(visibleWhenTold) << "the window is shown first";
  EXPECT_TRUE(IsSameObject(h.CurrentTool().get(), item.get()));
  h.Tool().get_Checked(&checked);
  EXPECT_EQ(checked, VARIANT_TRUE);
}

TEST_F(CoordToolHostTest, WithoutListenersAClickStillShowsTheWindow) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  EXPECT_EQ(item->Execute(), S_OK);
  EXPECT_TRUE(h.WindowVisible());
  EXPECT_EQ(h.Tool().get_Cursor(nullptr), E_POINTER);
  EXPECT_EQ(h.Tool().get_Checked(nullptr), E_POINTER);
  EXPECT_EQ(h.Tool().get_Enabled(nullptr), E_POINTER);
}

TEST_F(CoordToolHostTest, HidingTheWindowLeavesTheHostWithoutTheToolAtTheNextPoll) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  h.MoveMouse(500, 400);
  h.Click(500, 400);
  EXPECT_EQ(win::WindowText(h.Dialog().GetDlgItem(CoordToolDlg::kLatitudeEdit)), L"40.800000");
  auto log = Listen();
  EXPECT_EQ(h.PollEnabled(), VARIANT_TRUE);
  Check(h.Tool().DockableWindow()->Show(VARIANT_FALSE));
  EXPECT_TRUE(h.CurrentTool()) << "nothing happens before the host asks";
  h.PollEnabled();
  EXPECT_FALSE(h.CurrentTool());
  EXPECT_EQ(log->Names(), std::vector<std::string>{"ToolDeactivated"});
  EXPECT_EQ(win::WindowText(h.Dialog().GetDlgItem(CoordToolDlg::kLatitudeEdit)), L"NONE")
      << "the hidden window is cleared";
}

// Another tool of the host (a plain tool that lets itself be deactivated).
class OtherTool : public CToolImpl<OtherTool> {
 public:
  static constexpr UINT kCaptionId = 3222, kTooltipId = 3225, kMessageId = 3223;
  OtherTool() : CToolImpl(3041) {}
  HRESULT get_Enabled(VARIANT_BOOL* e) override {
    *e = VARIANT_TRUE;
    return S_OK;
  }
};

TEST_F(CoordToolHostTest, HidingTheWindowLeavesAnotherCurrentToolAlone) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  auto log = Listen();
  h.PollEnabled();
  ComPtr<ICommandItem> other;
  Check(h.Session().App().Document().Bars().AddItem(
      L"velkTest.Other", 0, MakeObjectPtr<OtherTool, ICommand>().get(), other.put()));
  ASSERT_EQ(other->Execute(), S_OK);
  EXPECT_EQ(log->Names(), std::vector<std::string>{"ToolDeactivated"})
      << "the host deactivated the coordinate tool";
  Check(h.Tool().DockableWindow()->Show(VARIANT_FALSE));
  h.PollEnabled();
  EXPECT_TRUE(IsSameObject(h.CurrentTool().get(), other.get()));
}

TEST_F(CoordToolHostTest, APointFeatureUnderTheMouseBecomesTheSnapTarget) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  h.AddLayer(L"road", kGeometryPolyline, {{-74.6, 40.2, -74.4, 40.2}});
  h.AddLayer(L"hidden", kGeometryPoint, {{-74.8, 40.6}}, false);
  h.AddLayer(L"towns", kGeometryPoint, {{-74.0, 40.5}});
  auto log = Listen();
  HCURSOR cursor = nullptr;
  struct Case {
    double x, y;  // map location of the mouse (plus 1 pixel)
    bool found;
    const char* what;
  };
  const Case cases[] = {
      {-74.0, 40.5, true, "a visible point layer's feature"},
      {-74.5, 40.2, false, "a polyline"},
      {-74.8, 40.6, false, "a hidden layer's point"},
      {-73.2, 41.4, false, "nothing"},
  };
  for (const Case& c : cases) {
    POINT p = h.PixelOf(c.x, c.y);
    h.MoveMouse(p.x + 1, p.y);
    ASSERT_EQ(h.ToolInterface()->OnMouseMove(0, 0, p.x + 1, p.y), S_OK);
    EXPECT_EQ(h.Tool().SnapFound(), c.found) << c.what;
    h.Tool().get_Cursor(&cursor);
    EXPECT_EQ(cursor, c.found ? h.Tool().SnapCursor() : h.Tool().ToolCursor()) << c.what;
    ASSERT_NE(DescribeToolCursor(h.Tool().SnapCursor()), nullptr);
    EXPECT_EQ(DescribeToolCursor(h.Tool().SnapCursor())->id, 3245u);
  }
  EXPECT_TRUE(log->events.empty()) << "moves without the left button tell nobody";
  EXPECT_TRUE(h.Tool().SnapFeature()) << "the feature found last stays held";
}

TEST_F(CoordToolHostTest, AClickNearAPointSnapsToItWithABeep) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  h.AddLayer(L"towns", kGeometryPoint, {{-74.0, 40.5}});
  h.AddLayer(L"wells", kGeometryMultipoint, {{-73.5, 41.0, -73.4, 41.0}});
  auto log = Listen();
  win::ClearUserEvents();
  POINT p = h.PixelOf(-74.0, 40.5);
  h.Click(p.x + 2, p.y - 1);
  POINT q = h.PixelOf(-73.4, 41.0);
  h.Click(q.x - 1, q.y + 1);
  h.Click(50, 50);
  ASSERT_EQ(log->Names(), (std::vector<std::string>{"ActivePointChanged", "ActivePointChanged",
                                                    "ActivePointChanged"}));
  EXPECT_EQ(UserEvents(), (std::vector<win::UserEvent::Kind>{win::UserEvent::Kind::Beep,
                                                             win::UserEvent::Kind::Beep}));
  const auto& snapped = log->events[0];
  EXPECT_DOUBLE_EQ(snapped.map[0], -74.0);
  EXPECT_DOUBLE_EQ(snapped.map[1], 40.5);
  EXPECT_NEAR(snapped.wgs84[0], -74.0, 1e-9);
  EXPECT_NEAR(snapped.datum[1], 40.5, 1e-9);
  EXPECT_DOUBLE_EQ(log->events[1].map[0], -73.4) << "the multipoint's vertex nearest the mouse";
  EXPECT_DOUBLE_EQ(log->events[1].map[1], 41.0);
  EXPECT_NEAR(log->events[2].map[0], -75.0 + 50 * 0.002, 1e-9)
      << "no feature there: the mouse position";
  EXPECT_FALSE(h.Tool().SnapFeature()) << "a click without a snap lets the feature go";
}

TEST_F(CoordToolHostTest, MovesWithTheLeftButtonHeldReportTheLocationUnderTheMouse) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  auto log = Listen();
  for (LONG x : {100, 200, 300}) {
    h.MoveMouse(x, 400);
    ASSERT_EQ(h.ToolInterface()->OnMouseMove(1, 0, x, 400), S_OK);
  }
  ASSERT_EQ(log->events.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(log->events[i].wgs84[0], -75.0 + (i + 1) * 100 * 0.002, 1e-9);
    EXPECT_NEAR(log->events[i].wgs84[1], 40.8, 1e-9);
  }
}

TEST_F(CoordToolHostTest, ChoosingAnotherToolTellsTheListenersTheToolWasDeactivated) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  auto log = Listen();
  VARIANT_BOOL may = VARIANT_FALSE;
  EXPECT_EQ(h.Tool().Deactivate(&may), S_OK);
  EXPECT_EQ(may, VARIANT_TRUE);
  EXPECT_EQ(h.Tool().Deactivate(nullptr), E_POINTER);
  EXPECT_EQ(log->Names(), std::vector<std::string>{"ToolDeactivated"});
}

TEST_F(CoordToolHostTest, ATypedPointIsReportedWithTheWindowsLocation) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  auto log = Listen();
  EXPECT_EQ(h.Tool().NewPointEntered(), S_OK);
  EXPECT_TRUE(log->events.empty()) << "nothing converted yet: nothing to report";
  h.MoveMouse(500, 400);
  h.Click(500, 400);
  EXPECT_EQ(h.Tool().NewPointEntered(), S_OK);
  ASSERT_EQ(log->Names(), (std::vector<std::string>{"ActivePointChanged", "NewPointEntered"}));
  EXPECT_NEAR(log->events[1].wgs84[0], -74.0, 1e-9);
  EXPECT_NEAR(log->events[1].map[1], 40.8, 1e-9);
}

TEST_F(CoordToolHostTest, AClickTheWindowCannotShowReportsTheLocationShownLast) {
  auto& h = StartHost();
  auto item = h.CreateTool();
  ASSERT_EQ(item->Execute(), S_OK);
  h.Click(500, 400);
  auto log = Listen();
  h.SetMapReference(4258);  // a geographic system the datum table does not hold
  win::ClearUserEvents();
  h.Click(600, 300);
  ASSERT_EQ(log->Names(), std::vector<std::string>{"ActivePointChanged"});
  EXPECT_NEAR(log->events[0].wgs84[0], -74.0, 1e-9);
  ASSERT_EQ(UserEvents(), std::vector<win::UserEvent::Kind>{win::UserEvent::Kind::MessageBox});
  const auto& box = win::UserEvents()[0];
  EXPECT_EQ(box.caption, L"Error");
  EXPECT_NE(
      box.text.find(L"this Geographic Coordinate System which is in the map is not \n supported"),
      std::wstring::npos)
      << ToUtf8(box.text);
  EXPECT_EQ(box.text.find(L"ETRS89"), 0u) << ToUtf8(box.text);
}

TEST_F(CoordToolHostTest, CallbacksThatMeetNoWindowAnswerAFailure) {
  auto tool = MakeLooseTool();
  auto asTool = QueryAs<ITool>(tool.get());
  EXPECT_TRUE(FAILED(tool->OnClick()));
  EXPECT_TRUE(FAILED(asTool->OnMouseMove(1, 0, 5, 5)));
  EXPECT_TRUE(FAILED(asTool->OnMouseUp(1, 0, 5, 5)));
  EXPECT_EQ(QueryAs<IZelCoordTool>(tool.get())->NewPointEntered(), S_OK);
  auto& h = StartHost();
  // A hook without a dockable-window manager: the tool is created and has no window.
  ComPtr<ICommand> loose = MakeLooseTool();
  EXPECT_EQ(loose->OnCreate(h.MapDocument().get()), S_OK);
  EXPECT_FALSE(static_cast<CoordTool*>(loose.get())->DockableWindow());
}

TEST_F(CoordToolHostTest, TheGlobeHostShowsTheWindowAndSnapsToNothing) {
  auto& h = StartHost(host::HostKind::Globe);
  auto item = h.CreateTool();
  auto log = Listen();
  ASSERT_EQ(item->Execute(), S_OK);
  EXPECT_TRUE(h.WindowVisible());
  EXPECT_TRUE(h.Dialog().IsGlobeHost());
  EXPECT_FALSE(::IsWindowEnabled(h.Dialog().GetDlgItem(CoordToolDlg::kDrawPointCheck)))
      << "nothing is drawn on a globe";
  EXPECT_EQ(h.ToolInterface()->OnMouseMove(0, 0, 10, 10), S_OK);
  EXPECT_FALSE(h.Tool().SnapFound());
  EXPECT_EQ(h.ToolInterface()->OnMouseUp(1, 0, 10, 10), S_OK);
  EXPECT_EQ(log->Names(), (std::vector<std::string>{"ToolActivated", "ActivePointChanged"}))
      << "the window locates the click on the globe itself";
}

}  // namespace
}  // namespace velk::corvane
