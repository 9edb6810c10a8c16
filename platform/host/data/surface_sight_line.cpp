#include "platform/host/data/surface_sight_line.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "platform/com/out_param.h"
#include "platform/host/analysis/sight_line.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {

namespace {

using analysis::GridPlace;
using analysis::GridView;

constexpr double kMetresPerDegree = 111320.0;
constexpr double kDegree = 0.017453292519943295;

// The window of the band around a set of places, as a grid of its own.
struct Window {
  long column0 = 0;
  long row0 = 0;
  std::vector<float> values;
  GridView<float> view;
};

GridPlace PlaceOf(const SurfaceBand& s, double x, double y) {
  const double px = s.inv[0] + x * s.inv[1] + y * s.inv[2];
  const double py = s.inv[3] + x * s.inv[4] + y * s.inv[5];
  return {px - 0.5, py - 0.5};
}

void XYOf(const SurfaceBand& s, GridPlace p, double& x, double& y) {
  const double px = p.column + 0.5, py = p.row + 0.5;
  x = s.gt[0] + px * s.gt[1] + py * s.gt[2];
  y = s.gt[3] + px * s.gt[4] + py * s.gt[5];
}

// Metres of a column and of a row near latitude (degrees) for a geographic system.
void CellMetres(const SurfaceBand& s, double latitude, double& cellX, double& cellY) {
  const double dx = std::hypot(s.gt[1], s.gt[4]), dy = std::hypot(s.gt[2], s.gt[5]);
  const OGRSpatialReference* srs = SrsOf(s.sr);
  if (srs && srs->IsGeographic()) {
    cellX = dx * kMetresPerDegree * std::cos(latitude * kDegree);
    cellY = dy * kMetresPerDegree;
  } else {
    const double unit = srs && srs->IsProjected() ? srs->GetLinearUnits() : 1.0;
    cellX = dx * unit;
    cellY = dy * unit;
  }
}

// Reads the cells around the places (one cell beyond them); places are moved into the
// window's coordinates. False when the band cannot be read.
bool ReadWindow(const SurfaceBand& s, const std::vector<GridPlace*>& places, Window& w) {
  double c0 = std::numeric_limits<double>::infinity(), r0 = c0, c1 = -c0, r1 = -c0;
  for (GridPlace* p : places) {
    c0 = std::min(c0, p->column);
    c1 = std::max(c1, p->column);
    r0 = std::min(r0, p->row);
    r1 = std::max(r1, p->row);
  }
  const long col0 = std::max(0L, static_cast<long>(std::floor(c0)) - 1);
  const long row0 = std::max(0L, static_cast<long>(std::floor(r0)) - 1);
  const long col1 = std::min<long>(s.width - 1, static_cast<long>(std::ceil(c1)) + 1);
  const long row1 = std::min<long>(s.height - 1, static_cast<long>(std::ceil(r1)) + 1);
  w.column0 = col0;
  w.row0 = row0;
  for (GridPlace* p : places) {
    p->column -= static_cast<double>(col0);
    p->row -= static_cast<double>(row0);
  }
  if (col1 < col0 || row1 < row0) {
    w.view = {nullptr, 0, 0, 1.0, 1.0, std::nullopt};
    return true;
  }
  const int columns = static_cast<int>(col1 - col0 + 1), rows = static_cast<int>(row1 - row0 + 1);
  w.values.resize(static_cast<std::size_t>(columns) * rows);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  const CPLErr err = s.band->RasterIO(GF_Read, static_cast<int>(col0), static_cast<int>(row0),
                                      columns, rows, w.values.data(), columns, rows, GDT_Float32,
                                      0, 0, nullptr);
  CPLPopErrorHandler();
  if (err != CE_None) return false;
  for (float& v : w.values) {
    if (std::isnan(v) || (s.noData && v == static_cast<float>(*s.noData)))
      v = std::numeric_limits<float>::quiet_NaN();
    else
      v = static_cast<float>(v * s.zFactor);
  }
  w.view = {w.values.data(), columns, rows, 1.0, 1.0, std::nullopt};
  return true;
}

// The place of a point in the surface's system (projected there when it has another).
bool PointXY(const SurfaceBand& s, IPoint* point, double& x, double& y, double& z, bool& hasZ) {
  GeomData* d = DataOf(point);
  if (!d || d->type != kGeometryPoint || d->IsEmpty()) return false;
  x = d->parts[0][0].x;
  y = d->parts[0][0].y;
  z = d->parts[0][0].z;
  hasZ = d->zAware && std::isfinite(z);
  if (SrsOf(d->sr.get()) && SrsOf(s.sr) && !SameReference(d->sr.get(), s.sr)) {
    std::vector<double> xs{x}, ys{y};
    if (!TransformXY(d->sr.get(), s.sr, xs, ys)) return false;
    x = xs[0];
    y = ys[0];
  }
  return true;
}

double LatitudeOf(const SurfaceBand& s, double x, double y) {
  const OGRSpatialReference* srs = SrsOf(s.sr);
  if (!srs || !srs->IsGeographic()) return 0.0;
  (void)x;
  return y;
}

bool ReadDouble(const VARIANT* v, double& out) {
  if (!v || v->vt == VT_EMPTY || v->vt == VT_ERROR) return true;
  VARIANT d;
  VariantInit(&d);
  if (FAILED(VariantChangeType(&d, v, 0, VT_R8)) || !std::isfinite(d.dblVal)) return false;
  out = d.dblVal;
  return true;
}

ComPtr<IPolyline> LineOf(std::vector<std::vector<Vertex>> parts, ISpatialReference* sr) {
  if (parts.empty()) return nullptr;
  GeomData d;
  d.type = kGeometryPolyline;
  d.parts = std::move(parts);
  d.zAware = true;
  d.sr = sr;
  return MakeGeometry(std::move(d)).As<IPolyline>();
}

}  // namespace

