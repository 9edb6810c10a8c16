#include "terrain/hillshade/hillshade_run.h"

#include <unistd.h>

#include <cmath>
#include <cwchar>
#include <filesystem>

#include "framework/corvane_module.h"
#include "framework/dataset_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/last_error_record.h"
#include "framework/raster_helpers.h"
#include "framework/run_progress.h"
#include "framework/scratch_folder.h"
#include "framework/surface_preparation.h"
#include "interfaces/zel_layer_interfaces.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/data/dataset.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/data/raster.h"
#include "platform/host/data/raster_objects.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/operations/surface_analysis.h"
#include "platform/win/format_message.h"
#include "framework/resource_text.h"
#include "platform/win/responder.h"
#include "framework/temporary_file.h"

namespace velk::corvane {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr double kMetresPerDegree = 111320.0;
constexpr SHORT kOverlayTransparency = 50;


}  // namespace

std::wstring MakeHillshadeLayerName(const std::wstring& inputName,
                                    const std::vector<std::wstring>& listed) {
  auto isListed = [&](const std::wstring& name) {
    for (const auto& l : listed)
      if (l == name) return true;
    return false;
  };
  std::wstring candidate = FormatResourceText(kIdsHillshadeOf, {inputName});
  for (long long k = 2; isListed(candidate); ++k)
    candidate = FormatResourceText(kIdsHillshadeNOf, {k, inputName});
  return candidate;
}

double ZFactorForExtent(IEnvelope* extent) {
  if (!extent) return 1.0;
  ComPtr<ISpatialReference> sr;
  extent->get_SpatialReference(sr.put());
  if (!QueryAs<IGeographicCoordinateSystem>(sr.get())) return 1.0;
  double y0 = 0, y1 = 0;
  extent->get_YMin(&y0);
  extent->get_YMax(&y1);
  const double latitude = (y0 + y1) / 2.0 * kDegreesToRadians;
  return 1.0 / (std::cos(latitude) * kMetresPerDegree);
}

std::wstring FormatZFactor(double factor) {
  wchar_t text[21];
  std::swprintf(text, 21, L"%08.6f", factor);
  return text;
}

std::wstring DefaultZFactorText() {
  wchar_t text[32];
  std::swprintf(text, 32, L"%lf", 3e-05);
  return text;
}

HRESULT InsertLayerBeside(IMap* map, ILayer* parent, LONG index, ILayer* layer, ILayer* newLayer,
                          ILayer* reference) {
  if (!map || !newLayer || !reference) return E_INVALIDARG;
  if (!layer) return S_FALSE;
  auto layers = RequireInterface<IMapLayers>(map);
  if (IsSameObject(layer, reference)) {
    if (!parent) {
      Check(layers->InsertLayer(newLayer, VARIANT_FALSE, index));
    } else {
      Check(layers->InsertLayerInGroup(parent, newLayer, VARIANT_FALSE, index + 1));
    }
    return S_OK;
  }
  auto group = QueryAs<ICompositeLayer>(layer);
  if (!group) return S_FALSE;
  LONG count = 0;
  group->get_Count(&count);
  for (LONG j = 0; j < count; ++j) {
    ComPtr<ILayer> child;
    if (FAILED(group->get_Layer(j, child.put()))) continue;
    if (InsertLayerBeside(map, layer, j, child.get(), newLayer, reference) == S_OK) return S_OK;
  }
  return S_FALSE;
}

void AddLayerNextTo(IMap* map, ILayer* newLayer, ILayer* reference) {
  if (!map || !newLayer) return;
  auto layers = RequireInterface<IMapLayers>(map);
  LONG count = 0;
  map->get_LayerCount(&count);
  if (reference && count > 0) {
    for (LONG i = 0; i < count; ++i) {
      ComPtr<ILayer> layer;
      if (FAILED(map->get_Layer(i, layer.put()))) continue;
      if (InsertLayerBeside(map, nullptr, i, layer.get(), newLayer, reference) == S_OK) return;
    }
  }
  // No reference, an empty map, or a reference the map does not hold (a surface the user
  // browsed to): the new layer goes on top rather than nowhere.
  Check(layers->InsertLayer(newLayer, VARIANT_FALSE, 0));
}

