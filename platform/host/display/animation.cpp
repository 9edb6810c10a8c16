#include "platform/host/display/animation.h"

#include <array>
#include <string>

#include "platform/com/out_param.h"
#include "platform/host/display/refresh_counter.h"

namespace velk::host {
namespace {

template <class T>
HRESULT Out(T* out, T v) {
  if (!out) return E_POINTER;
  *out = v;
  return S_OK;
}

HRESULT CopyName(const std::wstring& name, BSTR* out) {
  if (!out) return E_POINTER;
  *out = Bstr(name).Detach();
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool ValidProperty(LONG p) { return p >= 0 && p < kCameraPropertyCount; }

class Keyframe : public ComObjectRoot<Keyframe, IAnimationKeyframe> {
 public:
  HRESULT get_Name(BSTR* name) override { return CopyName(name_, name); }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT SetRange(LONG first, LONG last) override {
    first_ = first;
    last_ = last;
    return S_OK;
  }
  HRESULT GetRange(LONG* first, LONG* last) override {
    if (!first || !last) return E_POINTER;
    *first = first_;
    *last = last_;
    return S_OK;
  }
  HRESULT get_PropertyValue(LONG p, double* value) override {
    if (!value) return E_POINTER;
    if (!ValidProperty(p)) return E_INVALIDARG;
    *value = values_[static_cast<std::size_t>(p)];
    return S_OK;
  }
  HRESULT put_PropertyValue(LONG p, double value) override {
    if (!ValidProperty(p)) return E_INVALIDARG;
    values_[static_cast<std::size_t>(p)] = value;
    return S_OK;
  }

 private:
  std::wstring name_;
  LONG first_ = 0;
  LONG last_ = 0;
  std::array<double, kCameraPropertyCount> values_{};
};

class Track : public ComObjectRoot<Track, IAnimationTrack> {
 public:
  HRESULT get_Name(BSTR* name) override { return CopyName(name_, name); }
  HRESULT put_Name(BSTR name) override {
    name_ = BstrToWstring(name);
    return S_OK;
  }
  HRESULT get_AnimationType(LONG* type) override { return Out(type, type_); }
  HRESULT put_AnimationType(LONG type) override {
    if (type != kAnimationTypeGlobeCamera) return E_INVALIDARG;
    if (!keyframes_.empty() && type != type_) return E_FAIL;
    type_ = type;
    return S_OK;
  }
  HRESULT CreateKeyframe(LONG position, IAnimationKeyframe** keyframe) override {
    if (!keyframe) return E_POINTER;
    *keyframe = nullptr;
    if (type_ == 0) return E_FAIL;
    ComPtr<IAnimationKeyframe> k;
    HRESULT hr = MakeObject<Keyframe, IAnimationKeyframe>(k.put());
    if (FAILED(hr)) return hr;
    auto at = position < 0 || static_cast<std::size_t>(position) >= keyframes_.size()
                  ? keyframes_.end()
                  : keyframes_.begin() + position;
    keyframes_.insert(at, k);
    *keyframe = k.Detach();
    return S_OK;
  }
  HRESULT get_KeyframeCount(LONG* count) override {
    return Out(count, static_cast<LONG>(keyframes_.size()));
  }
  HRESULT get_Keyframe(LONG index, IAnimationKeyframe** keyframe) override {
    if (!keyframe) return E_POINTER;
    *keyframe = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= keyframes_.size()) return E_INVALIDARG;
    return keyframes_[static_cast<std::size_t>(index)].CopyTo(keyframe);
  }
  HRESULT SetAnimatedProperties(LONG count, const LONG* properties) override {
    if (count < 0 || (count > 0 && !properties)) return E_POINTER;
    std::vector<LONG> list(properties, properties + count);
    for (LONG p : list)
      if (!ValidProperty(p)) return E_INVALIDARG;
    animated_ = std::move(list);
    return S_OK;
  }
  HRESULT GetAnimatedProperties(std::vector<LONG>* properties) override {
    if (!properties) return E_POINTER;
    *properties = animated_;
    return S_OK;
  }
  HRESULT putref_AttachedObject(IUnknown* object) override {
    attached_ = object;
    return S_OK;
  }
  HRESULT get_AttachedObject(IUnknown** object) override { return attached_.CopyTo(object); }
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override { return Out(enabled, enabled_); }
  HRESULT put_Enabled(VARIANT_BOOL enabled) override {
    enabled_ = ToVariantBool(enabled);
    return S_OK;
  }

 private:
  std::wstring name_;
  LONG type_ = 0;
  std::vector<ComPtr<IAnimationKeyframe>> keyframes_;
  std::vector<LONG> animated_;
  ComPtr<IUnknown> attached_;
  VARIANT_BOOL enabled_ = VARIANT_FALSE;
};

std::wstring NameOf(IAnimationTrack* track) {
  Bstr name;
  if (track) track->get_Name(&name);
  return name.str();
}

}  // namespace

namespace {

class AnimationControls : public RefreshCounter<AnimationControls, IAnimationControls> {};

}  // namespace

HRESULT CreateAnimationControlsObject(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  // One for the process: kept until the process ends.
  static IAnimationControls* controls =
      MakeObjectPtr<AnimationControls, IAnimationControls>().Detach();
  return controls->QueryInterface(riid, ppv);
}

HRESULT CreateAnimationTrackObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Track>(outer, riid, ppv);
}

HRESULT AnimationTrackList::Count(LONG* count) const {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(tracks_.size());
  return S_OK;
}

HRESULT AnimationTrackList::At(LONG index, IAnimationTrack** track) const {
  if (!track) return E_POINTER;
  *track = nullptr;
  if (index < 0 || static_cast<std::size_t>(index) >= tracks_.size()) return E_INVALIDARG;
  return tracks_[static_cast<std::size_t>(index)].CopyTo(track);
}

HRESULT AnimationTrackList::Find(BSTR name, IAnimationTrack** track) const {
  if (!track) return E_POINTER;
  *track = nullptr;
  const std::wstring wanted = BstrToWstring(name);
  for (const auto& t : tracks_)
    if (NameOf(t.get()) == wanted) return t.CopyTo(track);
  return S_FALSE;
}

HRESULT AnimationTrackList::Add(IAnimationTrack* track) {
  if (!track) return E_POINTER;
  const std::wstring name = NameOf(track);
  if (name.empty()) return E_INVALIDARG;
  for (const auto& t : tracks_)
    if (IsSameObject(t.get(), track) || NameOf(t.get()) == name) return E_INVALIDARG;
  tracks_.emplace_back(track);
  return S_OK;
}

HRESULT AnimationTrackList::Remove(IAnimationTrack* track) {
  for (auto it = tracks_.begin(); it != tracks_.end(); ++it)
    if (IsSameObject(it->get(), track)) {
      tracks_.erase(it);
      return S_OK;
    }
  return S_FALSE;
}

}  // namespace velk::host
