// The 3-D viewer tool: the user drags a rectangle over the catalog elevation layer chosen in
// the selected-layer control; the tool marks it on the map and opens the layer choice for it.
#pragma once

#include "framework/class_catalogue.h"
#include "framework/command_impl.h"
#include "framework/tracker_helper.h"
#include "terrain/viewer3d/ddd_view_select_dlg.h"

// The tool's own interface; it adds nothing to IUnknown.
struct IDDDViewer : IUnknown {
  VELK_INTERFACE_ID("{8E3B0F6C-27D4-4A19-B5C8-0D6A1E93F472}")
};

namespace velk::corvane {

// The map graphic that marks the dragged rectangle.
inline constexpr wchar_t kViewerExtentGraphic[] = L"ZEL_DDD_VIEWER_GRAPHIC";

class DDDViewer : public CToolImpl<DDDViewer, IDDDViewer>,
                  public CatalogueIds<ClassId::DDDViewer> {
 public:
  DDDViewer();

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT OnMouseDown(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnMouseMove(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) override;

  DDDViewSelectDlg& SelectDialog() { return selectDialog_; }

 private:
  ComPtr<ILayer> GetSelectedLayer();

  TrackerHelper tracker_;
  DDDViewSelectDlg selectDialog_;
  ComPtr<IUnknown> selectedLayerSource_;
};

HRESULT CreateDDDViewer(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
