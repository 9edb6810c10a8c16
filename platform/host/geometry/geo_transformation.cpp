#include "platform/host/geometry/geo_transformation.h"

#include <cmath>
#include <memory>
#include <vector>

#include <GeographicLib/Geocentric.hpp>
#include <ogr_spatialref.h>

#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/spatial_reference_data.h"

namespace velk::host {
namespace {

// The ellipsoid of a geographic system as GeographicLib's geocentric converter.
bool EllipsoidOf(ISpatialReference* sr, std::unique_ptr<GeographicLib::Geocentric>* out) {
  const OGRSpatialReference* srs = SrsOf(sr);
  if (!srs || !srs->IsGeographic()) return false;
  OGRErr e1 = OGRERR_NONE, e2 = OGRERR_NONE;
  const double a = srs->GetSemiMajor(&e1);
  const double invf = srs->GetInvFlattening(&e2);
  if (e1 != OGRERR_NONE || e2 != OGRERR_NONE || !(a > 0.0) || !(invf >= 0.0)) return false;
  try {
    *out = std::make_unique<GeographicLib::Geocentric>(a, invf == 0.0 ? 0.0 : 1.0 / invf);
  } catch (const GeographicLib::GeographicErr&) {
    return false;
  }
  return true;
}

bool IsGeographicSystem(ISpatialReference* sr) {
  const OGRSpatialReference* srs = SrsOf(sr);
  return srs && srs->IsGeographic();
}

class GeocentricTranslation : public ComObjectRoot<GeocentricTranslation, IGeocentricTranslation> {
 public:
  using IGeocentricTranslation::QueryInterface;
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IGeoTransformation>()) {
      *ppv = static_cast<IGeoTransformation*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  HRESULT PutSpatialReferences(ISpatialReference* from, ISpatialReference* to) override {
    from_ = from;
    to_ = to;
    return S_OK;
  }
  HRESULT GetSpatialReferences(ISpatialReference** from, ISpatialReference** to) override {
    if (!from || !to) return E_POINTER;
    HRESULT hr = from_.CopyTo(from);
    return FAILED(hr) ? hr : to_.CopyTo(to);
  }
  HRESULT PutParameters(double dx, double dy, double dz) override {
    if (!std::isfinite(dx) || !std::isfinite(dy) || !std::isfinite(dz)) return E_INVALIDARG;
    dx_ = dx;
    dy_ = dy;
    dz_ = dz;
    return S_OK;
  }
  HRESULT GetParameters(double* dx, double* dy, double* dz) override {
    if (!dx || !dy || !dz) return E_POINTER;
    *dx = dx_;
    *dy = dy_;
    *dz = dz_;
    return S_OK;
  }

 private:
  ComPtr<ISpatialReference> from_, to_;
  double dx_ = 0.0, dy_ = 0.0, dz_ = 0.0;
};

}  // namespace

HRESULT CreateGeocentricTranslationObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GeocentricTranslation>(outer, riid, ppv);
}

HRESULT TransformGeomData(GeomData& data, LONG direction, IUnknown* transformation) {
  if (direction != kTransformForward && direction != kTransformReverse) return E_INVALIDARG;
  auto translation = QueryAs<IGeocentricTranslation>(transformation);
  if (!translation) return E_INVALIDARG;
  ComPtr<ISpatialReference> from, to;
  translation->GetSpatialReferences(from.put(), to.put());
  if (!IsGeographicSystem(from.get()) || !IsGeographicSystem(to.get())) return E_INVALIDARG;
  double dx = 0.0, dy = 0.0, dz = 0.0;
  translation->GetParameters(&dx, &dy, &dz);
  if (data.IsEmpty()) return S_OK;

  std::vector<double> xs, ys;
  for (const auto& part : data.parts)
    for (const Vertex& v : part) {
      if (!std::isfinite(v.x) || !std::isfinite(v.y) || std::fabs(v.y) > 90.0) return E_FAIL;
      xs.push_back(v.x);
      ys.push_back(v.y);
    }
  // Degrees on one ellipsoid to the earth-centred frame, moved by the translation, and back
  // to degrees on the other ellipsoid (height 0 on the source).
  std::unique_ptr<GeographicLib::Geocentric> source, target;
  if (!EllipsoidOf(from.get(), &source) || !EllipsoidOf(to.get(), &target)) return E_FAIL;
  const bool forward = direction == kTransformForward;
  const GeographicLib::Geocentric& a = forward ? *source : *target;
  const GeographicLib::Geocentric& b = forward ? *target : *source;
  const double sign = forward ? 1.0 : -1.0;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    double X = 0.0, Y = 0.0, Z = 0.0, h = 0.0;
    a.Forward(ys[i], xs[i], 0.0, X, Y, Z);
    b.Reverse(X + sign * dx, Y + sign * dy, Z + sign * dz, ys[i], xs[i], h);
    if (!std::isfinite(xs[i]) || !std::isfinite(ys[i])) return E_FAIL;
  }
  std::size_t k = 0;
  for (auto& part : data.parts)
    for (Vertex& v : part) {
      // A longitude keeps the range it was given in (a map may count 0 to 360): only the
      // shift is added to it.
      v.x += std::remainder(xs[k] - v.x, 360.0);
      v.y = ys[k];
      ++k;
    }
  return S_OK;
}

}  // namespace velk::host
