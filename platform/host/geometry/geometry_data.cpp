#include "platform/host/geometry/geometry_data.h"

#include <map>
#include <mutex>
#include <utility>

#include <cpl_error.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>

#include "platform/host/geometry/multipatch.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {

GeomData GeomData::Empty(LONG type) {
  GeomData d;
  d.type = type;
  if (type == kGeometryPoint) d.parts = {{Vertex{}}};
  if (type == kGeometryEnvelope) d.parts = {{Vertex{}, Vertex{}}};
  return d;
}

bool GeomData::IsEmpty() const {
  if (type == kGeometryPoint || type == kGeometryEnvelope) {
    if (parts.empty() || parts[0].empty()) return true;
    for (const Vertex& v : parts[0])
      if (std::isnan(v.x) || std::isnan(v.y)) return true;
    return false;
  }
  return VertexCount() == 0;
}

LONG GeomData::VertexCount() const {
  LONG n = 0;
  for (const auto& p : parts) n += static_cast<LONG>(p.size());
  return n;
}

bool GeomData::Extent(double& xmin, double& ymin, double& xmax, double& ymax) const {
  if (IsEmpty()) return false;
  bool first = true;
  for (const auto& p : parts)
    for (const Vertex& v : p) {
      if (first) {
        xmin = xmax = v.x;
        ymin = ymax = v.y;
        first = false;
      } else {
        xmin = std::min(xmin, v.x);
        xmax = std::max(xmax, v.x);
        ymin = std::min(ymin, v.y);
        ymax = std::max(ymax, v.y);
      }
    }
  return !first;
}

bool GeomData::SameShape(const GeomData& o) const {
  if (type != o.type || IsEmpty() != o.IsEmpty()) return false;
  if (IsEmpty()) return true;
  if (parts.size() != o.parts.size() || partKinds != o.partKinds) return false;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].size() != o.parts[i].size()) return false;
    for (std::size_t j = 0; j < parts[i].size(); ++j) {
      const Vertex& a = parts[i][j];
      const Vertex& b = o.parts[i][j];
      if (a.x != b.x || a.y != b.y) return false;
      if ((zAware || o.zAware) && a.z != b.z) return false;
    }
  }
  return true;
}

