#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/com/object.h"

using velk::ComError;
using velk::ComPtr;

namespace {

struct IObjFoo : IUnknown {
  VELK_INTERFACE_ID("{5B0E3C11-7A2D-4C61-9E0B-1F2A3B4C5D01}")
  virtual HRESULT Foo(LONG* out) = 0;
};
struct IObjBar : IUnknown {
  VELK_INTERFACE_ID("{5B0E3C11-7A2D-4C61-9E0B-1F2A3B4C5D02}")
  virtual HRESULT Bar(LONG* out) = 0;
};
struct IObjOuter : IUnknown {
  VELK_INTERFACE_ID("{5B0E3C11-7A2D-4C61-9E0B-1F2A3B4C5D03}")
  virtual HRESULT Ping() = 0;
};
// Answered through QueryExtra, as a base interface would be.
struct IObjExtra : IUnknown {
  VELK_INTERFACE_ID("{5B0E3C11-7A2D-4C61-9E0B-1F2A3B4C5D04}")
  virtual HRESULT Extra() = 0;
};
constexpr IID kUnknownIid = velk::MakeGuid("{5B0E3C11-7A2D-4C61-9E0B-1F2A3B4C5DFF}");

int g_finalReleases = 0;
HRESULT g_finalConstructResult = S_OK;

class FooBar : public velk::ComObjectRoot<FooBar, IObjFoo, IObjBar>, public IObjExtra {
 public:
  HRESULT FinalConstruct() { return g_finalConstructResult; }
  void FinalRelease() { ++g_finalReleases; }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if (riid == IidOf<IObjExtra>()) {
      *ppv = static_cast<IObjExtra*>(this);
      static_cast<IObjExtra*>(this)->AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT Foo(LONG* out) override {
    *out = 1;
    return S_OK;
  }
  HRESULT Bar(LONG* out) override {
    *out = 2;
    return S_OK;
  }
  HRESULT Extra() override { return S_OK; }
};

// An outer object that aggregates a FooBar and passes the inner's interfaces out as its own.
class Outer : public velk::ComObjectRoot<Outer, IObjOuter> {
 public:
  HRESULT FinalConstruct() {
    return velk::CreateInstance<FooBar>(ControllingUnknown(), IidOf<IUnknown>(), inner_.put_void());
  }
  void FinalRelease() { inner_.Reset(); }
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    return inner_ ? inner_->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  HRESULT Ping() override { return S_OK; }
  IUnknown* Inner() const { return inner_.get(); }

 private:
  ComPtr<IUnknown> inner_;  // the non-delegating unknown of the inner object
};

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

template <class I>
I* Qi(IUnknown* p) {
  I* out = nullptr;
  EXPECT_EQ(p->QueryInterface(IidOf<I>(), reinterpret_cast<void**>(&out)), S_OK);
  return out;
}

class ObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_finalReleases = 0;
    g_finalConstructResult = S_OK;
    locks_ = velk::ThisModule().LockCount();
  }
  void TearDown() override {
    EXPECT_EQ(velk::ThisModule().LockCount(), locks_) << "an object leaked";
  }
  LONG locks_ = 0;
};

