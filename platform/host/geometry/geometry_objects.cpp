#include "platform/host/geometry/geometry_objects.h"

#include <cmath>
#include <utility>

#include <ogr_geometry.h>

#include "platform/com/out_param.h"
#include "platform/host/geometry/geo_transformation.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_operations.h"
#include "platform/host/geometry/multipatch.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {
namespace {

template <class Derived, class Leaf, class... More>
class GeometryBase : public ComObjectRoot<Derived, Leaf, IClone, IRelationalOperator, IGeometryData,
                                          ITransform2D, More...> {
 public:
  using Leaf::QueryInterface;  // one name for the runtime's typed QueryInterface helper
  GeometryBase() : data_(GeomData::Empty(Derived::kType)) {}

  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IGeometry>()) {
      *ppv = static_cast<IGeometry*>(static_cast<Leaf*>(this));
      static_cast<IUnknown*>(*ppv)->AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  // IGeometry
  HRESULT get_GeometryType(LONG* type) override {
    if (!type) return E_POINTER;
    *type = data_.type;
    return S_OK;
  }
  HRESULT get_IsEmpty(VARIANT_BOOL* empty) override {
    if (!empty) return E_POINTER;
    *empty = ToVariantBool(data_.IsEmpty());
    return S_OK;
  }
  HRESULT SetEmpty() override {
    auto sr = data_.sr;
    bool z = data_.zAware, m = data_.mAware;
    data_ = GeomData::Empty(data_.type);
    data_.sr = sr;
    data_.zAware = z;
    data_.mAware = m;
    return S_OK;
  }
  HRESULT get_SpatialReference(ISpatialReference** sr) override { return data_.sr.CopyTo(sr); }
  HRESULT put_SpatialReference(ISpatialReference* sr) override {
    data_.sr = sr;
    return S_OK;
  }
  HRESULT Project(ISpatialReference* sr) override { return ProjectData(data_, sr); }
  // ITransform2D
  HRESULT Transform(LONG direction, IUnknown* transformation) override {
    GeomData moved = data_;
    HRESULT hr = TransformGeomData(moved, direction, transformation);
    if (SUCCEEDED(hr)) data_ = std::move(moved);
    return hr;
  }
  HRESULT get_Envelope(IEnvelope** envelope) override {
    if (!envelope) return E_POINTER;
    *envelope = nullptr;
    ComPtr<IEnvelope> env = NewEnvelope();
    HRESULT hr = QueryEnvelope(env.get());
    if (FAILED(hr)) return hr;
    *envelope = env.Detach();
    return S_OK;
  }
  HRESULT QueryEnvelope(IEnvelope* envelope) override {
    GeomData* target = DataOf(envelope);
    if (!target || target->type != kGeometryEnvelope) return E_POINTER;
    GeomData e = GeomData::Empty(kGeometryEnvelope);
    double x0, y0, x1, y1;
    if (data_.Extent(x0, y0, x1, y1)) {
      e.parts[0][0].x = x0;
      e.parts[0][0].y = y0;
      e.parts[0][1].x = x1;
      e.parts[0][1].y = y1;
    }
    e.sr = data_.sr;
    *target = std::move(e);
    return S_OK;
  }
  HRESULT get_ZAware(VARIANT_BOOL* aware) override {
    if (!aware) return E_POINTER;
    *aware = ToVariantBool(data_.zAware);
    return S_OK;
  }
  HRESULT put_ZAware(VARIANT_BOOL aware) override {
    data_.zAware = aware != 0;
    return S_OK;
  }
  HRESULT get_MAware(VARIANT_BOOL* aware) override {
    if (!aware) return E_POINTER;
    *aware = ToVariantBool(data_.mAware);
    return S_OK;
  }
  HRESULT put_MAware(VARIANT_BOOL aware) override {
    data_.mAware = aware != 0;
    return S_OK;
  }

  // IClone
  HRESULT Clone(IClone** copy) override {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    ComPtr<IGeometry> g = MakeGeometry(data_);
    if (!g) return E_OUTOFMEMORY;
    return g->QueryInterface(IidOf<IClone>(), reinterpret_cast<void**>(copy));
  }
  HRESULT IsEqual(IClone* other, VARIANT_BOOL* equal) override {
    if (!equal) return E_POINTER;
    GeomData* o = DataOf(other);
    *equal = ToVariantBool(o && SameReference(data_.sr.get(), o->sr.get()) && data_.SameShape(*o));
    return S_OK;
  }
  HRESULT Assign(IClone* other) override {
    GeomData* o = DataOf(other);
    if (!o) return E_POINTER;
    if (o->type != data_.type) return E_INVALIDARG;
    if (o != &data_) data_ = *o;
    return S_OK;
  }

  // IRelationalOperator
  HRESULT Contains(IGeometry* other, VARIANT_BOOL* r) override {
    return Relate(other, r, kContains);
  }
  HRESULT Within(IGeometry* other, VARIANT_BOOL* r) override { return Relate(other, r, kWithin); }
  HRESULT Disjoint(IGeometry* other, VARIANT_BOOL* r) override {
    return Relate(other, r, kDisjoint);
  }
  HRESULT Touches(IGeometry* other, VARIANT_BOOL* r) override { return Relate(other, r, kTouches); }
  HRESULT Overlaps(IGeometry* other, VARIANT_BOOL* r) override {
    return Relate(other, r, kOverlaps);
  }
  HRESULT Crosses(IGeometry* other, VARIANT_BOOL* r) override { return Relate(other, r, kCrosses); }
  HRESULT Equals(IGeometry* other, VARIANT_BOOL* r) override { return Relate(other, r, kEquals); }

  GeomData& Data() override { return data_; }

 protected:
  enum Relation { kContains, kWithin, kDisjoint, kTouches, kOverlaps, kCrosses, kEquals };

  HRESULT Relate(IGeometry* other, VARIANT_BOOL* result, Relation rel) {
    if (!result) return E_POINTER;
    *result = VARIANT_FALSE;
    GeomData* o = DataOf(other);
    if (!o) return E_POINTER;
    GeomData b = *o;
    if (SrsOf(data_.sr.get()) && SrsOf(b.sr.get()) && !SameReference(data_.sr.get(), b.sr.get())) {
      HRESULT hr = ProjectData(b, data_.sr.get());
      if (FAILED(hr)) return hr;
    }
    auto ga = ToOgr(data_);
    auto gb = ToOgr(b);
    if (!ga || !gb) {  // an empty side meets nothing
      *result = ToVariantBool(rel == kDisjoint);
      return S_OK;
    }
    bool r = false;
    switch (rel) {
      case kContains: r = ga->Contains(gb.get()); break;
      case kWithin: r = ga->Within(gb.get()); break;
      case kDisjoint: r = ga->Disjoint(gb.get()); break;
      case kTouches: r = ga->Touches(gb.get()); break;
      case kOverlaps: r = ga->Overlaps(gb.get()); break;
      case kCrosses: r = ga->Crosses(gb.get()); break;
      case kEquals: r = ga->Equals(gb.get()); break;
    }
    *result = ToVariantBool(r);
    return S_OK;
  }

  GeomData data_;
};

bool ReadPoint(IPoint* p, Vertex& v) {
  GeomData* d = DataOf(p);
  if (!d || d->type != kGeometryPoint || d->parts.empty() || d->parts[0].empty()) return false;
  v = d->parts[0][0];
  return true;
}

class PointObject : public GeometryBase<PointObject, IPoint, IConstructPoint> {
 public:
  static constexpr LONG kType = kGeometryPoint;
  HRESULT ConstructAngleDistance(IPoint* from, double angle, double distance) override {
    return ConstructAngleDistanceData(data_, from, angle, distance);
  }
  HRESULT get_X(double* v) override { return Get(v, &Vertex::x); }
  HRESULT put_X(double v) override { return Put(v, &Vertex::x); }
  HRESULT get_Y(double* v) override { return Get(v, &Vertex::y); }
  HRESULT put_Y(double v) override { return Put(v, &Vertex::y); }
  HRESULT get_Z(double* v) override { return Get(v, &Vertex::z); }
  HRESULT put_Z(double v) override { return Put(v, &Vertex::z); }
  HRESULT get_M(double* v) override { return Get(v, &Vertex::m); }
  HRESULT put_M(double v) override { return Put(v, &Vertex::m); }
  HRESULT PutCoords(double x, double y) override {
    V().x = x;
    V().y = y;
    return S_OK;
  }
  HRESULT QueryCoords(double* x, double* y) override {
    if (!x || !y) return E_POINTER;
    if (data_.IsEmpty()) return E_FAIL;
    *x = V().x;
    *y = V().y;
    return S_OK;
  }