namespace {

void SetVertex(OGRPoint& p, const Vertex& v, bool z, bool m) {
  p.setX(v.x);
  p.setY(v.y);
  if (z) p.setZ(v.z);
  if (m) p.setM(std::isnan(v.m) ? 0.0 : v.m);
}

void FillCurve(OGRSimpleCurve& c, const std::vector<Vertex>& part, bool z, bool m) {
  c.setNumPoints(static_cast<int>(part.size()), FALSE);
  for (std::size_t i = 0; i < part.size(); ++i) {
    const Vertex& v = part[i];
    int k = static_cast<int>(i);
    if (z && m)
      c.setPoint(k, v.x, v.y, v.z, std::isnan(v.m) ? 0.0 : v.m);
    else if (z)
      c.setPoint(k, v.x, v.y, v.z);
    else if (m)
      c.setPointM(k, v.x, v.y, std::isnan(v.m) ? 0.0 : v.m);
    else
      c.setPoint(k, v.x, v.y);
  }
}

Vertex VertexOf(const OGRPoint& p) {
  Vertex v;
  v.x = p.getX();
  v.y = p.getY();
  v.z = p.Is3D() ? p.getZ() : 0.0;
  v.m = p.IsMeasured() ? p.getM() : kNaN;
  return v;
}

std::vector<Vertex> VerticesOf(const OGRSimpleCurve& c) {
  std::vector<Vertex> out;
  out.reserve(c.getNumPoints());
  for (int i = 0; i < c.getNumPoints(); ++i) {
    Vertex v;
    v.x = c.getX(i);
    v.y = c.getY(i);
    v.z = c.Is3D() ? c.getZ(i) : 0.0;
    v.m = c.IsMeasured() ? c.getM(i) : kNaN;
    out.push_back(v);
  }
  return out;
}

void AddPolygonRings(const OGRPolygon& poly, GeomData& out) {
  for (const OGRLinearRing* r : poly)
    if (r && r->getNumPoints() > 0) out.parts.push_back(VerticesOf(*r));
}

std::unique_ptr<OGRGeometry> MultipointToOgr(const GeomData& d) {
  auto mp = std::make_unique<OGRMultiPoint>();
  for (const auto& part : d.parts)
    for (const Vertex& v : part) {
      OGRPoint p;
      SetVertex(p, v, d.zAware, d.mAware);
      mp->addGeometry(&p);
    }
  return mp;
}

// One part a line string, more a multi line string; empty parts are left out.
std::unique_ptr<OGRGeometry> PolylineToOgr(const GeomData& d) {
  std::vector<const std::vector<Vertex>*> parts;
  for (const auto& part : d.parts)
    if (!part.empty()) parts.push_back(&part);
  if (parts.size() == 1) {
    auto ls = std::make_unique<OGRLineString>();
    FillCurve(*ls, *parts[0], d.zAware, d.mAware);
    return ls;
  }
  auto mls = std::make_unique<OGRMultiLineString>();
  for (const auto* part : parts) {
    OGRLineString ls;
    FillCurve(ls, *part, d.zAware, d.mAware);
    mls->addGeometry(&ls);
  }
  return mls;
}

// Each ring a polygon of its own, then sorted into outer rings and holes by GDAL.
std::unique_ptr<OGRGeometry> PolygonToOgr(const GeomData& d) {
  std::vector<OGRGeometry*> polys;
  for (const auto& part : d.parts) {
    if (part.empty()) continue;
    auto* ring = new OGRLinearRing();
    FillCurve(*ring, part, d.zAware, d.mAware);
    ring->closeRings();
    auto* poly = new OGRPolygon();
    poly->addRingDirectly(ring);
    polys.push_back(poly);
  }
  if (polys.size() == 1) return std::unique_ptr<OGRGeometry>(polys[0]);
  int valid = FALSE;
  OGRGeometry* g = OGRGeometryFactory::organizePolygons(
      polys.data(), static_cast<int>(polys.size()), &valid, nullptr);
  return std::unique_ptr<OGRGeometry>(g);
}

std::unique_ptr<OGRGeometry> EnvelopeToOgr(const GeomData& d) {
  const Vertex& lo = d.parts[0][0];
  const Vertex& hi = d.parts[0][1];
  // The envelope of a point is that point, of a horizontal or vertical line that line: a
  // ring without area would meet nothing.
  if (lo.x == hi.x && lo.y == hi.y) return std::make_unique<OGRPoint>(lo.x, lo.y);
  if (lo.x == hi.x || lo.y == hi.y) {
    auto line = std::make_unique<OGRLineString>();
    line->addPoint(lo.x, lo.y);
    line->addPoint(hi.x, hi.y);
    return line;
  }
  auto ring = new OGRLinearRing();
  ring->addPoint(lo.x, lo.y);
  ring->addPoint(lo.x, hi.y);
  ring->addPoint(hi.x, hi.y);
  ring->addPoint(hi.x, lo.y);
  ring->addPoint(lo.x, lo.y);
  auto poly = std::make_unique<OGRPolygon>();
  poly->addRingDirectly(ring);
  return poly;
}

// Strips, fans and multipatches as the surface of their triangles; null when there are none.
std::unique_ptr<OGRGeometry> PatchesToOgr(const GeomData& d) {
  auto tin = std::make_unique<OGRTriangulatedSurface>();
  for (std::size_t k = 0; k < d.parts.size(); ++k) {
    const auto& part = d.parts[k];
    const bool fan = d.type == kGeometryTriangleFan ||
                     (d.type == kGeometryMultiPatch && k < d.partKinds.size() &&
                      d.partKinds[k] == kPatchTriangleFan);
    for (std::size_t i = 2; i < part.size(); ++i) {
      const Vertex& a = fan ? part[0] : part[i - 2];
      std::vector<Vertex> corners{a, part[i - 1], part[i], a};
      OGRLinearRing ring;
      FillCurve(ring, corners, d.zAware, d.mAware);
      OGRTriangle triangle;
      triangle.addRing(&ring);
      tin->addGeometry(&triangle);
    }
  }
  if (tin->IsEmpty()) return nullptr;
  return tin;
}

}  // namespace

