// Test doubles of the terrain tools' neighbours (the selected-layer control is in
// tests/framework/layer_doubles.h): a catalog elevation layer whose clip cuts real rasters with GDAL and whose catalog is a
// host catalog of raster files.
#pragma once

#include <string>

#include <gdal_priv.h>
#include <gdal_utils.h>

#include "framework/hook_struct.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/text.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/framework/layer_doubles.h"
#include "platform/host/data/dataset.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/shell/status_bar.h"

namespace velk::corvane {

// What the message pane of the host's status bar shows.
inline std::wstring StatusText(HookStruct& hook) {
  ComPtr<IStatusBar> bar;
  hook.GetApplicationObject(bar.put());
  Bstr text;
  if (bar) bar->get_Message(0, &text);
  return text.str();
}

// A catalog elevation layer over one raster file: its clip cuts the envelope out of the file
// with GDAL (nothing when the envelope misses it).
class DtedLayerDouble
    : public test::FixedLayer<DtedLayerDouble, ComObjectRoot<DtedLayerDouble, ILayer, IZelDtedLayer,
                                                             IInternalZelHelper, ILayerExtent>> {
 public:
  using ILayer::QueryInterface;
  std::string source;               // the raster the clip cuts from
  ComPtr<IRasterCatalog> catalog;   // the catalog's datasets
  int clips = 0;
  std::string lastClip;

  static constexpr const wchar_t* kLayerName = L"catalog";
  HRESULT Setup(ITable*, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT get_InternalObject(IRasterCatalog** c) override { return catalog.CopyTo(c); }
  HRESULT put_UseUniformRenderer(VARIANT_BOOL) override { return S_OK; }
  HRESULT get_UseUniformRenderer(VARIANT_BOOL*) override { return S_OK; }
  HRESULT get_DisplayElevation(VARIANT_BOOL*) override { return S_OK; }
  HRESULT put_DisplayElevation(VARIANT_BOOL) override { return S_OK; }
  HRESULT get_ResamplingType(velkRasterResamplingType*) override { return S_OK; }
  HRESULT put_ResamplingType(velkRasterResamplingType) override { return S_OK; }

  // The extent of the source raster.
  HRESULT get_AreaOfInterest(IEnvelope** extent) override {
    if (!extent) return E_POINTER;
    GDALDatasetH probe = GDALOpen(source.c_str(), GA_ReadOnly);
    if (!probe) return E_FAIL;
    double gt[6];
    GDALGetGeoTransform(probe, gt);
    const double right = gt[0] + gt[1] * GDALGetRasterXSize(probe);
    const double bottom = gt[3] + gt[5] * GDALGetRasterYSize(probe);
    GDALClose(probe);
    *extent = host::NewEnvelope(gt[0], bottom, right, gt[3]).Detach();
    return S_OK;
  }

  HRESULT ClipRegion(IEnvelope* envelope, BSTR folder, BSTR name, VARIANT_BOOL,
                     IGeoDataset** result) override {
    *result = nullptr;
    ++clips;
    double x0, y0, x1, y1;
    envelope->QueryCoords(&x0, &y0, &x1, &y1);
    double gt[6];
    GDALDatasetH probe = GDALOpen(source.c_str(), GA_ReadOnly);
    if (!probe) return E_FAIL;
    GDALGetGeoTransform(probe, gt);
    const double right = gt[0] + gt[1] * GDALGetRasterXSize(probe);
    const double bottom = gt[3] + gt[5] * GDALGetRasterYSize(probe);
    GDALClose(probe);
    if (x1 <= gt[0] || x0 >= right || y1 <= bottom || y0 >= gt[3]) return E_FAIL;
    lastClip = ToUtf8(BstrToWstring(folder) + BstrToWstring(name)) + ".tif";
    const std::string win[] = {"-projwin", std::to_string(x0), std::to_string(y1),
                               std::to_string(x1), std::to_string(y0)};
    char* argv[] = {const_cast<char*>(win[0].c_str()), const_cast<char*>(win[1].c_str()),
                    const_cast<char*>(win[2].c_str()), const_cast<char*>(win[3].c_str()),
                    const_cast<char*>(win[4].c_str()), nullptr};
    GDALTranslateOptions* options = GDALTranslateOptionsNew(argv, nullptr);
    GDALDatasetH src = GDALOpen(source.c_str(), GA_ReadOnly);
    GDALDatasetH out = GDALTranslate(lastClip.c_str(), src, options, nullptr);
    GDALTranslateOptionsFree(options);
    GDALClose(src);
    if (!out) return E_FAIL;
    GDALClose(out);
    ComPtr<IRasterDataset> ds;
    HRESULT hr = host::OpenRasterFile(lastClip, nullptr, ds.put());
    if (FAILED(hr)) return hr;
    return ds->QueryInterface(IidOf<IGeoDataset>(), reinterpret_cast<void**>(result));
  }
};

}  // namespace velk::corvane
