// IUnknown, the class factory contract, the COM error and the interface smart pointer.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "platform/com/base_types.h"

struct IUnknown {
  VELK_INTERFACE_ID("{00000000-0000-0000-C000-000000000046}")
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

  template <class Q>
  HRESULT QueryInterface(Q** pp) {
    return QueryInterface(IidOf<Q>(), reinterpret_cast<void**>(pp));
  }

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  VELK_INTERFACE_ID("{00000001-0000-0000-C000-000000000046}")
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

namespace velk {

// A failed HRESULT travelling as an exception inside a method; caught at the method boundary.
class ComError : public std::exception {
 public:
  explicit ComError(HRESULT hr, std::wstring description = {})
      : hr_(hr), description_(std::move(description)) {}
  HRESULT Error() const noexcept { return hr_; }
  const std::wstring& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return "COM error"; }

 private:
  HRESULT hr_;
  std::wstring description_;
};

[[noreturn]] inline void ThrowComError(HRESULT hr, std::wstring description = {}) {
  throw ComError(hr, std::move(description));
}
inline HRESULT Check(HRESULT hr) {
  if (FAILED(hr)) ThrowComError(hr);
  return hr;
}

// Reference-counted interface pointer. Every failed call made through its helpers throws
// ComError; a null dereference throws E_POINTER.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  template <class U>
  ComPtr(const ComPtr<U>& o) {
    Assign(o.get());
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }

  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  static ComPtr Attach(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  void Reset() {
    if (p_) {
      T* p = p_;
      p_ = nullptr;
      p->Release();
    }
  }

  T* get() const { return p_; }
  T* operator->() const {
    if (!p_) ThrowComError(E_POINTER);
    return p_;
  }
  T& operator*() const { return *operator->(); }
  explicit operator bool() const { return p_ != nullptr; }
  T** operator&() {
    Reset();
    return &p_;
  }
  T** put() {
    Reset();
    return &p_;
  }
  void** put_void() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }

  // Hands an added reference to an out slot (the slot may be null: E_POINTER).
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  // QueryInterface for another interface; empty on failure.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(IidOf<U>(), r.put_void());
    return r;
  }
  // QueryInterface that throws the failure.
  template <class U>
  ComPtr<U> Query() const {
    if (!p_) ThrowComError(E_POINTER);
    ComPtr<U> r;
    Check(p_->QueryInterface(IidOf<U>(), r.put_void()));
    if (!r) ThrowComError(E_NOINTERFACE);
    return r;
  }

  // Takes whatever interface p answers for T (query), like assigning to a typed smart pointer.
  void Assign(IUnknown* p) {
    Reset();
    if (p) p->QueryInterface(IidOf<T>(), reinterpret_cast<void**>(&p_));
  }

  bool operator==(const ComPtr& o) const { return p_ == o.p_; }
  bool operator==(std::nullptr_t) const { return p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T>
ComPtr<T> QueryAs(IUnknown* p) {
  ComPtr<T> r;
  if (p) p->QueryInterface(IidOf<T>(), r.put_void());
  return r;
}

// Object identity: two references are the same object when their IUnknown pointers are equal.
bool IsSameObject(IUnknown* a, IUnknown* b);

// The catch at a method boundary: COM errors become their HRESULT, anything else E_FAIL.
HRESULT HresultFromCurrentException() noexcept;

}  // namespace velk

#define VELK_TRY try {
#define VELK_CATCH                                \
  }                                               \
  catch (...) {                                   \
    return ::velk::HresultFromCurrentException(); \
  }