 private:
  Vertex& V() {
    if (data_.parts.empty() || data_.parts[0].empty()) data_.parts = {{Vertex{}}};
    return data_.parts[0][0];
  }
  HRESULT Get(double* out, double Vertex::*field) {
    if (!out) return E_POINTER;
    *out = V().*field;
    return S_OK;
  }
  HRESULT Put(double v, double Vertex::*field) {
    V().*field = v;
    return S_OK;
  }
};

class EnvelopeObject : public GeometryBase<EnvelopeObject, IEnvelope> {
 public:
  static constexpr LONG kType = kGeometryEnvelope;
  HRESULT get_XMin(double* v) override { return Get(v, Lo().x); }
  HRESULT put_XMin(double v) override {
    Lo().x = v;
    return S_OK;
  }
  HRESULT get_YMin(double* v) override { return Get(v, Lo().y); }
  HRESULT put_YMin(double v) override {
    Lo().y = v;
    return S_OK;
  }
  HRESULT get_XMax(double* v) override { return Get(v, Hi().x); }
  HRESULT put_XMax(double v) override {
    Hi().x = v;
    return S_OK;
  }
  HRESULT get_YMax(double* v) override { return Get(v, Hi().y); }
  HRESULT put_YMax(double v) override {
    Hi().y = v;
    return S_OK;
  }
  HRESULT get_Width(double* v) override { return Get(v, data_.IsEmpty() ? 0.0 : Hi().x - Lo().x); }
  HRESULT get_Height(double* v) override { return Get(v, data_.IsEmpty() ? 0.0 : Hi().y - Lo().y); }
  HRESULT PutCoords(double xmin, double ymin, double xmax, double ymax) override {
    Lo().x = std::min(xmin, xmax);
    Hi().x = std::max(xmin, xmax);
    Lo().y = std::min(ymin, ymax);
    Hi().y = std::max(ymin, ymax);
    return S_OK;
  }
  HRESULT QueryCoords(double* xmin, double* ymin, double* xmax, double* ymax) override {
    if (!xmin || !ymin || !xmax || !ymax) return E_POINTER;
    *xmin = Lo().x;
    *ymin = Lo().y;
    *xmax = Hi().x;
    *ymax = Hi().y;
    return S_OK;
  }
  HRESULT Union(IEnvelope* other) override {
    GeomData o;
    HRESULT hr = OtherInOurReference(other, o);
    if (FAILED(hr)) return hr;
    if (o.IsEmpty()) return S_OK;
    if (data_.IsEmpty()) {
      data_.parts = o.parts;
      if (!data_.sr) data_.sr = o.sr;
      return S_OK;
    }
    Lo().x = std::min(Lo().x, o.parts[0][0].x);
    Lo().y = std::min(Lo().y, o.parts[0][0].y);
    Hi().x = std::max(Hi().x, o.parts[0][1].x);
    Hi().y = std::max(Hi().y, o.parts[0][1].y);
    return S_OK;
  }
  HRESULT Intersect(IEnvelope* other) override {
    GeomData o;
    HRESULT hr = OtherInOurReference(other, o);
    if (FAILED(hr)) return hr;
    if (data_.IsEmpty()) return S_OK;
    if (o.IsEmpty()) return SetEmpty();
    double x0 = std::max(Lo().x, o.parts[0][0].x), y0 = std::max(Lo().y, o.parts[0][0].y);
    double x1 = std::min(Hi().x, o.parts[0][1].x), y1 = std::min(Hi().y, o.parts[0][1].y);
    if (x0 > x1 || y0 > y1) return SetEmpty();
    return PutCoords(x0, y0, x1, y1);
  }
  HRESULT Expand(double dx, double dy, VARIANT_BOOL asRatio) override {
    if (data_.IsEmpty()) return S_OK;
    double hw, hh;
    if (asRatio) {
      if (dx < 0 || dy < 0) return E_INVALIDARG;
      hw = (Hi().x - Lo().x) * dx / 2.0;
      hh = (Hi().y - Lo().y) * dy / 2.0;
      double cx = (Lo().x + Hi().x) / 2.0, cy = (Lo().y + Hi().y) / 2.0;
      return PutCoords(cx - hw, cy - hh, cx + hw, cy + hh);
    }
    double x0 = Lo().x - dx, x1 = Hi().x + dx, y0 = Lo().y - dy, y1 = Hi().y + dy;
    if (x0 > x1 || y0 > y1) return E_INVALIDARG;  // shrinking past nothing
    return PutCoords(x0, y0, x1, y1);
  }
  HRESULT CenterAt(IPoint* centre) override {
    Vertex c;
    if (!ReadPoint(centre, c)) return E_POINTER;
    if (data_.IsEmpty()) return E_FAIL;
    double hw = (Hi().x - Lo().x) / 2.0, hh = (Hi().y - Lo().y) / 2.0;
    return PutCoords(c.x - hw, c.y - hh, c.x + hw, c.y + hh);
  }
  HRESULT get_Center(IPoint** p) override {
    return Corner(p, (Lo().x + Hi().x) / 2.0, (Lo().y + Hi().y) / 2.0);
  }
  HRESULT get_LowerLeft(IPoint** p) override { return Corner(p, Lo().x, Lo().y); }
  HRESULT get_UpperLeft(IPoint** p) override { return Corner(p, Lo().x, Hi().y); }
  HRESULT get_UpperRight(IPoint** p) override { return Corner(p, Hi().x, Hi().y); }
  HRESULT get_LowerRight(IPoint** p) override { return Corner(p, Hi().x, Lo().y); }

