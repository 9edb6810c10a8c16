// Geometry and spatial references of the host data layer, checked against PROJ's cs2cs.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference_objects.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;

namespace {

ComPtr<ISpatialReferenceFactory> Factory() { return MakeObjectPtr<SpatialReferenceFactory>(); }

ComPtr<ISpatialReference> Sr(LONG code) {
  ComPtr<ISpatialReference> sr;
  EXPECT_EQ(Factory()->CreateSpatialReference(code, sr.put()), S_OK) << code;
  return sr;
}

// x y of cs2cs for one input point (lon lat order given by the proj strings used).
std::pair<double, double> Cs2cs(const std::string& from, const std::string& to, double x,
                                double y) {
  std::ostringstream cmd;
  cmd.precision(17);
  cmd << "echo " << x << " " << y << " | cs2cs -f %.6f " << from << " +to " << to;
  std::istringstream out(test::ToolOutput(cmd.str()));
  double ox = NAN, oy = NAN;
  out >> ox >> oy;
  return {ox, oy};
}

ComPtr<IPolygon> Square(double x0, double y0, double x1, double y1,
                        ISpatialReference* sr = nullptr) {
  auto pg = NewPolygon();
  auto pc = pg.Query<IPointCollection>();
  pc->AddPoint(NewPoint(x0, y0).get());
  pc->AddPoint(NewPoint(x0, y1).get());
  pc->AddPoint(NewPoint(x1, y1).get());
  pc->AddPoint(NewPoint(x1, y0).get());
  pg->Close();
  pg->put_SpatialReference(sr);
  return pg;
}

bool Rel(IGeometry* a, IGeometry* b,
         HRESULT (IRelationalOperator::*op)(IGeometry*, VARIANT_BOOL*)) {
  auto ro = QueryAs<IRelationalOperator>(a);
  VARIANT_BOOL r = VARIANT_FALSE;
  EXPECT_EQ(((*ro.get()).*op)(b, &r), S_OK);
  return r == VARIANT_TRUE;
}

}  // namespace

TEST(HostSpatialReference, KindsByFactoryCode) {
  struct Case {
    LONG code;
    bool geographic;
    bool projected;
  } cases[] = {{4326, true, false},
               {104000, true, false},
               {32633, false, true},
               {54032, false, true},
               {3857, false, true}};
  for (const auto& c : cases) {
    auto sr = Sr(c.code);
    ASSERT_TRUE(sr) << c.code;
    LONG code = 0;
    sr->get_FactoryCode(&code);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(bool(sr.As<IGeographicCoordinateSystem>()), c.geographic) << c.code;
    EXPECT_EQ(bool(sr.As<IProjectedCoordinateSystem>()), c.projected) << c.code;
  }
  ComPtr<ISpatialReference> none;
  EXPECT_EQ(Factory()->CreateSpatialReference(999999, none.put()), E_INVALIDARG);
  EXPECT_FALSE(none);
  ComPtr<IGeographicCoordinateSystem> gcs;
  EXPECT_EQ(Factory()->CreateGeographicCoordinateSystem(32633, gcs.put()), E_INVALIDARG);
  ComPtr<ISpatialReference> unknown;
  ASSERT_EQ(Factory()->CreateUnknownCoordinateSystem(unknown.put()), S_OK);
  EXPECT_TRUE(unknown.As<IUnknownCoordinateSystem>());
}

TEST(HostSpatialReference, ProjectedSystemIsBasedOnItsGeographicSystem) {
  auto utm = Sr(32633).Query<IProjectedCoordinateSystem>();
  ComPtr<IGeographicCoordinateSystem> gcs;
  ASSERT_EQ(utm->get_GeographicCoordinateSystem(gcs.put()), S_OK);
  LONG code = 0;
  gcs->get_FactoryCode(&code);
  EXPECT_EQ(code, 4326);
  VARIANT_BOOL same = VARIANT_FALSE;
  gcs->IsSame(Sr(4326).get(), &same);
  EXPECT_EQ(same, VARIANT_TRUE);
}

