// The shift of a map location between its datum and WGS 84, over host spatial references and
// geometry, against the coordinate tool that the same location is shown and converted with.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <cwchar>
#include <string>
#include <vector>

#include "coordinates/datum_table.h"
#include "coordinates/shift_point.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/host/data_class_ids.h"
#include "platform/host/data_classes.h"
#include "platform/host/geometry_objects.h"
#include "platform/host/spatial_reference_objects.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/registry/activation.h"

namespace velk::corvane {
namespace {

using productline::CoordinateEngine;

// The host's data classes (its spatial-reference factory among them) creatable by class
// identifier, as the host registers them.
class ShiftPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cookies_ = host::RegisterHostDataClasses();
    ResetDatumLookup();
    ReleaseWgs84CoordinateSystem();
  }
  void TearDown() override {
    ReleaseWgs84CoordinateSystem();
    Revoke();
  }
  void Revoke() {
    for (DWORD c : cookies_) RevokeProcessClass(c);
    cookies_.clear();
  }

  static ComPtr<ISpatialReference> System(LONG code) {
    ComPtr<ISpatialReference> sr;
    EXPECT_EQ(
        MakeObjectPtr<host::SpatialReferenceFactory>()->CreateSpatialReference(code, sr.put()),
        S_OK)
        << code;
    return sr;
  }

  static ComPtr<ICoordinateTool> Tool() {
    ComPtr<ICoordinateTool> tool;
    EXPECT_EQ(
        productline::CreateCoordinateToolObject(nullptr, IidOf<ICoordinateTool>(), tool.put_void()),
        S_OK);
    return tool;
  }

  // ConvertLocation of a point from one datum to another: the WGS 84 and the target point.
  static void ConvertWithTool(ICoordinateTool* tool, double x, double y, LONG from, LONG to,
                              double wgs84[2], double target[2]) {
    IPoint* w = nullptr;
    IPoint* d = nullptr;
    BSTR dms = nullptr, utm = nullptr, mgrs = nullptr;
    const Variant value(static_cast<IUnknown*>(host::NewPoint(x, y).get()));
    EXPECT_EQ(
        tool->ConvertLocation(value, 1, Variant(from), Variant(to), &w, &d, &dms, &utm, &mgrs),
        S_OK);
    w->QueryCoords(&wgs84[0], &wgs84[1]);
    d->QueryCoords(&target[0], &target[1]);
    w->Release();
    d->Release();
    SysFreeString(dms);
    SysFreeString(utm);
    SysFreeString(mgrs);
  }

  std::vector<DWORD> cookies_;
};

double X(IPoint* p) {
  double x = 0.0;
  p->get_X(&x);
  return x;
}
double Y(IPoint* p) {
  double y = 0.0;
  p->get_Y(&y);
  return y;
}

// Semi-major axis and flattening from WKT's SPHEROID["name",a,1/f or ELLIPSOID["name",a,1/f.
bool ReadSpheroid(const std::wstring& wkt, double* a, double* f) {
  std::size_t at = wkt.find(L"SPHEROID[\"");
  if (at == std::wstring::npos) at = wkt.find(L"ELLIPSOID[\"");
  if (at == std::wstring::npos) return false;
  const std::size_t close = wkt.find(L'"', wkt.find(L'"', at) + 1);
  if (close == std::wstring::npos || close + 1 >= wkt.size() || wkt[close + 1] != L',')
    return false;
  const wchar_t* p = wkt.c_str() + close + 2;
  wchar_t* end = nullptr;
  *a = std::wcstod(p, &end);
  if (end == p || *end != L',') return false;
  const double invf = std::wcstod(end + 1, &end);
  *f = 1.0 / invf;
  return *a > 0.0 && invf > 0.0;
}

TEST_F(ShiftPointTest, Wgs84SystemIsMadeOnceByTheHostFactoryAndKept) {
  ComPtr<IGeographicCoordinateSystem> first = GetWgs84CoordinateSystem();
  ASSERT_TRUE(first);
  LONG code = 0;
  EXPECT_EQ(first->get_FactoryCode(&code), S_OK);
  EXPECT_EQ(code, kFactoryCodeWgs84);
  EXPECT_TRUE(IsSameObject(first.get(), GetWgs84CoordinateSystem().get()));

  // Without the host's factory nothing can be made; once it is there, the next call makes it.
  ReleaseWgs84CoordinateSystem();
  Revoke();
  EXPECT_FALSE(GetWgs84CoordinateSystem());
  cookies_ = host::RegisterHostDataClasses();
  ComPtr<IGeographicCoordinateSystem> again = GetWgs84CoordinateSystem();
  ASSERT_TRUE(again);
  EXPECT_FALSE(IsSameObject(first.get(), again.get()));
}

