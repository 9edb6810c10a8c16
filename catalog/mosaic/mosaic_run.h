// The mosaic run: the rasters a catalog layer draws (the selected datasets, those in the
// visible extent or a region, or all) put together into one new raster dataset in a folder or
// a database, added to the map as a raster layer. No dialog here: the run takes its parameters
// in and hands back the status text to show.
#pragma once

#include <string>

#include "catalog/mosaic/storage_overrides.h"
#include "framework/hook_struct.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/raster_storage.h"
#include "platform/host/data/track_cancel.h"

namespace velk::corvane {

// String ids of the mosaic texts.
constexpr UINT kIdsMosaicSelectedDatasets = 3246;
constexpr UINT kIdsMosaicVisibleDatasets = 3247;
constexpr UINT kIdsMosaicAllDatasets = 3248;
constexpr UINT kIdsMosaicSelectedRegion = 3249;
constexpr UINT kIdsMosaicNoInputLayer = 3250;
constexpr UINT kIdsMosaicNoOutput = 3251;
constexpr UINT kIdsMosaicCannotCreate = 3252;
constexpr UINT kIdsSaveMosaicAs = 3663;

// Where the mosaic goes: a file in a folder, or a raster in a database.
struct MosaicOutput {
  std::wstring location;  // the folder, or the database file
  std::wstring name;      // the dataset's name, without the suffix
  std::wstring suffix;    // added to the name in a folder (".tif"); none for a grid
  std::wstring format;    // "GRID", "TIFF", "IMAGINE", "NITF", "PCIDSK"; empty in a database
  bool database = false;
  bool replace = false;   // the user agreed to replace a dataset of that name
};

// The output a typed path names: inside a GeoPackage (".gpkg") a database raster; else a file
// of the folder whose extension chooses the format (".tif" TIFF, ".img" IMAGINE, ".ntf" NITF,
// ".pix" PCIDSK, none a grid). Nothing is replaced.
MosaicOutput OutputFromPath(const std::wstring& path);

struct MosaicRunParameters {
  ComPtr<ILayer> layer;         // a catalog elevation layer or catalog raster layer
  bool selectedDatasetsOnly = false;  // "Mosaic:" shows "Selected datasets": the selection
  ComPtr<IEnvelope> region;     // the preset region or the visible extent; null: no region
  std::wstring outputText;      // the output edit's text
  MosaicOutput output;
  EnvironmentReader environment = ProcessEnvironment;
  ComPtr<ITrackCancel> cancel;  // may be null
};

struct MosaicRunOutcome {
  bool done = false;       // the dialog closes with id 1
  UINT statusId = 0;       // the status text shown (pane 0), 0 for none
  std::string reason;      // why no dataset was made
  ComPtr<ILayer> layer;    // the raster layer added
  std::wstring dataset;    // the raster file, or "GPKG:<database>:<name>"
};

// The storage parameters the environment overrides; a value a parameter refuses leaves its
// default.
void ApplyStorageOverrides(IRasterStorageDef* storage, const StorageOverrides& overrides);

// The run. Host objects that do not come back raise a COM error to the caller.
MosaicRunOutcome RunMosaic(HookStruct& hook, const MosaicRunParameters& parameters);

}  // namespace velk::corvane
