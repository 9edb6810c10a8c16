#include "catalog/layers/selected_layer.h"

#include "framework/window_with_layers_impl.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/host/display/layer_kinds.h"

namespace velk::corvane {

void SelectedLayerDlg::Collect(REFIID iid) {
  ComPtr<IEnumLayer> layers = GetLayersByInterface(Hook(), iid);
  if (!layers) return;
  for (;;) {
    ComPtr<ILayer> layer;
    if (layers->Next(layer.put()) != S_OK || !layer) break;
    VARIANT_BOOL valid = VARIANT_FALSE;
    if (SUCCEEDED(layer->get_Valid(&valid)) && valid) layers_.push_back(layer);
  }
}

void SelectedLayerDlg::Refresh() {
  refreshing_ = true;
  ComPtr<ILayer> chosen;
  if (selected_ >= 0 && static_cast<std::size_t>(selected_) < layers_.size())
    chosen = layers_[selected_];
  layers_.clear();
  HWND combo = ::GetDlgItem(m_hWnd, sld::kCombo);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  try {
    Collect(IidOf<IRasterLayer>());
    Collect(IidOf<IZelDtedLayer>());
    Collect(IidOf<IZelRasterLayer>());
  } catch (...) {
    // A host without a focus map lists nothing.
  }
  const BOOL any = layers_.empty() ? FALSE : TRUE;
  ::EnableWindow(combo, any);
  ::EnableWindow(::GetDlgItem(m_hWnd, sld::kLabel), any);
  LONG at = 0;
  for (std::size_t i = 0; i < layers_.size(); ++i) {
    Bstr name;
    layers_[i]->get_Name(&name);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.get() ? name.get() : L""));
    if (chosen && at == 0 && IsSameObject(layers_[i].get(), chosen.get()))
      at = static_cast<LONG>(i);
  }
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  selected_ = at;
  refreshing_ = false;
}

ComPtr<ILayer> SelectedLayerDlg::Current() const {
  if (selected_ < 0 || static_cast<std::size_t>(selected_) >= layers_.size()) return nullptr;
  return layers_[selected_];
}

LRESULT SelectedLayerDlg::OnSelChange(WORD, WORD, HWND, BOOL&) {
  selected_ = static_cast<LONG>(::SendMessageW(::GetDlgItem(m_hWnd, sld::kCombo), CB_GETCURSEL, 0, 0));
  return 0;
}

void SelectedLayer::FinalRelease() {
  try {
    ZelExtensionEventHandler::Disconnect();
  } catch (...) {
    // The extension may be gone already.
  }
}

HRESULT SelectedLayer::OnCreate(IUnknown* hook) {
  HRESULT hr = CToolControlImpl::OnCreate(hook);
  if (FAILED(hr)) return hr;
  VELK_TRY
  // Connected once: the host's view and document events reach the control through the
  // extension object.
  if (!IsConnected()) ZelExtensionEventHandler::Connect(static_cast<ICommand*>(this));
  Dialog().Refresh();
  return S_OK;
  VELK_CATCH
}

HRESULT SelectedLayer::get_CurrentSelectedLayer(ILayer** layer) {
  if (!layer) return E_POINTER;
  *layer = Dialog().Current().Detach();
  return S_OK;
}

HRESULT SelectedLayer::ContentsChanged() {
  if (Dialog().Refreshing()) return S_OK;
  return RefreshList();
}

HRESULT SelectedLayer::RefreshList() {
  if (!Created() || !Dialog().WindowHandle()) return S_OK;
  VELK_TRY
  Dialog().Refresh();
  return S_OK;
  VELK_CATCH
}

HRESULT CreateSelectedLayer(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<SelectedLayer>(outer, riid, ppv);
}

}  // namespace velk::corvane
