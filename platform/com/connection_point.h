// Connection points: how an object calls back the sinks that clients connect to its outgoing
// (event) interfaces. The interfaces, a reusable container implementation, and the helpers
// that connect and disconnect a sink.
#pragma once

#include <array>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/com/base_types.h"
#include "platform/com/unknown.h"

struct IConnectionPointContainer;

struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
  VELK_INTERFACE_ID("{B196B287-BAB4-101A-B69C-00AA00341D07}")
  // Hands out up to cConnections entries, each pUnk with a reference added; S_FALSE when
  // fewer were left.
  virtual HRESULT Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** ppEnum) = 0;
};

struct IConnectionPoint : IUnknown {
  VELK_INTERFACE_ID("{B196B286-BAB4-101A-B69C-00AA00341D07}")
  virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
  virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  virtual HRESULT Unadvise(DWORD dwCookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;
};

struct IEnumConnectionPoints : IUnknown {
  VELK_INTERFACE_ID("{B196B285-BAB4-101A-B69C-00AA00341D07}")
  virtual HRESULT Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** ppEnum) = 0;
};

struct IConnectionPointContainer : IUnknown {
  VELK_INTERFACE_ID("{B196B284-BAB4-101A-B69C-00AA00341D07}")
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
  virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};

namespace velk {

// The connection point of one outgoing interface. It lives inside its container object and
// shares the container's reference count (AddRef/Release go to the container), so a client
// holding it keeps the container alive.
class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(const IID& iid, IConnectionPointContainer* container)
      : iid_(iid), container_(container) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  ~ConnectionPoint();

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return container_->AddRef(); }
  ULONG Release() override { return container_->Release(); }
  using IUnknown::QueryInterface;

  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // Queries the sink for the outgoing interface and keeps that reference. Cookies start at 1
  // and are not reused while connected. Null sink or cookie pointer: E_POINTER (the cookie
  // is set to 0 first when it can be); a sink without the interface: CONNECT_E_CANNOTCONNECT.
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  // CONNECT_E_NOCONNECTION for a cookie that is not connected.
  HRESULT Unadvise(DWORD dwCookie) override;
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

  const IID& Iid() const { return iid_; }
  std::size_t ConnectionCount() const;
  // The connected sinks in advise order (each pointer is the outgoing interface).
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> Connections() const;
  bool IsConnected(DWORD cookie) const;

  // Calls f(I*) for every sink connected when the call starts, skipping a sink that is
  // disconnected before its turn (by itself or another sink). Sinks may advise and unadvise
  // during the call; the snapshot keeps each sink alive until the call ends. Results of f are
  // ignored. E_NOINTERFACE, and no calls, when I is not this point's interface.
  template <class I, class F>
  HRESULT Fire(F&& f) {
    if (!(IidOf<I>() == iid_)) return E_NOINTERFACE;
    for (auto& [cookie, sink] : Connections()) {
      if (IsConnected(cookie)) f(static_cast<I*>(sink.get()));
    }
    return S_OK;
  }

 private:
  IID iid_;
  IConnectionPointContainer* container_;
  mutable std::mutex mutex_;
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> sinks_;
  DWORD nextCookie_ = 1;
};

// Makes an enumerator over a list of connection points (each handed out with a reference).
HRESULT CreateConnectionPointEnumerator(std::vector<IConnectionPoint*> points,
                                        IEnumConnectionPoints** out);

// IConnectionPointContainer for an object with the outgoing interfaces Outgoing... (none is
// allowed: an empty container). List it among the object's interfaces, e.g.
//   class Source : public ComObjectRoot<Source, ISource, ConnectionPointContainerImpl<IEvents>>
// and raise an event with
//   Fire<IEvents>([&](IEvents* sink) { return sink->Changed(); });
template <class... Outgoing>
class ConnectionPointContainerImpl : public IConnectionPointContainer {
 public:
  ConnectionPointContainerImpl() : points_{{ConnectionPoint(IidOf<Outgoing>(), this)...}} {}
  ConnectionPointContainerImpl(const ConnectionPointContainerImpl&) = delete;
  ConnectionPointContainerImpl& operator=(const ConnectionPointContainerImpl&) = delete;

  HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    std::vector<IConnectionPoint*> list;
    for (auto& p : points_) list.push_back(&p);
    return CreateConnectionPointEnumerator(std::move(list), ppEnum);
  }
  // CONNECT_E_NOCONNECTION for an interface the object does not call out on.
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    ConnectionPoint* p = PointOf(riid);
    if (!p) return CONNECT_E_NOCONNECTION;
    p->AddRef();
    *ppCP = p;
    return S_OK;
  }

  ConnectionPoint* PointOf(REFIID riid) {
    for (auto& p : points_)
      if (p.Iid() == riid) return &p;
    return nullptr;
  }
  template <class I>
  ConnectionPoint* PointOf() {
    return PointOf(IidOf<I>());
  }

  // Calls f(I*) on every connected sink of I (see ConnectionPoint::Fire).
  template <class I, class F>
  HRESULT Fire(F&& f) {
    ConnectionPoint* p = PointOf<I>();
    return p ? p->Fire<I>(std::forward<F>(f)) : E_NOINTERFACE;
  }

 private:
  std::array<ConnectionPoint, sizeof...(Outgoing)> points_;
};

// Connects sink to source's connection point for iid (source must answer
// IConnectionPointContainer) and returns the cookie (0 on failure).
HRESULT ConnectSink(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie);
// Disconnects the sink with that cookie from source's connection point for iid.
HRESULT DisconnectSink(IUnknown* source, REFIID iid, DWORD cookie);

}  // namespace velk
