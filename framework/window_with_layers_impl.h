// The dialog base of the dialogs that let the user pick a map layer: a combo box (the control
// ComboId of the dialog template) filled with the focus map's valid layers that answer given
// interfaces and that the dialog accepts, with the layer list kept in step with the items.
#pragma once

#include <vector>

#include "framework/basic_window_impl.h"
#include "platform/host/display/layer.h"

namespace velk::corvane {

// The focus map's layers that answer the interface (group layers entered), or null when the
// map or the query fails. A UID object that cannot be made, and a request that succeeds without
// a map or an enumeration, raise a COM error E_POINTER.
ComPtr<IEnumLayer> GetLayersByInterface(HookStruct& hook, REFIID iid);
// The selected-layer tool control's current layer through the hook's application, document and
// command bars; null when there is no such control or it gives no layer.
ComPtr<ILayer> CurrentSelectedLayer(HookStruct& hook);

// Fills a layer list and its combo box (the algorithm of CWindowWithLayersImpl::FillLayerCombo);
// exposed for the template and its tests. accept is asked for every valid layer.
template <class Accept>
void FillLayerList(HookStruct& hook, HWND combo, const std::vector<IID>& iids, LONG selectedIndex,
                   std::vector<ComPtr<ILayer>>& layers, Accept accept);

template <class T, int ComboId>
class CWindowWithLayersImpl : public CBasicWindowImpl<T> {
 public:
  // Layers of the list are released with it.
  ~CWindowWithLayersImpl() override = default;

  void FillLayerCombo() override {
    if (!::IsWindow(this->m_hWnd)) return;
    m_lastFillError = S_OK;
    try {
      FillLayerList(this->Hook(), ::GetDlgItem(this->m_hWnd, ComboId), m_interfaceIds,
                    m_selectedIndex, m_layers, [this](REFIID iid, ComPtr<ILayer> layer) {
                      return AcceptLayer(iid, std::move(layer));
                    });
    } catch (...) {
      // A missing host object stops the refill here; what was added stays.
      m_lastFillError = HresultFromCurrentException();
    }
  }

  // Whether the dialog lists a layer that answers the interface; the reference is the callee's.
  virtual bool AcceptLayer(IID, ComPtr<ILayer>) {  // NOLINT(performance-unnecessary-value-param)
    return true;
  }

  // Selects the first listed entry that is the layer (same pointer, else same object); the
  // selected index is not changed; a layer not listed or null changes nothing.
  void SelectLayer(ILayer* layer) {
    if (!layer) return;
    for (std::size_t i = 0; i < m_layers.size(); ++i) {
      if (m_layers[i].get() == layer || IsSameObject(m_layers[i].get(), layer)) {
        ::SendDlgItemMessageW(this->m_hWnd, ComboId, CB_SETCURSEL, i, 0);
        return;
      }
    }
  }

  // Selects the layer chosen in the selected-layer tool control, when the window exists.
  void SelectCurrentLayer() {
    if (!::IsWindow(this->m_hWnd)) return;
    try {
      ComPtr<ILayer> layer = CurrentSelectedLayer(this->Hook());
      SelectLayer(layer.get());
    } catch (...) {
      // Without the host objects nothing is selected.
    }
  }

  std::vector<ComPtr<ILayer>> m_layers;  // entry i is combo item i
  std::vector<IID> m_interfaceIds;       // the layer interfaces to list, in order
  LONG m_selectedIndex = 0;              // written by the dialog on selection changes
  HRESULT m_lastFillError = S_OK;        // the COM error that stopped the last refill
};

template <class Accept>
void FillLayerList(HookStruct& hook, HWND combo, const std::vector<IID>& iids, LONG selectedIndex,
                   std::vector<ComPtr<ILayer>>& layers, Accept accept) {
  ComPtr<ILayer> remembered;
  if (!layers.empty() && selectedIndex >= 0 &&
      static_cast<std::size_t>(selectedIndex) < layers.size())
    remembered = layers[static_cast<std::size_t>(selectedIndex)];
  layers.clear();
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  if (iids.empty()) return;
  for (const IID& iid : iids) {
    ComPtr<IEnumLayer> found = GetLayersByInterface(hook, iid);
    if (!found) continue;
    for (;;) {
      ComPtr<ILayer> layer;
      if (found->Next(layer.put()) != S_OK) break;
      if (!layer) ThrowComError(E_POINTER);
      VARIANT_BOOL valid = VARIANT_FALSE;
      if (FAILED(layer->get_Valid(&valid)) || valid != VARIANT_TRUE) continue;
      if (accept(iid, layer)) layers.push_back(layer);
    }
  }
  std::size_t selection = 0;
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (remembered &&
        (layers[i].get() == remembered.get() || IsSameObject(layers[i].get(), remembered.get())))
      selection = i;
    Bstr name;
    layers[i]->get_Name(&name);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.get() ? name.get() : L""));
  }
  ::SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

}  // namespace velk::corvane