// A map on a datum of the table, shifted here, lands where the coordinate tool puts the same
// location converted from that datum's position in its list to WGS 84, and back. Maps on 4326
// use row 0 (no shift); maps on 4201 use row 2, the first of Adindan's seven rows.
TEST_F(ShiftPointTest, AgreesWithTheCoordinateToolBothWays) {
  auto tool = Tool();
  struct Case {
    LONG code;
    std::size_t row;
    double x, y;
  } cases[] = {
      {4326, 0, -73.9857, 40.7484}, {4322, 1, 151.2093, -33.8688},
      {4201, 2, 32.5599, 15.5007},  {4267, 107, -104.99, 39.74},  // NAD 1927, the first of its rows
      {4230, 51, 2.2945, 48.8584},                                // ED 1950
      {4145, 76, 67.0, 27.0},  // Kalianpur 1962 on an Everest variant
      {4326, 0, 300.0, 10.0},  // a longitude beyond 180 stays in its range
  };
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.code) + " at " + std::to_string(c.x);
    ASSERT_EQ(FindDatumRow(c.code), std::optional<std::size_t>(c.row)) << what;
    double wgs84[2], target[2];
    const double lon = std::remainder(c.x, 360.0);
    ConvertWithTool(tool.get(), lon, c.y, static_cast<LONG>(c.row), 0, wgs84, target);

    ComPtr<ISpatialReference> map = System(c.code);
    ComPtr<IPoint> p = host::NewPoint(c.x, c.y, map.get());
    ASSERT_TRUE(ShiftPointToWgs84(true, map.get(), p.get())) << what;
    EXPECT_NEAR(X(p.get()), wgs84[0] + (c.x - lon), 1e-12) << what;
    EXPECT_DOUBLE_EQ(Y(p.get()), wgs84[1]) << what;
    ComPtr<ISpatialReference> kept;
    p->get_SpatialReference(kept.put());
    EXPECT_TRUE(IsSameObject(kept.get(), map.get())) << what;  // the caller gives it WGS 84
    if (c.row == 0) {
      EXPECT_EQ(X(p.get()), c.x);
      EXPECT_EQ(Y(p.get()), c.y);
    } else {
      EXPECT_GT(std::hypot(X(p.get()) - c.x, Y(p.get()) - c.y), 1e-5) << what;  // metres moved
    }

    ConvertWithTool(tool.get(), lon, c.y, 0, static_cast<LONG>(c.row), wgs84, target);
    ComPtr<IPoint> back = host::NewPoint(c.x, c.y);
    ASSERT_TRUE(ShiftPointToWgs84(false, map.get(), back.get())) << what;
    EXPECT_NEAR(X(back.get()), target[0] + (c.x - lon), 1e-12) << what;
    EXPECT_DOUBLE_EQ(Y(back.get()), target[1]) << what;
  }
}

// Every geographic system the table names is one the host can make, on the ellipsoid the
// engine shifts with for that row or a variant of it (Clarke 1880 of IGN, of the Arc datums or
// in international feet, Everest 1830 of another year): shifting on the system's own ellipsoid
// instead would move the answer by less than 0.25 m, far below what a three-parameter shift is
// good for, while a row pointing at a datum on another ellipsoid moves it by tens of metres.
// Code 4404 (row 102) names no system the host knows, so no map can reach that row.
TEST_F(ShiftPointTest, EveryTableSystemExistsOnTheEnginesEllipsoid) {
  std::map<LONG, std::size_t> firstRows;
  for (std::size_t i = 0; i < static_cast<std::size_t>(CoordinateEngine::DatumCount()); ++i)
    firstRows.emplace(DatumTable[i].geographicSystemCode, i);
  ComPtr<ISpatialReferenceFactory> factory = MakeObjectPtr<host::SpatialReferenceFactory>();
  std::vector<LONG> unknownToHost;
  for (const auto& [code, row] : firstRows) {
    ComPtr<IGeographicCoordinateSystem> gcs;
    if (FAILED(factory->CreateGeographicCoordinateSystem(code, gcs.put()))) {
      unknownToHost.push_back(code);
      continue;
    }
    Bstr wkt;
    ASSERT_EQ(gcs->ExportToWkt(&wkt), S_OK);
    double a = 0.0, f = 0.0;
    ASSERT_TRUE(ReadSpheroid(wkt.str(), &a, &f)) << code;
    const auto& wgs = CoordinateEngine::Ellipsoids()[0];
    const auto& d = CoordinateEngine::Datums()[row];
    const productline::GeoPoint p{10.0, 45.0};  // where the ellipsoid terms weigh most
    const productline::GeoPoint engine = CoordinateEngine::ShiftToWgs84(static_cast<int>(row), p);
    double h = 0.0;
    const productline::GeoPoint own = CoordinateEngine::Molodensky(
        p, &h, a, f, wgs.a - a, 1.0 / wgs.inverseFlattening - f, d.dx, d.dy, d.dz);
    const double metresPerDegree = 111320.0;
    EXPECT_LT(std::hypot((own.lat - engine.lat) * metresPerDegree,
                         (own.lon - engine.lon) * metresPerDegree * std::cos(M_PI / 4)),
              0.25)
        << code << " row " << row;
  }
  EXPECT_EQ(unknownToHost, std::vector<LONG>{4404});
}

