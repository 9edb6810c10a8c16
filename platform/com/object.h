// Object roots: reference counting, aggregation and a table-driven QueryInterface, plus the
// per-library module lock count and class factories.
#pragma once

#include <atomic>
#include <new>
#include <type_traits>

#include "platform/com/unknown.h"

namespace velk {

// Lock count of one library (outstanding objects and server locks).
class ComModule {
 public:
  LONG Lock() { return ++locks_; }
  LONG Unlock() { return --locks_; }
  LONG LockCount() const { return locks_.load(); }

 private:
  std::atomic<LONG> locks_{0};
};

// Each shared object (library, host program, test program) defines its own module; the
// declaration is hidden, so every library binds to its own definition (VELK_DEFINE_MODULE).
__attribute__((visibility("hidden"))) ComModule& ThisModule();

// Code that reaches ThisModule() from a header (object wrappers, creation helpers) must bind
// to the copy in its own library: with default visibility the dynamic linker may send one
// library's call to another library's identical inline copy, which counts the wrong module.
#define VELK_MODULE_LOCAL __attribute__((visibility("hidden")))

#define VELK_DEFINE_MODULE()                \
  ::velk::ComModule& ::velk::ThisModule() { \
    static ::velk::ComModule module;        \
    return module;                          \
  }

namespace detail {
template <class... Is>
struct QiFinder;
template <>
struct QiFinder<> {
  template <class Self>
  static bool Find(Self*, REFIID, void**) {
    return false;
  }
};
template <class I, class... Rest>
struct QiFinder<I, Rest...> {
  template <class Self>
  static bool Find(Self* self, REFIID riid, void** ppv) {
    if (riid == IidOf<I>()) {
      *ppv = static_cast<I*>(self);
      return true;
    }
    return QiFinder<Rest...>::Find(self, riid, ppv);
  }
};
template <class First, class... Rest>
struct FirstOf {
  using type = First;
};
}  // namespace detail

// Base of every implementation class: lists the interfaces the object answers. A class may
// define QueryExtra(riid, ppv) for further answers (base interfaces, tear-offs, inner objects),
// FinalConstruct() and FinalRelease().
template <class Derived, class... Interfaces>
class ComObjectRoot : public Interfaces... {
 public:
  using PrimaryInterface = typename detail::FirstOf<Interfaces...>::type;

  HRESULT InternalQueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IidOf<IUnknown>()) {
      *ppv = static_cast<IUnknown*>(static_cast<PrimaryInterface*>(this));
    } else if (!detail::QiFinder<Interfaces...>::Find(this, riid, ppv)) {
      HRESULT hr = static_cast<Derived*>(this)->QueryExtra(riid, ppv);
      if (FAILED(hr) || !*ppv) {
        *ppv = nullptr;
        return E_NOINTERFACE;
      }
      return S_OK;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
  }
  HRESULT QueryExtra(REFIID, void**) { return E_NOINTERFACE; }
  HRESULT FinalConstruct() { return S_OK; }
  void FinalRelease() {}

  // The unknown that speaks for the object: the outer one when aggregated.
  IUnknown* ControllingUnknown() { return unknown_; }
  bool IsAggregated() const { return aggregated_; }

  virtual ~ComObjectRoot() = default;

  // Set by the wrappers below, before FinalConstruct.
  void SetControllingUnknown_(IUnknown* u, bool aggregated) {
    unknown_ = u;
    aggregated_ = aggregated;
  }

 private:
  IUnknown* unknown_ = nullptr;
  bool aggregated_ = false;
};

// A stand-alone object: owns its count, locks the module while alive.
template <class T, bool kLockModule = true>
class VELK_MODULE_LOCAL ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) {
    if constexpr (kLockModule) ThisModule().Lock();
    this->SetControllingUnknown_(
        static_cast<IUnknown*>(static_cast<typename T::PrimaryInterface*>(this)), false);
  }
  ~ComObject() override {
    if constexpr (kLockModule) ThisModule().Unlock();
  }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return this->InternalQueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) {
      refs_ = 1;  // guard against re-entry during final release
      this->FinalRelease();
      delete this;
    }
    return n;
  }
  // Typed QueryInterface (a using-declaration of the base's would be ambiguous for a class
  // with several interfaces, each carrying its own IUnknown).
  template <class Q>
  HRESULT QueryInterface(Q** pp) {
    return QueryInterface(IidOf<Q>(), reinterpret_cast<void**>(pp));
  }

  // Creates an object with one reference held by the returned pointer.
  template <class... Args>
  static HRESULT Create(ComObject** out, Args&&... args) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* p = new (std::nothrow) ComObject(std::forward<Args>(args)...);
    if (!p) return E_OUTOFMEMORY;
    p->AddRef();
    HRESULT hr = p->FinalConstruct();
    if (FAILED(hr)) {
      p->Release();
      return hr;
    }
    *out = p;
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{0};
};