bool SurfaceKnowsGroundUnits(const SurfaceBand& s) {
  const OGRSpatialReference* srs = SrsOf(s.sr);
  return srs && (srs->IsGeographic() || srs->IsProjected());
}

HRESULT SurfaceLineOfSight(const SurfaceBand& s, IPoint* observer, IPoint* target,
                           IPoint** obstruction, IPolyline** visibleLines,
                           IPolyline** invisibleLines, VARIANT_BOOL* targetIsVisible,
                           VARIANT_BOOL applyCurvature, VARIANT_BOOL applyRefraction,
                           VARIANT* refractionFactor) {
  if (obstruction) *obstruction = nullptr;
  if (visibleLines) *visibleLines = nullptr;
  if (invisibleLines) *invisibleLines = nullptr;
  if (targetIsVisible) *targetIsVisible = VARIANT_FALSE;
  if (!observer || !target) return E_POINTER;
  if (!s.band) return E_FAIL;
  analysis::SightLineOptions options;
  if (applyCurvature) {
    if (!SurfaceKnowsGroundUnits(s)) return E_INVALIDARG;
    options.curvature.useCurvature = true;
    if (!ReadDouble(refractionFactor, options.curvature.refraction)) return E_INVALIDARG;
    if (!applyRefraction) options.curvature.refraction = 0.0;
  }
  double x1, y1, z1, x2, y2, z2;
  bool hasZ1, hasZ2;
  if (!PointXY(s, observer, x1, y1, z1, hasZ1) || !PointXY(s, target, x2, y2, z2, hasZ2))
    return E_INVALIDARG;
  GridPlace a = PlaceOf(s, x1, y1), b = PlaceOf(s, x2, y2);
  const GridPlace a0 = a, b0 = b;
  Window w;
  if (!ReadWindow(s, {&a, &b}, w)) return E_FAIL;
  CellMetres(s, LatitudeOf(s, x1, 0.5 * (y1 + y2)), w.view.cellX, w.view.cellY);
  const auto ground = analysis::SampleProfile(w.view, a, b);
  const double g1 = ground.front().z, g2 = ground.back().z;
  if (std::isnan(g1) || std::isnan(g2) || (a0.column == b0.column && a0.row == b0.row))
    return S_OK;  // an end off the surface or on a void, or no line: nothing to tell
  const double eye = hasZ1 ? z1 : g1, top = hasZ2 ? z2 : g2;
  const auto r = analysis::ComputeSightLine(w.view, a, eye, b, top, options);

  auto vertexAt = [&](double u) {
    GridPlace p{a0.column + u * (b0.column - a0.column), a0.row + u * (b0.row - a0.row)};
    Vertex v;
    XYOf(s, p, v.x, v.y);
    // Ground height there: the profile's, between its samples.
    auto it = std::lower_bound(r.profile.begin(), r.profile.end(), u,
                               [](const analysis::ProfileSample& q, double t) { return q.u < t; });
    if (it == r.profile.end()) it = r.profile.end() - 1;
    if (it->u == u || it == r.profile.begin()) {
      v.z = it->z;
    } else {
      const auto& p0 = *(it - 1);
      v.z = analysis::InterpolateCells(p0.z, it->z, (u - p0.u) / (it->u - p0.u));
    }
    if (std::isnan(v.z)) v.z = 0.0;
    return v;
  };
  std::vector<std::vector<Vertex>> seen, hidden;
  for (const auto& stretch : r.stretches) {
    std::vector<Vertex> part{vertexAt(stretch.from)};
    for (const auto& q : r.profile)
      if (q.u > stretch.from && q.u < stretch.to) part.push_back(vertexAt(q.u));
    part.push_back(vertexAt(stretch.to));
    (stretch.visible ? seen : hidden).push_back(std::move(part));
  }
  if (visibleLines) *visibleLines = LineOf(std::move(seen), s.sr).Detach();
  if (invisibleLines) *invisibleLines = LineOf(std::move(hidden), s.sr).Detach();
  if (targetIsVisible) *targetIsVisible = ToVariantBool(r.targetVisible);
  if (obstruction && r.obstruction) {
    GridPlace p{r.obstruction->place.column + w.column0, r.obstruction->place.row + w.row0};
    double x, y;
    XYOf(s, p, x, y);
    ComPtr<IPoint> point = NewPoint(x, y, s.sr);
    point->put_ZAware(VARIANT_TRUE);
    point->put_Z(r.obstruction->z);
    *obstruction = point.Detach();
  }
  return S_OK;
}

