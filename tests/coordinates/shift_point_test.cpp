// The shift of a map location between its datum and WGS 84, over host spatial references and
// geometry: the datum table's shift through the host's geocentric translation, with PROJ as oracle.
#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <cwchar>
#include <string>
#include <vector>

#include "coordinates/datum_table.h"
#include "coordinates/shift_point.h"
#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/application/data_classes.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference_objects.h"
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
// The standard geocentric translation, computed by PROJ on its own: degrees on the source
// ellipsoid to geocentric, plus (dx, dy, dz), back to degrees on the target ellipsoid.
std::pair<double, double> ProjTranslation(double a, double f, double dx, double dy, double dz,
                                          bool toWgs84, double lon, double lat) {
  char step[256];
  std::snprintf(step, sizeof step, "+step %s+proj=cart +a=%.17g +rf=%.17g ", toWgs84 ? "" : "+inv ",
                a, 1.0 / f);
  char helmert[128];
  std::snprintf(helmert, sizeof helmert, "+step %s+proj=helmert +x=%.17g +y=%.17g +z=%.17g ",
                toWgs84 ? "" : "+inv ", dx, dy, dz);
  std::string wgs = std::string("+step ") + (toWgs84 ? "+inv " : "") + "+proj=cart +ellps=WGS84 ";
  std::string pipeline = "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad ";
  pipeline += toWgs84 ? std::string(step) + helmert + wgs : wgs + helmert + step;
  pipeline += "+step +proj=unitconvert +xy_in=rad +xy_out=deg";
  PJ* pj = proj_create(PJ_DEFAULT_CTX, pipeline.c_str());
  EXPECT_NE(pj, nullptr) << pipeline;
  if (!pj) return {NAN, NAN};
  PJ_COORD c = proj_coord(lon, lat, 0.0, 0.0);
  PJ_COORD r = proj_trans(pj, PJ_FWD, c);
  proj_destroy(pj);
  return {r.xy.x, r.xy.y};
}

// The map point moves by the datum table's own dx, dy, dz through the host's geocentric
// translation: PROJ's translation on the system's ellipsoid with the row's values is the
// oracle. The coordinate tool, which shifts the same datum with the short Molodensky formulas,
// agrees to well within a metre.
TEST_F(ShiftPointTest, MovesByTheTableShiftThroughTheHostsTranslation) {
  auto tool = Tool();
  ComPtr<ISpatialReferenceFactory> factory = MakeObjectPtr<host::SpatialReferenceFactory>();
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
      {4267, 107, 250.0, 45.0},
  };
  const double metresPerDegree = 111320.0;
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.code) + " at " + std::to_string(c.x);
    ASSERT_EQ(FindDatumRow(c.code), std::optional<std::size_t>(c.row)) << what;
    const DatumTableRow& row = DatumTable[c.row];
    ComPtr<IGeographicCoordinateSystem> gcs;
    ASSERT_EQ(factory->CreateGeographicCoordinateSystem(c.code, gcs.put()), S_OK) << what;
    Bstr wkt;
    gcs->ExportToWkt(&wkt);
    double a = 0.0, f = 0.0;
    ASSERT_TRUE(ReadSpheroid(wkt.str(), &a, &f)) << what;
    const double lon = std::remainder(c.x, 360.0);

    for (bool toWgs84 : {true, false}) {
      ComPtr<ISpatialReference> map = System(c.code);
      ComPtr<IPoint> p = host::NewPoint(c.x, c.y, map.get());
      ASSERT_TRUE(ShiftPointToWgs84(toWgs84, map.get(), p.get())) << what;
      const auto expected = ProjTranslation(a, f, row.dx, row.dy, row.dz, toWgs84, lon, c.y);
      EXPECT_NEAR(X(p.get()), expected.first + (c.x - lon), 1e-9) << what << " " << toWgs84;
      EXPECT_NEAR(Y(p.get()), expected.second, 1e-9) << what << " " << toWgs84;
      ComPtr<ISpatialReference> kept;
      p->get_SpatialReference(kept.put());
      EXPECT_TRUE(IsSameObject(kept.get(), map.get())) << what;  // the caller gives it WGS 84

      double wgs84[2], target[2];
      if (toWgs84) {
        ConvertWithTool(tool.get(), lon, c.y, static_cast<LONG>(c.row), 0, wgs84, target);
      } else {
        ConvertWithTool(tool.get(), lon, c.y, 0, static_cast<LONG>(c.row), wgs84, target);
        wgs84[0] = target[0];
        wgs84[1] = target[1];
      }
      EXPECT_LT(std::hypot((X(p.get()) - (c.x - lon) - wgs84[0]) * metresPerDegree *
                               std::cos(c.y * M_PI / 180.0),
                           (Y(p.get()) - wgs84[1]) * metresPerDegree),
                1.0)
          << what << " " << toWgs84;
    }
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
