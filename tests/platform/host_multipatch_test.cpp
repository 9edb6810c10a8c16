// Multipatches (triangle strips and fans) and 3-D paths with z and m: the geometry objects and
// their shapefiles, read back through the host and with GDAL's ogrinfo.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/multipatch.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

using namespace velk;
using namespace velk::host;
using namespace velk::test;

namespace {

template <class I>
ComPtr<I> Create(HRESULT (*creator)(IUnknown*, REFIID, void**)) {
  ComPtr<I> out;
  EXPECT_EQ(creator(nullptr, IidOf<I>(), reinterpret_cast<void**>(out.put())), S_OK);
  return out;
}

ComPtr<IPoint> Point3(double x, double y, double z, double m) {
  auto p = NewPoint(x, y);
  p->put_ZAware(VARIANT_TRUE);
  p->put_MAware(VARIANT_TRUE);
  p->put_Z(z);
  p->put_M(m);
  return p;
}

// A part of the given kind with points (i, i % 2, 10 + i, 100 + i) from first on.
ComPtr<IGeometry> Part(HRESULT (*creator)(IUnknown*, REFIID, void**), int first, int count) {
  auto part = Create<IGeometry>(creator);
  auto points = part.Query<IPointCollection>();
  for (int i = first; i < first + count; ++i)
    EXPECT_EQ(points->AddPoint(Point3(i, i % 2, 10 + i, 100 + i).get()), S_OK);
  return part;
}

ComPtr<IGeometry> SamplePatch(ISpatialReference* sr) {
  auto patch = Create<IGeometry>(&CreateMultiPatchObject);
  auto parts = patch.Query<IGeometryCollection>();
  EXPECT_EQ(parts->AddGeometry(Part(&CreateTriangleStripObject, 0, 5).get()), S_OK);
  EXPECT_EQ(parts->AddGeometry(Part(&CreateTriangleStripObject, 5, 4).get()), S_OK);
  EXPECT_EQ(parts->AddGeometry(Part(&CreateTriangleFanObject, 20, 6).get()), S_OK);
  patch->put_ZAware(VARIANT_TRUE);
  patch->put_MAware(VARIANT_TRUE);
  patch->put_SpatialReference(sr);
  return patch;
}

using Triangle = std::set<std::tuple<double, double, double>>;

// The triangles of the sample: strips (p0 p1 p2), (p1 p2 p3), ...; the fan (c p1 p2), ...
std::multiset<Triangle> SampleTriangles() {
  std::multiset<Triangle> out;
  auto at = [](int i) { return std::make_tuple(double(i), double(i % 2), 10.0 + i); };
  for (auto [first, count] : {std::pair{0, 5}, std::pair{5, 4}})
    for (int i = first + 2; i < first + count; ++i) out.insert({at(i - 2), at(i - 1), at(i)});
  for (int i = 22; i < 26; ++i) out.insert({at(20), at(i - 1), at(i)});
  return out;
}

// Every triangle of ogrinfo's text, each as its three corners.
std::multiset<Triangle> TrianglesIn(const std::string& text) {
  std::multiset<Triangle> out;
  static const std::regex ring(R"(\(\(([-0-9. ,e]+)\)\))");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), ring); it != std::sregex_iterator();
       ++it) {
    std::stringstream corners((*it)[1].str());
    std::string corner;
    Triangle t;
    int n = 0;
    while (std::getline(corners, corner, ',') && n++ < 3) {
      std::stringstream c(corner);
      double x, y, z;
      c >> x >> y >> z;
      t.insert({x, y, z});
    }
    out.insert(t);
  }
  return out;
}

TEST(MultiPatch, PartsKeepTheirKindPointsAndMeasures) {
  auto patch = SamplePatch(nullptr);
  LONG type = 0;
  patch->get_GeometryType(&type);
  EXPECT_EQ(type, kGeometryMultiPatch);
  auto parts = patch.Query<IGeometryCollection>();
  LONG count = 0;
  parts->get_GeometryCount(&count);
  ASSERT_EQ(count, 3);
  const LONG kinds[] = {kGeometryTriangleStrip, kGeometryTriangleStrip, kGeometryTriangleFan};
  const LONG sizes[] = {5, 4, 6};
  for (LONG i = 0; i < 3; ++i) {
    ComPtr<IGeometry> part;
    ASSERT_EQ(parts->get_Geometry(i, part.put()), S_OK);
    part->get_GeometryType(&type);
    EXPECT_EQ(type, kinds[i]);
    LONG n = 0;
    part.Query<IPointCollection>()->get_PointCount(&n);
    EXPECT_EQ(n, sizes[i]);
  }
  ComPtr<IPoint> p;
  patch.Query<IPointCollection>()->get_Point(9, p.put());  // the fan's centre
  double z = 0, m = 0;
  p->get_Z(&z);
  p->get_M(&m);
  EXPECT_EQ(z, 30);
  EXPECT_EQ(m, 120);
  // A path is no part of a multipatch, nor a strip of a polyline.
  EXPECT_EQ(parts->AddGeometry(Part(&CreatePathObject, 0, 2).get()), E_INVALIDARG);
  auto line = NewPolyline().Query<IGeometryCollection>();
  EXPECT_EQ(line->AddGeometry(Part(&CreateTriangleStripObject, 0, 3).get()), E_INVALIDARG);
  EXPECT_EQ(line->AddGeometry(Part(&CreatePathObject, 0, 3).get()), S_OK);
  EXPECT_EQ(line->AddGeometry(Part(&CreatePathObject, 3, 2).get()), S_OK);
  line->get_GeometryCount(&count);
  EXPECT_EQ(count, 2);
}

