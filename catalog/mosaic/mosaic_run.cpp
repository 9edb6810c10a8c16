#include "catalog/mosaic/mosaic_run.h"

#include <cwctype>
#include <filesystem>
#include <optional>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/message_helpers.h"
#include "framework/raster_helpers.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/out_param.h"
#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/host/data/analysis_op_support.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_collection.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/workspace.h"
#include "platform/registry/host_object_creation.h"

namespace velk::corvane {

namespace {

namespace fs = std::filesystem;

MosaicRunOutcome Failed(UINT statusId, std::string reason) {
  MosaicRunOutcome o;
  o.statusId = statusId;
  o.reason = std::move(reason);
  return o;
}

ComPtr<IWorkspace> OpenWorkspace(REFCLSID factoryClass, const std::wstring& path) {
  auto factory = CreateHostObject<IWorkspaceFactory>(factoryClass);
  ComPtr<IWorkspace> ws;
  if (FAILED(factory->OpenFromFile(Bstr(path), nullptr, ws.put()))) return {};
  return ws;
}

std::string Reason(HRESULT hr) {
  switch (hr) {
    case E_ABORT: return "cancelled";
    case host::E_DATA_EXISTS: return "a dataset of that name exists";
    case host::E_DATA_INVALID_NAME: return "the name is not allowed there";
    case host::E_DATA_NOT_FOUND: return "a raster of the catalog cannot be found";
    case E_INVALIDARG: return "the output cannot be written in that format";
    default: return "the rasters cannot be put together or written";
  }
}

}  // namespace

MosaicOutput OutputFromPath(const std::wstring& path) {
  MosaicOutput o;
  fs::path p(ToUtf8(path));
  // A bare name ("mosaic.tif") lies in the current folder, as "./mosaic.tif" does.
  o.location = p.has_parent_path() ? FromUtf8(p.parent_path().string()) : std::wstring(L".");
  o.name = FromUtf8(p.filename().string());
  if (ToLower(FromUtf8(p.parent_path().extension().string())) == L".gpkg") {
    o.database = true;
    return o;
  }
  static const std::pair<const wchar_t*, const wchar_t*> kSuffixes[] = {
      {L".tif", L"TIFF"}, {L".img", L"IMAGINE"}, {L".ntf", L"NITF"}, {L".pix", L"PCIDSK"}};
  const std::wstring extension = ToLower(FromUtf8(p.extension().string()));
  o.format = L"GRID";
  for (const auto& [suffix, format] : kSuffixes) {
    if (extension == suffix) {
      o.suffix = suffix;
      o.format = format;
      o.name = FromUtf8(p.stem().string());
    }
  }
  return o;
}

void ApplyStorageOverrides(IRasterStorageDef* storage, const StorageOverrides& o) {
  if (!storage) return;
  if (o.tileWidth) storage->put_TileWidth(*o.tileWidth);
  if (o.tileHeight) storage->put_TileHeight(*o.tileHeight);
  if (o.resampling) storage->put_ResamplingType(*o.resampling);
  if (o.compression) storage->put_CompressionType(*o.compression);
  if (o.pyramidLevel) storage->put_PyramidLevel(*o.pyramidLevel);
  if (o.quality) storage->put_CompressionQuality(*o.quality);
}

namespace {

// A refusal the user can act on: the status text says why.
MosaicRunOutcome Refused(HookStruct& hook, const std::wstring& why) {
  ShowStatusText(hook, 0, Bstr(LoadResString(kIdsMosaicCannotCreate) + L": " + why));
  return Failed(kIdsMosaicCannotCreate, ToUtf8(why));
}

// Why the run cannot start (no input layer, no output, an output kind the host cannot write),
// shown in the status bar; nothing when it can.
std::optional<MosaicRunOutcome> RefusedRequest(HookStruct& hook, const MosaicRunParameters& p) {
  if (!p.layer) {
    ShowStatusTextById(hook, 0, kIdsMosaicNoInputLayer);
    return Failed(kIdsMosaicNoInputLayer, "no input layer");
  }
  if (p.outputText.empty()) {
    ShowStatusTextById(hook, 0, kIdsMosaicNoOutput);
    return Failed(kIdsMosaicNoOutput, "no output");
  }
  const MosaicOutput& out = p.output;
  if (!out.database && out.suffix.empty() && out.name.find(L'.') != std::wstring::npos) {
    const std::wstring kind = out.name.substr(out.name.rfind(L'.'));
    return Refused(hook, L"the host cannot write \"" + kind +
                             L"\" rasters (.tif, .img, .ntf, .pix, " +
                             L"a grid without extension, or a GeoPackage)");
  }
  return std::nullopt;
}

// The made mosaic as a raster layer on the focus map, its first band's statistics made.
MosaicRunOutcome AddMosaicLayer(HookStruct& hook, IRasterDataset* made, const MosaicOutput& out) {
  Bstr path;
  made->get_CompleteName(&path);
  ComPtr<IRaster> raster;
  Check(made->CreateDefaultRaster(raster.put()));
  // Statistics are made once, when the first band has none yet.
  if (auto bands = raster.As<IRasterBandCollection>()) {
    ComPtr<IRasterBand> first;
    ComPtr<IRasterStatistics> stats;
    if (SUCCEEDED(bands->Item(0, first.put())) && first) first->get_Statistics(stats.put());
  }
  auto layer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  Check(layer->CreateFromRaster(raster.get()));
  auto asLayer = RequireInterface<ILayer>(layer.get());
  asLayer->put_Name(Bstr(out.database ? out.name : out.name + out.suffix));
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (map) map->AddLayer(asLayer.get());
  MosaicRunOutcome done;
  done.done = true;
  done.layer = asLayer;
  done.dataset = path.str();
  return done;
}

}  // namespace

MosaicRunOutcome RunMosaic(HookStruct& hook, const MosaicRunParameters& p) {
  ShowStatusText(hook, 0, Bstr(L""));
  if (auto refused = RefusedRequest(hook, p)) return *refused;
  auto fail = [&](std::string reason) {
    ShowStatusTextById(hook, 0, kIdsMosaicCannotCreate);
    return Failed(kIdsMosaicCannotCreate, std::move(reason));
  };
  const MosaicOutput& out = p.output;

  ComPtr<IRasterCollection> rasters =
      GetRasterFromCatalogLayer(p.selectedDatasetsOnly, p.layer.get(), p.region.get());
  if (!rasters) return fail("no rasters in the choice");
  if (QueryAs<IZelRasterLayer>(p.layer.get()))
    RequireInterface<IRasterResampling>(rasters.get())->put_ResamplingMode(0);
  auto props = RequireInterface<IRasterMosaicProps>(rasters.get());
  props->put_KeepCells(VARIANT_TRUE);
  props->put_Replace(ToVariantBool(p.output.replace));
  if (p.cancel) props->putref_CancelTracker(p.cancel.get());

  ComPtr<IRasterDataset> made;
  // What a failed run takes away again: the file it started, the GeoPackage it made.
  std::error_code ec;
  const fs::path target = fs::path(ToUtf8(out.location)) / ToUtf8(out.name + out.suffix);
  const bool targetExisted = out.database || fs::exists(target, ec);
  bool madeDatabase = false;
  auto cleanUp = [&] {
    if (!targetExisted) {
      fs::remove(target, ec);
      fs::remove(target.string() + ".aux.xml", ec);
    }
    if (madeDatabase) fs::remove(ToUtf8(out.location), ec);
  };
  HRESULT hr = E_FAIL;
  std::wstring dataset;
  if (!out.database) {
    if (!fs::is_directory(ToUtf8(out.location), ec)) return fail("the output folder is missing");
    auto ws = OpenWorkspace(host::CLSID_RasterWorkspaceFactory, out.location);
    if (!ws) return fail("the output folder cannot be opened");
    ComPtr<IUnknown> saved;
    hr = RequireInterface<ISaveAs>(rasters.get())
             ->SaveAs(Bstr(out.name + out.suffix), ws.As<IUnknown>().get(), Bstr(out.format),
                      saved.put());
    made = QueryAs<IRasterDataset>(saved.get());
  } else {
    // A GeoPackage that is not there yet is made; one that cannot be is said so.
    std::wstring why;
    auto ws = OpenOrCreateDatabase(out.location, &why, &madeDatabase);
    if (!ws) return Refused(hook, why);
    auto rasterWs = QueryAs<IRasterWorkspaceEx>(ws.get());
    if (!rasterWs) {
      ws.Reset();
      cleanUp();
      return fail("the database cannot be opened");
    }
    auto storage = CreateHostObject<IRasterStorageDef>(host::CLSID_RasterStorageDef);
    ApplyStorageOverrides(storage.get(), ReadStorageOverrides(p.environment));
    auto definition = CreateHostObject<IRasterDatasetDef>(host::CLSID_RasterDatasetDef);
    ComPtr<ISpatialReference> sr;
    if (auto geo = QueryAs<IGeoDataset>(p.layer.get())) geo->get_SpatialReference(sr.put());
    definition->putref_SpatialReference(sr.get());
    hr = rasterWs->CreateRasterDataset(Bstr(out.name), rasters.get(), storage.get(),
                                       Bstr(L"DEFAULTS"), definition.get(), nullptr, made.put());
  }
  if (FAILED(hr) || !made) {
    made.Reset();
    rasters.Reset();
    cleanUp();
    return fail(Reason(hr));
  }

  return AddMosaicLayer(hook, made.get(), out);
}

}  // namespace velk::corvane
