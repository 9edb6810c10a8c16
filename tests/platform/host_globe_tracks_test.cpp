// The globe host's side of the fly-through: animation tracks and their keyframes kept by the
// globe under unique names, the globe's surface heights from its raster layers, graphics by
// index, the geometry constructions (point at angle and distance, union, densify) and a track
// written as CSV and KML, refused without keyframes and never left half-written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/com/text.h"
#include "platform/host/display/animation.h"
#include "platform/host/display/animation_export.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/geometry_operations.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_graphics_layer.h"
#include "platform/host/display/graphics_objects.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "tests/fixtures/dem_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

ComPtr<IAnimationTrack> CameraTrack(const wchar_t* name) {
  auto track = Make<IAnimationTrack>(&CreateAnimationTrackObject);
  Check(track->put_AnimationType(kAnimationTypeGlobeCamera));
  Check(track->put_Name(Bstr(name)));
  return track;
}

// ---------------------------------------------------------------- tracks

TEST(GlobeTracks, KeyframesComeInOrderAndHoldSevenProperties) {
  auto track = Make<IAnimationTrack>(&CreateAnimationTrackObject);
  ComPtr<IAnimationKeyframe> k;
  EXPECT_EQ(track->CreateKeyframe(-1, k.put()), E_FAIL);  // no type yet
  EXPECT_EQ(track->put_AnimationType(42), E_INVALIDARG);
  ASSERT_EQ(track->put_AnimationType(kAnimationTypeGlobeCamera), S_OK);
  for (const wchar_t* name : {L"a", L"c"}) {
    ASSERT_EQ(track->CreateKeyframe(-1, k.put()), S_OK);
    k->put_Name(Bstr(name));
  }
  ASSERT_EQ(track->CreateKeyframe(1, k.put()), S_OK);  // before "c"
  k->put_Name(Bstr(L"b"));
  EXPECT_EQ(k->put_PropertyValue(kCameraObserverHeight, 1.5), S_OK);
  EXPECT_EQ(k->put_PropertyValue(7, 1.0), E_INVALIDARG);
  EXPECT_EQ(k->put_PropertyValue(-1, 1.0), E_INVALIDARG);
  std::wstring names;
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IAnimationKeyframe> at;
    ASSERT_EQ(track->get_Keyframe(i, at.put()), S_OK);
    Bstr name;
    at->get_Name(&name);
    names += name.str();
  }
  EXPECT_EQ(names, L"abc");
  EXPECT_EQ(track->get_Keyframe(3, k.put()), E_INVALIDARG);
  const LONG bad[] = {0, 9};
  EXPECT_EQ(track->SetAnimatedProperties(2, bad), E_INVALIDARG);
  EXPECT_EQ(track->put_AnimationType(kAnimationTypeGlobeCamera), S_OK);  // same type stays
}

TEST(GlobeTracks, TheGlobeKeepsTracksUnderUniqueNames) {
  ComPtr<IGlobe> globe;
  ASSERT_EQ(CreateGlobe(nullptr, IidOf<IGlobe>(), globe.put_void()), S_OK);
  auto tracks = globe.Query<IAnimationTracks>();
  auto a = CameraTrack(L"Flight");
  EXPECT_EQ(tracks->AddTrack(a.get()), S_OK);
  EXPECT_EQ(tracks->AddTrack(a.get()), E_INVALIDARG);
  EXPECT_EQ(tracks->AddTrack(CameraTrack(L"Flight").get()), E_INVALIDARG);
  EXPECT_EQ(tracks->AddTrack(CameraTrack(L"").get()), E_INVALIDARG);
  EXPECT_EQ(tracks->AddTrack(CameraTrack(L"Other").get()), S_OK);
  ComPtr<IAnimationTrack> found;
  EXPECT_EQ(tracks->FindTrack(Bstr(L"Flight"), found.put()), S_OK);
  EXPECT_TRUE(IsSameObject(found.get(), a.get()));
  EXPECT_EQ(tracks->FindTrack(Bstr(L"None"), found.put()), S_FALSE);
  EXPECT_EQ(tracks->RemoveTrack(a.get()), S_OK);
  EXPECT_EQ(tracks->RemoveTrack(a.get()), S_FALSE);
  LONG n = 0;
  tracks->get_TrackCount(&n);
  EXPECT_EQ(n, 1);
}

