// The frame every catalog layer class is built on: an object root whose interface map the class
// lists, that aggregates an inner host object and hands it every request the map does not
// answer (except the interfaces the class refuses), plus the empty connection-point container
// and the IPersistStream part that all layer classes share.
#pragma once

#include <type_traits>

#include "interfaces/zel_layer_interfaces.h"
#include "layers/layer_stream.h"
#include "platform/com/connection_point.h"
#include "platform/com/object.h"
#include "platform/com/stream.h"
#include "platform/registry/activation.h"

namespace velk::lumeris {

// No layer class fires events: its container has no connection points.
using EmptyConnectionPointContainer = ConnectionPointContainerImpl<>;

// IPersistStream (and IPersist) as every layer answers it: the class identifier from
// Derived::ClassId(), GetSizeMax not implemented. IsDirty, Load and Save are the class's.
template <class Derived>
class LayerPersistStreamImpl : public IPersistStream {
 public:
  HRESULT GetClassID(CLSID* pClassID) override {
    if (!pClassID) return E_POINTER;
    *pClassID = Derived::ClassId();
    return S_OK;
  }
  HRESULT GetSizeMax(ULARGE_INTEGER* pcbSize) override { return LayerGetSizeMax(pcbSize); }

 protected:
  ~LayerPersistStreamImpl() = default;
};

// The object root of a layer class. Interfaces... is the class's interface map in order (the
// first also answers IUnknown). Derived may define
//   static bool IsRefusedIid(REFIID)   interfaces never handed out, even when the inner has them
//   HRESULT QueryExtra(REFIID, void**) further own answers, ending with ZelLayerFrame::QueryExtra
// and calls CreateInner from its FinalConstruct.
template <class Derived, class... Interfaces>
class ZelLayerFrame : public ComObjectRoot<Derived, Interfaces...> {
 public:
  static bool IsRefusedIid(REFIID) { return false; }

  // IPersist when the class answers IPersistStream; IZelLayer through the class's layer
  // interface that derives from it; then refusals; then the inner object, any failure of which
  // (or a missing inner object) is E_NOINTERFACE.
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    if constexpr (std::is_convertible_v<Derived*, IZelLayer*>) {
      if (riid == IidOf<IZelLayer>()) {
        IZelLayer* p = static_cast<Derived*>(this);
        p->AddRef();
        *ppv = p;
        return S_OK;
      }
    }
    if constexpr (std::is_base_of_v<IPersistStream, Derived>) {
      if (riid == IidOf<IPersist>()) {
        auto* p = static_cast<IPersist*>(static_cast<IPersistStream*>(static_cast<Derived*>(this)));
        p->AddRef();
        *ppv = p;
        return S_OK;
      }
    }
    if (Derived::IsRefusedIid(riid)) return E_NOINTERFACE;
    if (!inner_) return E_NOINTERFACE;
    HRESULT hr = inner_->QueryInterface(riid, ppv);
    return FAILED(hr) ? E_NOINTERFACE : hr;
  }

  // Releases the inner object; a class that has its own final release calls this from it.
  void FinalRelease() { ReleaseInner(); }

  // The inner object's own (non-delegating) unknown; null before CreateInner succeeds.
  IUnknown* InnerUnknown() const { return inner_; }

 protected:
  ZelLayerFrame() = default;
  ~ZelLayerFrame() override { ReleaseInner(); }

  // Creates the inner host object by class identifier, aggregated under this object's
  // controlling unknown, and keeps its unknown. A failure is returned as it stands.
  HRESULT CreateInner(REFCLSID clsid) {
    ReleaseInner();
    IUnknown* inner = nullptr;
    HRESULT hr = CoCreateInstance(clsid, this->ControllingUnknown(), CLSCTX_ALL, IidOf<IUnknown>(),
                                  reinterpret_cast<void**>(&inner));
    if (FAILED(hr)) return hr;
    if (!inner) return E_NOINTERFACE;
    inner_ = inner;
    return S_OK;
  }

  void ReleaseInner() {
    if (IUnknown* p = inner_) {
      inner_ = nullptr;
      p->Release();
    }
  }

 private:
  IUnknown* inner_ = nullptr;
};

}  // namespace velk::lumeris
