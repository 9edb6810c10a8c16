// The coordinate tool dialog inside its dockable window: the live readout on the test clock
// (checked against the coordinate engine itself), map clicks with the marker, typed locations
// and Convert, datum changes, bad input, projected maps, the engine missing, and the window's
// own interface.
#include <gtest/gtest.h>

#include <GeographicLib/UTMUPS.hpp>

#include "framework/coord_tool_helpers.h"
#include "framework/numeric_helpers.h"
#include "platform/com/safearray.h"
#include "platform/com/text.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/locale_source.h"
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

// The product line's engine seen through a wrapper that counts conversions, remembers the
// datums asked for, and can offer a datum list of its own.
class WrappedEngine : public ComObjectRoot<WrappedEngine, ICoordinateTool> {
 public:
  static inline int conversions = 0;
  static inline LONG lastFrom = -1, lastTo = -1;
  static inline LONG lowerBound = 0;
  static inline std::vector<std::wstring> names;  // empty: the engine's own list

  HRESULT FinalConstruct() {
    return productline::CreateCoordinateToolObject(nullptr, IidOf<ICoordinateTool>(),
                                                   real_.put_void());
  }
  HRESULT GetDatumList(SAFEARRAY** datums) override {
    if (names.empty()) return real_->GetDatumList(datums);
    *datums = SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
      LONG index = lowerBound + static_cast<LONG>(i);
      Bstr name(names[i]);
      SafeArrayPutElement(*datums, &index, name.get());
    }
    return S_OK;
  }
  HRESULT GetDatumEllipsoid(VARIANT datum, BSTR* ellipsoid) override {
    return real_->GetDatumEllipsoid(datum, ellipsoid);
  }
  HRESULT ConvertLocation(VARIANT value, INT format, VARIANT from, VARIANT to, IPoint** w,
                          IPoint** d, BSTR* dms, BSTR* utm, BSTR* mgrs) override {
    ++conversions;
    lastFrom = from.lVal;
    lastTo = to.lVal;
    return real_->ConvertLocation(value, format, from, to, w, d, dms, utm, mgrs);
  }

 private:
  ComPtr<ICoordinateTool> real_;
};

