// Layer doubles for dialog tests: the host program's named stand-in layers, which answer the
// general layer interface and any further interface identifiers they are given (the catalog
// layers' among them); and the selected-layer tool control of the main toolbar.
#pragma once

#include <string>
#include <vector>

#include "apps/trevik/session_layers.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/host/shell/command.h"

namespace velk::test {

inline ComPtr<ILayer> MakeLayer(const std::wstring& name, const std::vector<IID>& answers,
                                bool valid = true) {
  return trevik::MakeNamedLayer(name, answers, valid);
}

// The selected-layer tool control: a tool control with a current layer that tests set.
class SelectedLayerDouble
    : public ComObjectRoot<SelectedLayerDouble, IToolControl, IZelSelectedLayer> {
 public:
  HRESULT get_hWnd(HWND* w) override {
    *w = nullptr;
    return S_OK;
  }
  HRESULT OnFocus(IUnknown*) override { return S_OK; }
  HRESULT OnDrop(LONG, VARIANT_BOOL* accept) override {
    *accept = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_CurrentSelectedLayer(ILayer** layer) override { return current.CopyTo(layer); }
  ComPtr<ILayer> current;
};

}  // namespace velk::test
