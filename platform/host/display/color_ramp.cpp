#include "platform/host/display/color_ramp.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/symbol.h"

namespace velk::host {

namespace {

struct Rgb {
  double r, g, b;
};
Rgb Split(LONG c) { return {double(c & 0xFF), double((c >> 8) & 0xFF), double((c >> 16) & 0xFF)}; }
LONG Join(const Rgb& c) {
  auto v = [](double x) { return static_cast<LONG>(std::lround(std::clamp(x, 0.0, 255.0))); };
  return v(c.r) | v(c.g) << 8 | v(c.b) << 16;
}

struct Hsv {
  double h, s, v;
};
Hsv ToHsv(const Rgb& c) {
  const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b}), d = mx - mn;
  double h = 0;
  if (d > 0) {
    if (mx == c.r) h = std::fmod((c.g - c.b) / d, 6.0);
    else if (mx == c.g) h = (c.b - c.r) / d + 2;
    else h = (c.r - c.g) / d + 4;
    h *= 60;
    if (h < 0) h += 360;
  }
  return {h, mx > 0 ? d / mx : 0, mx};
}
Rgb FromHsv(const Hsv& c) {
  const double chroma = c.v * c.s, x = chroma * (1 - std::fabs(std::fmod(c.h / 60, 2.0) - 1));
  const double m = c.v - chroma;
  Rgb out{0, 0, 0};
  const int sector = static_cast<int>(c.h / 60) % 6;
  switch (sector) {
    case 0: out = {chroma, x, 0}; break;
    case 1: out = {x, chroma, 0}; break;
    case 2: out = {0, chroma, x}; break;
    case 3: out = {0, x, chroma}; break;
    case 4: out = {x, 0, chroma}; break;
    default: out = {chroma, 0, x}; break;
  }
  return {out.r + m, out.g + m, out.b + m};
}