std::unique_ptr<OGRGeometry> ToOgr(const GeomData& d) {
  if (d.IsEmpty()) return nullptr;
  switch (d.type) {
    case kGeometryPoint: {
      auto p = std::make_unique<OGRPoint>();
      SetVertex(*p, d.parts[0][0], d.zAware, d.mAware);
      return p;
    }
    case kGeometryMultipoint: return MultipointToOgr(d);
    case kGeometryPolyline: return PolylineToOgr(d);
    case kGeometryPolygon: return PolygonToOgr(d);
    case kGeometryEnvelope: return EnvelopeToOgr(d);
    case kGeometryPath: {
      auto ls = std::make_unique<OGRLineString>();
      FillCurve(*ls, d.parts[0], d.zAware, d.mAware);
      return ls;
    }
    case kGeometryTriangleStrip:
    case kGeometryTriangleFan:
    case kGeometryMultiPatch: return PatchesToOgr(d);
    default: return nullptr;
  }
}

bool FromOgr(const OGRGeometry& g, LONG wantType, GeomData& out) {
  std::unique_ptr<OGRGeometry> linear;
  const OGRGeometry* src = &g;
  if (g.hasCurveGeometry()) {
    linear.reset(g.getLinearGeometry());
    if (!linear) return false;
    src = linear.get();
  }
  const auto flat = wkbFlatten(src->getGeometryType());
  GeomData d;
  d.zAware = src->Is3D();
  d.mAware = src->IsMeasured();
  switch (flat) {
    case wkbPoint: {
      const auto& p = *src->toPoint();
      if (wantType == kGeometryMultipoint) {
        d.type = kGeometryMultipoint;
        if (!p.IsEmpty()) d.parts = {{VertexOf(p)}};
      } else {
        d.type = kGeometryPoint;
        d.parts = {{p.IsEmpty() ? Vertex{} : VertexOf(p)}};
      }
      break;
    }
    case wkbMultiPoint: {
      const auto& mp = *src->toMultiPoint();
      if (wantType == kGeometryPoint && mp.getNumGeometries() == 1) {
        d.type = kGeometryPoint;
        d.parts = {{VertexOf(*mp.getGeometryRef(0))}};
        break;
      }
      d.type = kGeometryMultipoint;
      std::vector<Vertex> vs;
      for (const OGRPoint* p : mp)
        if (!p->IsEmpty()) vs.push_back(VertexOf(*p));
      if (!vs.empty()) d.parts.push_back(std::move(vs));
      break;
    }
    case wkbLineString:
      d.type = kGeometryPolyline;
      if (!src->IsEmpty()) d.parts.push_back(VerticesOf(*src->toLineString()));
      break;
    case wkbMultiLineString:
      d.type = kGeometryPolyline;
      for (const OGRLineString* ls : *src->toMultiLineString())
        if (!ls->IsEmpty()) d.parts.push_back(VerticesOf(*ls));
      break;
    case wkbPolygon:
      d.type = kGeometryPolygon;
      AddPolygonRings(*src->toPolygon(), d);
      break;
    case wkbMultiPolygon:
      d.type = kGeometryPolygon;
      for (const OGRPolygon* p : *src->toMultiPolygon()) AddPolygonRings(*p, d);
      break;
    default: return false;
  }
  if (wantType != kGeometryNull && wantType != d.type) return false;
  d.sr = out.sr;
  out = std::move(d);
  return true;
}

