// The terrain tools: one map tool with four subtypes (highest point, lowest point, hillshade,
// mosaic). The user drags a rectangle; on release the tool takes the surface chosen in the
// toolbar's selected-layer control and finds the highest or lowest point in the area, or opens
// the hillshade or mosaic dialog preset with that layer and the area.
#pragma once

#include <memory>

#include "framework/class_catalogue.h"
#include "framework/command_impl.h"
#include "framework/dlg_cmd_impl.h"
#include "framework/tracker_helper.h"
#include "terrain/hillshade/hillshade_dlg.h"
#include "framework/mosaic_dialog_port.h"

// The tools' own interface; it adds nothing to IUnknown.
struct ITerrainTools : IUnknown {
  VELK_INTERFACE_ID("{3C8E5A71-0F4B-4D26-9B3E-6A1D7C2F8E45}")
};

namespace velk::corvane {

// String ids of the tools' texts.
constexpr UINT kIdsNoInputLayer = 3250;          // "No input layer"
constexpr UINT kIdsSelectCatalogLayer = 3256;    // "Please select an Zel catalog layer"
constexpr UINT kIdsAreaOutsideSurface = 3719;    // "The selected area is outside the surface"
constexpr UINT kIdsTooManyExtremeCells = 3722;   // "The area holds more cells of that ..."
// The outline of the last searched area.
inline constexpr wchar_t kTerrainToolsGraphic[] = L"TERRAIN_TOOLS";

// Subtypes.
constexpr LONG kSubtypeHighest = 1;
constexpr LONG kSubtypeLowest = 2;
constexpr LONG kSubtypeHillshade = 3;
constexpr LONG kSubtypeMosaic = 4;

// Each subtype's work folder (under the scratch folder) and temporary-file prefix; entry 0 is
// empty.
inline constexpr const wchar_t* kTerrainSubtypeNames[] = {L"", L"Highest", L"Lowest", L"Hillshade",
                                                          L"Mosaic"};
inline constexpr const wchar_t* kTerrainSubtypePrefixes[] = {L"", L"hi", L"lo", L"hll", L"msc"};

class TerrainTools
    : public CToolSlots<CCommandSubTypeImpl<TerrainTools, 4, ITool, ITerrainTools>>,
      public CatalogueIds<ClassId::TerrainTools> {
 public:
  TerrainTools();

  HRESULT get_Enabled(VARIANT_BOOL* enabled) override;
  HRESULT OnCreate(IUnknown* hook) override;
  HRESULT OnMouseDown(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnMouseMove(LONG button, LONG shift, LONG x, LONG y) override;
  HRESULT OnMouseUp(LONG button, LONG shift, LONG x, LONG y) override;

  // The layer chosen in the selected-layer control; null when there is none.
  ComPtr<ILayer> InputLayer();
  HillshadeDlg& Hillshade() { return hillshade_.m_dialog; }
  IEnvelope* LastArea() const { return area_.get(); }

 private:
  // What a drag does, once the area is known; COM errors of the host pass through.
  void Run(ILayer* layer);
  void FindHighLow(ILayer* layer, bool isHighest, const std::wstring& folder,
                   const std::wstring& name);

  CDlgCmdImpl<HillshadeDlg, 1> hillshade_;
  std::unique_ptr<MosaicDialogPort> mosaic_;
  TrackerHelper tracker_;
  ComPtr<IUnknown> selectedLayerControl_;
  ComPtr<IEnvelope> area_;
};

HRESULT CreateTerrainTools(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::corvane