namespace {

namespace fs = std::filesystem;

// The file a named grid output is written to.
fs::path OutputFile(const std::wstring& folder, const std::wstring& name) {
  return fs::path(ToUtf8(folder)) / ToUtf8(host::GridDatasetFileName(name));
}

// Why a file could not be written into the folder, as far as the folder tells.
std::wstring WriteFailure(const fs::path& folder) {
  std::error_code ec;
  const fs::space_info space = fs::space(folder, ec);
  if (!ec && space.available < 1024 * 1024) return L"the disk is full";
  if (::access(folder.c_str(), W_OK) != 0) return L"the folder cannot be written";
  return L"the raster could not be written";
}

// The input: the raster layer's first band; or the catalog layer's chosen datasets put
// together into a grid of the work folder (in input.made, deleted after a successful run).
PreparedSurface ReadInput(const HillshadeRunParameters& p, const std::wstring& outFolder,
                          const std::wstring& outName) {
  return PrepareSurface({.surfaceLayer = p.input,
                         .area = p.area,
                         .workFolder = outFolder,
                         .name = outName,
                         .catalogCells = p.selectedDatasetsOnly ? CatalogCells::kSelectedDatasets
                                                                : CatalogCells::kDatasetsInArea});
}

// The shaded relief of the input, made in the work folder with the host's analysis settings;
// null when the surface operation gives none.
ComPtr<IGeoDataset> ShadeRelief(HookStruct& hook, const std::wstring& work,
                                const HillshadeRunParameters& p, IGeoDataset* input,
                                const std::function<bool(double)>& progress) {
  auto op = CreateHostObject<ISurfaceOp>(host::CLSID_RasterSurfaceOp);
  if (auto watched = QueryAs<IAnalysisProgress>(op.get())) watched->SetProgress(progress);
  ComPtr<IApplication> application;
  hook.GetApplication(application.put());
  ApplyRasterAnalysisSettings(application.get(), op.get());
  // Results are made in the work folder; a named output is saved from there.
  auto workspace = RequireInterface<IWorkspace>(OpenWorkspaceFromFolder(Bstr(work)).get());
  Check(
      RequireInterface<IRasterAnalysisEnvironment>(op.get())->putref_OutWorkspace(workspace.get()));

  Variant z(p.zFactor);
  ComPtr<IGeoDataset> result;
  op->HillShade(input, p.azimuth, p.altitude, ToVariantBool(p.shadows), &z, result.put());
  return result;
}

// Why no shaded relief was made: the angle out of range, or that it could not be done.
void ReportNoResult(const HillshadeRunParameters& p, HillshadeRunOutcome& outcome) {
  const bool badAzimuth = !(p.azimuth >= 0.0 && p.azimuth <= 360.0);
  const bool badAltitude = !(p.altitude >= 0.0 && p.altitude <= 90.0);
  if (badAzimuth) outcome.messages.push_back({kIdsAzimuthOutOfRange, MB_ICONWARNING});
  if (badAltitude) outcome.messages.push_back({kIdsAltitudeOutOfRange, MB_ICONWARNING});
  // Angles in range yet no result (a z factor of 0, a surface that cannot be read): say so
  // rather than leave the dialog open without a word.
  if (!badAzimuth && !badAltitude)
    outcome.messages.push_back({kIdsCannotHillshade, MB_ICONWARNING});
}

// Saves a scratch result under the output's name: beside the old raster under a working name,
// put in its place only when complete, so a failed save (a full disk) leaves the old one as it
// was. The scratch result is removed. False (outcome.notSaved says why) when the save failed;
// otherwise dataset is the saved raster.
bool SaveOverNamedOutput(ComPtr<IRasterDataset>& dataset, ComPtr<IGeoDataset>& result,
                         IWorkspace* target, const std::wstring& outFolder,
                         const std::wstring& outName, HillshadeRunOutcome& outcome) {
  const fs::path finalFile = OutputFile(outFolder, outName);
  const fs::path workFile = finalFile.parent_path() / ("~" + finalFile.filename().string());
  std::error_code ec;
  fs::remove(workFile, ec);
  ComPtr<IUnknown> saved;
  HRESULT hr = RequireInterface<ISaveAs>(dataset.get())
                   ->SaveAs(Bstr(FromUtf8(workFile.filename().string())), target, Bstr(L"GRID"),
                            saved.put());
  saved.Reset();
  if (SUCCEEDED(hr)) {
    fs::rename(workFile, finalFile, ec);
    if (ec) hr = E_FAIL;
  }
  // The shaded relief in the work folder was only the way to the named output.
  auto scratchResult = QueryAs<IDataset>(dataset.get());
  dataset.Reset();
  result.Reset();
  if (scratchResult) scratchResult->Delete();
  if (FAILED(hr)) {
    fs::remove(workFile, ec);
    outcome.notSaved = FromUtf8(finalFile.string()) + L": " + WriteFailure(finalFile.parent_path());
    return false;
  }
  // What the old raster had beside it described the old one.
  for (const char* sidecar : {".aux.xml", ".ovr"}) fs::remove(finalFile.string() + sidecar, ec);
  dataset = OpenDatasetInFolder(Bstr(outFolder), Bstr(FromUtf8(finalFile.filename().string())));
  if (!dataset) ThrowComError(E_FAIL);
  return true;
}

// The result as a grey relief raster layer, named layerName when one is given.
ComPtr<ILayer> ReliefLayer(IRasterDataset* dataset, const std::wstring& layerName) {
  ComPtr<IRaster> resultRaster;
  Check(dataset->CreateDefaultRaster(resultRaster.put()));
  auto renderer = CreateHostObject<IRasterRenderer>(host::CLSID_RasterRenderer);
  Check(renderer->putref_Raster(resultRaster.get()));
  Check(renderer->Update());
  Check(renderer->put_DisplayOption(kRasterDisplayGreyRelief));
  Check(renderer->Update());

  auto layer = CreateHostObject<IRasterLayer>(host::CLSID_RasterLayer);
  Check(layer->CreateFromRaster(resultRaster.get()));
  Check(RequireInterface<IRasterLayerRenderer>(layer.get())->putref_Renderer(renderer.get()));
  auto asLayer = RequireInterface<ILayer>(layer.get());
  if (!layerName.empty()) Check(asLayer->put_Name(Bstr(layerName)));
  return asLayer;
}

// Puts the layer onto the focus map: an overlay half transparent next to the input layer (the
// view redrawn), otherwise at the map's usual place.
void AddReliefToMap(HookStruct& hook, ILayer* layer, const HillshadeRunParameters& p) {
  ComPtr<IMap> map;
  hook.GetFocusMap(map.put());
  if (!map) ThrowComError(E_POINTER);
  if (p.overlay) {
    Check(RequireInterface<ILayerEffects>(layer)->put_Transparency(kOverlayTransparency));
    AddLayerNextTo(map.get(), layer, p.input.get());
    ComPtr<IActiveView> view;
    hook.GetActiveView(view.put());
    if (view) view->Refresh();
  } else {
    AddLayerNextTo(map.get(), layer, nullptr);
  }
}

}  // namespace