TEST_F(ObjectTest, QueryInterfaceKeepsIdentityAndCounts) {
  ComPtr<IObjFoo> foo = velk::MakeObjectPtr<FooBar, IObjFoo>();
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_ + 1);
  ComPtr<IObjBar> bar = foo.Query<IObjBar>();
  ComPtr<IObjExtra> extra = foo.Query<IObjExtra>();

  // Every route to IUnknown gives the same pointer.
  IUnknown* viaFoo = Qi<IUnknown>(foo.get());
  IUnknown* viaBar = Qi<IUnknown>(bar.get());
  IUnknown* viaExtra = Qi<IUnknown>(extra.get());
  EXPECT_EQ(viaFoo, viaBar);
  EXPECT_EQ(viaFoo, viaExtra);
  EXPECT_TRUE(velk::IsSameObject(bar.get(), extra.get()));
  // Round trips land on the same interface pointers.
  IObjFoo* foo2 = Qi<IObjFoo>(extra.get());
  EXPECT_EQ(foo2, foo.get());
  foo2->Release();
  viaFoo->Release();
  viaBar->Release();
  viaExtra->Release();

  // foo, bar and extra hold one reference each.
  EXPECT_EQ(RefCount(foo.get()), 3u);

  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(foo->QueryInterface(kUnknownIid, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(foo->QueryInterface(IidOf<IObjBar>(), nullptr), E_POINTER);
  EXPECT_EQ(RefCount(foo.get()), 3u);

  bar.Reset();
  extra.Reset();
  EXPECT_EQ(g_finalReleases, 0);
  foo.Reset();
  EXPECT_EQ(g_finalReleases, 1);
}

TEST_F(ObjectTest, AggregatedObjectDelegatesToItsOuter) {
  ComPtr<IObjOuter> outer = velk::MakeObjectPtr<Outer, IObjOuter>();
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_ + 2);  // the outer and the aggregated inner
  ComPtr<IObjFoo> foo = outer.Query<IObjFoo>();
  LONG v = 0;
  EXPECT_EQ(foo->Foo(&v), S_OK);
  EXPECT_EQ(v, 1);

  // The inner's interfaces speak for the outer: its IUnknown, its other interfaces, its count.
  IUnknown* outerUnknown = Qi<IUnknown>(outer.get());
  IUnknown* fooUnknown = Qi<IUnknown>(foo.get());
  EXPECT_EQ(outerUnknown, fooUnknown);
  ComPtr<IObjOuter> back = foo.Query<IObjOuter>();
  EXPECT_EQ(back.get(), outer.get());
  ULONG before = RefCount(outer.get());
  foo->AddRef();
  EXPECT_EQ(RefCount(outer.get()), before + 1);
  foo->Release();

  // The non-delegating unknown is a different pointer that only the outer holds.
  auto* outerObj = static_cast<Outer*>(outer.get());
  EXPECT_NE(outerObj->Inner(), outerUnknown);
  auto* innerObj = static_cast<FooBar*>(foo.get());
  EXPECT_TRUE(innerObj->IsAggregated());
  EXPECT_EQ(innerObj->ControllingUnknown(), outerUnknown);
  outerUnknown->Release();
  fooUnknown->Release();

  back.Reset();
  foo.Reset();
  EXPECT_EQ(g_finalReleases, 0);
  outer.Reset();
  EXPECT_EQ(g_finalReleases, 1);  // the inner went with the outer
}

struct AggregationCase {
  const char* name;
  bool withOuter;
  bool aggregatable;
  bool askUnknown;
  HRESULT expected;
};

