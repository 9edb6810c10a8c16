#include "platform/host/geometry/vector3d.h"

#include <cmath>

namespace velk::host {
namespace {

HRESULT Out(double* out, double v) {
  if (!out) return E_POINTER;
  *out = v;
  return S_OK;
}

class Vector3D : public ComObjectRoot<Vector3D, IVector3D> {
 public:
  HRESULT get_XComponent(double* x) override { return Out(x, x_); }
  HRESULT put_XComponent(double x) override { return Set(x_, x); }
  HRESULT get_YComponent(double* y) override { return Out(y, y_); }
  HRESULT put_YComponent(double y) override { return Set(y_, y); }
  HRESULT get_ZComponent(double* z) override { return Out(z, z_); }
  HRESULT put_ZComponent(double z) override { return Set(z_, z); }
  HRESULT PutComponents(double x, double y, double z) override {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return E_INVALIDARG;
    x_ = x;
    y_ = y;
    z_ = z;
    return S_OK;
  }
  HRESULT QueryComponents(double* x, double* y, double* z) override {
    if (!x || !y || !z) return E_POINTER;
    *x = x_;
    *y = y_;
    *z = z_;
    return S_OK;
  }
  HRESULT PolarSet(double azimuth, double inclination, double magnitude) override {
    double flat = magnitude * std::cos(inclination);
    return PutComponents(flat * std::sin(azimuth), flat * std::cos(azimuth),
                         magnitude * std::sin(inclination));
  }
  HRESULT get_Magnitude(double* length) override {
    return Out(length, std::sqrt(x_ * x_ + y_ * y_ + z_ * z_));
  }
  HRESULT Normalize() override {
    double m = std::sqrt(x_ * x_ + y_ * y_ + z_ * z_);
    if (!(m > 0) || !std::isfinite(m)) return E_FAIL;
    x_ /= m;
    y_ /= m;
    z_ /= m;
    return S_OK;
  }

 private:
  static HRESULT Set(double& slot, double v) {
    if (!std::isfinite(v)) return E_INVALIDARG;
    slot = v;
    return S_OK;
  }
  double x_ = 0, y_ = 0, z_ = 0;
};

}  // namespace

HRESULT CreateVector3DObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Vector3D>(outer, riid, ppv);
}

ComPtr<IVector3D> NewVector3D(double x, double y, double z) {
  auto v = MakeObjectPtr<Vector3D, IVector3D>();
  Check(v->PutComponents(x, y, z));
  return v;
}

}  // namespace velk::host
