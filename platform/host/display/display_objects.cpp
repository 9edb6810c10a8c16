#include "platform/host/display/display_objects.h"

#include <cmath>

#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::host {

namespace {

// A frame of 1000 x 800 pixels over the map units 0..1000 x 0..800 until told otherwise.
class DisplayTransformationObject
    : public ComObjectRoot<DisplayTransformationObject, IDisplayTransformation, IDisplayScale> {
 public:
  using IDisplayTransformation::QueryInterface;
  HRESULT get_ScaleRatio(double* scale) override {
    if (!scale) return E_POINTER;
    *scale = scale_;
    return S_OK;
  }
  HRESULT put_ScaleRatio(double scale) override {
    if (!(scale > 0)) return E_INVALIDARG;
    scale_ = scale;
    return S_OK;
  }
  HRESULT get_VisibleBounds(IEnvelope** bounds) override {
    if (!bounds) return E_POINTER;
    *bounds = NewEnvelope(x0_, y0_, x1_, y1_, sr_.get()).Detach();
    return S_OK;
  }
  HRESULT put_VisibleBounds(IEnvelope* bounds) override {
    GeomData* d = DataOf(bounds);
    if (!d || d->type != kGeometryEnvelope) return E_POINTER;
    double a, b, c, e;
    if (!d->Extent(a, b, c, e) || c <= a || e <= b) return E_INVALIDARG;
    x0_ = a;
    y0_ = b;
    x1_ = c;
    y1_ = e;
    return S_OK;
  }
  HRESULT get_DeviceFrame(RECT* frame) override {
    if (!frame) return E_POINTER;
    *frame = frame_;
    return S_OK;
  }
  HRESULT put_DeviceFrame(RECT frame) override {
    if (frame.right <= frame.left || frame.bottom <= frame.top) return E_INVALIDARG;
    frame_ = frame;
    return S_OK;
  }
  HRESULT ToMapPoint(LONG x, LONG y, IPoint** point) override {
    if (!point) return E_POINTER;
    double mx = x0_ + (x - frame_.left) * (x1_ - x0_) / (frame_.right - frame_.left);
    double my = y1_ - (y - frame_.top) * (y1_ - y0_) / (frame_.bottom - frame_.top);
    *point = NewPoint(mx, my, sr_.get()).Detach();
    return S_OK;
  }
  HRESULT FromMapPoint(IPoint* point, LONG* x, LONG* y) override {
    if (!x || !y) return E_POINTER;
    GeomData* d = DataOf(point);
    if (!d || d->type != kGeometryPoint) return E_POINTER;
    if (d->IsEmpty()) return E_FAIL;
    const Vertex& v = d->parts[0][0];
    *x = frame_.left +
         static_cast<LONG>(std::lround((v.x - x0_) * (frame_.right - frame_.left) / (x1_ - x0_)));
    *y = frame_.top +
         static_cast<LONG>(std::lround((y1_ - v.y) * (frame_.bottom - frame_.top) / (y1_ - y0_)));
    return S_OK;
  }
  HRESULT ToMapDistance(LONG pixels, double* distance) override {
    if (!distance) return E_POINTER;
    *distance = pixels * (x1_ - x0_) / (frame_.right - frame_.left);
    return S_OK;
  }
  HRESULT get_SpatialReference(ISpatialReference** sr) override { return sr_.CopyTo(sr); }
  HRESULT putref_SpatialReference(ISpatialReference* sr) override {
    sr_ = sr;
    return S_OK;
  }

 private:
  double x0_ = 0, y0_ = 0, x1_ = 1000, y1_ = 800;
  double scale_ = 1.0;
  RECT frame_{0, 0, 1000, 800};
  ComPtr<ISpatialReference> sr_;
};

class ScreenDisplayObject : public ComObjectRoot<ScreenDisplayObject, IScreenDisplay> {
 public:
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IDisplay>()) {
      *ppv = static_cast<IDisplay*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT FinalConstruct() {
    return CreateDisplayTransformationObject(nullptr, IidOf<IDisplayTransformation>(),
                                             transformation_.put_void());
  }
  HRESULT get_DisplayTransformation(IDisplayTransformation** t) override {
    return transformation_.CopyTo(t);
  }
  HRESULT get_hWnd(HWND* window) override {
    if (!window) return E_POINTER;
    *window = nullptr;
    return S_OK;
  }
  HRESULT Invalidate(IEnvelope* area, VARIANT_BOOL erase, SHORT cacheId) override {
    Entry e;
    if (area) {
      ComPtr<IClone> copy;
      if (auto c = QueryAs<IClone>(area); c && SUCCEEDED(c->Clone(copy.put())))
        e.area = copy.As<IEnvelope>();
    }
    e.erase = erase;
    e.cache = cacheId;
    entries_.push_back(std::move(e));
    return S_OK;
  }
  HRESULT get_InvalidationCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(entries_.size());
    return S_OK;
  }
  HRESULT GetInvalidation(LONG index, IEnvelope** area, VARIANT_BOOL* erased,
                          SHORT* cacheId) override {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return E_INVALIDARG;
    const Entry& e = entries_[index];
    if (area) e.area.CopyTo(area);
    if (erased) *erased = e.erase;
    if (cacheId) *cacheId = e.cache;
    return S_OK;
  }