HRESULT NoEngine(IUnknown*, REFIID, void** ppv) {
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

// The texts the dialog shows for a location, as the engine and the parsers make them.
struct Expected {
  std::wstring lat, lon, dms, utm, mgrs;
};

std::wstring Fixed6(double v) {
  wchar_t buf[64];
  std::swprintf(buf, 64, L"%.6f", v);
  return buf;
}

Expected FromEngine(const ConvertedLocation& r) {
  testing::DmsParser dms;
  testing::UtmParser utm;
  testing::MgrsParser mgrs;
  bool valid = false;
  Expected e;
  e.lat = Fixed6(r.datum.lat);
  e.lon = Fixed6(r.datum.lon);
  e.dms = dms.Parse(r.dms, valid);
  e.utm = utm.Parse(r.utm, valid);
  e.mgrs = mgrs.Parse(r.mgrs, valid);
  return e;
}

class CoordToolDlgTest : public testing::CoordToolTestBase {
 protected:
  void SetUp() override {
    CoordToolTestBase::SetUp();
    WrappedEngine::conversions = 0;
    WrappedEngine::lowerBound = 0;
    WrappedEngine::names.clear();
  }
  void TearDown() override {
    CoordToolTestBase::TearDown();
    if (engineCookie_) RevokeProcessClass(engineCookie_);
  }
  // A map host whose coordinate tool has been clicked (its window shown).
  testing::CoordToolHost& Open(CreatorFn engine = &CreateInstance<WrappedEngine>,
                               host::HostKind kind = host::HostKind::Map) {
    auto& h = StartHost(kind);
    engineCookie_ = RegisterProcessClass(productline::CLSID_CoordinateTool, engine);
    auto item = h.CreateTool();
    EXPECT_EQ(item->Execute(), S_OK);
    return h;
  }
  CoordToolDlg& Dlg() { return host->Dialog(); }
  HWND Item(int id) { return Dlg().GetDlgItem(id); }
  std::wstring Text(int id) { return win::WindowText(Item(id)); }
  Expected Shown() {
    return {Text(CoordToolDlg::kLatitudeEdit), Text(CoordToolDlg::kLongitudeEdit),
            Text(CoordToolDlg::kDmsEdit), Text(CoordToolDlg::kUtmEdit),
            Text(CoordToolDlg::kMgrsEdit)};
  }
  void ExpectShown(const Expected& e, const std::string& what) {
    Expected s = Shown();
    EXPECT_EQ(s.lat, e.lat) << what;
    EXPECT_EQ(s.lon, e.lon) << what;
    EXPECT_EQ(s.dms, e.dms) << what;
    EXPECT_EQ(s.utm, e.utm) << what;
    EXPECT_EQ(s.mgrs, e.mgrs) << what;
  }
  bool ConvertEnabled() { return ::IsWindowEnabled(Item(CoordToolDlg::kConvertButton)); }
  void Type(int id, const std::wstring& text) {
    ASSERT_EQ(win::user::SetEditText(Item(id), text), L"");
  }
  void Press(int id) { ASSERT_EQ(win::user::ClickButton(Item(id)), L""); }
  void PickDatum(int index) {
    ASSERT_EQ(win::user::SelectComboItem(Item(CoordToolDlg::kDatumList), index), L"");
  }
  ComPtr<ComObject<EventLog>> Listen() {
    auto log = MakeEventLog();
    DWORD cookie = 0;
    Check(host->Tool().Events().Advise(static_cast<IZelCoordToolEvents*>(log.get()), &cookie));
    return log;
  }
  LONG GraphicsCount() {
    LONG n = 0;
    QueryAs<IGraphicsContainer>(host->Map().get())->get_ElementCount(&n);
    return n;
  }

  DWORD engineCookie_ = 0;
  CoordinateEngine engine_;
};

TEST_F(CoordToolDlgTest, TheReadoutFollowsTheMouseEvery50msAndAgreesWithTheEngine) {
  auto& h = Open();
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
  struct Case {
    LONG x, y;
    int datum;
  };
  // Pixels over 75 W - 73 W, 40 N - 41.6 N; datum 0 WGS 84, 110 a North American 1927 entry.
  const Case cases[] = {{0, 0, 0}, {500, 400, 0}, {999, 799, 0}, {123, 456, 110}, {877, 31, 1}};
  for (const Case& c : cases) {
    if (c.datum != Dlg().CurrentDatumIndex()) PickDatum(c.datum);
    h.MoveMouse(c.x, c.y);
    win::RunFor(49);
    Expected before = Shown();
    win::RunFor(1);
    GeoPoint p{-75.0 + c.x * 0.002, 41.6 - c.y * 0.002};
    p.lon = RoundToDecimals(p.lon, 6);
    p.lat = RoundToDecimals(p.lat, 6);
    ConvertedLocation r;
    ASSERT_EQ(engine_.ConvertPoint(p, 0, c.datum, &r), S_OK);
    Expected e = FromEngine(r);
    ExpectShown(e, "pixel " + std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_NE(before.lat + before.lon, e.lat + e.lon) << "shown on the tick, not before";
  }
  EXPECT_EQ(Text(CoordToolDlg::kEllipsoidEdit), L"WGS 72");
}

TEST_F(CoordToolDlgTest, ALocationThatStaysWhereItWasShownConvertsNothing) {
  auto& h = Open();
  h.MoveMouse(321, 123);
  win::RunFor(50);
  int after = WrappedEngine::conversions;
  EXPECT_EQ(after, 1);
  win::RunFor(500);
  EXPECT_EQ(WrappedEngine::conversions, after) << "the rounded location equals the one shown";
  h.MoveMouse(322, 123);
  win::RunFor(50);
  EXPECT_EQ(WrappedEngine::conversions, after + 1);
}

TEST_F(CoordToolDlgTest, DrawingPointsPausesTheReadoutAndKeepsOneMarker) {
  auto& h = Open();
  Press(CoordToolDlg::kDrawPointCheck);
  ASSERT_EQ(::SendMessageW(Item(CoordToolDlg::kDrawPointCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
  h.MoveMouse(100, 100);
  win::RunFor(200);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE") << "the readout holds still";
  h.Click(100, 100);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"41.400000");
  EXPECT_EQ(GraphicsCount(), 1);
  ComPtr<IElement> first(Dlg().Marker());
  h.Click(300, 300);
  EXPECT_EQ(GraphicsCount(), 1) << "the marker moves";
  ComPtr<IGeometry> g;
  Dlg().Marker()->get_Geometry(g.put());
  double x = 0, y = 0;
  g.Query<IPoint>()->QueryCoords(&x, &y);
  EXPECT_NEAR(x, -74.4, 1e-9);
  EXPECT_NEAR(y, 41.0, 1e-9);
  ComPtr<IElement> second(Dlg().Marker());
  int conversions = WrappedEngine::conversions;
  h.Click(300, 300);
  EXPECT_EQ(Dlg().Marker(), second.get()) << "a click where the last one was draws nothing";
  EXPECT_EQ(WrappedEngine::conversions, conversions);
  Press(CoordToolDlg::kDrawPointCheck);
  EXPECT_EQ(GraphicsCount(), 0);
  EXPECT_FALSE(Dlg().Marker());
  h.MoveMouse(600, 600);
  win::RunFor(50);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"40.400000") << "the readout runs again";
}

TEST_F(CoordToolDlgTest, ConvertingATypedMgrsTextFillsEveryNotationAndTellsTheListeners) {
  auto& h = Open();
  auto log = Listen();
  Type(CoordToolDlg::kMgrsEdit, L"18TWL85X");
  EXPECT_FALSE(ConvertEnabled()) << "no reference";
  Type(CoordToolDlg::kMgrsEdit, L"18TWL8562811322");
  EXPECT_TRUE(ConvertEnabled());
  EXPECT_EQ(Dlg().LastEditedField(), CoordToolDlg::kMgrsEdit);
  Press(CoordToolDlg::kConvertButton);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertText(L"18TWL8562811322", 4, 0, 0, &r), S_OK);
  ExpectShown(FromEngine(r), "MGRS 18TWL8562811322");
  EXPECT_FALSE(ConvertEnabled());
  ASSERT_EQ(log->Names(), std::vector<std::string>{"NewPointEntered"});
  EXPECT_NEAR(log->events[0].wgs84[0], r.wgs84.lon, 1e-12);
  EXPECT_NEAR(log->events[0].wgs84[1], r.wgs84.lat, 1e-12);
  EXPECT_NEAR(log->events[0].map[0], r.wgs84.lon, 1e-12) << "the map is on WGS 84";
  ComPtr<IStatusBar> bar;
  h.App()->get_StatusBar(bar.put());
  Bstr status;
  bar->get_Message(0, &status);
  EXPECT_EQ(status.str(), r.mgrs);
}

TEST_F(CoordToolDlgTest, ConvertReadsEachNotationOnTheChosenDatum) {
  Open();
  PickDatum(110);
  // The engine's own texts of three places on that datum (its MGRS uses the older row letters).
  ConvertedLocation places[3];
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(engine_.ConvertPoint(GeoPoint{-73.9 + i * 0.3, 40.7 - i * 0.2}, 110, 110, &places[i]),
              S_OK);
  struct Case {
    int field;
    std::wstring text;
    int format;
  };
  const Case cases[] = {
      {CoordToolDlg::kDmsEdit, places[0].dms, 2},
      {CoordToolDlg::kUtmEdit, places[1].utm, 3},
      {CoordToolDlg::kMgrsEdit, places[2].mgrs, 4},
  };
  for (const Case& c : cases) {
    Type(c.field, c.text);
    Press(CoordToolDlg::kConvertButton);
    ConvertedLocation r;
    ASSERT_EQ(engine_.ConvertText(c.text, c.format, 110, 110, &r), S_OK) << c.format;
    ExpectShown(FromEngine(r), std::string(c.text.begin(), c.text.end()));
    EXPECT_EQ(WrappedEngine::lastFrom, 110);
    EXPECT_EQ(WrappedEngine::lastTo, 110);
  }
  Type(CoordToolDlg::kLatitudeEdit, L" 40.25 ");
  Type(CoordToolDlg::kLongitudeEdit, L"-73.5");
  Press(CoordToolDlg::kConvertButton);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertPoint(GeoPoint{-73.5, 40.25}, 110, 110, &r), S_OK);
  ExpectShown(FromEngine(r), "degrees");
}

TEST_F(CoordToolDlgTest, LatitudeOrLongitudeThatIsNoNumberIsAnInputError) {
  Open();
  auto log = Listen();
  struct Case {
    std::wstring lat, lon;
    int flagged;
  };
  const Case cases[] = {
      {L"NONE", L"-74",
       CoordToolDlg::kLatitudeEdit},  // what Clear leaves (the edits are upper case)
      {L"40.5", L"12ABC", CoordToolDlg::kLongitudeEdit},
      {L"4O.5", L"NONE", CoordToolDlg::kLongitudeEdit},  // the longitude is read first
  };
  for (const Case& c : cases) {
    Type(CoordToolDlg::kLatitudeEdit, c.lat);
    Type(CoordToolDlg::kLongitudeEdit, c.lon);
    ASSERT_TRUE(ConvertEnabled());
    win::ClearUserEvents();
    int conversions = WrappedEngine::conversions;
    Press(CoordToolDlg::kConvertButton);
    EXPECT_EQ(WrappedEngine::conversions, conversions) << "nothing undefined is converted";
    EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), c.lat);
    ASSERT_FALSE(win::UserEvents().empty());
    EXPECT_EQ(win::UserEvents()[0].kind, win::UserEvent::Kind::Flash);
    EXPECT_EQ(GetDlgCtrlID(win::UserEvents()[0].window), c.flagged);
    EXPECT_EQ(win::UserEvents().back().kind, win::UserEvent::Kind::Beep);
  }
  EXPECT_TRUE(log->events.empty());
}

