#include "platform/host/geometry_environment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/host/vector3d.h"

namespace velk::host {
namespace {

constexpr double kCodeLimit = 4503599627370496.0;  // 2^52
constexpr std::uint64_t kTextureBits = 13;
constexpr std::uint64_t kTextureMask = (std::uint64_t{1} << kTextureBits) - 1;
constexpr double kTextureScale = 1024.0;
constexpr double kTextureOffset = 4.0;
constexpr unsigned kNormalShift = 26;
constexpr std::uint64_t kNormalBits = 12;
constexpr std::uint64_t kNormalMask = (std::uint64_t{1} << kNormalBits) - 1;
constexpr double kNormalScale = 2047.5;
constexpr std::uint64_t kZNegative = std::uint64_t{1} << 50;
constexpr std::uint64_t kNormalPresent = std::uint64_t{1} << 51;
constexpr std::uint64_t kTexturePart = (std::uint64_t{1} << kNormalShift) - 1;

std::uint64_t CodeOf(double measure) {
  if (!(measure >= 0) || measure >= kCodeLimit || std::floor(measure) != measure) return 0;
  return static_cast<std::uint64_t>(measure);
}

bool TextureCode(double t, std::uint64_t& code) {
  if (!std::isfinite(t)) return false;
  double c = std::round((t + kTextureOffset) * kTextureScale);
  if (c < 0 || c > static_cast<double>(kTextureMask)) return false;
  code = static_cast<std::uint64_t>(c);
  return true;
}

std::uint64_t NormalCode(double c) {
  double v = std::round((std::clamp(c, -1.0, 1.0) + 1.0) * kNormalScale);
  return static_cast<std::uint64_t>(v);
}

class GeometryEnvironment : public ComObjectRoot<GeometryEnvironment, IMeasurePacking> {
 public:
  HRESULT PackTexture(double u, double v, double* measure) override {
    if (!measure) return E_POINTER;
    std::uint64_t cu = 0, cv = 0;
    if (!TextureCode(u, cu) || !TextureCode(v, cv)) return E_INVALIDARG;
    std::uint64_t code = (CodeOf(*measure) & ~kTexturePart) | cu | (cv << kTextureBits);
    *measure = static_cast<double>(code);
    return S_OK;
  }

  HRESULT PackNormal(IVector3D* normal, double* measure) override {
    if (!measure || !normal) return E_POINTER;
    double x = 0, y = 0, z = 0;
    HRESULT hr = normal->QueryComponents(&x, &y, &z);
    if (FAILED(hr)) return hr;
    double m = std::sqrt(x * x + y * y + z * z);
    if (!(m > 0) || !std::isfinite(m)) return E_INVALIDARG;
    x /= m;
    y /= m;
    z /= m;
    std::uint64_t code = CodeOf(*measure) & kTexturePart;
    code |= NormalCode(x) << kNormalShift;
    code |= NormalCode(y) << (kNormalShift + kNormalBits);
    if (z < 0) code |= kZNegative;
    code |= kNormalPresent;
    *measure = static_cast<double>(code);
    return S_OK;
  }

  HRESULT UnpackTexture(double measure, double* u, double* v) override {
    if (!u || !v) return E_POINTER;
    std::uint64_t code = CodeOf(measure);
    *u = static_cast<double>(code & kTextureMask) / kTextureScale - kTextureOffset;
    *v = static_cast<double>((code >> kTextureBits) & kTextureMask) / kTextureScale - kTextureOffset;
    return S_OK;
  }

  HRESULT UnpackNormal(double measure, IVector3D* normal) override {
    if (!normal) return E_POINTER;
    std::uint64_t code = CodeOf(measure);
    if (!(code & kNormalPresent)) {
      normal->PutComponents(0, 0, 0);
      return S_FALSE;
    }
    double x = static_cast<double>((code >> kNormalShift) & kNormalMask) / kNormalScale - 1.0;
    double y = static_cast<double>((code >> (kNormalShift + kNormalBits)) & kNormalMask) / kNormalScale - 1.0;
    double z = std::sqrt(std::max(0.0, 1.0 - x * x - y * y));
    if (code & kZNegative) z = -z;
    // The rounding of x and y can leave the vector a little off length 1.
    double m = std::sqrt(x * x + y * y + z * z);
    return normal->PutComponents(x / m, y / m, z / m);
  }
};

}  // namespace

HRESULT CreateGeometryEnvironmentObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GeometryEnvironment>(outer, riid, ppv);
}

}  // namespace velk::host