 private:
  struct Entry {
    ComPtr<IEnvelope> area;
    VARIANT_BOOL erase = VARIANT_FALSE;
    SHORT cache = 0;
  };
  ComPtr<IDisplayTransformation> transformation_;
  std::vector<Entry> entries_;
};

// The rectangle dragged from the start point; each step is drawn on (counted by) the display.
class EnvelopeFeedbackObject : public ComObjectRoot<EnvelopeFeedbackObject, IDisplayFeedback> {
 public:
  HRESULT putref_Display(IScreenDisplay* display) override {
    display_ = display;
    return S_OK;
  }
  HRESULT Start(IPoint* point) override {
    GeomData* d = DataOf(point);
    if (!d || d->type != kGeometryPoint || d->IsEmpty()) return E_POINTER;
    start_ = current_ = d->parts[0][0];
    sr_ = d->sr;
    started_ = true;
    return S_OK;
  }
  HRESULT MoveTo(IPoint* point) override {
    GeomData* d = DataOf(point);
    if (!d || d->type != kGeometryPoint || d->IsEmpty()) return E_POINTER;
    if (!started_) return S_FALSE;  // nothing to stretch yet
    current_ = d->parts[0][0];
    return S_OK;
  }
  HRESULT Stop(IGeometry** shape) override {
    if (!shape) return E_POINTER;
    *shape = nullptr;
    if (!started_) return E_FAIL;
    started_ = false;
    auto env = NewEnvelope(start_.x, start_.y, current_.x, current_.y, sr_.get());
    *shape = env.Query<IGeometry>().Detach();
    return S_OK;
  }

 private:
  ComPtr<IScreenDisplay> display_;
  Vertex start_, current_;
  ComPtr<ISpatialReference> sr_;
  bool started_ = false;
};

}  // namespace

HRESULT CreateDisplayTransformationObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DisplayTransformationObject>(outer, riid, ppv);
}
HRESULT CreateScreenDisplayObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ScreenDisplayObject>(outer, riid, ppv);
}
HRESULT CreateEnvelopeFeedbackObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<EnvelopeFeedbackObject>(outer, riid, ppv);
}

ViewDisplay::ViewDisplay() {
  Check(CreateScreenDisplayObject(nullptr, IidOf<IScreenDisplay>(), display_.put_void()));
}

HRESULT ViewDisplay::get_ScreenDisplay(IScreenDisplay** display) {
  return display_.CopyTo(display);
}

HRESULT ViewDisplay::PartialRefresh(LONG phase, IUnknown* data, IEnvelope* area) {
  constexpr std::size_t kKept = 1000;  // the oldest records go in a long session
  if (records_.size() >= kKept) records_.erase(records_.begin());
  Record r{phase, data, nullptr};
  if (auto c = QueryAs<IClone>(area)) {
    ComPtr<IClone> copy;
    if (SUCCEEDED(c->Clone(copy.put()))) r.area = copy.As<IEnvelope>();
  }
  records_.push_back(std::move(r));
  return S_OK;
}

HRESULT ViewDisplay::get_ScreenCacheID(LONG phase, SHORT* cacheId) {
  if (!cacheId) return E_POINTER;
  *cacheId = phase == kViewGeography ? 1 : 0;
  return S_OK;
}

void ViewDisplay::SetSpatialReference(IUnknown* sr) {
  ComPtr<IDisplayTransformation> t;
  if (SUCCEEDED(display_->get_DisplayTransformation(t.put())) && t)
    t->putref_SpatialReference(QueryAs<ISpatialReference>(sr).get());
}

HRESULT ViewDisplay::get_PartialRefreshCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(records_.size());
  return S_OK;
}

HRESULT ViewDisplay::GetPartialRefresh(LONG index, LONG* phase, IUnknown** data, IEnvelope** area) {
  if (index < 0 || static_cast<std::size_t>(index) >= records_.size()) return E_INVALIDARG;
  const Record& r = records_[index];
  if (phase) *phase = r.phase;
  if (data) r.data.CopyTo(data);
  if (area) r.area.CopyTo(area);
  return S_OK;
}

}  // namespace velk::host