// Texts the DMS pattern accepts but the formatter cannot show as a location (degrees with too
// many digits, seconds that carry the degrees to 100, a display text past 39 characters): the
// edit shows its mask and nothing is converted, drawn or announced.
TEST_F(CoordToolDlgTest, ATextTheParserCannotReadIsNeverConverted) {
  Open();
  auto log = Listen();
  Dlg().SendMessage(WM_COMMAND, MAKEWPARAM(CoordToolDlg::kDrawPointCheck, BN_CLICKED), 0);
  const std::wstring mask = Dlg().m_dms.m_formatter.Template();
  const std::wstring cases[] = {
      L"12345678 1",                                 // degrees 1234 in a latitude
      L"99.99999999N 1E",                            // the seconds carry the degrees to 100
      L"010203.123456789012345678901234N 0010203E",  // past 39 characters
  };
  for (const std::wstring& text : cases) {
    testing::DmsParser parser;
    bool valid = true;
    parser.Parse(text, valid);
    ASSERT_FALSE(valid) << "not a refused text: " << ToUtf8(text);
    Type(CoordToolDlg::kDmsEdit, text);
    EXPECT_FALSE(ConvertEnabled()) << "Convert is not offered for an unreadable text";
    EXPECT_EQ(Dlg().LastEditedField(), CoordToolDlg::kDmsEdit);
    // A datum change offers Convert again with the DMS field still the last edited one.
    PickDatum(1);
    ASSERT_TRUE(ConvertEnabled());
    int conversions = WrappedEngine::conversions;
    std::wstring latitude = Text(CoordToolDlg::kLatitudeEdit);
    win::ClearUserEvents();
    Press(CoordToolDlg::kConvertButton);
    EXPECT_EQ(WrappedEngine::conversions, conversions) << "the mask is no location";
    EXPECT_EQ(Text(CoordToolDlg::kDmsEdit), mask);
    EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), latitude);
    EXPECT_FALSE(ConvertEnabled());
    ASSERT_FALSE(win::UserEvents().empty());
    EXPECT_EQ(win::UserEvents()[0].kind, win::UserEvent::Kind::Flash);
    EXPECT_EQ(GetDlgCtrlID(win::UserEvents()[0].window), CoordToolDlg::kDmsEdit);
    PickDatum(0);
  }
  EXPECT_TRUE(log->events.empty());
  EXPECT_EQ(GraphicsCount(), 0);
}

