// Raster helpers of the hillshade and mosaic runs: a raster dataset name for an output, the
// host's default analysis settings copied into an operator's environment, and the collection
// of a catalog's rasters that a run takes as its input.
#pragma once

#include "platform/com/bstr.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/raster_analysis_environment.h"
#include "platform/host/data/raster_catalog.h"
#include "platform/host/data/raster_collection.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

// A new raster dataset name in the workspace that the workspace name stands for, carrying the
// definition when one is given. Its name is the name text, or when that is empty the
// workspace's own name (the last part of its path). A workspace object that is no workspace
// name raises E_POINTER.
void MakeRasterDatasetName(IDatasetName** name, IUnknown* workspaceName, BSTR nameText,
                           IUnknown* definition);

// Copies the settings a new host raster analysis environment starts with (the host's current
// default) into the target environment: output workspace, output spatial reference, cell
// size, extent (handed over as VT_BOOL true when there is an envelope: the target takes the
// default's envelope), then the target validates them. The first argument is only released. A
// target that is no analysis environment raises E_POINTER; a setting the target refuses
// raises its error.
void ApplyRasterAnalysisSettings(IUnknown* unused, IUnknown* target);

// A new raster layer over a saved raster dataset's default raster; null when the object is no
// raster dataset, gives no raster or the layer refuses it.
ComPtr<IRasterLayer> RasterLayerOfDataset(IUnknown* dataset);

// The first band of a raster layer's raster as a dataset; null for any other layer or a raster
// without bands.
ComPtr<IGeoDataset> FirstBandOf(IUnknown* layer);

// Whether the combo box's current selection is its item with the text of textId (whole text,
// letter case ignored): how a dialog reads its "Selected datasets" choice for a run. False for
// a null combo box.
bool ComboShowsItem(HWND combo, UINT textId);

// A new raster collection of the source catalog's raster datasets, each opened as its default
// raster: only the datasets selected in the catalog when selectedOnly, else all of them. A
// region, when given, becomes the collection's extent and datasets whose extent lies wholly
// outside it are left out. A source that is no raster catalog, or a region that is no
// geometry, raises E_POINTER.
void BuildRasterCollection(IRasterCollection** collection, bool selectedOnly, IUnknown* region,
                           IUnknown* source);

// The rasters of a catalog elevation or raster layer (IZelDtedLayer, IZelRasterLayer): as
// BuildRasterCollection over the layer's catalog and the area (none: every dataset). Null when
// nothing matches; a layer without a catalog raises E_POINTER.
ComPtr<IRasterCollection> GetRasterFromCatalogLayer(bool selectedOnly, IUnknown* catalogLayer,
                                                    IUnknown* area);

// How many datasets the catalog layer (IZelDtedLayer, IZelRasterLayer) has selected, and the
// union of their footprints (null when none is selected or none has a footprint). A layer
// without a catalog raises E_POINTER.
LONG SelectedDatasetCount(IUnknown* catalogLayer);
ComPtr<IEnvelope> SelectedDatasetsExtent(IUnknown* catalogLayer);

}  // namespace velk::corvane