 private:
  Vertex& Lo() { return data_.parts[0][0]; }
  Vertex& Hi() { return data_.parts[0][1]; }
  static HRESULT Get(double* out, double v) {
    if (!out) return E_POINTER;
    *out = v;
    return S_OK;
  }
  HRESULT Corner(IPoint** p, double x, double y) {
    if (!p) return E_POINTER;
    *p = nullptr;
    ComPtr<IPoint> pt = data_.IsEmpty() ? NewPoint() : NewPoint(x, y, data_.sr.get());
    pt->put_SpatialReference(data_.sr.get());
    *p = pt.Detach();
    return S_OK;
  }
  HRESULT OtherInOurReference(IEnvelope* other, GeomData& out) {
    GeomData* o = DataOf(other);
    if (!o || o->type != kGeometryEnvelope) return E_POINTER;
    out = *o;
    if (!out.IsEmpty() && SrsOf(data_.sr.get()) && SrsOf(out.sr.get()) &&
        !SameReference(data_.sr.get(), out.sr.get()))
      return ProjectData(out, data_.sr.get());
    return S_OK;
  }
};

// Shared vertex handling of multipoints, polylines and polygons.
template <class Derived, class Leaf, class... More>
class VertexGeometry : public GeometryBase<Derived, Leaf, IPointCollection, More...> {
 protected:
  using GeometryBase<Derived, Leaf, IPointCollection, More...>::data_;