// Convenience: make an object and hand out one interface of it.
template <class T, class I, class... Args>
VELK_MODULE_LOCAL HRESULT MakeObject(I** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComObject<T>* p = nullptr;
  HRESULT hr = ComObject<T>::Create(&p, std::forward<Args>(args)...);
  if (FAILED(hr)) return hr;
  hr = p->QueryInterface(IidOf<I>(), reinterpret_cast<void**>(out));
  p->Release();
  return hr;
}
template <class T, class I = typename T::PrimaryInterface, class... Args>
VELK_MODULE_LOCAL ComPtr<I> MakeObjectPtr(Args&&... args) {
  ComPtr<I> r;
  Check(MakeObject<T, I>(r.put(), std::forward<Args>(args)...));
  return r;
}

// The object inside an aggregate: its IUnknown methods go to the outer object.
template <class T>
class ComContainedObject final : public T {
 public:
  explicit ComContainedObject(IUnknown* outer) : outer_(outer) {
    this->SetControllingUnknown_(outer, true);
  }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    return outer_->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return outer_->AddRef(); }
  ULONG Release() override { return outer_->Release(); }
  // Typed QueryInterface (a using-declaration of the base's would be ambiguous for a class
  // with several interfaces, each carrying its own IUnknown).
  template <class Q>
  HRESULT QueryInterface(Q** pp) {
    return QueryInterface(IidOf<Q>(), reinterpret_cast<void**>(pp));
  }

 private:
  IUnknown* outer_;
};

// The non-delegating unknown handed to the outer object of an aggregate.
template <class T>
class VELK_MODULE_LOCAL ComAggObject final : public IUnknown {
 public:
  explicit ComAggObject(IUnknown* outer) : contained_(outer) { ThisModule().Lock(); }
  virtual ~ComAggObject() { ThisModule().Unlock(); }
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IidOf<IUnknown>()) {
      *ppv = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return contained_.InternalQueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) {
      refs_ = 1;
      contained_.FinalRelease();
      delete this;
    }
    return n;
  }
  T& Inner() { return contained_; }

 private:
  std::atomic<ULONG> refs_{0};
  ComContainedObject<T> contained_;
};

// The creation routine of a class: plain without an outer object, aggregated with one.
// Aggregation only hands out the non-delegating IUnknown (the rule of the component model).
template <class T, bool kAggregatable = true>
VELK_MODULE_LOCAL HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) {
    if constexpr (!kAggregatable) {
      return CLASS_E_NOAGGREGATION;
    } else {
      if (!(riid == IidOf<IUnknown>())) return CLASS_E_NOAGGREGATION;
      auto* agg = new (std::nothrow) ComAggObject<T>(outer);
      if (!agg) return E_OUTOFMEMORY;
      agg->AddRef();
      HRESULT hr = agg->Inner().FinalConstruct();
      if (SUCCEEDED(hr)) hr = agg->QueryInterface(riid, ppv);
      agg->Release();
      return hr;
    }
  }
  ComObject<T>* p = nullptr;
  HRESULT hr = ComObject<T>::Create(&p);
  if (FAILED(hr)) return hr;
  hr = p->QueryInterface(riid, ppv);
  p->Release();
  return hr;
}

using CreatorFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// A class factory that makes instances through a creation routine.
class ClassFactory : public ComObjectRoot<ClassFactory, IClassFactory> {
 public:
  ClassFactory(CreatorFn creator, ComModule* module) : creator_(creator), module_(module) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!creator_) return CLASS_E_CLASSNOTAVAILABLE;
    VELK_TRY
    return creator_(outer, riid, ppv);
    VELK_CATCH
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock)
      module_->Lock();
    else
      module_->Unlock();
    return S_OK;
  }

 private:
  CreatorFn creator_;
  ComModule* module_;
};

// Makes a factory of the calling library; factories do not hold the module (only LockServer
// does).
VELK_MODULE_LOCAL inline HRESULT CreateClassFactory(CreatorFn creator, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  auto* f = new (std::nothrow) ComObject<ClassFactory, false>(creator, &ThisModule());
  if (!f) return E_OUTOFMEMORY;
  f->AddRef();
  HRESULT hr = f->QueryInterface(riid, ppv);
  f->Release();
  return hr;
}

}  // namespace velk