TEST(HostSpatialReference, AzimuthalEquidistantCentredWhereAsked) {
  auto aeqd = Sr(kFactoryCodeWorldAzimuthalEquidistant).Query<IProjectedCoordinateSystem>();
  ASSERT_EQ(aeqd->put_CentralMeridian(VARIANT_TRUE, 6.5), S_OK);
  ASSERT_EQ(aeqd->put_LatitudeOfOrigin(0.25), S_OK);
  double cm = 0, lat = 0;
  aeqd->get_CentralMeridian(VARIANT_TRUE, &cm);
  aeqd->get_LatitudeOfOrigin(&lat);
  EXPECT_DOUBLE_EQ(cm, 6.5);
  EXPECT_DOUBLE_EQ(lat, 0.25);
  // Moved away from the code's definition, it no longer claims the code.
  LONG code = -1;
  aeqd->get_FactoryCode(&code);
  EXPECT_EQ(code, 0);
  Bstr wkt;
  aeqd->ExportToWkt(&wkt);
  EXPECT_EQ(wkt.str().find(L"54032"), std::wstring::npos) << wkt.str();

  const std::string proj = "+proj=aeqd +lat_0=0.25 +lon_0=6.5 +datum=WGS84 +units=m";
  struct Case {
    double lon, lat;
  } cases[] = {{6.5, 0.25}, {7.0, 1.0}, {5.2, -0.8}, {-100.0, 45.0}};
  for (const auto& c : cases) {
    auto p = NewPoint(c.lon, c.lat, Sr(4326).get());
    ASSERT_EQ(p->Project(aeqd.get()), S_OK);
    double x = 0, y = 0;
    p->QueryCoords(&x, &y);
    auto [ex, ey] = Cs2cs("+proj=longlat +datum=WGS84", proj, c.lon, c.lat);
    EXPECT_NEAR(x, ex, 1e-3) << c.lon << " " << c.lat;
    EXPECT_NEAR(y, ey, 1e-3) << c.lon << " " << c.lat;
    // and back again
    ASSERT_EQ(p->Project(Sr(4326).get()), S_OK);
    p->QueryCoords(&x, &y);
    EXPECT_NEAR(x, c.lon, 1e-9);
    EXPECT_NEAR(y, c.lat, 1e-9);
  }
}

TEST(HostGeometry, ProjectMatchesCs2csAndRefusesWhatItCannotDo) {
  auto p = NewPoint(15.25, 48.5, Sr(4326).get());
  ASSERT_EQ(p->Project(Sr(32633).get()), S_OK);
  double x = 0, y = 0;
  p->QueryCoords(&x, &y);
  auto [ex, ey] =
      Cs2cs("+proj=longlat +datum=WGS84", "+proj=utm +zone=33 +datum=WGS84", 15.25, 48.5);
  EXPECT_NEAR(x, ex, 1e-3);
  EXPECT_NEAR(y, ey, 1e-3);

  // No reference of its own: nothing to project from; the point stays as it was.
  auto bare = NewPoint(1.0, 2.0);
  EXPECT_EQ(bare->Project(Sr(32633).get()), E_FAIL);
  bare->QueryCoords(&x, &y);
  EXPECT_EQ(x, 1.0);
  EXPECT_EQ(y, 2.0);
  // A latitude beyond the pole cannot be projected; coordinates and reference stay.
  auto bad = NewPoint(10.0, 95.0, Sr(4326).get());
  EXPECT_EQ(bad->Project(Sr(32633).get()), E_FAIL);
  bad->QueryCoords(&x, &y);
  EXPECT_EQ(y, 95.0);
  ComPtr<ISpatialReference> still;
  bad->get_SpatialReference(still.put());
  LONG code = 0;
  still->get_FactoryCode(&code);
  EXPECT_EQ(code, 4326);

  // An envelope projects to the box around its projected outline.
  auto env = NewEnvelope(15.0, 48.0, 16.0, 49.0, Sr(4326).get());
  ASSERT_EQ(env->Project(Sr(32633).get()), S_OK);
  double x0, y0, x1, y1;
  env->QueryCoords(&x0, &y0, &x1, &y1);
  auto [llx, lly] =
      Cs2cs("+proj=longlat +datum=WGS84", "+proj=utm +zone=33 +datum=WGS84", 15.0, 48.0);
  auto [urx, ury] =
      Cs2cs("+proj=longlat +datum=WGS84", "+proj=utm +zone=33 +datum=WGS84", 16.0, 49.0);
  EXPECT_LE(x0, llx + 1e-6);
  EXPECT_LE(y0, lly + 1e-6);
  EXPECT_GE(x1, urx - 1e-6);
  EXPECT_GE(y1, ury - 1e-6);
}