TEST_F(CoordToolDlgTest, ALocationTheEngineRefusesIsNotPassedOn) {
  Open();
  auto log = Listen();
  Type(CoordToolDlg::kLatitudeEdit, L"95");
  Type(CoordToolDlg::kLongitudeEdit, L"10");
  win::ClearUserEvents();
  Press(CoordToolDlg::kConvertButton);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
  EXPECT_TRUE(log->events.empty());
  ASSERT_FALSE(win::UserEvents().empty());
  EXPECT_EQ(win::UserEvents()[0].kind, win::UserEvent::Kind::Flash);
}

TEST_F(CoordToolDlgTest, ADatumChangeConvertsTheShownLatitudeAndLongitude) {
  auto& h = Open();
  h.MoveMouse(500, 400);  // 74 W, 40.8 N
  win::RunFor(50);
  PickDatum(110);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertPoint(GeoPoint{-74.0, 40.8}, 0, 110, &r), S_OK);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), Fixed6(r.datum.lat));
  EXPECT_EQ(Text(CoordToolDlg::kLongitudeEdit), Fixed6(r.datum.lon));
  std::wstring ellipsoid;
  engine_.GetDatumEllipsoid(110, &ellipsoid);
  EXPECT_EQ(Text(CoordToolDlg::kEllipsoidEdit), ellipsoid);
  EXPECT_EQ(Dlg().CurrentDatumIndex(), 110);
  EXPECT_EQ(WTL::CToolTipCtrl(Dlg().ToolTipWindow()).GetText(Item(CoordToolDlg::kDatumList)),
            Dlg().DatumNames()[110]);
  EXPECT_TRUE(ConvertEnabled());

  // Back to WGS 84 from the shown (NAD 27) values.
  PickDatum(0);
  ConvertedLocation back;
  ASSERT_EQ(
      engine_.ConvertPoint(GeoPoint{std::stod(Fixed6(r.datum.lon)), std::stod(Fixed6(r.datum.lat))},
                           110, 0, &back),
      S_OK);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), Fixed6(back.datum.lat));
}