 public:
  HRESULT get_PointCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = data_.VertexCount();
    return S_OK;
  }
  HRESULT get_Point(LONG index, IPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    std::size_t part, at;
    if (!Locate(index, part, at)) return E_INVALIDARG;
    const Vertex& v = data_.parts[part][at];
    ComPtr<IPoint> p = NewPoint(v.x, v.y, data_.sr.get());
    p->put_Z(v.z);
    p->put_M(v.m);
    p->put_ZAware(ToVariantBool(data_.zAware));
    p->put_MAware(ToVariantBool(data_.mAware));
    *point = p.Detach();
    return S_OK;
  }
  HRESULT AddPoint(IPoint* point) override {
    Vertex v;
    if (!ReadPoint(point, v)) return E_POINTER;
    if (data_.parts.empty() || data_.newPart) data_.parts.emplace_back();
    data_.newPart = false;
    data_.parts.back().push_back(v);
    return S_OK;
  }
  HRESULT InsertPoint(LONG before, IPoint* point) override {
    Vertex v;
    if (!ReadPoint(point, v)) return E_POINTER;
    if (before == data_.VertexCount()) return AddPoint(point);
    std::size_t part, at;
    if (!Locate(before, part, at)) return E_INVALIDARG;
    data_.parts[part].insert(data_.parts[part].begin() + static_cast<std::ptrdiff_t>(at), v);
    return S_OK;
  }
  HRESULT UpdatePoint(LONG index, IPoint* point) override {
    Vertex v;
    if (!ReadPoint(point, v)) return E_POINTER;
    std::size_t part, at;
    if (!Locate(index, part, at)) return E_INVALIDARG;
    data_.parts[part][at] = v;
    return S_OK;
  }
  HRESULT RemovePoints(LONG index, LONG count) override {
    if (count < 0 || index < 0 || index + count > data_.VertexCount()) return E_INVALIDARG;
    for (LONG i = 0; i < count; ++i) {
      std::size_t part = 0, at = 0;
      if (!Locate(index, part, at)) return E_INVALIDARG;
      data_.parts[part].erase(data_.parts[part].begin() + static_cast<std::ptrdiff_t>(at));
      if (data_.parts[part].empty()) {
        data_.parts.erase(data_.parts.begin() + static_cast<std::ptrdiff_t>(part));
        if (part < data_.partKinds.size())
          data_.partKinds.erase(data_.partKinds.begin() + static_cast<std::ptrdiff_t>(part));
      }
    }
    return S_OK;
  }