template <class Derived, class... More>
class RampBase : public ComObjectRoot<Derived, IColorRamp, IClone, More...> {
 public:
  using IColorRamp::QueryInterface;
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = AllocBstr(name_);
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_Color(LONG index, LONG* rgb) override {
    if (!rgb) return E_POINTER;
    if (colours_.empty()) return E_FAIL;
    if (index < 0 || static_cast<std::size_t>(index) >= colours_.size()) return E_INVALIDARG;
    *rgb = colours_[static_cast<std::size_t>(index)];
    return S_OK;
  }
  HRESULT IsEqual(IClone*, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT Assign(IClone*) override { return E_NOTIMPL; }

 protected:
  std::wstring name_;
  std::vector<LONG> colours_;
};

class AlgorithmicRamp : public RampBase<AlgorithmicRamp, IAlgorithmicColorRamp> {
 public:
  HRESULT get_Size(LONG* size) override {
    if (!size) return E_POINTER;
    *size = size_;
    return S_OK;
  }
  HRESULT put_Size(LONG size) override {
    if (size < 1) return E_INVALIDARG;
    size_ = size;
    return S_OK;
  }
  HRESULT putref_FromColor(IColor* color) override { return Take(color, &from_); }
  HRESULT putref_ToColor(IColor* color) override { return Take(color, &to_); }
  HRESULT put_Algorithm(LONG algorithm) override {
    algorithm_ = algorithm;
    return S_OK;
  }
  HRESULT CreateRamp(VARIANT_BOOL* ok) override {
    if (!ok) return E_POINTER;
    *ok = VARIANT_FALSE;
    if (from_ < 0 || to_ < 0) return S_OK;
    colours_.assign(static_cast<std::size_t>(size_), 0);
    const Rgb a = Split(from_), b = Split(to_);
    const Hsv ha = ToHsv(a), hb = ToHsv(b);
    for (LONG i = 0; i < size_; ++i) {
      const double t = size_ > 1 ? static_cast<double>(i) / (size_ - 1) : 0;
      if (algorithm_ == kRampAlgorithmHsv) {
        double dh = hb.h - ha.h;
        if (dh > 180) dh -= 360;
        if (dh < -180) dh += 360;
        double h = ha.h + t * dh;
        if (h < 0) h += 360;
        if (h >= 360) h -= 360;
        colours_[static_cast<std::size_t>(i)] =
            Join(FromHsv({h, ha.s + t * (hb.s - ha.s), ha.v + t * (hb.v - ha.v)}));
      } else {
        colours_[static_cast<std::size_t>(i)] =
            Join({a.r + t * (b.r - a.r), a.g + t * (b.g - a.g), a.b + t * (b.b - a.b)});
      }
    }
    *ok = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT Clone(IClone** copy) override {
    if (!copy) return E_POINTER;
    ComObject<AlgorithmicRamp>* c = nullptr;
    HRESULT hr = ComObject<AlgorithmicRamp>::Create(&c);
    if (FAILED(hr)) return hr;
    c->name_ = name_;
    c->colours_ = colours_;
    c->size_ = size_;
    c->from_ = from_;
    c->to_ = to_;
    c->algorithm_ = algorithm_;
    *copy = static_cast<IClone*>(c);
    return S_OK;
  }

 private:
  static HRESULT Take(IColor* color, LONG* out) {
    if (!color) return E_POINTER;
    return color->get_RGB(out);
  }
  LONG size_ = 1;
  LONG from_ = -1, to_ = -1;
  LONG algorithm_ = kRampAlgorithmRgb;
};

class MultiPartRamp : public RampBase<MultiPartRamp, IMultiPartColorRamp> {
 public:
  HRESULT get_Size(LONG* size) override {
    if (!size) return E_POINTER;
    LONG total = 0;
    for (const auto& p : parts_) {
      LONG n = 0;
      p->get_Size(&n);
      total += n;
    }
    *size = total;
    return S_OK;
  }
  HRESULT put_Size(LONG size) override { return size < 1 ? E_INVALIDARG : S_OK; }
  HRESULT AddRamp(IColorRamp* ramp) override {
    if (!ramp) return E_POINTER;
    parts_.emplace_back(ramp);
    return S_OK;
  }
  HRESULT get_RampCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(parts_.size());
    return S_OK;
  }
  HRESULT CreateRamp(VARIANT_BOOL* ok) override {
    if (!ok) return E_POINTER;
    *ok = VARIANT_FALSE;
    colours_.clear();
    for (const auto& p : parts_) {
      VARIANT_BOOL made = VARIANT_FALSE;
      p->CreateRamp(&made);
      if (!made) {
        colours_.clear();
        return S_OK;
      }
      LONG n = 0;
      p->get_Size(&n);
      for (LONG i = 0; i < n; ++i) {
        LONG c = 0;
        p->get_Color(i, &c);
        colours_.push_back(c);
      }
    }
    *ok = ToVariantBool(!colours_.empty());
    return S_OK;
  }
  HRESULT Clone(IClone** copy) override {
    if (!copy) return E_POINTER;
    ComObject<MultiPartRamp>* c = nullptr;
    HRESULT hr = ComObject<MultiPartRamp>::Create(&c);
    if (FAILED(hr)) return hr;
    c->name_ = name_;
    c->colours_ = colours_;
    c->parts_ = parts_;
    *copy = static_cast<IClone*>(c);
    return S_OK;
  }

 private:
  std::vector<ComPtr<IColorRamp>> parts_;
};

}  // namespace

HRESULT CreateAlgorithmicColorRampObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<AlgorithmicRamp>(outer, riid, ppv);
}
HRESULT CreateMultiPartColorRampObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<MultiPartRamp>(outer, riid, ppv);
}

LONG RampColour(IColorRamp* ramp, double value, double low, double high) {
  LONG size = 0;
  if (!ramp || FAILED(ramp->get_Size(&size)) || size < 1) return 0;
  double t = high > low ? (value - low) / (high - low) : 0.5;
  t = std::clamp(t, 0.0, 1.0);
  LONG rgb = 0;
  ramp->get_Color(static_cast<LONG>(std::lround(t * (size - 1))), &rgb);
  return rgb;
}

}  // namespace velk::host