namespace {

// Transformations are costly to set up (PROJ searches its pipelines); keep the recent ones.
class TransformCache {
 public:
  OGRCoordinateTransformation* Get(ISpatialReference* from, ISpatialReference* to) {
    const OGRSpatialReference* a = SrsOf(from);
    const OGRSpatialReference* b = SrsOf(to);
    if (!a || !b) return nullptr;
    auto key = std::make_pair(SerialOf(from), SerialOf(to));
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second.get();
    if (cache_.size() >= 64) cache_.clear();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    OGRCoordinateTransformation* ct = OGRCreateCoordinateTransformation(a, b);
    CPLPopErrorHandler();
    if (!ct) return nullptr;
    auto& slot = cache_[key];
    slot.reset(ct);
    return ct;
  }
  std::mutex lock;

 private:
  struct Deleter {
    void operator()(OGRCoordinateTransformation* ct) const {
      OGRCoordinateTransformation::DestroyCT(ct);
    }
  };
  std::map<std::pair<std::uint64_t, std::uint64_t>,
           std::unique_ptr<OGRCoordinateTransformation, Deleter>>
      cache_;
};

TransformCache& Cache() {
  static TransformCache* cache = new TransformCache();  // lives to process end
  return *cache;
}

}  // namespace

bool TransformXY(ISpatialReference* from, ISpatialReference* to, std::vector<double>& x,
                 std::vector<double>& y) {
  if (x.size() != y.size()) return false;
  if (x.empty()) return true;
  std::lock_guard<std::mutex> guard(Cache().lock);
  OGRCoordinateTransformation* ct = Cache().Get(from, to);
  if (!ct) return false;
  std::vector<double> tx = x, ty = y;
  std::vector<int> ok(x.size(), FALSE);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  ct->Transform(x.size(), tx.data(), ty.data(), nullptr, nullptr, ok.data());
  CPLPopErrorHandler();
  for (std::size_t i = 0; i < x.size(); ++i)
    if (!ok[i] || !std::isfinite(tx[i]) || !std::isfinite(ty[i])) return false;
  x.swap(tx);
  y.swap(ty);
  return true;
}

HRESULT ProjectData(GeomData& d, ISpatialReference* target) {
  if (!target) return E_POINTER;
  if (d.IsEmpty()) {
    d.sr = target;
    return S_OK;
  }
  if (!SrsOf(d.sr.get()) || !SrsOf(target)) return E_FAIL;
  if (SameReference(d.sr.get(), target)) {
    d.sr = target;
    return S_OK;
  }
  if (d.type == kGeometryEnvelope) {
    const Vertex& lo = d.parts[0][0];
    const Vertex& hi = d.parts[0][1];
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    std::lock_guard<std::mutex> guard(Cache().lock);
    OGRCoordinateTransformation* ct = Cache().Get(d.sr.get(), target);
    if (!ct) return E_FAIL;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    int ok = ct->TransformBounds(lo.x, lo.y, hi.x, hi.y, &xmin, &ymin, &xmax, &ymax, 21);
    CPLPopErrorHandler();
    if (!ok || !std::isfinite(xmin) || !std::isfinite(ymin) || !std::isfinite(xmax) ||
        !std::isfinite(ymax))
      return E_FAIL;
    d.parts[0][0].x = xmin;
    d.parts[0][0].y = ymin;
    d.parts[0][1].x = xmax;
    d.parts[0][1].y = ymax;
    d.sr = target;
    return S_OK;
  }
  std::vector<double> xs, ys;
  for (const auto& p : d.parts)
    for (const Vertex& v : p) {
      xs.push_back(v.x);
      ys.push_back(v.y);
    }
  if (!TransformXY(d.sr.get(), target, xs, ys)) return E_FAIL;
  std::size_t k = 0;
  for (auto& p : d.parts)
    for (Vertex& v : p) {
      v.x = xs[k];
      v.y = ys[k];
      ++k;
    }
  d.sr = target;
  return S_OK;
}

}  // namespace velk::host