// ---------------------------------------------------------------- surface

TEST(GlobeTracks, SurfaceHeightsComeFromTheTopmostVisibleRasterWithAValue) {
  ScratchDir dir;
  DemSpec low;  // 100 + 10 * row + column over 6..7 E, 0.25..1 N
  ASSERT_TRUE(MakeGeoTiffDem(dir / "low.tif", low));
  DemSpec high = low;
  high.columns = 2;  // only 6..6.25 E
  high.value = [](int, int) { return 5000.0; };
  ASSERT_TRUE(MakeGeoTiffDem(dir / "high.tif", high));

  ComPtr<IGlobe> globe;
  ASSERT_EQ(CreateGlobe(nullptr, IidOf<IGlobe>(), globe.put_void()), S_OK);
  auto surface = globe.Query<IGlobeSurface>();
  double h = -1;
  EXPECT_EQ(surface->GetSurfaceHeight(6.5, 0.5, VARIANT_TRUE, &h), S_FALSE);  // no source
  EXPECT_EQ(h, 0.0);

  auto lowLayer = Make<IRasterLayer>(&CreateRasterLayerObject);
  ASSERT_EQ(lowLayer->CreateFromFilePath(Bstr(FromUtf8(dir / "low.tif"))), S_OK);
  auto highLayer = Make<IRasterLayer>(&CreateRasterLayerObject);
  ASSERT_EQ(highLayer->CreateFromFilePath(Bstr(FromUtf8(dir / "high.tif"))), S_OK);
  globe->AddLayer(highLayer.Query<ILayer>().get());
  globe->AddLayer(lowLayer.Query<ILayer>().get());
  LONG topIndex = 0;
  ComPtr<ILayer> top;
  globe->get_Layer(topIndex, top.put());
  const bool highOnTop = IsSameObject(top.get(), highLayer.get());

  struct Case {
    double lon, lat, metres;
    HRESULT hr;
  };
  const Case cases[] = {
      {6.5625, 0.9375, 104.0, S_OK},  // row 0, column 4: only the low raster
      {6.3125, 0.8125, 112.0, S_OK},  // row 1, column 2
      {8.0, 0.5, 0.0, S_FALSE},       // off both
      {6.0625, 0.9375, highOnTop ? 5000.0 : 100.0, S_OK},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(surface->GetSurfaceHeight(c.lon, c.lat, VARIANT_TRUE, &h), c.hr) << c.lon;
    EXPECT_DOUBLE_EQ(h, c.metres) << c.lon;
  }
  // A hidden layer is no source.
  top->put_Visible(VARIANT_FALSE);
  surface->GetSurfaceHeight(6.0625, 0.9375, VARIANT_TRUE, &h);
  EXPECT_DOUBLE_EQ(h, highOnTop ? 100.0 : 5000.0);
  top->put_Visible(VARIANT_TRUE);
  // As drawn: kilometres times the height factor (the vertical exaggeration).
  globe->put_VerticalExaggeration(2.0);
  double factor = 0;
  surface->get_HeightFactor(&factor);
  EXPECT_EQ(factor, 2.0);
  surface->GetSurfaceHeight(6.3125, 0.8125, VARIANT_FALSE, &h);
  EXPECT_DOUBLE_EQ(h, 0.224);
  EXPECT_EQ(surface->GetSurfaceHeight(0, 91, VARIANT_TRUE, &h), E_INVALIDARG);
  EXPECT_EQ(surface->GetSurfaceHeight(NAN, 0, VARIANT_TRUE, &h), E_INVALIDARG);
}

// ---------------------------------------------------------------- graphics by index