 protected:
  bool Locate(LONG index, std::size_t& part, std::size_t& at) const {
    if (index < 0) return false;
    std::size_t i = static_cast<std::size_t>(index);
    for (part = 0; part < data_.parts.size(); ++part) {
      if (i < data_.parts[part].size()) {
        at = i;
        return true;
      }
      i -= data_.parts[part].size();
    }
    return false;
  }
  HRESULT PartCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(data_.parts.size());
    return S_OK;
  }
  HRESULT PartPointCount(LONG part, LONG* count) {
    if (!count) return E_POINTER;
    if (part < 0 || static_cast<std::size_t>(part) >= data_.parts.size()) return E_INVALIDARG;
    *count = static_cast<LONG>(data_.parts[part].size());
    return S_OK;
  }
  double PartsLength() const {
    double len = 0.0;
    for (const auto& p : data_.parts)
      for (std::size_t i = 1; i < p.size(); ++i)
        len += std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y);
    return len;
  }
};

// Union and densify of the vertex geometries that have them.
#define VELK_UNION_FORWARD                                       \
  HRESULT Union(IGeometry* other, IGeometry** result) override { \
    return UnionData(data_, other, result);                      \
  }
#define VELK_DENSIFY_FORWARD                                  \
  HRESULT Densify(double maxSegmentLength, double) override { \
    return DensifyData(data_, maxSegmentLength);              \
  }

class MultipointObject
    : public VertexGeometry<MultipointObject, IMultipoint, ITopologicalOperator> {
 public:
  static constexpr LONG kType = kGeometryMultipoint;
  VELK_UNION_FORWARD
};

// A new single-part geometry of the kind holding a copy of one part of d.
ComPtr<IGeometry> PartOf(const GeomData& d, std::size_t index, LONG kind);

// IGeometryCollection::get_Geometry: part index of d, of the kind kindOf(index) gives.
template <class KindOf>
HRESULT CopyPart(const GeomData& d, LONG index, IGeometry** part, KindOf kindOf) {
  if (!part) return E_POINTER;
  *part = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= d.parts.size()) return E_INVALIDARG;
  const auto at = static_cast<std::size_t>(index);
  *part = PartOf(d, at, kindOf(at)).Detach();
  return S_OK;
}

class PolylineObject
    : public VertexGeometry<PolylineObject, IPolyline, IPartCollection, IMSegmentation,
                            IGeometryCollection, ITopologicalOperator, IDensify> {
 public:
  static constexpr LONG kType = kGeometryPolyline;
  VELK_UNION_FORWARD
  VELK_DENSIFY_FORWARD
  HRESULT get_GeometryCount(LONG* count) override { return PartCount(count); }
  HRESULT get_Geometry(LONG index, IGeometry** part) override {
    return CopyPart(data_, index, part, [](std::size_t) { return kGeometryPath; });
  }
  HRESULT AddGeometry(IGeometry* part) override {
    const GeomData* d = DataOf(part);
    if (!d) return E_POINTER;
    if (d->type != kGeometryPath && d->type != kGeometryPolyline) return E_INVALIDARG;
    for (const auto& p : d->parts) data_.parts.push_back(p);
    data_.newPart = true;
    return S_OK;
  }
  HRESULT get_PartCount(LONG* count) override { return PartCount(count); }
  HRESULT get_PartPointCount(LONG part, LONG* count) override {
    return PartPointCount(part, count);
  }
  HRESULT StartPart() override {
    data_.newPart = true;
    return S_OK;
  }
  HRESULT get_Length(double* length) override {
    if (!length) return E_POINTER;
    *length = PartsLength();
    return S_OK;
  }
  HRESULT get_FromPoint(IPoint** p) override {
    LONG n = data_.VertexCount();
    if (!p) return E_POINTER;
    if (n == 0) return (*p = NewPoint().Detach(), S_OK);
    return get_Point(0, p);
  }
  HRESULT get_ToPoint(IPoint** p) override {
    LONG n = data_.VertexCount();
    if (!p) return E_POINTER;
    if (n == 0) return (*p = NewPoint().Detach(), S_OK);
    return get_Point(n - 1, p);
  }
  HRESULT SetMsAsDistance(VARIANT_BOOL asRatio) override {
    const double length = PartsLength();
    double along = 0.0;
    for (auto& part : data_.parts)
      for (std::size_t i = 0; i < part.size(); ++i) {
        if (i > 0) along += std::hypot(part[i].x - part[i - 1].x, part[i].y - part[i - 1].y);
        part[i].m = asRatio && length > 0 ? along / length : along;
      }
    data_.mAware = true;
    return S_OK;
  }
};