TEST_F(ShiftPointTest, ShiftsEveryVertexOfOtherGeometries) {
  ComPtr<ISpatialReference> map = System(4267);
  auto shifted = [&](double x, double y) {
    ComPtr<IPoint> p = host::NewPoint(x, y);
    EXPECT_TRUE(ShiftPointToWgs84(true, map.get(), p.get()));
    return std::pair{X(p.get()), Y(p.get())};
  };
  const double xs[] = {-104.0, -100.5, -97.25};
  const double ys[] = {39.0, 41.5, 35.0};

  ComPtr<IPolyline> line = host::NewPolyline();
  auto points = line.Query<IPointCollection>();
  for (int i = 0; i < 3; ++i) points->AddPoint(host::NewPoint(xs[i], ys[i]).get());
  ASSERT_TRUE(ShiftPointToWgs84(true, map.get(), line.Query<IGeometry>().get()));
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IPoint> v;
    ASSERT_EQ(points->get_Point(i, v.put()), S_OK);
    const auto expected = shifted(xs[i], ys[i]);
    EXPECT_EQ(X(v.get()), expected.first) << i;
    EXPECT_EQ(Y(v.get()), expected.second) << i;
  }

  ComPtr<IEnvelope> box = host::NewEnvelope(xs[0], ys[2], xs[2], ys[1]);
  ASSERT_TRUE(ShiftPointToWgs84(true, map.get(), box.Query<IGeometry>().get()));
  double xmin, ymin, xmax, ymax;
  box->QueryCoords(&xmin, &ymin, &xmax, &ymax);
  EXPECT_EQ(std::pair(xmin, ymin), shifted(xs[0], ys[2]));
  EXPECT_EQ(std::pair(xmax, ymax), shifted(xs[2], ys[1]));

  // An empty point has nothing to shift and stays empty.
  ComPtr<IPoint> empty = host::NewPoint();
  EXPECT_TRUE(ShiftPointToWgs84(true, map.get(), empty.get()));
  VARIANT_BOOL isEmpty = VARIANT_FALSE;
  empty->get_IsEmpty(&isEmpty);
  EXPECT_TRUE(isEmpty);
}

// Refusals leave the geometry as it was. A system made from text has factory code 0: the
// lookup's memory starts empty, so even as the very first lookup that code is not taken for
// WGS 84 (row 0) but refused.
TEST_F(ShiftPointTest, RefusalsLeaveTheGeometryUnchanged) {
  ComPtr<ISpatialReferenceFactory> factory = MakeObjectPtr<host::SpatialReferenceFactory>();
  ComPtr<ISpatialReference> fromText;
  ASSERT_EQ(factory->CreateFromWkt(Bstr(L"+proj=longlat +ellps=clrk66 +no_defs"), fromText.put()),
            S_OK);
  LONG textCode = -1;
  fromText->get_FactoryCode(&textCode);
  ASSERT_EQ(textCode, 0);
  ComPtr<ISpatialReference> unknown;
  ASSERT_EQ(factory->CreateUnknownCoordinateSystem(unknown.put()), S_OK);
  ASSERT_FALSE(FindDatumRow(4258).has_value());  // ETRS89: not among the table's systems
  ComPtr<ISpatialReference> nad27 = System(4267);

  struct Case {
    const char* what;
    ComPtr<ISpatialReference> sr;
    double x, y;
  } cases[] = {
      {"system from text (code 0)", fromText, 10.0, 50.0},
      {"unknown system", unknown, 10.0, 50.0},
      {"projected system (UTM 18N)", System(32618), 585628.0, 4511322.0},
      {"system not in the table", System(4258), 10.0, 50.0},
      {"null system", nullptr, 10.0, 50.0},
      {"latitude 95", nad27, -100.0, 95.0},
      {"infinite longitude", nad27, INFINITY, 40.0},
  };
  for (const Case& c : cases) {
    ResetDatumLookup();
    ComPtr<IPoint> p = host::NewPoint(c.x, c.y);
    EXPECT_FALSE(ShiftPointToWgs84(true, c.sr.get(), p.get())) << c.what;
    EXPECT_EQ(X(p.get()), c.x) << c.what;
    EXPECT_EQ(Y(p.get()), c.y) << c.what;
  }
  EXPECT_FALSE(ShiftPointToWgs84(true, nad27.get(), nullptr));

  // One bad vertex refuses the whole line before any vertex moves.
  ComPtr<IPolyline> line = host::NewPolyline();
  auto points = line.Query<IPointCollection>();
  points->AddPoint(host::NewPoint(-100.0, 40.0).get());
  points->AddPoint(host::NewPoint(-100.0, 91.0).get());
  EXPECT_FALSE(ShiftPointToWgs84(true, nad27.get(), line.Query<IGeometry>().get()));
  ComPtr<IPoint> first;
  points->get_Point(0, first.put());
  EXPECT_EQ(X(first.get()), -100.0);
  EXPECT_EQ(Y(first.get()), 40.0);
}

}  // namespace
}  // namespace velk::corvane
