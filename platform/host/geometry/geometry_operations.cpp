#include "platform/host/geometry/geometry_operations.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include <ogr_geometry.h>

#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {
namespace {

bool Same(const Vertex& a, const Vertex& b) { return a.x == b.x && a.y == b.y; }

// Joins paths whose ends meet, in order: each part is appended to the path before it when it
// starts (or, turned round, ends) where that path ends.
std::vector<std::vector<Vertex>> JoinPaths(std::vector<std::vector<Vertex>> parts) {
  std::vector<std::vector<Vertex>> out;
  std::vector<bool> used(parts.size(), false);
  for (std::size_t start = 0; start < parts.size(); ++start) {
    if (used[start] || parts[start].empty()) continue;
    used[start] = true;
    std::vector<Vertex> path = std::move(parts[start]);
    for (bool grown = true; grown;) {
      grown = false;
      for (std::size_t i = 0; i < parts.size(); ++i) {
        if (used[i] || parts[i].empty()) continue;
        auto& p = parts[i];
        if (Same(p.back(), path.back())) std::reverse(p.begin(), p.end());
        if (Same(p.front(), path.back())) {
          path.insert(path.end(), p.begin() + 1, p.end());
        } else if (Same(p.back(), path.front())) {
          p.insert(p.end(), path.begin() + 1, path.end());
          path = std::move(p);
        } else if (Same(p.front(), path.front())) {
          std::reverse(p.begin(), p.end());
          p.insert(p.end(), path.begin() + 1, path.end());
          path = std::move(p);
        } else {
          continue;
        }
        used[i] = true;
        grown = true;
      }
    }
    out.push_back(std::move(path));
  }
  return out;
}

}  // namespace

HRESULT ConstructAngleDistanceData(GeomData& self, IPoint* from, double angle, double distance) {
  if (!from) return E_POINTER;
  GeomData* f = DataOf(from);
  if (!f || f->type != kGeometryPoint) return E_POINTER;
  if (f->IsEmpty() || !std::isfinite(angle) || !std::isfinite(distance)) return E_INVALIDARG;
  const Vertex& o = f->parts[0][0];
  GeomData p = GeomData::Empty(kGeometryPoint);
  p.parts[0][0] = o;
  p.parts[0][0].x = o.x + distance * std::cos(angle);
  p.parts[0][0].y = o.y + distance * std::sin(angle);
  p.zAware = f->zAware;
  p.mAware = f->mAware;
  p.sr = f->sr;
  self = std::move(p);
  return S_OK;
}

HRESULT UnionData(const GeomData& self, IGeometry* other, IGeometry** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  GeomData* o = DataOf(other);
  if (!o) return E_POINTER;
  if (o->type != self.type) return E_INVALIDARG;
  GeomData b = *o;
  if (SrsOf(self.sr.get()) && SrsOf(b.sr.get()) && !SameReference(self.sr.get(), b.sr.get())) {
    HRESULT hr = ProjectData(b, self.sr.get());
    if (FAILED(hr)) return hr;
  }
  GeomData u = self;
  u.newPart = false;
  u.zAware = self.zAware && b.zAware;
  if (self.type == kGeometryPolyline || self.type == kGeometryMultipoint) {
    for (auto& part : b.parts) u.parts.push_back(std::move(part));
    if (self.type == kGeometryPolyline) u.parts = JoinPaths(std::move(u.parts));
  } else if (self.type == kGeometryPolygon) {
    auto ga = ToOgr(self), gb = ToOgr(b);
    if (!ga || !gb) {
      if (!ga) u.parts = b.parts;
    } else {
      std::unique_ptr<OGRGeometry> g(ga->Union(gb.get()));
      if (!g) return E_FAIL;
      GeomData merged;
      if (!FromOgr(*g, kGeometryPolygon, merged)) return E_FAIL;
      u.parts = std::move(merged.parts);
    }
  } else {
    return E_INVALIDARG;
  }
  ComPtr<IGeometry> g = MakeGeometry(std::move(u));
  if (!g) return E_OUTOFMEMORY;
  *result = g.Detach();
  return S_OK;
}

HRESULT DensifyData(GeomData& self, double maxSegmentLength) {
  if (!(maxSegmentLength > 0.0) || !std::isfinite(maxSegmentLength)) return E_INVALIDARG;
  for (auto& part : self.parts) {
    std::vector<Vertex> dense;
    for (std::size_t i = 0; i < part.size(); ++i) {
      if (i > 0) {
        const Vertex &a = part[i - 1], &b = part[i];
        double len = std::hypot(b.x - a.x, b.y - a.y);
        auto pieces = static_cast<long>(std::ceil(len / maxSegmentLength - 1e-12));
        for (long k = 1; k < pieces; ++k) {
          double t = static_cast<double>(k) / static_cast<double>(pieces);
          Vertex v;
          v.x = a.x + (b.x - a.x) * t;
          v.y = a.y + (b.y - a.y) * t;
          v.z = a.z + (b.z - a.z) * t;
          v.m = a.m + (b.m - a.m) * t;
          dense.push_back(v);
        }
      }
      dense.push_back(part[i]);
    }
    part = std::move(dense);
  }
  return S_OK;
}

}  // namespace velk::host
