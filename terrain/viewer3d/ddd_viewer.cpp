#include "terrain/viewer3d/ddd_viewer.h"

#include "framework/layer_queries.h"
#include "framework/map_graphics.h"
#include "framework/message_helpers.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/com/out_param.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/geometry/spatial_reference.h"
#include "framework/resource_text.h"
#include "terrain/viewer3d/viewer_text_ids.h"
#include "framework/corvane_module.h"

namespace velk::corvane {

DDDViewer::DDDViewer() : CToolImpl(kBitmapId), tracker_(nullptr) {}

ComPtr<ILayer> DDDViewer::GetSelectedLayer() {
  return CurrentSelectedLayer(*this, selectedLayerSource_);
}

HRESULT DDDViewer::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  EnabledRule rule = CatalogueEntry().rule;
  EnabledRule withoutLayer = rule;
  withoutLayer.layer = LayerNeed::None;
  HRESULT hr = EnabledByRule(withoutLayer, nullptr, enabled);
  if (FAILED(hr) || *enabled == VARIANT_FALSE) return hr;
  ComPtr<ILayer> layer = GetSelectedLayer();
  *enabled = ToVariantBool(layer && QueryAs<IZelDtedLayer>(layer.get()));
  return S_OK;
  VELK_CATCH
}

HRESULT DDDViewer::OnCreate(IUnknown* hook) {
  SetHook(hook);
  tracker_.SetHook(this);
  selectDialog_.SetHook(hook);
  return S_OK;
}

HRESULT DDDViewer::OnMouseDown(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  return tracker_.OnMouseDown(button, shift, x, y);
  VELK_CATCH
}

HRESULT DDDViewer::OnMouseMove(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  return tracker_.OnMouseMove(button, shift, x, y);
  VELK_CATCH
}

HRESULT DDDViewer::OnMouseUp(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  ComPtr<IGeometry> geometry;
  HRESULT result = tracker_.OnMouseUp(button, shift, x, y, geometry.put());
  if (!geometry) return result;
  VARIANT_BOOL empty = VARIANT_TRUE;
  geometry->get_IsEmpty(&empty);
  if (empty) return result;
  ComPtr<IEnvelope> box;
  geometry->get_Envelope(box.put());
  double width = 0, height = 0;
  if (box) box->get_Width(&width), box->get_Height(&height);
  if (width == 0.0 || height == 0.0) return result;

  ComPtr<IMap> map;
  GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  if (QueryAs<IProjectedCoordinateSystem>(mapReference.get())) {
    ShowHostMessageBox(*this, kIdsProjectedMap, kIdsErrorCaption, MB_ICONSTOP);
    RemoveNamedGraphics(*this, Bstr(kViewerExtentGraphic));
    return S_OK;
  }
  ComPtr<ILayer> layer = GetSelectedLayer();
  if (!layer) ThrowComError(E_POINTER);
  ComPtr<IEnvelope> layerExtent;
  if (auto extent = QueryAs<ILayerExtent>(layer.get())) extent->get_AreaOfInterest(layerExtent.put());
  bool disjoint = true;
  if (layerExtent && box) disjoint = TestGeometryRelation(layerExtent.As<IGeometry>().get(),
                                                          box.As<IGeometry>().get()) != VARIANT_FALSE;
  if (disjoint)
    ::MessageBoxW(nullptr, LoadResString(kIdsExtentOutsideSurface).c_str(), nullptr, MB_OK);
  else
    DrawExtentOutline(*this, Bstr(kViewerExtentGraphic).get(), box.get());
  if (!QueryAs<IRasterLayer>(layer.get()) && !QueryAs<IZelDtedLayer>(layer.get())) return S_OK;
  result = geometry->put_SpatialReference(QueryAs<ISpatialReference>(mapReference.get()).get());
  if (disjoint) return result;
  selectDialog_.SetExtent(geometry.get());
  selectDialog_.m_bModal = true;
  const INT_PTR ended = selectDialog_.DoModal(::GetActiveWindow(), 0);
  if (ended == IDCANCEL) RemoveNamedGraphics(*this, Bstr(kViewerExtentGraphic));
  return result;
  VELK_CATCH
}

HRESULT CreateDDDViewer(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<DDDViewer>(outer, riid, ppv);
}

}  // namespace velk::corvane