TEST_F(ObjectTest, CreateInstanceAggregationRules) {
  ComPtr<IObjOuter> host = velk::MakeObjectPtr<Outer, IObjOuter>();
  const AggregationCase cases[] = {
      {"plain, any interface", false, true, false, S_OK},
      {"outer asks IUnknown", true, true, true, S_OK},
      {"outer asks another interface", true, true, false, CLASS_E_NOAGGREGATION},
      {"not aggregatable, outer asks IUnknown", true, false, true, CLASS_E_NOAGGREGATION},
      {"not aggregatable, no outer", false, false, false, S_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IUnknown* outer = c.withOuter ? host.get() : nullptr;
    const IID& iid = c.askUnknown ? IidOf<IUnknown>() : IidOf<IObjBar>();
    void* out = reinterpret_cast<void*>(0x1);
    HRESULT hr = c.aggregatable ? velk::CreateInstance<FooBar, true>(outer, iid, &out)
                                : velk::CreateInstance<FooBar, false>(outer, iid, &out);
    EXPECT_EQ(hr, c.expected);
    if (SUCCEEDED(hr)) {
      ASSERT_NE(out, nullptr);
      static_cast<IUnknown*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(velk::CreateInstance<FooBar>(nullptr, IidOf<IObjFoo>(), nullptr), E_POINTER);
}

TEST_F(ObjectTest, FailedFinalConstructLeavesNothingBehind) {
  g_finalConstructResult = E_ACCESSDENIED;
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(velk::CreateInstance<FooBar>(nullptr, IidOf<IObjFoo>(), &out), E_ACCESSDENIED);
  EXPECT_EQ(out, nullptr);
  // An outer whose inner fails is refused with the inner's failure.
  IObjOuter* outer = reinterpret_cast<IObjOuter*>(0x1);
  EXPECT_EQ((velk::MakeObject<Outer, IObjOuter>(&outer)), E_ACCESSDENIED);
  EXPECT_EQ(outer, nullptr);
  EXPECT_THROW((velk::MakeObjectPtr<Outer, IObjOuter>()), ComError);
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_);
}

TEST_F(ObjectTest, ClassFactoryCreatesAndLocksTheModule) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(velk::CreateClassFactory(&velk::CreateInstance<FooBar>, IidOf<IClassFactory>(),
                                     factory.put_void()),
            S_OK);
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_) << "a factory alone does not hold the module";

  ComPtr<IObjBar> bar;
  ASSERT_EQ(factory->CreateInstance(nullptr, IidOf<IObjBar>(), bar.put_void()), S_OK);
  LONG v = 0;
  bar->Bar(&v);
  EXPECT_EQ(v, 2);
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_ + 1);

  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(bar.get(), IidOf<IObjFoo>(), &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);

  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_ + 2);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  bar.Reset();
  EXPECT_EQ(velk::ThisModule().LockCount(), locks_);

  ComPtr<IClassFactory> empty;
  ASSERT_EQ(velk::CreateClassFactory(nullptr, IidOf<IClassFactory>(), empty.put_void()), S_OK);
  EXPECT_EQ(empty->CreateInstance(nullptr, IidOf<IObjFoo>(), &out), CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ObjectTest, ComPtrThrowsComErrorOnFailure) {
  ComPtr<IObjFoo> foo = velk::MakeObjectPtr<FooBar, IObjFoo>();
  EXPECT_FALSE(foo.As<IObjOuter>());
  try {
    foo.Query<IObjOuter>();
    ADD_FAILURE() << "no throw";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_NOINTERFACE);
  }
  ComPtr<IObjFoo> null;
  try {
    LONG v = 0;
    null->Foo(&v);
    ADD_FAILURE() << "no throw";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  EXPECT_THROW(velk::Check(E_FAIL), ComError);
  EXPECT_EQ(velk::Check(S_FALSE), S_FALSE);
  EXPECT_EQ(foo.CopyTo(nullptr), E_POINTER);

  // Converting construction queries; copies and moves count correctly.
  ComPtr<IObjBar> bar(foo);
  ASSERT_TRUE(bar);
  EXPECT_EQ(RefCount(foo.get()), 2u);
  ComPtr<IObjBar> moved(std::move(bar));
  EXPECT_FALSE(bar);  // NOLINT(bugprone-use-after-move): a moved-from pointer is empty
  EXPECT_EQ(RefCount(foo.get()), 2u);
  ComPtr<IObjBar> copy = moved;  // NOLINT(performance-unnecessary-copy-initialization)
  EXPECT_EQ(RefCount(foo.get()), 3u);
}

HRESULT Boundary(int what) {
  VELK_TRY
  switch (what) {
    case 0: velk::ThrowComError(E_ACCESSDENIED, L"no");
    case 1: throw std::bad_alloc();
    case 2: throw std::runtime_error("other");
    case 3: velk::Check(DISP_E_OVERFLOW); break;
    default: break;
  }
  return S_FALSE;
  VELK_CATCH
}

TEST(ComBoundary, ExceptionsBecomeResults) {
  const std::pair<int, HRESULT> cases[] = {
      {0, E_ACCESSDENIED}, {1, E_OUTOFMEMORY}, {2, E_FAIL}, {3, DISP_E_OVERFLOW}, {4, S_FALSE}};
  for (auto [what, expected] : cases) EXPECT_EQ(Boundary(what), expected) << what;
}

}  // namespace