class PolygonObject : public VertexGeometry<PolygonObject, IPolygon, IPartCollection,
                                            ITopologicalOperator, IDensify> {
 public:
  static constexpr LONG kType = kGeometryPolygon;
  VELK_UNION_FORWARD
  VELK_DENSIFY_FORWARD
  HRESULT get_PartCount(LONG* count) override { return PartCount(count); }
  HRESULT get_PartPointCount(LONG part, LONG* count) override {
    return PartPointCount(part, count);
  }
  HRESULT StartPart() override {
    data_.newPart = true;
    return S_OK;
  }
  HRESULT get_Area(double* area) override {
    if (!area) return E_POINTER;
    *area = 0.0;
    auto g = ToOgr(data_);
    if (!g) return S_OK;
    auto flat = wkbFlatten(g->getGeometryType());
    if (flat == wkbPolygon)
      *area = g->toPolygon()->get_Area();
    else if (flat == wkbMultiPolygon)
      *area = g->toMultiPolygon()->get_Area();
    return S_OK;
  }
  HRESULT get_Length(double* perimeter) override {
    if (!perimeter) return E_POINTER;
    GeomData closed = data_;
    Close(closed);
    std::swap(closed, data_);
    *perimeter = PartsLength();
    std::swap(closed, data_);
    return S_OK;
  }
  HRESULT Close() override {
    Close(data_);
    return S_OK;
  }

 private:
  static void Close(GeomData& d) {
    for (auto& ring : d.parts)
      if (ring.size() > 1 && (ring.front().x != ring.back().x || ring.front().y != ring.back().y))
        ring.push_back(ring.front());
  }
};

// One part of a 3-D geometry.
template <class Derived, class Leaf, LONG Type>
class PartObject : public VertexGeometry<Derived, Leaf> {
 public:
  static constexpr LONG kType = Type;
};
class PathObject : public PartObject<PathObject, IPath, kGeometryPath> {};
class TriangleStripObject
    : public PartObject<TriangleStripObject, ITriangleStrip, kGeometryTriangleStrip> {};
class TriangleFanObject
    : public PartObject<TriangleFanObject, ITriangleFan, kGeometryTriangleFan> {};

class MultiPatchObject
    : public VertexGeometry<MultiPatchObject, IMultiPatch, IPartCollection, IGeometryCollection> {
 public:
  static constexpr LONG kType = kGeometryMultiPatch;
  HRESULT get_PartCount(LONG* count) override { return PartCount(count); }
  HRESULT get_PartPointCount(LONG part, LONG* count) override {
    return PartPointCount(part, count);
  }
  // A part begun by points alone is a strip.
  HRESULT StartPart() override {
    data_.newPart = true;
    return S_OK;
  }
  HRESULT AddPoint(IPoint* point) override {
    const bool starts = data_.parts.empty() || data_.newPart;
    HRESULT hr = VertexGeometry::AddPoint(point);
    if (SUCCEEDED(hr) && starts) data_.partKinds.push_back(kPatchTriangleStrip);
    return hr;
  }
  HRESULT get_GeometryCount(LONG* count) override { return PartCount(count); }
  HRESULT get_Geometry(LONG index, IGeometry** part) override {
    return CopyPart(data_, index, part, [this](std::size_t at) {
      return data_.partKinds[at] == kPatchTriangleFan ? kGeometryTriangleFan
                                                      : kGeometryTriangleStrip;
    });
  }
  HRESULT AddGeometry(IGeometry* part) override {
    const GeomData* d = DataOf(part);
    if (!d) return E_POINTER;
    if (d->type != kGeometryTriangleStrip && d->type != kGeometryTriangleFan) return E_INVALIDARG;
    std::vector<Vertex> points;
    for (const auto& p : d->parts) points.insert(points.end(), p.begin(), p.end());
    data_.parts.push_back(std::move(points));
    data_.partKinds.push_back(d->type == kGeometryTriangleFan ? kPatchTriangleFan
                                                               : kPatchTriangleStrip);
    data_.newPart = true;
    return S_OK;
  }
};

