// The referenced RPF layer: an RPF catalog whose rows name frame files. An aggregated host
// feature layer holds the catalog; on every draw the layer chooses, with UseBestMap, the
// catalog scale that suits the map scale and has frames in view (smaller scales first), opens
// those frames through one raster workspace per folder and draws them, more than 100 in view
// standing as outlines instead; the outlines are drawn last by a footprint layer. Saved as
// version 9301.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "interfaces/lumeris_ids.h"
#include "layers/best_map_settings.h"
#include "layers/inner_layer_forwarding.h"
#include "layers/wireframe_display_props_impl.h"
#include "layers/zel_datasets_impl.h"
#include "layers/zel_layer_frame.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_draw.h"
#include "platform/host/data/workspace.h"

namespace velk::lumeris {

// More frames in view than this are drawn as outlines only.
constexpr LONG kMaxFramesDrawn = 100;

class ZelReferencedRpfLayer
    : public ZelLayerFrame<ZelReferencedRpfLayer, IZelReferencedRpfLayer,
                           BestMapSettings<ZelReferencedRpfLayer>, ZelDatasetsImpl,
                           WireframeDisplayPropsImpl, EmptyConnectionPointContainer,
                           InnerLayerForwarding<ZelReferencedRpfLayer>, ILayerDraw,
                           LayerPersistStreamImpl<ZelReferencedRpfLayer>> {
 public:
  using IZelReferencedRpfLayer::QueryInterface;
  static constexpr LONG kVersion = 9301;
  static const CLSID& ClassId() { return ids::CLSID_ZelReferencedRpfLayer; }
  // No selection of frames is offered on this layer.
  static bool IsRefusedIid(REFIID riid);

  HRESULT FinalConstruct();

  // IZelRasterLayer
  HRESULT Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) override;
  HRESULT get_InternalObject(IRasterCatalog** catalog) override;
  HRESULT get_ResamplingType(velkRasterResamplingType* value) override;
  HRESULT put_ResamplingType(velkRasterResamplingType value) override;

  // ILayer: visibility is the layer's own; the rest goes to the inner layer.
  HRESULT get_Visible(VARIANT_BOOL* visible) override;
  HRESULT put_Visible(VARIANT_BOOL visible) override;

  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) override;

  // IPersistStream
  HRESULT IsDirty() override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT Load(IStream* stream) override;

  // For tests: the scale list, the folders opened so far and the footprint layer.
  const std::vector<LONG>& Scales() const { return scales_; }
  std::size_t CachedFolders() const { return workspaces_.size(); }
  IUnknown* FootprintLayer() const { return footprint_.get(); }

 protected:
  void BuildFootprintRenderer() override;

 private:
  std::wstring ApplyWireframeQuery();
  // The chosen scale clause ("SCALE = n"), or empty when no scale has frames in view.
  std::wstring SearchScale(IFeatureClass* frames, IEnvelope* extent, double mapScale);
  void DrawFrames(IFeatureClass* frames, IEnvelope* extent, const std::wstring& clause,
                  IDisplay* display, ITrackCancel* cancel);
  ComPtr<IWorkspace> FolderWorkspace(const std::wstring& folder);

  std::map<std::wstring, ComPtr<IWorkspaceFactory>> factories_;
  std::map<std::wstring, ComPtr<IWorkspace>> workspaces_;
  velkRasterResamplingType resampling_ = 0;
  std::vector<LONG> scales_;
  Bstr layerId_;
  VARIANT_BOOL visible_ = VARIANT_TRUE;
  ComPtr<IUnknown> footprint_;
};

}  // namespace velk::lumeris