TEST_F(CoordToolDlgTest, ADatumChangeAfterClearConvertsNothingUndefined) {
  Open();
  Press(CoordToolDlg::kClearButton);
  win::ClearUserEvents();
  PickDatum(5);
  EXPECT_EQ(WrappedEngine::conversions, 0);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
  EXPECT_EQ(Dlg().CurrentDatumIndex(), 5) << "the datum applies to what is typed next";
  ASSERT_FALSE(win::UserEvents().empty());
  EXPECT_EQ(win::UserEvents()[0].kind, win::UserEvent::Kind::Flash);

  // Empty fields are the point (0, 0).
  Type(CoordToolDlg::kLatitudeEdit, L"");
  Type(CoordToolDlg::kLongitudeEdit, L"");
  PickDatum(6);
  EXPECT_EQ(WrappedEngine::conversions, 1);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertPoint(GeoPoint{0, 0}, 5, 6, &r), S_OK);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), Fixed6(r.datum.lat));
}

TEST_F(CoordToolDlgTest, TheDatumListKeepsTheEnginesOrderWhateverItsLowerBound) {
  WrappedEngine::lowerBound = 5;
  WrappedEngine::names = {L"Zeta datum", L"Alpha datum", L"WGS 72"};
  auto& h = Open();
  WTL::CComboBox list(Item(CoordToolDlg::kDatumList));
  ASSERT_EQ(list.GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    std::wstring text;
    list.GetLBText(i, text);
    EXPECT_EQ(text, WrappedEngine::names[i]);
  }
  EXPECT_EQ(list.GetCurSel(), 0);
  PickDatum(2);
  h.MoveMouse(10, 10);
  win::RunFor(50);
  EXPECT_EQ(WrappedEngine::lastTo, 2) << "entry i is datum number i";
}

TEST_F(CoordToolDlgTest, ClearShowsNoneAndTheMasksAndTakesTheMarkerAway) {
  auto& h = Open();
  Press(CoordToolDlg::kDrawPointCheck);
  h.Click(500, 400);
  ASSERT_EQ(GraphicsCount(), 1);
  Press(CoordToolDlg::kClearButton);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
  EXPECT_EQ(Text(CoordToolDlg::kLongitudeEdit), L"NONE");
  EXPECT_EQ(Text(CoordToolDlg::kMgrsEdit), Dlg().m_mgrs.m_formatter.Template());
  EXPECT_EQ(Text(CoordToolDlg::kDmsEdit), Dlg().m_dms.m_formatter.Template());
  EXPECT_EQ(Text(CoordToolDlg::kUtmEdit), Dlg().m_utm.m_formatter.Template());
  EXPECT_EQ(GraphicsCount(), 0);
  EXPECT_FALSE(ConvertEnabled());
}

