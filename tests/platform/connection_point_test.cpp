#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/com/connection_point.h"
#include "platform/com/object.h"

using velk::ComPtr;

namespace {

struct ICpEvents : IUnknown {
  VELK_INTERFACE_ID("{9A8B7C6D-5E4F-4A3B-9C2D-1E0F9A8B7C01}")
  virtual HRESULT Changed(LONG value) = 0;
};
struct ICpOtherEvents : IUnknown {
  VELK_INTERFACE_ID("{9A8B7C6D-5E4F-4A3B-9C2D-1E0F9A8B7C02}")
  virtual HRESULT Closed() = 0;
};
struct ICpSource : IUnknown {
  VELK_INTERFACE_ID("{9A8B7C6D-5E4F-4A3B-9C2D-1E0F9A8B7C03}")
  virtual HRESULT Raise(LONG value) = 0;
};

class Source
    : public velk::ComObjectRoot<Source, ICpSource,
                                 velk::ConnectionPointContainerImpl<ICpEvents, ICpOtherEvents>> {
 public:
  HRESULT Raise(LONG value) override {
    return Fire<ICpEvents>([&](ICpEvents* sink) { return sink->Changed(value); });
  }
};

class Silent : public velk::ComObjectRoot<Silent, ICpSource, velk::ConnectionPointContainerImpl<>> {
 public:
  HRESULT Raise(LONG) override { return S_OK; }
};

// Records what it receives; an optional action runs inside the event.
class Sink : public velk::ComObjectRoot<Sink, ICpEvents> {
 public:
  HRESULT Changed(LONG value) override {
    received.push_back(value);
    if (onEvent) onEvent();
    return E_FAIL;  // a failing sink does not stop the others
  }
  std::vector<LONG> received;
  std::function<void()> onEvent;
};

// Answers nothing but IUnknown.
class NotASink : public velk::ComObjectRoot<NotASink, ICpSource> {
 public:
  HRESULT Raise(LONG) override { return S_OK; }
};

template <class T, class I>
ComPtr<I> Make() {
  return velk::MakeObjectPtr<T, I>();
}
Sink* SinkOf(const ComPtr<ICpEvents>& p) { return static_cast<Sink*>(p.get()); }

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

ComPtr<IConnectionPoint> PointOf(IUnknown* source, const IID& iid) {
  ComPtr<IConnectionPointContainer> cpc = velk::QueryAs<IConnectionPointContainer>(source);
  ComPtr<IConnectionPoint> cp;
  EXPECT_EQ(cpc->FindConnectionPoint(iid, cp.put()), S_OK);
  return cp;
}

class ConnectionPointTest : public ::testing::Test {
 protected:
  void SetUp() override { locks_ = velk::ThisModule().LockCount(); }
  void TearDown() override {
    EXPECT_EQ(velk::ThisModule().LockCount(), locks_) << "an object leaked";
  }
  LONG locks_ = 0;
};

TEST_F(ConnectionPointTest, FindConnectionPointTable) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPointContainer> cpc = source.Query<IConnectionPointContainer>();
  struct Case {
    const char* name;
    IID iid;
    HRESULT hr;
  };
  const Case cases[] = {
      {"first outgoing interface", IidOf<ICpEvents>(), S_OK},
      {"second outgoing interface", IidOf<ICpOtherEvents>(), S_OK},
      {"an incoming interface", IidOf<ICpSource>(), CONNECT_E_NOCONNECTION},
      {"IUnknown", IidOf<IUnknown>(), CONNECT_E_NOCONNECTION},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IConnectionPoint* cp = reinterpret_cast<IConnectionPoint*>(0x1);
    EXPECT_EQ(cpc->FindConnectionPoint(c.iid, &cp), c.hr);
    if (c.hr != S_OK) {
      EXPECT_EQ(cp, nullptr);
      continue;
    }
    IID iid{};
    EXPECT_EQ(cp->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, c.iid);
    IConnectionPointContainer* back = nullptr;
    EXPECT_EQ(cp->GetConnectionPointContainer(&back), S_OK);
    EXPECT_TRUE(velk::IsSameObject(back, source.get()));
    back->Release();
    cp->Release();
  }
  EXPECT_EQ(cpc->FindConnectionPoint(IidOf<ICpEvents>(), nullptr), E_POINTER);