TEST(GlobeTracks, GraphicsByIndexKeepTheirIndexUntilDeleted) {
  auto layer = Make<IGlobeGraphicsLayer>(&CreateGlobeGraphicsLayerObject);
  auto a = Make<IElement>(&CreateLineElementObject);
  auto b = Make<IElement>(&CreateLineElementObject);
  LONG ia = -1, ib = -1, again = -1;
  ASSERT_EQ(layer->AddIndexedElement(a.get(), nullptr, &ia), S_OK);
  ASSERT_EQ(layer->AddIndexedElement(b.get(), nullptr, &ib), S_OK);
  EXPECT_NE(ia, ib);
  EXPECT_EQ(layer->AddIndexedElement(a.get(), nullptr, &again), S_OK);
  EXPECT_EQ(again, ia);

  auto line = NewPolyline();
  auto points = line.Query<IPointCollection>();
  points->AddPoint(NewPoint(0, 0).get());
  points->AddPoint(NewPoint(1, 1).get());
  auto c = Make<IElement>(&CreateLineElementObject);
  c->put_Geometry(line.Query<IGeometry>().get());
  ASSERT_EQ(layer->UpdateElementByIndex(ib, c.get()), S_OK);
  ComPtr<IGeometry> g;
  b->get_Geometry(g.put());
  LONG n = 0;
  g.Query<IPointCollection>()->get_PointCount(&n);
  EXPECT_EQ(n, 2);

  ASSERT_EQ(layer->DeleteElementByIndex(ia), S_OK);
  EXPECT_EQ(layer->DeleteElementByIndex(ia), E_INVALIDARG);
  EXPECT_EQ(layer->UpdateElementByIndex(ia, c.get()), E_INVALIDARG);
  layer.Query<IGraphicsContainer>()->get_ElementCount(&n);
  EXPECT_EQ(n, 1);
  LONG ic = -1;
  layer->AddIndexedElement(c.get(), nullptr, &ic);
  EXPECT_NE(ic, ia);  // indexes are not reused
  ComPtr<IElement> found;
  EXPECT_EQ(layer->FindElementByIndex(ic, found.put()), S_OK);
  EXPECT_TRUE(IsSameObject(found.get(), c.get()));
}

// ---------------------------------------------------------------- geometry

TEST(GlobeTracks, APointAtAnAngleAndDistance) {
  struct Case {
    double angleDegrees, distance, x, y;
  };
  const Case cases[] = {{0, 2, 12, 20},
                        {90, 2, 10, 22},
                        {180, 0.5, 9.5, 20},
                        {-90, 1, 10, 19},
                        {45, std::sqrt(2.0), 11, 21},
                        {30, -2, 10 - std::sqrt(3.0), 19}};
  auto from = NewPoint(10, 20, SpatialReferenceFromCode(4326).get());
  for (const auto& c : cases) {
    auto p = NewPoint();
    ASSERT_EQ(p.Query<IConstructPoint>()->ConstructAngleDistance(
                  from.get(), c.angleDegrees * 0.017453292519943295, c.distance),
              S_OK);
    double x = 0, y = 0;
    p->QueryCoords(&x, &y);
    EXPECT_NEAR(x, c.x, 1e-12) << c.angleDegrees;
    EXPECT_NEAR(y, c.y, 1e-12) << c.angleDegrees;
    ComPtr<ISpatialReference> sr;
    p->get_SpatialReference(sr.put());
    EXPECT_TRUE(sr);
  }
  auto p = NewPoint();
  EXPECT_EQ(p.Query<IConstructPoint>()->ConstructAngleDistance(NewPoint().get(), 0, 1),
            E_INVALIDARG);
  EXPECT_EQ(p.Query<IConstructPoint>()->ConstructAngleDistance(from.get(), NAN, 1), E_INVALIDARG);
}

ComPtr<IPolyline> Line(std::initializer_list<std::pair<double, double>> xy) {
  auto line = NewPolyline();
  auto pc = line.Query<IPointCollection>();
  for (auto [x, y] : xy) pc->AddPoint(NewPoint(x, y).get());
  return line;
}

std::vector<std::vector<std::pair<double, double>>> Parts(IGeometry* g) {
  std::vector<std::vector<std::pair<double, double>>> parts;
  for (const auto& part : DataOf(g)->parts) {
    parts.emplace_back();
    for (const auto& v : part) parts.back().emplace_back(v.x, v.y);
  }
  return parts;
}

