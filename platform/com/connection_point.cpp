#include "platform/com/connection_point.h"

#include <algorithm>

#include "platform/com/object.h"

namespace velk {
namespace {

// A snapshot enumerator: Item is CONNECTDATA or IConnectionPoint*; each held item keeps one
// reference, and every item handed out carries a new one.
template <class Item>
IUnknown* HeldUnknown(const Item& item) {
  if constexpr (std::is_same_v<Item, CONNECTDATA>)
    return item.pUnk;
  else
    return item;
}

template <class Derived, class Interface, class Item>
class SnapshotEnum : public ComObjectRoot<Derived, Interface> {
 public:
  ~SnapshotEnum() override {
    for (auto& item : items_)
      if (IUnknown* p = HeldUnknown(item)) p->Release();
  }
  void Init(std::vector<Item> items, std::size_t pos) {
    items_ = std::move(items);  // references already added by the caller
    pos_ = pos;
  }

  HRESULT Next(ULONG count, Item* out, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    if (count > 1 && !fetched) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    ULONG n = 0;
    while (n < count && pos_ < items_.size()) {
      Item item = items_[pos_++];
      if (IUnknown* p = HeldUnknown(item)) p->AddRef();
      out[n++] = item;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t left = items_.size() - pos_;
    pos_ += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
  }
  HRESULT Reset() override {
    std::lock_guard<std::mutex> lock(mutex_);
    pos_ = 0;
    return S_OK;
  }
  HRESULT Clone(Interface** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<Item> copy;
    std::size_t pos = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      copy = items_;
      pos = pos_;
    }
    for (auto& item : copy)
      if (IUnknown* p = HeldUnknown(item)) p->AddRef();
    ComObject<Derived>* e = nullptr;
    HRESULT hr = ComObject<Derived>::Create(&e);
    if (FAILED(hr)) {
      for (auto& item : copy)
        if (IUnknown* p = HeldUnknown(item)) p->Release();
      return hr;
    }
    e->Init(std::move(copy), pos);
    *out = e;
    return S_OK;
  }

 private:
  std::mutex mutex_;
  std::vector<Item> items_;
  std::size_t pos_ = 0;
};

class ConnectionsEnum : public SnapshotEnum<ConnectionsEnum, IEnumConnections, CONNECTDATA> {};
class ConnectionPointsEnum
    : public SnapshotEnum<ConnectionPointsEnum, IEnumConnectionPoints, IConnectionPoint*> {};

template <class E, class I, class Item>
HRESULT MakeEnum(std::vector<Item> items, I** out) {
  ComObject<E>* e = nullptr;
  HRESULT hr = ComObject<E>::Create(&e);
  if (FAILED(hr)) {
    for (auto& item : items)
      if (IUnknown* p = HeldUnknown(item)) p->Release();
    return hr;
  }
  e->Init(std::move(items), 0);
  *out = e;
  return S_OK;
}

}  // namespace

ConnectionPoint::~ConnectionPoint() {
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sinks.swap(sinks_);
  }
  // The sinks are released here, outside the lock.
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IidOf<IUnknown>() || riid == IidOf<IConnectionPoint>()) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID) {
  if (!pIID) return E_POINTER;
  *pIID = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
  if (!ppCPC) return E_POINTER;
  container_->AddRef();
  *ppCPC = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
  if (pdwCookie) *pdwCookie = 0;
  if (!pUnkSink || !pdwCookie) return E_POINTER;
  void* raw = nullptr;
  HRESULT hr = pUnkSink->QueryInterface(iid_, &raw);
  if (hr == E_NOINTERFACE) return CONNECT_E_CANNOTCONNECT;
  if (FAILED(hr)) return hr;
  if (!raw) return CONNECT_E_CANNOTCONNECT;
  auto sink = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(raw));
  std::lock_guard<std::mutex> lock(mutex_);
  DWORD cookie = nextCookie_;
  auto inUse = [&](DWORD c) {
    return std::any_of(sinks_.begin(), sinks_.end(), [c](const auto& e) { return e.first == c; });
  };
  while (cookie == 0 || inUse(cookie)) ++cookie;
  nextCookie_ = cookie + 1;
  sinks_.emplace_back(cookie, std::move(sink));
  *pdwCookie = cookie;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD dwCookie) {
  ComPtr<IUnknown> released;  // let go after the lock is dropped: the sink may call back
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(sinks_.begin(), sinks_.end(),
                           [&](const auto& e) { return e.first == dwCookie; });
    if (dwCookie == 0 || it == sinks_.end()) return CONNECT_E_NOCONNECTION;
    released = std::move(it->second);
    sinks_.erase(it);
  }
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  std::vector<CONNECTDATA> items;
  for (auto& [cookie, sink] : Connections()) items.push_back(CONNECTDATA{sink.Detach(), cookie});
  return MakeEnum<ConnectionsEnum>(std::move(items), ppEnum);
}

std::size_t ConnectionPoint::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sinks_.size();
}

std::vector<std::pair<DWORD, ComPtr<IUnknown>>> ConnectionPoint::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sinks_;
}

bool ConnectionPoint::IsConnected(DWORD cookie) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::any_of(sinks_.begin(), sinks_.end(),
                     [cookie](const auto& e) { return e.first == cookie; });
}

HRESULT CreateConnectionPointEnumerator(std::vector<IConnectionPoint*> points,
                                        IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (IConnectionPoint* p : points)
    if (p) p->AddRef();
  return MakeEnum<ConnectionPointsEnum>(std::move(points), out);
}

HRESULT ConnectSink(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!source) return E_INVALIDARG;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IidOf<IConnectionPointContainer>(), container.put_void());
  if (FAILED(hr)) return hr;
  if (!container) return E_NOINTERFACE;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(iid, point.put());
  if (FAILED(hr)) return hr;
  if (!point) return CONNECT_E_NOCONNECTION;
  return point->Advise(sink, cookie);
}

HRESULT DisconnectSink(IUnknown* source, REFIID iid, DWORD cookie) {
  if (!source) return E_INVALIDARG;
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IidOf<IConnectionPointContainer>(), container.put_void());
  if (FAILED(hr)) return hr;
  if (!container) return E_NOINTERFACE;
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(iid, point.put());
  if (FAILED(hr)) return hr;
  if (!point) return CONNECT_E_NOCONNECTION;
  return point->Unadvise(cookie);
}

}  // namespace velk