  ComPtr<IConnectionPointContainer> empty =
      Make<Silent, ICpSource>().Query<IConnectionPointContainer>();
  IConnectionPoint* cp = nullptr;
  EXPECT_EQ(empty->FindConnectionPoint(IidOf<ICpEvents>(), &cp), CONNECT_E_NOCONNECTION);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(empty->EnumConnectionPoints(points.put()), S_OK);
  ULONG fetched = 9;
  EXPECT_EQ(points->Next(1, &cp, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST_F(ConnectionPointTest, PointIsItsOwnInterfaceButSharesTheSourceLifetime) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPoint> cp = PointOf(source.get(), IidOf<ICpEvents>());
  // Its IUnknown is its own (a connection point is a separate object to its clients).
  ComPtr<IUnknown> cpUnknown = cp.Query<IUnknown>();
  EXPECT_EQ(static_cast<void*>(cpUnknown.get()), static_cast<void*>(cp.get()));
  EXPECT_FALSE(cp.As<ICpSource>());
  // Holding the point holds the source.
  ULONG before = RefCount(source.get());
  ComPtr<IConnectionPoint> extra = cp;
  EXPECT_EQ(RefCount(source.get()), before + 1);
  extra.Reset();
  cpUnknown.Reset();
  source.Reset();
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_ + 1);
  IConnectionPointContainer* cpc = nullptr;
  ASSERT_EQ(cp->GetConnectionPointContainer(&cpc), S_OK);
  cpc->Release();
  cp.Reset();  // the last reference: the source goes now
}

TEST_F(ConnectionPointTest, AdviseTable) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPoint> cp = PointOf(source.get(), IidOf<ICpEvents>());
  ComPtr<ICpEvents> sink = Make<Sink, ICpEvents>();
  ComPtr<ICpSource> stranger = Make<NotASink, ICpSource>();
  struct Case {
    const char* name;
    IUnknown* sink;
    bool cookieSlot;
    HRESULT hr;
  };
  const Case cases[] = {
      {"a sink of the interface", sink.get(), true, S_OK},
      {"an object without the interface", stranger.get(), true, CONNECT_E_CANNOTCONNECT},
      {"null sink", nullptr, true, E_POINTER},
      {"null cookie slot", sink.get(), false, E_POINTER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD cookie = 0xDEAD;
    EXPECT_EQ(cp->Advise(c.sink, c.cookieSlot ? &cookie : nullptr), c.hr);
    if (!c.cookieSlot) continue;
    if (c.hr == S_OK) {
      EXPECT_GT(cookie, 0u);
      EXPECT_EQ(cp->Unadvise(cookie), S_OK);
    } else {
      EXPECT_EQ(cookie, 0u);
    }
  }
  EXPECT_EQ(RefCount(sink.get()), 1u) << "failed advises keep no reference";
  EXPECT_EQ(RefCount(stranger.get()), 1u);
}

TEST_F(ConnectionPointTest, CookiesAndUnadvise) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPoint> cp = PointOf(source.get(), IidOf<ICpEvents>());
  ComPtr<ICpEvents> sink = Make<Sink, ICpEvents>();
  DWORD a = 0, b = 0;
  ASSERT_EQ(cp->Advise(sink.get(), &a), S_OK);
  ASSERT_EQ(cp->Advise(sink.get(), &b), S_OK);  // the same sink twice: two connections
  EXPECT_NE(a, b);
  EXPECT_EQ(RefCount(sink.get()), 3u);

  source->Raise(7);
  EXPECT_EQ(SinkOf(sink)->received, (std::vector<LONG>{7, 7}));

