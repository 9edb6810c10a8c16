// The DTED elevation layer: a DTED catalog's cell rasters drawn by an aggregated host
// raster-catalog layer and their outlines by a footprint feature layer, the DTED levels in use
// chosen by the user (IZelDatasets on DTED_TYPE), optionally one stretched elevation colouring
// over every cell in view, saved as version 9201.
#pragma once

#include <map>
#include <utility>

#include "interfaces/lumeris_ids.h"
#include "layers/inner_layer_forwarding.h"
#include "layers/wireframe_display_props_impl.h"
#include "layers/zel_datasets_impl.h"
#include "layers/zel_layer_frame.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/layer_draw.h"

struct ITable;

namespace velk::lumeris {

class ZelDtedLayer
    : public ZelLayerFrame<ZelDtedLayer, IZelDtedLayer, ZelDatasetsImpl, WireframeDisplayPropsImpl,
                           LayerPersistStreamImpl<ZelDtedLayer>, EmptyConnectionPointContainer,
                           InnerLayerForwarding<ZelDtedLayer>, ILayerDraw, IInternalZelHelper> {
 public:
  using IZelDtedLayer::QueryInterface;
  static constexpr LONG kVersion = 9201;
  static const CLSID& ClassId() { return ids::CLSID_ZelDtedLayer; }
  // The inner layer's catalog-display part (the host raster-catalog interface) is the layer's
  // own business: clients bind catalogs through Setup.
  static bool IsRefusedIid(REFIID riid);

  HRESULT FinalConstruct();

  // IZelDtedLayer
  HRESULT Setup(ITable* pTable, VARIANT_BOOL* isSuccessful) override;
  HRESULT get_InternalObject(IRasterCatalog** catalog) override;
  HRESULT put_UseUniformRenderer(VARIANT_BOOL value) override;
  HRESULT get_UseUniformRenderer(VARIANT_BOOL* value) override;
  HRESULT get_DisplayElevation(VARIANT_BOOL* value) override;
  HRESULT put_DisplayElevation(VARIANT_BOOL value) override;
  HRESULT get_ResamplingType(velkRasterResamplingType* value) override;
  HRESULT put_ResamplingType(velkRasterResamplingType value) override;

  // ILayerDraw: the level query, in phase 1 the common stretch, the cells (when shown), then
  // the outlines, whose result is returned.
  HRESULT Draw(LONG phase, IDisplay* display, ITrackCancel* cancel) override;

  // IInternalZelHelper: the cells in the envelope, bilinear.
  HRESULT ClipRegion(IEnvelope* Envelope, BSTR folder, BSTR Name, VARIANT_BOOL blnReproject,
                     IGeoDataset** GeoDataset) override;

  // IPersistStream
  HRESULT IsDirty() override;
  HRESULT Save(IStream* stream, BOOL clearDirty) override;
  HRESULT Load(IStream* stream) override;

  // For tests: the footprint layer, the cells' statistics read from rasters so far, the
  // stretch last applied and the inner layer's stretch renderer.
  IUnknown* FootprintLayer() const { return footprint_.get(); }
  long StatisticsReads() const { return statisticsReads_; }
  std::pair<double, double> LastStretch() const { return lastStretch_; }
  ComPtr<IUnknown> StretchRenderer() const;

 protected:
  void BuildFootprintRenderer() override;

 private:
  // The level clause; sets the footprint query by the wireframe mode and, when the clause
  // changed, the inner layer's query.
  std::wstring ApplyWireframeQuery();
  void ApplyUniformStretch(ITable* table, IUnknown* filterGeometry, const std::wstring& where);
  // Gives the cells back their own statistics and the ramp saved when the stretch began.
  void RestoreElevationRenderer();
  // A copy of the inner stretch renderer's ramp (null when it has none).
  void SaveInnerRamp();
  static ComPtr<IUnknown> BuildElevationColorRamp();

  VARIANT_BOOL useUniformRenderer_ = VARIANT_TRUE;
  VARIANT_BOOL displayElevation_ = VARIANT_FALSE;
  ComPtr<IUnknown> footprint_;
  ComPtr<IUnknown> savedRamp_;
  ComPtr<IUnknown> elevationRamp_;
  std::map<LONG, std::pair<double, double>> statistics_;
  Bstr subFields_;
  Bstr layerId_;
  long statisticsReads_ = 0;
  std::pair<double, double> lastStretch_{0, 0};
};

}  // namespace velk::lumeris
