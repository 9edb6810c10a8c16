// The selected-layer control: a combo box in the extension's toolbar listing the focus map's
// host raster, DTED and raster chart layers, whose choice the terrain tools work on. It keeps
// its list current from the extension's events and keeps the chosen layer while it is there.
#pragma once

#include <vector>

#include "framework/class_catalogue.h"
#include "framework/basic_window_impl.h"
#include "framework/command_impl.h"
#include "framework/zel_extension_event_handler.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/host/display/layer.h"

namespace velk::corvane {

namespace sld {
constexpr int kLabel = 3596;
constexpr int kCombo = 3550;
}  // namespace sld

class SelectedLayerDlg : public CBasicWindowImpl<SelectedLayerDlg> {
 public:
  enum { IDD = 3065 };

  BEGIN_MSG_MAP(SelectedLayerDlg)
  COMMAND_HANDLER(sld::kCombo, CBN_SELCHANGE, OnSelChange)
  END_MSG_MAP()

  // Lists the layers again; the layer chosen before stays chosen while it is listed, else the
  // first one is.
  void Refresh();
  // The chosen layer with a reference added; null when the list is empty.
  ComPtr<ILayer> Current() const;
  bool Refreshing() const { return refreshing_; }
  const std::vector<ComPtr<ILayer>>& Layers() const { return layers_; }

 private:
  LRESULT OnSelChange(WORD, WORD, HWND, BOOL&);
  void Collect(REFIID iid);

  bool refreshing_ = false;
  std::vector<ComPtr<ILayer>> layers_;
  LONG selected_ = 0;
};

class SelectedLayer : public CToolControlImpl<SelectedLayer, SelectedLayerDlg, IZelSelectedLayer,
                                              ZelExtensionEventHandler>,
                      public CatalogueIds<ClassId::SelectedLayer> {
 public:
  void FinalRelease();

  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT get_CurrentSelectedLayer(ILayer** layer) override;

  HRESULT ContentsChanged() override;
  HRESULT ItemAdded(VARIANT) override { return RefreshList(); }
  HRESULT ItemDeleted(VARIANT) override { return RefreshList(); }
  HRESULT FocusMapChanged() override { return RefreshList(); }
  HRESULT ActiveViewChanged() override { return RefreshList(); }
  HRESULT NewDocument() override { return RefreshList(); }
  HRESULT OpenDocument() override { return RefreshList(); }

 private:
  HRESULT RefreshList();
};

HRESULT CreateSelectedLayer(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