template <class T, class I>
ComPtr<I> Make() {
  ComPtr<I> r;
  Check(MakeObject<T, I>(r.put()));
  return r;
}

}  // namespace

GeomData* DataOf(IUnknown* geometry) {
  if (!geometry) return nullptr;
  IGeometryData* d = nullptr;
  if (FAILED(geometry->QueryInterface(IidOf<IGeometryData>(), reinterpret_cast<void**>(&d))) || !d)
    return nullptr;
  GeomData* data = &d->Data();
  d->Release();  // the caller holds the geometry, which keeps the data alive
  return data;
}

ComPtr<IGeometry> MakeGeometry(GeomData data) {
  ComPtr<IGeometry> g;
  switch (data.type) {
    case kGeometryPoint: g = Make<PointObject, IGeometry>(); break;
    case kGeometryEnvelope: g = Make<EnvelopeObject, IGeometry>(); break;
    case kGeometryMultipoint: g = Make<MultipointObject, IGeometry>(); break;
    case kGeometryPolyline: g = Make<PolylineObject, IGeometry>(); break;
    case kGeometryPolygon: g = Make<PolygonObject, IGeometry>(); break;
    case kGeometryPath: g = Make<PathObject, IGeometry>(); break;
    case kGeometryTriangleStrip: g = Make<TriangleStripObject, IGeometry>(); break;
    case kGeometryTriangleFan: g = Make<TriangleFanObject, IGeometry>(); break;
    case kGeometryMultiPatch: g = Make<MultiPatchObject, IGeometry>(); break;
    default: return nullptr;
  }
  *DataOf(g.get()) = std::move(data);
  return g;
}

namespace {

ComPtr<IGeometry> PartOf(const GeomData& d, std::size_t index, LONG kind) {
  GeomData part = GeomData::Empty(kind);
  part.parts = {d.parts[index]};
  part.zAware = d.zAware;
  part.mAware = d.mAware;
  part.sr = d.sr;
  return MakeGeometry(std::move(part));
}

}  // namespace

HRESULT CreatePointObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<PointObject>(outer, riid, ppv);
}
HRESULT CreateEnvelopeObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<EnvelopeObject>(outer, riid, ppv);
}
HRESULT CreateMultipointObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<MultipointObject>(outer, riid, ppv);
}
HRESULT CreatePolylineObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<PolylineObject>(outer, riid, ppv);
}
HRESULT CreatePolygonObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<PolygonObject>(outer, riid, ppv);
}
HRESULT CreateMultiPatchObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<MultiPatchObject>(outer, riid, ppv);
}
HRESULT CreateTriangleStripObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TriangleStripObject>(outer, riid, ppv);
}
HRESULT CreateTriangleFanObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TriangleFanObject>(outer, riid, ppv);
}
HRESULT CreatePathObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<PathObject>(outer, riid, ppv);
}

ComPtr<IPoint> NewPoint() { return Make<PointObject, IPoint>(); }
ComPtr<IPoint> NewPoint(double x, double y, ISpatialReference* sr) {
  auto p = NewPoint();
  p->PutCoords(x, y);
  p->put_SpatialReference(sr);
  return p;
}
ComPtr<IEnvelope> NewEnvelope() { return Make<EnvelopeObject, IEnvelope>(); }
ComPtr<IEnvelope> NewEnvelope(double xmin, double ymin, double xmax, double ymax,
                              ISpatialReference* sr) {
  auto e = NewEnvelope();
  e->PutCoords(xmin, ymin, xmax, ymax);
  e->put_SpatialReference(sr);
  return e;
}
ComPtr<IMultipoint> NewMultipoint() { return Make<MultipointObject, IMultipoint>(); }
ComPtr<IPolyline> NewPolyline() { return Make<PolylineObject, IPolyline>(); }
ComPtr<IPolygon> NewPolygon() { return Make<PolygonObject, IPolygon>(); }

}  // namespace velk::host
