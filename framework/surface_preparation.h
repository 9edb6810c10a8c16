// The surface a terrain run analyses, prepared in the run's work folder: a catalog elevation
// layer's cells over the area (clipped, or the catalog's datasets saved as one grid), or a
// raster layer's first band, as it is or warped into an azimuthal equidistant grid around the
// area; then a raster layer of it. Plain steps over host objects, no dialog, no messages: the
// run says what a failure means to the user.
#pragma once

#include <string>
#include <vector>

#include "platform/host/data/dataset.h"
#include "platform/host/data/workspace.h"
#include "platform/host/display/layer.h"
#include "platform/host/geometry/geometry.h"

namespace velk::corvane {

// The status text of a run while the step works: "Preparing the surface of %1!s! ... Press Esc
// To Cancel".
constexpr UINT kIdsPreparingSurfaceProgress = 3986;

// The grid the surface is prepared in.
enum class SurfaceGrid {
  // The layer's own: a raster layer as it is, a catalog layer's clip in the catalog's system.
  kOwn,
  // Azimuthal equidistant around the area: a catalog layer's clip reprojected by the clip, a
  // raster layer's first band warped by the host's surface preparation.
  kAzimuthal,
  // As kAzimuthal, and a catalog layer's reprojected clip warped by the surface preparation
  // too, so that every surface comes through the same warp (the clip is deleted once warped).
  kAzimuthalWarped,
};

// How a catalog elevation layer's cells are taken.
enum class CatalogCells {
  kClip,              // clipped to the area
  kDatasetsInArea,    // the catalog's datasets meeting the area, saved as one grid
  kSelectedDatasets,  // the datasets selected in the catalog, saved as one grid
};

enum class SurfaceFailure {
  kNone,
  kNotARaster,   // neither a raster layer nor a catalog elevation layer; the layer comes back
  kNotPrepared,  // no clip, no band or no warp came about
  kNoReference,  // the source has no spatial reference (only asked with requireReference)
};

struct SurfacePreparation {
  ComPtr<ILayer> surfaceLayer{};
  ComPtr<IEnvelope> area{};        // the clip area; for a warp, in geographic degrees
  std::wstring workFolder{};       // where a clip is written
  std::wstring name{};             // the prepared raster's name (a clip before a warp adds "c")
  ComPtr<IWorkspace> workspace{};  // where a warp or a grid is saved; null: the work folder's
  SurfaceGrid grid = SurfaceGrid::kOwn;
  CatalogCells catalogCells = CatalogCells::kClip;
  bool requireReference = false;  // refuse a warp source without a spatial reference
};

struct PreparedSurface {
  // The surface as a layer: the prepared raster's, or the input layer itself when it is taken
  // as it is (whatever its kind).
  ComPtr<ILayer> layer;
  // What an operator reads: the prepared raster dataset, or the first band of a raster layer
  // taken as it is.
  ComPtr<IGeoDataset> dataset;
  // What the step wrote, in order; the run deletes it when it gives up or is done with it.
  std::vector<ComPtr<IDataset>> made;
  SurfaceFailure failure = SurfaceFailure::kNone;
};

// The step. Host objects that do not come back raise a COM error to the caller, after which
// nothing the step wrote is left.
PreparedSurface PrepareSurface(const SurfacePreparation& preparation);

// Deletes what the step wrote (failures ignored: nothing more can be cleared) and lets the
// layer and dataset go.
void DiscardPreparedSurface(PreparedSurface& surface);

}  // namespace velk::corvane
