// The coordinate tool in the globe host: the live readout of the camera's observer (checked
// against the coordinate engine), a click on the globe located through the globe display and
// reported to the listeners with its three points, and Convert with centring, which moves the
// camera onto the converted point.
#include <gtest/gtest.h>

#include "framework/numeric_helpers.h"
#include "platform/host/display/globe_display.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/user_input.h"
#include "tests/coordinates/coord_tool_test_support.h"
#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

using productline::ConvertedLocation;
using productline::CoordinateEngine;
using productline::GeoPoint;
using testing::EventLog;
using testing::MakeEventLog;

std::wstring Fixed6(double v) {
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.6f", v);
  return buf;
}

class CoordToolGlobeTest : public testing::CoordToolTestBase {
 protected:
  // A globe host whose coordinate tool has been clicked (its window shown, the tool current).
  testing::CoordToolHost& Open() {
    auto& h = StartHost(host::HostKind::Globe);
    auto item = h.CreateTool();
    EXPECT_EQ(item->Execute(), S_OK);
    return h;
  }
  CoordToolDlg& Dlg() { return host->Dialog(); }
  HWND Item(int id) { return Dlg().GetDlgItem(id); }
  std::wstring Text(int id) { return win::WindowText(Item(id)); }
  void Type(int id, const std::wstring& text) {
    ASSERT_EQ(win::user::SetEditText(Item(id), text), L"");
  }
  void Press(int id) { ASSERT_EQ(win::user::ClickButton(Item(id)), L""); }
  void PickDatum(int index) {
    ASSERT_EQ(win::user::SelectComboItem(Item(CoordToolDlg::kDatumList), index), L"");
  }
  ComPtr<IGlobeDisplay> Display() {
    ComPtr<IGlobe> globe;
    Check(QueryAs<IGlobeDocument>(host->Session().Document().get())->get_Globe(globe.put()));
    ComPtr<IGlobeDisplay> display;
    Check(globe->get_GlobeDisplay(display.put()));
    return display;
  }
  ComPtr<IGlobeCamera> Camera() {
    ComPtr<IGlobeViewer> viewer;
    Check(Display()->get_ActiveViewer(viewer.put()));
    ComPtr<ICamera> camera;
    Check(viewer->get_Camera(camera.put()));
    return camera.Query<IGlobeCamera>();
  }
  LONG Refreshes() {
    LONG n = 0;
    Display()->get_RefreshCount(&n);
    return n;
  }
  ComPtr<ComObject<EventLog>> Listen() {
    auto log = MakeEventLog();
    DWORD cookie = 0;
    Check(host->Tool().Events().Advise(static_cast<IZelCoordToolEvents*>(log.get()), &cookie));
    return log;
  }
  // Latitude and longitude fields and the MGRS text, as the engine gives them for a location.
  void ExpectFieldsShow(const ConvertedLocation& r, const std::string& what) {
    testing::MgrsParser mgrs;
    bool valid = false;
    EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), Fixed6(r.datum.lat)) << what;
    EXPECT_EQ(Text(CoordToolDlg::kLongitudeEdit), Fixed6(r.datum.lon)) << what;
    EXPECT_EQ(Text(CoordToolDlg::kMgrsEdit), mgrs.Parse(r.mgrs, valid)) << what;
  }

  CoordinateEngine engine_;
};

TEST_F(CoordToolGlobeTest, TheReadoutShowsTheCameraObserverWhileAnotherToolIsCurrent) {
  auto& h = Open();
  auto camera = Camera();
  // While the coordinate tool is current the fields hold still for its clicks.
  ASSERT_EQ(camera->SetObserverLatLonAlt(48.8566, 2.3522, 350.0), S_OK);
  win::RunFor(100);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");

  Check(h.App()->put_CurrentTool(nullptr));
  struct Case {
    double lat, lon;
    int datum;
  };
  // Datum 0 WGS 84, 110 a North American 1927 entry; a southern and a western place too.
  const Case cases[] = {{48.8566, 2.3522, 0},
                        {-33.8688, 151.2093, 0},
                        {40.7128, -74.0060, 110},
                        {64.1466, -21.9426, 1}};
  for (const Case& c : cases) {
    if (c.datum != Dlg().CurrentDatumIndex()) PickDatum(c.datum);
    ASSERT_EQ(camera->SetObserverLatLonAlt(c.lat, c.lon, 350.0), S_OK);
    win::RunFor(50);
    ConvertedLocation r;
    ASSERT_EQ(engine_.ConvertPoint(GeoPoint{c.lon, c.lat}, 0, c.datum, &r), S_OK);
    ExpectFieldsShow(r, "observer " + std::to_string(c.lat) + "," + std::to_string(c.lon));
  }
  EXPECT_FALSE(Dlg().Marker()) << "nothing is drawn on a globe";
}