// One feature per shape, into a new or existing class of the folder.
void Store(IFeatureClass* fc, IGeometry* shape) {
  ComPtr<IFeature> f;
  ASSERT_EQ(fc->CreateFeature(f.put()), S_OK);
  ASSERT_EQ(f->putref_Shape(shape), S_OK);
  ASSERT_EQ(f->Store(), S_OK);
}

TEST(MultiPatch, ShapefileKeepsStripsFansAndMeasures) {
  ScratchDir dir;
  auto sr = SpatialReference(32632);
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ASSERT_TRUE(ws);
  FieldSpec shape = ShapeField(kGeometryMultiPatch, 32632, L"SHAPE");
  shape.hasZ = shape.hasM = true;
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"Dome", {shape}, fc.put(), L"SHAPE"), S_OK);
  auto patch = SamplePatch(sr.get());
  Store(fc.get(), patch.get());
  Store(fc.get(), patch.get());  // a second record after the first

  // GDAL sees the triangles of both records.
  const std::string info = ToolOutput("ogrinfo -ro -al " + ShellQuote(dir / "Dome.shp"));
  EXPECT_NE(info.find("Feature Count: 2"), std::string::npos) << info;
  std::multiset<Triangle> want = SampleTriangles(), twice = want;
  twice.insert(want.begin(), want.end());
  EXPECT_EQ(TrianglesIn(info), twice) << info;

  // The host reads the parts back as they were, measures included, after opening anew.
  fc.Reset();
  ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  ComPtr<IFeatureClass> again;
  ASSERT_EQ(ws.Query<IFeatureWorkspace>()->OpenFeatureClass(Bstr(L"Dome"), again.put()), S_OK);
  LONG type = 0;
  again->get_ShapeType(&type);
  EXPECT_EQ(type, kGeometryMultiPatch);
  for (LONG fid : {0, 1}) {
    ComPtr<IFeature> f;
    ASSERT_EQ(again->GetFeature(fid, f.put()), S_OK);
    ComPtr<IGeometry> back;
    f->get_Shape(back.put());
    ASSERT_TRUE(back);
    VARIANT_BOOL equal = VARIANT_FALSE;
    back.Query<IClone>()->IsEqual(patch.Query<IClone>().get(), &equal);
    EXPECT_TRUE(equal) << fid;
    LONG count = 0;
    back.Query<IGeometryCollection>()->get_GeometryCount(&count);
    EXPECT_EQ(count, 3);
    ComPtr<IPoint> p;
    back.Query<IPointCollection>()->get_Point(9, p.put());
    double m = 0;
    p->get_M(&m);
    EXPECT_EQ(m, 120);
  }
}

TEST(MultiPatch, PathsWithZAndMInAPolylineShapefile) {
  ScratchDir dir;
  auto ws = OpenWorkspace(ShapefileFactory().get(), dir.path());
  FieldSpec shape = ShapeField(kGeometryPolyline, 32632, L"SHAPE");
  shape.hasZ = shape.hasM = true;
  ComPtr<IFeatureClass> fc;
  ASSERT_EQ(CreateClass(ws.get(), L"Wireframe", {shape}, fc.put(), L"SHAPE"), S_OK);
  auto line = NewPolyline();
  line->put_ZAware(VARIANT_TRUE);
  line->put_MAware(VARIANT_TRUE);
  auto paths = line.Query<IGeometryCollection>();
  paths->AddGeometry(Part(&CreatePathObject, 0, 3).get());
  paths->AddGeometry(Part(&CreatePathObject, 3, 2).get());
  Store(fc.get(), line.Query<IGeometry>().get());
  const std::string info = ToolOutput("ogrinfo -ro -al " + ShellQuote(dir / "Wireframe.shp"));
  EXPECT_NE(info.find("MULTILINESTRING ZM ((0 0 10 100,1 1 11 101,2 0 12 102),(3 1 13 103,4 0 "
                      "14 104))"),
            std::string::npos)
      << info;
}

}  // namespace