TEST(HostGeometry, EnvelopeUnionExpandCentreAndCorners) {
  auto a = NewEnvelope(0, 0, 10, 4);
  auto empty = NewEnvelope();
  ASSERT_EQ(a->Union(empty.get()), S_OK);  // an empty side changes nothing
  double x0, y0, x1, y1;
  a->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(0.0, 0.0, 10.0, 4.0));
  ASSERT_EQ(empty->Union(a.get()), S_OK);  // an empty envelope takes the other
  empty->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(0.0, 0.0, 10.0, 4.0));

  a->Union(NewEnvelope(-2, 1, 3, 6).get());
  a->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(-2.0, 0.0, 10.0, 6.0));

  a->Expand(1.1, 1.1, VARIANT_TRUE);  // ratio: about the centre (4, 3)
  a->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_NEAR(x0, 4 - 6.6, 1e-12);
  EXPECT_NEAR(x1, 4 + 6.6, 1e-12);
  EXPECT_NEAR(y0, 3 - 3.3, 1e-12);
  EXPECT_NEAR(y1, 3 + 3.3, 1e-12);
  a->PutCoords(0, 0, 10, 4);
  a->Expand(1, 2, VARIANT_FALSE);  // distance: on each side
  a->QueryCoords(&x0, &y0, &x1, &y1);
  EXPECT_EQ(std::make_tuple(x0, y0, x1, y1), std::make_tuple(-1.0, -2.0, 11.0, 6.0));

  ComPtr<IPoint> c;
  a->get_Center(c.put());
  double cx, cy;
  c->QueryCoords(&cx, &cy);
  EXPECT_EQ(cx, 5.0);
  EXPECT_EQ(cy, 2.0);
  a->CenterAt(NewPoint(100, 100).get());
  ComPtr<IPoint> ur;
  a->get_UpperRight(ur.put());
  ur->QueryCoords(&cx, &cy);
  EXPECT_EQ(cx, 106.0);
  EXPECT_EQ(cy, 104.0);
  double w, h;
  a->get_Width(&w);
  a->get_Height(&h);
  EXPECT_EQ(w, 12.0);
  EXPECT_EQ(h, 8.0);
}