TEST_F(CoordToolDlgTest, WithoutTheEngineEveryControlIsDisabled) {
  auto& h = Open(&NoEngine);
  for (int id : {3670, 3006, 3515, 3513, 3556, 3074, 3089, 3106, 3109, 3110, 3080})
    EXPECT_FALSE(::IsWindowEnabled(Item(id))) << id;
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
  EXPECT_EQ(Text(CoordToolDlg::kMgrsEdit), L"00I II 0000000000");
  auto log = Listen();
  h.Click(500, 400);
  EXPECT_TRUE(log->events.empty()) << "the window has no location to tell";
  auto point = host::NewPoint();
  EXPECT_EQ(h.Dockable().QueryCurrentLocation(point.get(), point.get(), point.get()), E_FAIL);
}

TEST_F(CoordToolDlgTest, AProjectedMapIsReadAndWrittenInItsOwnUnits) {
  auto& h = Open();
  h.SetMapReference(32618);                               // UTM zone 18 N on WGS 84
  h.SetExtent(500000.0, 4400000.0, 600000.0, 4480000.0);  // 100 m a pixel
  auto log = Listen();
  h.Click(250, 400);  // 525000 E, 4440000 N
  double lat = 0, lon = 0;
  GeographicLib::UTMUPS::Reverse(18, true, 525000.0, 4440000.0, lat, lon);
  ASSERT_EQ(log->events.size(), 1u);
  EXPECT_NEAR(log->events[0].wgs84[0], lon, 1e-6);
  EXPECT_NEAR(log->events[0].wgs84[1], lat, 1e-6);
  EXPECT_DOUBLE_EQ(log->events[0].map[0], 525000.0);

  Press(CoordToolDlg::kCenterCheck);
  Type(CoordToolDlg::kMgrsEdit, L"18TWL8562811322");
  Press(CoordToolDlg::kConvertButton);
  ASSERT_EQ(log->events.size(), 2u);
  int zone = 0;
  bool north = false;
  double x = 0, y = 0;
  GeographicLib::UTMUPS::Forward(log->events[1].wgs84[1], log->events[1].wgs84[0], zone, north, x,
                                 y);
  EXPECT_NEAR(log->events[1].map[0], x, 1e-3);
  EXPECT_NEAR(log->events[1].map[1], y, 1e-3);
  ComPtr<IEnvelope> view;
  h.Transformation()->get_VisibleBounds(view.put());
  ComPtr<IPoint> centre;
  view->get_Center(centre.put());
  double cx = 0, cy = 0;
  centre->QueryCoords(&cx, &cy);
  EXPECT_NEAR(cx, x, 1e-6) << "the display is centred on the converted point";
  EXPECT_NEAR(cy, y, 1e-6);
}

TEST_F(CoordToolDlgTest, AProjectionOnADatumTheTableLacksStillGivesAProjectedMapPoint) {
  auto& h = Open();
  h.SetMapReference(25832);  // UTM zone 32 N on ETRS89, a datum the table does not hold
  auto log = Listen();
  Type(CoordToolDlg::kLatitudeEdit, L"50");
  Type(CoordToolDlg::kLongitudeEdit, L"9");
  Press(CoordToolDlg::kConvertButton);
  ASSERT_EQ(log->events.size(), 1u);
  int zone = 0;
  bool north = false;
  double x = 0, y = 0;
  GeographicLib::UTMUPS::Forward(50.0, 9.0, zone, north, x, y, 32);
  EXPECT_NEAR(log->events[0].map[0], x, 2.0) << "metres, not degrees taken for metres";
  EXPECT_NEAR(log->events[0].map[1], y, 2.0);
}

TEST_F(CoordToolDlgTest, DecimalCommaAndLocalizedLettersReachTheEngineAsItReadsThem) {
  win::ScopedUserLocale locale(testing::DecimalCommaLocale());
  testing::LocalizedLetters letters;  // "O" for east
  auto& h = Open();
  h.MoveMouse(500, 400);
  win::RunFor(50);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"40,800000");
  EXPECT_EQ(Text(CoordToolDlg::kDmsEdit), L"404800,00N 0740000,00W");
  Type(CoordToolDlg::kDmsEdit, L"101530,5N 0200000O");
  ASSERT_TRUE(ConvertEnabled());
  Press(CoordToolDlg::kConvertButton);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertText(L"101530.50N 0200000.00E", 2, 0, 0, &r), S_OK);
  EXPECT_EQ(Text(CoordToolDlg::kLongitudeEdit), L"20,000000");
  EXPECT_EQ(Text(CoordToolDlg::kDmsEdit), L"101530,50N 0200000,00O");
  EXPECT_NEAR(r.datum.lat, 10.0 + 15.0 / 60 + 30.5 / 3600, 1e-9);
  EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit), L"10,258472");
}