TEST_F(CoordToolGlobeTest, AClickOnTheGlobeReportsTheSurfacePointWithItsThreePoints) {
  auto& h = Open();
  auto log = Listen();
  auto camera = Camera();
  // The view centred on Rome, seen from 1000 km above it.
  ASSERT_EQ(camera->SetObserverLatLonAlt(41.9, 12.5, 1000.0), S_OK);
  ASSERT_EQ(camera->SetTargetLatLonAlt(41.9, 12.5, 0.0), S_OK);
  const double step = host::GlobeDegreesPerPixel(1000.0);
  PickDatum(110);

  struct Case {
    LONG x, y;
  };
  const Case cases[] = {{500, 400}, {650, 400}, {500, 100}, {0, 799}};
  for (const Case& c : cases) {
    log->events.clear();
    ASSERT_EQ(h.ToolInterface()->OnMouseUp(1, 0, c.x, c.y), S_OK);
    std::string what = "pixel " + std::to_string(c.x) + "," + std::to_string(c.y);
    GeoPoint hit{RoundToDecimals(12.5 + (c.x - 500) * step, 6),
                 RoundToDecimals(41.9 + (400 - c.y) * step, 6)};
    ConvertedLocation r;
    ASSERT_EQ(engine_.ConvertPoint(hit, 0, 110, &r), S_OK);
    ExpectFieldsShow(r, what);
    ASSERT_EQ(log->Names(), std::vector<std::string>{"ActivePointChanged"}) << what;
    const auto& e = log->events[0];
    EXPECT_NEAR(e.wgs84[0], hit.lon, 1e-9) << what;
    EXPECT_NEAR(e.wgs84[1], hit.lat, 1e-9) << what;
    EXPECT_NEAR(e.datum[0], r.datum.lon, 1e-9) << what;
    EXPECT_NEAR(e.datum[1], r.datum.lat, 1e-9) << what;
    EXPECT_GT(std::abs(e.datum[1] - e.wgs84[1]) + std::abs(e.datum[0] - e.wgs84[0]), 1e-6)
        << "another datum";
    EXPECT_NEAR(e.map[0], hit.lon, 1e-9) << "the globe point itself: " << what;
    EXPECT_NEAR(e.map[1], hit.lat, 1e-9) << what;
  }

  // A drag with the left button held is handled as a click.
  log->events.clear();
  ASSERT_EQ(h.ToolInterface()->OnMouseMove(1, 0, 520, 380), S_OK);
  ASSERT_EQ(log->Names(), std::vector<std::string>{"ActivePointChanged"});
  EXPECT_NEAR(log->events[0].wgs84[0], RoundToDecimals(12.5 + 20 * step, 6), 1e-9);

  // Off the globe (beyond the frame, or past a pole) nothing is located: the fields keep the
  // location shown last, which the event still carries.
  ASSERT_EQ(camera->SetObserverLatLonAlt(89.0, 0.0, 20000.0), S_OK);
  ASSERT_EQ(camera->SetTargetLatLonAlt(89.0, 0.0, 0.0), S_OK);
  std::wstring before = Text(CoordToolDlg::kLatitudeEdit);
  for (const Case& off : {Case{500, 10}, Case{1000, 400}, Case{-1, 400}}) {
    log->events.clear();
    ASSERT_EQ(h.ToolInterface()->OnMouseUp(1, 0, off.x, off.y), S_OK);
    EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), before);
    ASSERT_EQ(log->Names(), std::vector<std::string>{"ActivePointChanged"});
    EXPECT_NEAR(log->events[0].wgs84[0], RoundToDecimals(12.5 + 20 * step, 6), 1e-9);
  }
}

TEST_F(CoordToolGlobeTest, ConvertWithCentringMovesTheCameraOntoThePoint) {
  Open();
  auto log = Listen();
  auto camera = Camera();
  ASSERT_EQ(camera->SetObserverLatLonAlt(10.0, 20.0, 750.0), S_OK);
  ASSERT_EQ(camera->SetTargetLatLonAlt(11.0, 21.0, 0.0), S_OK);

  // Without the centre box the camera stays.
  Type(CoordToolDlg::kMgrsEdit, L"18TWL8562811322");
  Press(CoordToolDlg::kConvertButton);
  double lat = 0, lon = 0, alt = 0;
  camera->GetObserverLatLonAlt(&lat, &lon, &alt);
  EXPECT_EQ(lat, 10.0);
  EXPECT_EQ(lon, 20.0);

  ::SendMessageW(Item(CoordToolDlg::kCenterCheck), BM_SETCHECK, BST_CHECKED, 0);
  log->events.clear();
  LONG refreshes = Refreshes();
  Type(CoordToolDlg::kMgrsEdit, L"33TTG9171941574");
  Press(CoordToolDlg::kConvertButton);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertText(L"33TTG9171941574", 4, 0, 0, &r), S_OK);
  ExpectFieldsShow(r, "MGRS 33TTG9171941574");

  camera->GetObserverLatLonAlt(&lat, &lon, &alt);
  EXPECT_NEAR(lat, r.wgs84.lat, 1e-12);
  EXPECT_NEAR(lon, r.wgs84.lon, 1e-12);
  EXPECT_EQ(alt, 750.0) << "the altitude is kept";
  camera->GetTargetLatLonAlt(&lat, &lon, &alt);
  EXPECT_NEAR(lat, r.wgs84.lat, 1e-12) << "the view is centred on the point";
  EXPECT_NEAR(lon, r.wgs84.lon, 1e-12);
  EXPECT_EQ(alt, 0.0);
  EXPECT_EQ(Refreshes(), refreshes + 1) << "the viewers are redrawn";
  ASSERT_EQ(log->Names(), std::vector<std::string>{"NewPointEntered"});
  EXPECT_NEAR(log->events[0].wgs84[1], r.wgs84.lat, 1e-12);
  EXPECT_NEAR(log->events[0].map[0], r.wgs84.lon, 1e-12) << "the globe is on WGS 84";
  EXPECT_NEAR(log->events[0].map[1], r.wgs84.lat, 1e-12);

  // The centre of the viewer now shows the converted point.
  ComPtr<IPoint> centre;
  ASSERT_EQ(Display()->Locate(500, 400, centre.put()), S_OK);
  double x = 0, y = 0;
  centre->QueryCoords(&x, &y);
  EXPECT_NEAR(x, r.wgs84.lon, 1e-12);
  EXPECT_NEAR(y, r.wgs84.lat, 1e-12);
}

}  // namespace
}  // namespace velk::corvane