TEST(HostGeometry, RelationalTests) {
  auto outer = Square(0, 0, 10, 10);
  auto inside = NewPoint(5, 5);
  auto outside = NewPoint(20, 5);
  auto line = NewPolyline();
  auto lpc = line.Query<IPointCollection>();
  lpc->AddPoint(NewPoint(-5, 5).get());
  lpc->AddPoint(NewPoint(15, 5).get());

  EXPECT_TRUE(Rel(outer.get(), inside.get(), &IRelationalOperator::Contains));
  EXPECT_TRUE(Rel(inside.get(), outer.get(), &IRelationalOperator::Within));
  EXPECT_FALSE(Rel(outer.get(), outside.get(), &IRelationalOperator::Contains));
  EXPECT_TRUE(Rel(outer.get(), outside.get(), &IRelationalOperator::Disjoint));
  EXPECT_TRUE(Rel(line.get(), outer.get(), &IRelationalOperator::Crosses));
  EXPECT_TRUE(Rel(Square(10, 0, 20, 10).get(), outer.get(), &IRelationalOperator::Touches));
  EXPECT_TRUE(Rel(Square(5, 5, 15, 15).get(), outer.get(), &IRelationalOperator::Overlaps));
  EXPECT_TRUE(Rel(NewEnvelope(0, 0, 10, 10).get(), outer.get(), &IRelationalOperator::Equals));

  // A hole: the second ring lies inside the first.
  auto holed = Square(0, 0, 10, 10);
  auto parts = holed.Query<IPartCollection>();
  auto hpc = holed.Query<IPointCollection>();
  parts->StartPart();
  for (auto [x, y] : {std::pair{4.0, 4.0}, {6.0, 4.0}, {6.0, 6.0}, {4.0, 6.0}, {4.0, 4.0}})
    hpc->AddPoint(NewPoint(x, y).get());
  EXPECT_FALSE(Rel(holed.get(), inside.get(), &IRelationalOperator::Contains));
  double area = 0;
  holed->get_Area(&area);
  EXPECT_DOUBLE_EQ(area, 96.0);

  // The other side is projected into this one's reference first.
  auto geoSquare = Square(15.0, 48.0, 16.0, 49.0, Sr(4326).get());
  auto p = NewPoint(15.5, 48.5, Sr(4326).get());
  ASSERT_EQ(p->Project(Sr(32633).get()), S_OK);
  EXPECT_TRUE(Rel(geoSquare.get(), p.get(), &IRelationalOperator::Contains));
  // The envelope of a point or of a straight line still meets what the point or line meets.
  EXPECT_FALSE(Rel(NewEnvelope(5, 5, 5, 5).get(), outer.get(), &IRelationalOperator::Disjoint));
  EXPECT_FALSE(Rel(NewEnvelope(2, 5, 8, 5).get(), outer.get(), &IRelationalOperator::Disjoint));
  EXPECT_TRUE(Rel(NewEnvelope(50, 5, 50, 5).get(), outer.get(), &IRelationalOperator::Disjoint));
  // An empty geometry meets nothing.
  EXPECT_TRUE(Rel(outer.get(), NewPoint().get(), &IRelationalOperator::Disjoint));
  EXPECT_FALSE(Rel(outer.get(), NewPoint().get(), &IRelationalOperator::Contains));
}

TEST(HostGeometry, CloneEqualityAndVertexEdits) {
  auto line = NewPolyline();
  auto pc = line.Query<IPointCollection>();
  for (auto [x, y] : {std::pair{0.0, 0.0}, {3.0, 4.0}, {3.0, 8.0}})
    pc->AddPoint(NewPoint(x, y).get());
  line->put_SpatialReference(Sr(4326).get());
  double len = 0;
  line->get_Length(&len);
  EXPECT_DOUBLE_EQ(len, 9.0);

  ComPtr<IClone> copy;
  ASSERT_EQ(line.Query<IClone>()->Clone(copy.put()), S_OK);
  VARIANT_BOOL eq = VARIANT_FALSE;
  line.Query<IClone>()->IsEqual(copy.get(), &eq);
  EXPECT_EQ(eq, VARIANT_TRUE);
  EXPECT_FALSE(IsSameObject(copy.get(), line.get()));
  // Changing the copy leaves the original alone.
  auto copyPc = copy.Query<IPointCollection>();
  copyPc->UpdatePoint(0, NewPoint(-1, -1).get());
  line.Query<IClone>()->IsEqual(copy.get(), &eq);
  EXPECT_EQ(eq, VARIANT_FALSE);
  ComPtr<IPoint> first;
  pc->get_Point(0, first.put());
  double x, y;
  first->QueryCoords(&x, &y);
  EXPECT_EQ(x, 0.0);
  // Same coordinates under another reference are not equal.
  copy.Query<IClone>()->Assign(line.Query<IClone>().get());
  copy.Query<IGeometry>()->put_SpatialReference(Sr(32633).get());
  line.Query<IClone>()->IsEqual(copy.get(), &eq);
  EXPECT_EQ(eq, VARIANT_FALSE);
  // Assigning another kind is refused.
  EXPECT_EQ(line.Query<IClone>()->Assign(NewPoint(1, 1).Query<IClone>().get()), E_INVALIDARG);

  pc->RemovePoints(1, 1);
  LONG n = 0;
  pc->get_PointCount(&n);
  EXPECT_EQ(n, 2);
  ComPtr<IPoint> out;
  EXPECT_EQ(pc->get_Point(2, out.put()), E_INVALIDARG);
}