TEST_F(CoordToolDlgTest, TheMgrsTextGoesToTheStatusBarWhenTheSettingSaysSo) {
  auto& h = Open();
  ComPtr<IZelSettings> settings;
  h.Fixture().Zel()->get_Settings(settings.put());
  settings.Query<ICoordToolSettings>()->put_MGRSStatusBar(VARIANT_TRUE);
  h.MoveMouse(500, 400);
  win::RunFor(50);
  ComPtr<IStatusBar> bar;
  h.App()->get_StatusBar(bar.put());
  Bstr status;
  bar->get_Message(0, &status);
  ConvertedLocation r;
  ASSERT_EQ(engine_.ConvertPoint(GeoPoint{-74.0, 40.8}, 0, 0, &r), S_OK);
  EXPECT_EQ(status.str(), r.mgrs);
}

// ---- the dockable window's own interface ----

TEST_F(CoordToolDlgTest, TheWindowTellsItsNameDialogAndLocation) {
  auto& h = Open();
  auto& dock = h.Dockable();
  Bstr name, caption;
  dock.get_Name(&name);
  dock.get_Caption(&caption);
  EXPECT_EQ(name.str(), L"Coordinate Tool");
  EXPECT_EQ(caption.str(), L"Coordinate Tool");
  HWND child = nullptr;
  ASSERT_EQ(dock.get_ChildHWND(&child), S_OK);
  EXPECT_EQ(child, Dlg().m_hWnd);
  EXPECT_EQ(win::DialogTemplateId(child), 3047);
  EXPECT_EQ(dock.get_ChildHWND(nullptr), E_POINTER);

  Variant a, b;
  dock.get_UserData(&a);
  dock.get_UserData(&b);
  EXPECT_EQ(a.vt, VT_UNKNOWN);
  EXPECT_EQ(a.punkVal, b.punkVal) << "the same interface every time, each with a reference";

  auto w = host::NewPoint(), d = host::NewPoint(), m = host::NewPoint();
  EXPECT_EQ(dock.QueryCurrentLocation(w.get(), d.get(), m.get()), E_FAIL)
      << "nothing converted yet";
  h.Click(500, 400);
  EXPECT_EQ(dock.QueryCurrentLocation(w.get(), d.get(), nullptr), E_INVALIDARG);
  double x = 0;
  VARIANT_BOOL empty = VARIANT_FALSE;
  w->get_IsEmpty(&empty);
  EXPECT_EQ(empty, VARIANT_TRUE) << "a refused query writes nothing";
  ASSERT_EQ(dock.QueryCurrentLocation(w.get(), d.get(), m.get()), S_OK);
  m->get_X(&x);
  EXPECT_NEAR(x, -74.0, 1e-9);
}

TEST_F(CoordToolDlgTest, OnlyAFalseVisibilityClearsTheFields) {
  auto& h = Open();
  h.Click(500, 400);
  struct Case {
    LONG value;
    bool clears;
  };
  for (const Case& c : {Case{-1, false}, Case{65535, false}, Case{0x7FFFFFFF, false}, Case{1, true},
                        Case{0, true}}) {
    h.Click(500, 400 + (c.value & 7));  // a fresh location each time
    ASSERT_NE(Text(CoordToolDlg::kLatitudeEdit), L"NONE");
    EXPECT_EQ(h.Dockable().OnVisibilityChanged(c.value), S_OK);
    EXPECT_EQ(Text(CoordToolDlg::kLatitudeEdit) == L"NONE", c.clears) << c.value;
  }
}

TEST_F(CoordToolDlgTest, DestroyingTheWindowWhileTheToolIsCurrentLeavesNoCurrentTool) {
  auto& h = Open();
  ASSERT_TRUE(h.CurrentTool());
  HWND dialog = Dlg().m_hWnd;
  ::DestroyWindow(dialog);
  EXPECT_FALSE(h.CurrentTool());
  EXPECT_FALSE(::IsWindow(dialog));
}

}  // namespace
}  // namespace velk::corvane