HRESULT SurfaceInterpolateShape(const SurfaceBand& s, IGeometry* shape, IGeometry** result,
                                VARIANT* stepSize) {
  if (!result) return E_POINTER;
  *result = nullptr;
  GeomData* d = DataOf(shape);
  if (!d) return E_POINTER;
  if (d->type != kGeometryPolyline) return E_INVALIDARG;
  if (stepSize && stepSize->vt != VT_EMPTY && stepSize->vt != VT_ERROR) return E_NOTIMPL;
  if (!s.band) return E_FAIL;
  GeomData line = *d;
  if (SrsOf(line.sr.get()) && SrsOf(s.sr) && !SameReference(line.sr.get(), s.sr))
    if (FAILED(ProjectData(line, s.sr))) return E_FAIL;
  std::vector<std::vector<Vertex>> parts;
  std::vector<Vertex> current;
  auto flush = [&] {
    if (current.size() >= 2) parts.push_back(std::move(current));
    current.clear();
  };
  for (const auto& path : line.parts) {
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
      GridPlace a = PlaceOf(s, path[i].x, path[i].y), b = PlaceOf(s, path[i + 1].x, path[i + 1].y);
      Window w;
      if (!ReadWindow(s, {&a, &b}, w)) return E_FAIL;
      const auto samples = analysis::SampleProfile(w.view, a, b);
      for (std::size_t k = current.empty() ? 0 : 1; k < samples.size(); ++k) {
        const auto& q = samples[k];
        // Off the surface or on a void: no vertex there, so the line passes over it.
        if (std::isnan(q.z)) continue;
        Vertex v;
        XYOf(s, {q.place.column + w.column0, q.place.row + w.row0}, v.x, v.y);
        v.z = q.z;
        current.push_back(v);
      }
    }
    flush();
  }
  if (parts.empty()) return S_OK;
  ComPtr<IPolyline> out = LineOf(std::move(parts), s.sr);
  *result = out.As<IGeometry>().Detach();
  return S_OK;
}

}  // namespace velk::host
