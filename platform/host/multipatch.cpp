#include "platform/host/multipatch.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/host/geometry_objects.h"
#include "platform/host/spatial_reference.h"

namespace velk::host {
namespace {

struct PatchVertex {
  double x = 0, y = 0, z = 0, m = 0;
};
struct Patch {
  LONG kind = kPatchTriangleStrip;
  std::vector<PatchVertex> points;
};

class MultiPatch : public ComObjectRoot<MultiPatch, IMultiPatch, IPointCollection, IPartCollection> {
 public:
  using IMultiPatch::QueryInterface;
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid != IidOf<IGeometry>()) return E_NOINTERFACE;
    *ppv = static_cast<IGeometry*>(static_cast<IMultiPatch*>(this));
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  HRESULT get_GeometryType(LONG* type) override { return Out(type, kGeometryMultiPatch); }
  HRESULT get_IsEmpty(VARIANT_BOOL* empty) override {
    return Out(empty, Count() == 0 ? VARIANT_TRUE : VARIANT_FALSE);
  }
  HRESULT SetEmpty() override {
    patches_.clear();
    return S_OK;
  }
  HRESULT get_SpatialReference(ISpatialReference** sr) override { return sr_.CopyTo(sr); }
  HRESULT put_SpatialReference(ISpatialReference* sr) override {
    sr_ = ComPtr<ISpatialReference>(sr);
    return S_OK;
  }
  // Every point is projected; on a failure the geometry stays as it was.
  HRESULT Project(ISpatialReference* sr) override {
    if (!sr) return E_POINTER;
    if (!sr_) return E_FAIL;
    std::vector<Patch> projected = patches_;
    for (Patch& patch : projected)
      for (PatchVertex& v : patch.points) {
        ComPtr<IPoint> p = NewPoint(v.x, v.y, sr_.get());
        if (FAILED(p->Project(sr)) || FAILED(p->QueryCoords(&v.x, &v.y))) return E_FAIL;
      }
    patches_ = std::move(projected);
    sr_ = ComPtr<ISpatialReference>(sr);
    return S_OK;
  }
  HRESULT get_Envelope(IEnvelope** envelope) override {
    if (!envelope) return E_POINTER;
    ComPtr<IEnvelope> e = NewEnvelope();
    HRESULT hr = QueryEnvelope(e.get());
    if (FAILED(hr)) return hr;
    *envelope = e.Detach();
    return S_OK;
  }
  HRESULT QueryEnvelope(IEnvelope* envelope) override {
    if (!envelope) return E_POINTER;
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const Patch& patch : patches_)
      for (const PatchVertex& v : patch.points)
        x0 = std::min(x0, v.x), y0 = std::min(y0, v.y), x1 = std::max(x1, v.x),
        y1 = std::max(y1, v.y);
    if (x0 > x1) return envelope->SetEmpty();
    envelope->PutCoords(x0, y0, x1, y1);
    return envelope->put_SpatialReference(sr_.get());
  }
  HRESULT get_ZAware(VARIANT_BOOL* aware) override { return Out(aware, VARIANT_TRUE); }
  HRESULT put_ZAware(VARIANT_BOOL) override { return S_OK; }
  HRESULT get_MAware(VARIANT_BOOL* aware) override { return Out(aware, mAware_); }
  HRESULT put_MAware(VARIANT_BOOL aware) override {
    mAware_ = aware ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  HRESULT BeginPatch(LONG kind) override {
    if (kind != kPatchTriangleStrip && kind != kPatchTriangleFan) return E_INVALIDARG;
    pending_ = kind;
    return S_OK;
  }
  HRESULT get_PatchKind(LONG part, LONG* kind) override {
    if (!kind) return E_POINTER;
    if (part < 0 || part >= static_cast<LONG>(patches_.size())) return E_INVALIDARG;
    *kind = patches_[static_cast<std::size_t>(part)].kind;
    return S_OK;
  }

  HRESULT get_PointCount(LONG* count) override { return Out(count, Count()); }
  HRESULT get_Point(LONG index, IPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    const PatchVertex* v = At(index);
    if (!v) return E_INVALIDARG;
    ComPtr<IPoint> p = NewPoint(v->x, v->y, sr_.get());
    p->put_ZAware(VARIANT_TRUE);
    p->put_Z(v->z);
    p->put_M(v->m);
    p->put_MAware(mAware_);
    *point = p.Detach();
    return S_OK;
  }
  HRESULT AddPoint(IPoint* point) override {
    PatchVertex v;
    if (!Read(point, v)) return E_POINTER;
    if (patches_.empty() || pending_ >= 0) {
      patches_.push_back({pending_ >= 0 ? pending_ : kPatchTriangleStrip, {}});
      pending_ = -1;
    }
    patches_.back().points.push_back(v);
    return S_OK;
  }
  HRESULT InsertPoint(LONG, IPoint*) override { return E_NOTIMPL; }
  HRESULT UpdatePoint(LONG index, IPoint* point) override {
    PatchVertex* v = const_cast<PatchVertex*>(At(index));
    if (!v) return E_INVALIDARG;
    return Read(point, *v) ? S_OK : E_POINTER;
  }
  HRESULT RemovePoints(LONG, LONG) override { return E_NOTIMPL; }

  HRESULT get_PartCount(LONG* count) override {
    return Out(count, static_cast<LONG>(patches_.size()));
  }
  HRESULT get_PartPointCount(LONG part, LONG* count) override {
    if (!count) return E_POINTER;
    if (part < 0 || part >= static_cast<LONG>(patches_.size())) return E_INVALIDARG;
    *count = static_cast<LONG>(patches_[static_cast<std::size_t>(part)].points.size());
    return S_OK;
  }
  HRESULT StartPart() override { return BeginPatch(kPatchTriangleStrip); }

 private:
  template <class T>
  static HRESULT Out(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
  LONG Count() const {
    std::size_t n = 0;
    for (const Patch& p : patches_) n += p.points.size();
    return static_cast<LONG>(n);
  }
  const PatchVertex* At(LONG index) const {
    if (index < 0) return nullptr;
    auto i = static_cast<std::size_t>(index);
    for (const Patch& p : patches_) {
      if (i < p.points.size()) return &p.points[i];
      i -= p.points.size();
    }
    return nullptr;
  }
  static bool Read(IPoint* point, PatchVertex& v) {
    if (!point || FAILED(point->QueryCoords(&v.x, &v.y))) return false;
    point->get_Z(&v.z);
    point->get_M(&v.m);
    if (v.z != v.z) v.z = 0;
    return true;
  }

  std::vector<Patch> patches_;
  ComPtr<ISpatialReference> sr_;
  LONG pending_ = -1;
  VARIANT_BOOL mAware_ = VARIANT_FALSE;
};

}  // namespace

ComPtr<IMultiPatch> NewMultiPatch() { return MakeObjectPtr<MultiPatch, IMultiPatch>(); }

}  // namespace velk::host