  const struct {
    DWORD cookie;
    HRESULT hr;
  } cases[] = {{0, CONNECT_E_NOCONNECTION},
               {b + 100, CONNECT_E_NOCONNECTION},
               {a, S_OK},
               {a, CONNECT_E_NOCONNECTION}};
  for (const auto& c : cases) EXPECT_EQ(cp->Unadvise(c.cookie), c.hr) << c.cookie;
  EXPECT_EQ(RefCount(sink.get()), 2u);

  // Cookies are not handed out again while connected.
  DWORD c = 0;
  ASSERT_EQ(cp->Advise(sink.get(), &c), S_OK);
  EXPECT_NE(c, b);
  // Releasing the source releases the remaining sinks.
  cp.Reset();
  source.Reset();
  EXPECT_EQ(RefCount(sink.get()), 1u);
}

TEST_F(ConnectionPointTest, FiringIsSafeWhileSinksComeAndGo) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPoint> cp = PointOf(source.get(), IidOf<ICpEvents>());
  ComPtr<ICpEvents> first = Make<Sink, ICpEvents>();
  ComPtr<ICpEvents> second = Make<Sink, ICpEvents>();
  ComPtr<ICpEvents> third = Make<Sink, ICpEvents>();
  ComPtr<ICpEvents> late = Make<Sink, ICpEvents>();
  DWORD c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  ASSERT_EQ(cp->Advise(first.get(), &c1), S_OK);
  ASSERT_EQ(cp->Advise(second.get(), &c2), S_OK);
  ASSERT_EQ(cp->Advise(third.get(), &c3), S_OK);

  // first: disconnects itself and the third sink, and connects a late one.
  SinkOf(first)->onEvent = [&] {
    EXPECT_EQ(cp->Unadvise(c1), S_OK);
    EXPECT_EQ(cp->Unadvise(c3), S_OK);
    EXPECT_EQ(cp->Advise(late.get(), &c4), S_OK);
  };
  // second: drops the caller's last reference to itself; the event keeps it alive.
  Sink* secondObj = SinkOf(second);
  secondObj->onEvent = [&] { second.Reset(); };

  ASSERT_EQ(source->Raise(1), S_OK);
  EXPECT_EQ(SinkOf(first)->received, (std::vector<LONG>{1}));
  EXPECT_EQ(secondObj->received, (std::vector<LONG>{1}));
  EXPECT_TRUE(SinkOf(third)->received.empty()) << "disconnected before its turn";
  EXPECT_TRUE(SinkOf(late)->received.empty()) << "connected after the event began";

  secondObj->onEvent = nullptr;
  ASSERT_EQ(source->Raise(2), S_OK);
  EXPECT_EQ(SinkOf(first)->received, (std::vector<LONG>{1}));
  EXPECT_EQ(secondObj->received, (std::vector<LONG>{1, 2}));
  EXPECT_EQ(SinkOf(late)->received, (std::vector<LONG>{2}));

  // Firing with the wrong interface calls nobody.
  auto* impl = static_cast<Source*>(source.get());
  EXPECT_EQ(impl->Fire<ICpSource>([](ICpSource*) {
    ADD_FAILURE();
    return S_OK;
  }),
            E_NOINTERFACE);
  EXPECT_EQ(impl->PointOf<ICpOtherEvents>()->ConnectionCount(), 0u);
  EXPECT_EQ(impl->Fire<ICpOtherEvents>([](ICpOtherEvents*) {
    ADD_FAILURE();
    return S_OK;
  }),
            S_OK);
}

