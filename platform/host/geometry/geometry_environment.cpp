#include "platform/host/geometry/geometry_environment.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/host/geometry/vector3d.h"

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

double SignOf(double v) { return v < 0 ? -1.0 : 1.0; }

// The unit vector's point on the octahedron |x| + |y| + |z| = 1, laid flat: the lower half is
// folded out over the corners, so every direction gets a point of [-1, 1]^2 and the step of the
// grid is about the same in every direction.
void ToOctahedron(double x, double y, double z, double& px, double& py) {
  double sum = std::abs(x) + std::abs(y) + std::abs(z);
  x /= sum;
  y /= sum;
  z /= sum;
  if (z >= 0) {
    px = x;
    py = y;
  } else {
    px = (1.0 - std::abs(y)) * SignOf(x);
    py = (1.0 - std::abs(x)) * SignOf(y);
  }
}

void FromOctahedron(double px, double py, double& x, double& y, double& z) {
  z = 1.0 - std::abs(px) - std::abs(py);
  if (z < 0) {
    x = (1.0 - std::abs(py)) * SignOf(px);
    y = (1.0 - std::abs(px)) * SignOf(py);
  } else {
    x = px;
    y = py;
  }
  double m = std::sqrt(x * x + y * y + z * z);
  x /= m;
  y /= m;
  z /= m;
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
    double px = 0, py = 0;
    ToOctahedron(x / m, y / m, z / m, px, py);
    std::uint64_t code = CodeOf(*measure) & kTexturePart;
    code |= NormalCode(px) << kNormalShift;
    code |= NormalCode(py) << (kNormalShift + kNormalBits);
    code |= kNormalPresent;
    *measure = static_cast<double>(code);
    return S_OK;
  }

  HRESULT UnpackTexture(double measure, double* u, double* v) override {
    if (!u || !v) return E_POINTER;
    std::uint64_t code = CodeOf(measure);
    *u = static_cast<double>(code & kTextureMask) / kTextureScale - kTextureOffset;
    *v =
        static_cast<double>((code >> kTextureBits) & kTextureMask) / kTextureScale - kTextureOffset;
    return S_OK;
  }

  HRESULT UnpackNormal(double measure, IVector3D* normal) override {
    if (!normal) return E_POINTER;
    std::uint64_t code = CodeOf(measure);
    if (!(code & kNormalPresent)) {
      normal->PutComponents(0, 0, 0);
      return S_FALSE;
    }
    double px = static_cast<double>((code >> kNormalShift) & kNormalMask) / kNormalScale - 1.0;
    double py =
        static_cast<double>((code >> (kNormalShift + kNormalBits)) & kNormalMask) / kNormalScale -
        1.0;
    double x = 0, y = 0, z = 0;
    FromOctahedron(px, py, x, y, z);
    return normal->PutComponents(x, y, z);
  }
};

}  // namespace

HRESULT CreateGeometryEnvironmentObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<GeometryEnvironment>(outer, riid, ppv);
}

}  // namespace velk::host