namespace {

// The run from its input to the layer on the map, in the work folder's temporary name; input
// holds what was prepared for the run, for the caller to delete.
void Shade(HookStruct& hook, const HillshadeRunParameters& p, const std::wstring& work,
           const TemporaryNameClaim& claim, RunProgress& progress, PreparedSurface& input,
           HillshadeRunOutcome& outcome) {
  auto refuse = [&](UINT type) { outcome.messages.push_back({kIdsCannotHillshade, type}); };
  std::wstring outFolder = claim.Folder(), outName = claim.Name();
  Bstr inputName;
  p.input->get_Name(&inputName);
  progress.Show(kIdsPreparingSurfaceProgress, {inputName.str()});
  if (!progress.KeepGoing()) return;
  input = ReadInput(p, outFolder, outName);
  if (input.failure == SurfaceFailure::kNotARaster) return refuse(MB_ICONWARNING);
  if (!input.dataset) return refuse(MB_ICONERROR);
  if (!progress.KeepGoing()) return;

  // The output: temporary, or a grid name the name rules accept.
  Bstr folder, name;
  bool isTemporary = false;
  if (!ValidateOutputGridName(Bstr(p.output), &folder, &name, &isTemporary)) {
    if (TakeLastErrorCode() == kGridNameRefused) refuse(MB_ICONWARNING);
    return;
  }
  ComPtr<IWorkspace> target;
  if (!isTemporary) {
    outFolder = folder.str();
    outName = name.str();
    // A folder that is not there (or no folder) cannot take the grid: say so before running.
    target = QueryAs<IWorkspace>(OpenWorkspaceFromFolder(Bstr(outFolder)).get());
    if (!target) return refuse(MB_ICONWARNING);
    // A raster of that name is the user's: replaced only when they said yes.
    std::error_code ec;
    if (!p.replaceExisting && fs::exists(OutputFile(outFolder, outName), ec)) {
      outcome.outputExists = true;
      return;
    }
  }

  ComPtr<IGeoDataset> result =
      ShadeRelief(hook, work, p, input.dataset.get(), progress.Callback(kIdsHillshadeProgress));
  if (progress.Cancelled()) {
    if (auto made = QueryAs<IDataset>(result.get())) made->Delete();
    return;
  }
  if (!result) return ReportNoResult(p, outcome);
  DiscardPreparedSurface(input);

  auto dataset = RequireInterface<IRasterDataset>(result.get());
  std::wstring layerName = p.layerName;
  if (!isTemporary) {
    auto temporary = QueryAs<ITemporaryDataset>(dataset.get());
    VARIANT_BOOL isTemp = VARIANT_TRUE;
    if (temporary) temporary->get_IsTemporary(&isTemp);
    if (temporary && isTemp == VARIANT_FALSE) {
      Check(RequireInterface<IDataset>(dataset.get())->Rename(Bstr(outName)));
    } else if (!SaveOverNamedOutput(dataset, result, target.get(), outFolder, outName, outcome)) {
      return;
    }
    layerName = outName;
  }
  Bstr path;
  dataset->get_CompleteName(&path);
  outcome.resultPath = path.str();

  ComPtr<ILayer> layer = ReliefLayer(dataset.get(), layerName);
  AddReliefToMap(hook, layer.get(), p);
  outcome.layer = layer;
  outcome.done = true;
}

}  // namespace

HillshadeRunOutcome RunHillshade(HookStruct& hook, const HillshadeRunParameters& p) {
  HillshadeRunOutcome outcome;
  if (!p.input) return outcome;
  // The temporary output's folder and name: a name claimed in the work folder, given up when
  // the run ends.
  const std::wstring work = ScratchWorkFolder(L"Hillshade");
  const TemporaryNameClaim claim(work, L"hll");
  RunProgress progress(hook);
  PreparedSurface input;
  try {
    Shade(hook, p, work, claim, progress, input, outcome);
  } catch (...) {
    DiscardPreparedSurface(input);
    throw;
  }
  // What was prepared for the run was only the way to the relief.
  DiscardPreparedSurface(input);
  outcome.cancelled = progress.Cancelled();
  progress.Finish();
  return outcome;
}

}  // namespace velk::corvane