TEST_F(ConnectionPointTest, Enumerators) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<IConnectionPoint> cp = PointOf(source.get(), IidOf<ICpEvents>());
  ComPtr<ICpEvents> a = Make<Sink, ICpEvents>();
  ComPtr<ICpEvents> b = Make<Sink, ICpEvents>();
  DWORD ca = 0, cb = 0;
  cp->Advise(a.get(), &ca);
  cp->Advise(b.get(), &cb);

  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(cp->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, ca);
  EXPECT_EQ(data[1].dwCookie, cb);
  EXPECT_TRUE(velk::IsSameObject(data[0].pUnk, a.get()));
  EXPECT_TRUE(velk::IsSameObject(data[1].pUnk, b.get()));
  data[0].pUnk->Release();
  data[1].pUnk->Release();
  EXPECT_EQ(connections->Next(2, data, nullptr), E_POINTER);
  ASSERT_EQ(connections->Reset(), S_OK);
  EXPECT_EQ(connections->Skip(1), S_OK);
  ComPtr<IEnumConnections> clone;
  ASSERT_EQ(connections->Clone(clone.put()), S_OK);
  ASSERT_EQ(clone->Next(1, data, nullptr), S_OK);
  EXPECT_EQ(data[0].dwCookie, cb);
  data[0].pUnk->Release();
  EXPECT_EQ(clone->Skip(1), S_FALSE);

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(source.Query<IConnectionPointContainer>()->EnumConnectionPoints(points.put()), S_OK);
  IConnectionPoint* list[2] = {};
  ASSERT_EQ(points->Next(2, list, &fetched), S_OK);
  ASSERT_EQ(fetched, 2u);
  IID first{}, second{};
  list[0]->GetConnectionInterface(&first);
  list[1]->GetConnectionInterface(&second);
  EXPECT_EQ(first, IidOf<ICpEvents>());
  EXPECT_EQ(second, IidOf<ICpOtherEvents>());
  EXPECT_EQ(static_cast<void*>(list[0]), static_cast<void*>(cp.get()));
  list[0]->Release();
  list[1]->Release();
  // The enumerators hold the source and the sinks while they live.
  cp.Reset();
  source.Reset();
  connections.Reset();
  clone.Reset();
  EXPECT_EQ(RefCount(a.get()), 2u);  // still connected to the source the enumerator holds
  points.Reset();
  EXPECT_EQ(RefCount(a.get()), 1u);
}

TEST_F(ConnectionPointTest, ConnectAndDisconnectHelpers) {
  ComPtr<ICpSource> source = Make<Source, ICpSource>();
  ComPtr<ICpEvents> sink = Make<Sink, ICpEvents>();
  ComPtr<ICpSource> plain = Make<NotASink, ICpSource>();
  struct Case {
    const char* name;
    IUnknown* source;
    IID iid;
    HRESULT hr;
  };
  const Case cases[] = {
      {"events of a container", source.get(), IidOf<ICpEvents>(), S_OK},
      {"interface the source does not call", source.get(), IidOf<ICpSource>(),
       CONNECT_E_NOCONNECTION},
      {"source without a container", plain.get(), IidOf<ICpEvents>(), E_NOINTERFACE},
      {"no source", nullptr, IidOf<ICpEvents>(), E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD cookie = 0xDEAD;
    EXPECT_EQ(velk::ConnectSink(c.source, sink.get(), c.iid, &cookie), c.hr);
    if (c.hr != S_OK) {
      EXPECT_EQ(cookie, 0u);
      EXPECT_EQ(velk::DisconnectSink(c.source, c.iid, 1), c.hr);
      continue;
    }
    source->Raise(5);
    EXPECT_EQ(SinkOf(sink)->received, (std::vector<LONG>{5}));
    EXPECT_EQ(velk::DisconnectSink(c.source, c.iid, cookie), S_OK);
    EXPECT_EQ(velk::DisconnectSink(c.source, c.iid, cookie), CONNECT_E_NOCONNECTION);
    source->Raise(6);
    EXPECT_EQ(SinkOf(sink)->received, (std::vector<LONG>{5}));
  }
  EXPECT_EQ(velk::ConnectSink(source.get(), sink.get(), IidOf<ICpEvents>(), nullptr), E_POINTER);
  DWORD cookie = 0;
  EXPECT_EQ(velk::ConnectSink(source.get(), nullptr, IidOf<ICpEvents>(), &cookie), E_POINTER);
}

}  // namespace
