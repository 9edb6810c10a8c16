// The raster chart layer: the frames of an RPF catalog drawn by an aggregated host
// raster-catalog layer and their outlines, coloured by series, by a footprint feature layer.
// On every draw whose view changed it chooses, with UseBestMap, the catalog scale that suits
// the map scale and has frames in view; else it draws the frames of the products in use.
// Saved as version 9201.
#pragma once

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

namespace velk::lumeris {

class ZelRasterLayer
    : public ZelLayerFrame<ZelRasterLayer, BestMapSettings<ZelRasterLayer>, ZelDatasetsImpl,
                           WireframeDisplayPropsImpl, IInternalZelHelper,
                           EmptyConnectionPointContainer, InnerLayerForwarding<ZelRasterLayer>,
                           ILayerDraw, LayerPersistStreamImpl<ZelRasterLayer>> {
 public:
  using IZelRasterLayer::QueryInterface;
  static constexpr LONG kVersion = 9201;
  static const CLSID& ClassId() { return ids::CLSID_ZelRasterLayer; }
  // The inner layer's catalog-display part is the layer's own (see ZelDtedLayer).
  static bool IsRefusedIid(REFIID riid);

  HRESULT FinalConstruct();

  // IZelRasterLayer
  HRESULT Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) override;
  HRESULT get_InternalObject(IRasterCatalog** catalog) override;
  HRESULT get_ResamplingType(velkRasterResamplingType* value) override;
  HRESULT put_ResamplingType(velkRasterResamplingType value) override;

  // ILayerDraw: phase 1 only; the frames (when shown), then the outlines.
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) override;

  // IInternalZelHelper: the frames in the envelope, nearest neighbour.
  HRESULT ClipRegion(IEnvelope* Envelope, BSTR folder, BSTR Name, VARIANT_BOOL blnReproject,
                     IGeoDataset** GeoDataset) override;

  // IPersistStream
  HRESULT IsDirty() override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT Load(IStream* stream) override;

  // For tests.
  const std::vector<LONG>& Scales() const { return scales_; }
  IUnknown* FootprintLayer() const { return footprint_.get(); }

 protected:
  void BuildFootprintRenderer() override;

 private:
  std::wstring ApplyWireframeQuery(bool* changed);
  void SearchScale(IDisplay* display);

  ComPtr<IUnknown> footprint_;
  std::vector<LONG> scales_;
  Bstr layerId_;
};

}  // namespace velk::lumeris
