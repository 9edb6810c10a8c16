// The coordinate tool's one connection point, for IZelCoordToolEvents, and the firing of the
// four events. It lives inside the tool and shares the tool's reference count. Sinks sit in a
// list of slots: an advise takes the first empty slot (the list starts with 4 slots and
// doubles when full), the cookie is the slot's position counted from 1, and an unadvised slot
// is emptied and used again.
#pragma once

#include <vector>

#include "interfaces/zel_coord_tool.h"
#include "platform/com/connection_point.h"
#include "platform/com/object.h"

namespace velk::corvane {

class CProxyIZelCoordToolEvents final : public IConnectionPoint {
 public:
  static constexpr std::size_t kFirstSlotCount = 4;

  explicit CProxyIZelCoordToolEvents(IConnectionPointContainer* container)
      : container_(container) {}
  CProxyIZelCoordToolEvents(const CProxyIZelCoordToolEvents&) = delete;
  CProxyIZelCoordToolEvents& operator=(const CProxyIZelCoordToolEvents&) = delete;
  ~CProxyIZelCoordToolEvents() { ReleaseAll(); }

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return container_->AddRef(); }
  ULONG Release() override { return container_->Release(); }

  HRESULT GetConnectionInterface(IID* pIID) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
  // Null sink or cookie pointer: E_POINTER (the cookie set to 0 first when it can be). A sink
  // without IZelCoordToolEvents: CONNECT_E_CANNOTCONNECT; another failure of its query as it
  // is; no slot to be had: CONNECT_E_ADVISELIMIT with cookie 0.
  HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
  // Cookie 0, beyond the list or naming an empty slot: CONNECT_E_NOCONNECTION.
  HRESULT Unadvise(DWORD dwCookie) override;
  // An enumerator over a copy of the occupied slots, each as (sink, cookie).
  HRESULT EnumConnections(IEnumConnections** ppEnum) override;

  // Each calls the event on every occupied slot in slot order, holding a reference to the sink
  // for the call. The result is the last sink's, S_OK without sinks; a failing sink does not
  // stop the others.
  HRESULT Fire_ToolDeactivated();
  HRESULT Fire_ToolActivated();
  HRESULT Fire_ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map);
  HRESULT Fire_NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map);

  // Slots in the list, occupied or not.
  std::size_t SlotCount() const { return slots_.size(); }
  std::size_t SinkCount() const;
  // Lets every sink go (the tool's end).
  void ReleaseAll();

 private:
  template <class F>
  HRESULT Fire(F&& call);

  IConnectionPointContainer* container_;
  std::vector<ComPtr<IZelCoordToolEvents>> slots_;
};

}  // namespace velk::corvane
