#include "coordinates/coord_tool_events.h"

#include <new>
#include <utility>

namespace velk::corvane {

namespace {

// The connections at the time of the request, each sink with a reference of its own.
class ConnectionEnumerator : public ComObjectRoot<ConnectionEnumerator, IEnumConnections> {
 public:
  void Init(std::vector<std::pair<ComPtr<IUnknown>, DWORD>> entries, std::size_t position = 0) {
    entries_ = std::move(entries);
    position_ = position;
  }
  HRESULT Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < entries_.size()) {
      out[n].pUnk = entries_[position_].first.get();
      if (out[n].pUnk) out[n].pUnk->AddRef();
      out[n].dwCookie = entries_[position_].second;
      ++n;
      ++position_;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    std::size_t left = entries_.size() - position_;
    if (count > left) {
      position_ = entries_.size();
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  HRESULT Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT Clone(IEnumConnections** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    VELK_TRY
    ComObject<ConnectionEnumerator>* copy = nullptr;
    Check(ComObject<ConnectionEnumerator>::Create(&copy));
    copy->Init(entries_, position_);
    *out = copy;
    return S_OK;
    VELK_CATCH
  }

 private:
  std::vector<std::pair<ComPtr<IUnknown>, DWORD>> entries_;
  std::size_t position_ = 0;
};

}  // namespace

HRESULT CProxyIZelCoordToolEvents::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IidOf<IUnknown>() || riid == IidOf<IConnectionPoint>()) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT CProxyIZelCoordToolEvents::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = IidOf<IZelCoordToolEvents>();
  return S_OK;
}

HRESULT CProxyIZelCoordToolEvents::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  *ppCPC = container_;
  container_->AddRef();
  return S_OK;
}

HRESULT CProxyIZelCoordToolEvents::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (pdwCookie) *pdwCookie = 0;
  if (!pUnkSink || !pdwCookie) return E_POINTER;
  ComPtr<IZelCoordToolEvents> sink;
  HRESULT hr = pUnkSink->QueryInterface(IidOf<IZelCoordToolEvents>(), sink.put_void());
  if (hr == E_NOINTERFACE) return CONNECT_E_CANNOTCONNECT;
  if (FAILED(hr)) return hr;
  if (!sink) return CONNECT_E_CANNOTCONNECT;
  std::size_t slot = 0;
  while (slot < slots_.size() && slots_[slot]) ++slot;
  if (slot == slots_.size()) {
    try {
      slots_.resize(slots_.empty() ? kFirstSlotCount : slots_.size() * 2);
    } catch (const std::bad_alloc&) {
      return CONNECT_E_ADVISELIMIT;  // the sink is released with its pointer here
    }
  }
  slots_[slot] = std::move(sink);
  *pdwCookie = static_cast<DWORD>(slot + 1);
  return S_OK;
}

HRESULT CProxyIZelCoordToolEvents::Unadvise(DWORD dwCookie) {
  if (dwCookie == 0 || dwCookie > slots_.size() || !slots_[dwCookie - 1])
    return CONNECT_E_NOCONNECTION;
  // Emptied before the release: a sink that calls back while it goes sees its slot free.
  ComPtr<IZelCoordToolEvents> gone = std::move(slots_[dwCookie - 1]);
  slots_[dwCookie - 1].Reset();
  gone.Reset();
  return S_OK;
}

HRESULT CProxyIZelCoordToolEvents::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  VELK_TRY
  std::vector<std::pair<ComPtr<IUnknown>, DWORD>> entries;
  for (std::size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i])
      entries.emplace_back(ComPtr<IUnknown>(slots_[i].get()), static_cast<DWORD>(i + 1));
  ComObject<ConnectionEnumerator>* e = nullptr;
  Check(ComObject<ConnectionEnumerator>::Create(&e));
  e->Init(std::move(entries));
  *ppEnum = e;
  return S_OK;
  VELK_CATCH
}

template <class F>
HRESULT CProxyIZelCoordToolEvents::Fire(F&& call) {
  HRESULT result = S_OK;
  // The list may change while a sink runs (it may unadvise itself or advise another); each
  // slot is read when its turn comes.
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    ComPtr<IZelCoordToolEvents> sink = slots_[i];
    if (sink) result = call(sink.get());
  }
  return result;
}

HRESULT CProxyIZelCoordToolEvents::Fire_ToolDeactivated() {
  return Fire([](IZelCoordToolEvents* s) { return s->ToolDeactivated(); });
}

HRESULT CProxyIZelCoordToolEvents::Fire_ToolActivated() {
  return Fire([](IZelCoordToolEvents* s) { return s->ToolActivated(); });
}

HRESULT CProxyIZelCoordToolEvents::Fire_ActivePointChanged(IPoint* wgs84, IPoint* datum,
                                                           IPoint* map) {
  return Fire([&](IZelCoordToolEvents* s) { return s->ActivePointChanged(wgs84, datum, map); });
}

HRESULT CProxyIZelCoordToolEvents::Fire_NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) {
  return Fire([&](IZelCoordToolEvents* s) { return s->NewPointEntered(wgs84, datum, map); });
}

std::size_t CProxyIZelCoordToolEvents::SinkCount() const {
  std::size_t n = 0;
  for (const auto& s : slots_)
    if (s) ++n;
  return n;
}

void CProxyIZelCoordToolEvents::ReleaseAll() {
  std::vector<ComPtr<IZelCoordToolEvents>> gone = std::move(slots_);
  slots_.clear();
  gone.clear();
}

}  // namespace velk::corvane