TEST(GlobeTracks, TheUnionOfAPathCutInPiecesIsOnePath) {
  using P = std::vector<std::pair<double, double>>;
  struct Case {
    ComPtr<IPolyline> a, b;
    std::vector<P> parts;
  };
  const Case cases[] = {
      {Line({{0, 0}, {1, 0}}), Line({{1, 0}, {2, 0}}), {P{{0, 0}, {1, 0}, {2, 0}}}},
      {Line({{1, 0}, {2, 0}}), Line({{0, 0}, {1, 0}}), {P{{0, 0}, {1, 0}, {2, 0}}}},
      {Line({{0, 0}, {1, 0}}), Line({{2, 0}, {1, 0}}), {P{{0, 0}, {1, 0}, {2, 0}}}},
      {Line({{0, 0}, {1, 0}}), Line({{5, 5}, {6, 5}}), {P{{0, 0}, {1, 0}}, P{{5, 5}, {6, 5}}}},
  };
  for (const auto& c : cases) {
    ComPtr<IGeometry> u;
    ASSERT_EQ(c.a.Query<ITopologicalOperator>()->Union(c.b.Query<IGeometry>().get(), u.put()),
              S_OK);
    EXPECT_EQ(Parts(u.get()), c.parts);
  }
  ComPtr<IGeometry> u;
  EXPECT_EQ(Line({{0, 0}, {1, 0}})
                .Query<ITopologicalOperator>()
                ->Union(NewPoint(0, 0).Query<IGeometry>().get(), u.put()),
            E_INVALIDARG);
}

TEST(GlobeTracks, DensifyingCutsEverySegmentEvenly) {
  struct Case {
    double length;
    std::size_t vertices;  // of the legs 3 and 2 long
    double firstStep;
  };
  // 1: 3 + 2 pieces; 0.4: 8 pieces of 0.375 and 5 of 0.4; 5: nothing to cut.
  const Case cases[] = {{1.0, 6, 1.0}, {0.4, 14, 0.375}, {5.0, 3, 3.0}};
  for (const auto& c : cases) {
    auto line = Line({{0, 0}, {3, 0}, {3, 2}});
    ASSERT_EQ(line.Query<IDensify>()->Densify(c.length, 0.0), S_OK);
    auto parts = Parts(line.Query<IGeometry>().get());
    ASSERT_EQ(parts.size(), 1u);
    ASSERT_EQ(parts[0].size(), c.vertices) << c.length;
    EXPECT_DOUBLE_EQ(parts[0][1].first, c.firstStep) << c.length;
    EXPECT_EQ(parts[0].back(), std::make_pair(3.0, 2.0));
    double length = 0;
    line->get_Length(&length);
    EXPECT_DOUBLE_EQ(length, 5.0);
  }
  auto line = Line({{0, 0}, {1, 0}});
  EXPECT_EQ(line.Query<IDensify>()->Densify(0.0, 0.0), E_INVALIDARG);
  EXPECT_EQ(line.Query<IDensify>()->Densify(INFINITY, 0.0), E_INVALIDARG);
}

// ---------------------------------------------------------------- export

TEST(GlobeTracks, ATrackWithoutKeyframesWritesNothingAndLeavesTheOldFile) {
  ScratchDir dir;
  const std::string csv = dir / "t.csv", kml = dir / "t.kml";
  std::ofstream(csv) << "old";
  auto track = CameraTrack(L"Empty");
  EXPECT_EQ(WriteTrackCsv(track.get(), 1.0, csv), E_INVALIDARG);
  EXPECT_EQ(WriteTrackKml(track.get(), 1.0, kml), E_INVALIDARG);
  EXPECT_EQ(ReadFileText(csv), "old");
  EXPECT_FALSE(std::filesystem::exists(kml));
  ComPtr<IAnimationKeyframe> k;
  track->CreateKeyframe(-1, k.put());
  EXPECT_EQ(WriteTrackCsv(track.get(), 0.0, csv), E_INVALIDARG);  // no height factor
  EXPECT_EQ(WriteTrackCsv(track.get(), 1.0, dir / "missing/t.csv"), E_FAIL);
  EXPECT_EQ(WriteTrackCsv(track.get(), 1.0, csv), S_OK);
  EXPECT_EQ(ReadFileText(csv),
            "keyframe,observer_lon,observer_lat,observer_height_m,target_lon,target_lat,"
            "target_height_m\n,0,0,0,0,0,0\n");
}

}  // namespace
