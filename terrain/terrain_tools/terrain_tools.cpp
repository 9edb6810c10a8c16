#include "terrain/terrain_tools/terrain_tools.h"

#include "framework/coord_tool_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/layer_queries.h"
#include "framework/map_graphics.h"
#include "framework/message_helpers.h"
#include "framework/scratch_folder.h"
#include "framework/surface_preparation.h"
#include "framework/wait_cursor.h"
#include "interfaces/zel_layer_interfaces.h"
#include "interfaces/zel_selected_layer.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/win/gdi.h"
#include "framework/temporary_file.h"
#include "terrain/terrain_tools/find_high_low_point.h"

namespace velk::corvane {

namespace {

constexpr LONG kRightButton = 2;

// No owner, no caption, OK only.
void ShowOutsideSurface() {
  ::MessageBoxW(nullptr, LoadResString(kIdsAreaOutsideSurface).c_str(), nullptr, MB_OK);
}
void ShowTooManyExtremeCells() {
  ::MessageBoxW(nullptr, LoadResString(kIdsTooManyExtremeCells).c_str(), nullptr, MB_OK);
}

}  // namespace

TerrainTools::TerrainTools() : mosaic_(MakeMosaicDialog()), tracker_(nullptr) {
  const auto& subtypes = CatalogueEntry().subtypes;
  for (std::size_t i = 0; i < subtypes.size(); ++i)
    SetSubTypeInfo(static_cast<int>(i), subtypes[i].captionId, subtypes[i].tooltipId,
                   subtypes[i].messageId, subtypes[i].bitmapId);
}

ComPtr<ILayer> TerrainTools::InputLayer() {
  return CurrentSelectedLayer(*this, selectedLayerControl_);
}

HRESULT TerrainTools::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  const EnabledRule rule = RuleForSubtype(CatalogueEntry(), CurrentSubType());
  // The layer is looked for only once everything else allows the tool.
  EnabledRule withoutLayer = rule;
  withoutLayer.layer = LayerNeed::None;
  HRESULT hr = EnabledByRule(withoutLayer, nullptr, enabled);
  if (FAILED(hr) || *enabled == VARIANT_FALSE || rule.layer == LayerNeed::None) return hr;
  *enabled = VARIANT_FALSE;
  ComPtr<ILayer> layer = InputLayer();
  if (layer && LayerMeetsNeed(rule.layer, layer.get(), &IidOf<IRasterLayer>()))
    *enabled = VARIANT_TRUE;
  return S_OK;
  VELK_CATCH
}

HRESULT TerrainTools::OnCreate(IUnknown* hook) {
  SetHook(hook);
  tracker_.SetHook(this);
  hillshade_.m_dialog.SetHook(hook);
  if (mosaic_) mosaic_->SetHook(hook);
  return S_OK;
}

HRESULT TerrainTools::OnMouseDown(LONG button, LONG shift, LONG x, LONG y) {
  if (button & kRightButton) return S_OK;
  VELK_TRY
  return tracker_.OnMouseDown(button, shift, x, y);
  VELK_CATCH
}

HRESULT TerrainTools::OnMouseMove(LONG button, LONG shift, LONG x, LONG y) {
  if (button & kRightButton) return S_OK;
  VELK_TRY
  return tracker_.OnMouseMove(button, shift, x, y);
  VELK_CATCH
}

HRESULT TerrainTools::OnMouseUp(LONG button, LONG shift, LONG x, LONG y) {
  if (button & kRightButton) return S_OK;
  VELK_TRY
  ComPtr<IGeometry> geometry;
  tracker_.OnMouseUp(button, shift, x, y, geometry.put());
  area_ = QueryAs<IEnvelope>(geometry.get());
  if (!area_ && geometry) geometry->get_Envelope(area_.put());
  WaitCursor wait;
  ComPtr<ILayer> layer = InputLayer();
  if (!layer) {
    ShowStatusTextById(*this, 0, kIdsNoInputLayer);
    return S_OK;
  }
  // Without a dragged area (the button went up without going down on the map) there is
  // nothing to search.
  if (!area_) return S_OK;
  Run(layer.get());
  return S_OK;
  VELK_CATCH
}

void TerrainTools::Run(ILayer* layer) {
  ComPtr<IMap> map;
  GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  if (auto sr = QueryAs<ISpatialReference>(mapReference.get())) area_->Project(sr.get());

  const LONG subtype = CurrentSubType();
  const std::wstring work = ScratchWorkFolder(kTerrainSubtypeNames[subtype]);
  const TemporaryNameClaim claim(work, kTerrainSubtypePrefixes[subtype]);
  const std::wstring& folder = claim.Folder();
  const std::wstring& name = claim.Name();

  const bool isDted = QueryAs<IZelDtedLayer>(layer) != nullptr;
  switch (subtype) {
    case kSubtypeHillshade:
      if (isDted) {
        hillshade_.m_dialog.SetInputs(layer, area_.get());
        hillshade_.RunModal();
      }
      break;
    case kSubtypeMosaic:
      if (!isDted && !QueryAs<IZelRasterLayer>(layer)) {
        ShowStatusTextById(*this, 0, kIdsSelectCatalogLayer);
      } else if (mosaic_) {
        mosaic_->SetInputs(layer, area_.get());
        mosaic_->RunModal();
      }
      break;
    case kSubtypeHighest:
    case kSubtypeLowest:
      FindHighLow(layer, subtype == kSubtypeHighest, folder, name);
      break;
    default: break;
  }
}

void TerrainTools::FindHighLow(ILayer* layer, bool isHighest, const std::wstring& folder,
                               const std::wstring& name) {
  if (QueryAs<IRasterLayer>(layer)) {
    const HighLowPointOutcome found = FindHighLowPoint(*this, Bstr(folder), area_.get(), layer,
                                                       isHighest);
    // An area that misses the surface is said so, as for a catalog surface, rather than
    // outlined as if it had been searched.
    if (found.areaMissesSurface) {
      ShowOutsideSurface();
      return;
    }
    if (found.tooManyPoints) ShowTooManyExtremeCells();
    DrawExtentOutline(*this, Bstr(kTerrainToolsGraphic).get(), area_.get());
    return;
  }
  if (!QueryAs<IZelDtedLayer>(layer)) return;
  auto copy = QueryAs<IEnvelope>(CloneObject(area_.get()).get());
  PreparedSurface clipped = PrepareSurface(
      {.surfaceLayer = layer, .area = copy, .workFolder = folder, .name = name});
  if (clipped.dataset == nullptr) {
    ShowOutsideSurface();
    return;
  }
  DrawExtentOutline(*this, Bstr(kTerrainToolsGraphic).get(), area_.get());
  if (clipped.layer &&
      FindHighLowPoint(*this, Bstr(folder), area_.get(), clipped.layer.get(), isHighest)
          .tooManyPoints)
    ShowTooManyExtremeCells();
  DiscardPreparedSurface(clipped);
}

HRESULT CreateTerrainTools(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TerrainTools>(outer, riid, ppv);
}

}  // namespace velk::corvane
