// The hillshade run: the shaded relief of a surface layer through the host's surface operator,
// kept as a temporary raster or saved as a named grid, and added to the map as a half
// transparent overlay beside its input or on top. Also the result layer's name, the automatic
// z factor and the placement of a layer beside another in the map's tree. No dialog here: the
// run takes its parameters in and hands back what to tell the user.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/display/map.h"
#include "framework/run_message.h"

namespace velk::corvane {

// String ids of the hillshade texts.
constexpr UINT kIdsHillshadeOf = 3661;      // "Hillshade of %1!s!"
constexpr UINT kIdsHillshadeNOf = 3662;     // "Hillshade%1!d! of %2!s!"
constexpr UINT kIdsCannotHillshade = 3666;  // "Cannot perform hillshade on specified input."
constexpr UINT kIdsAltitudeOutOfRange = 3872;
constexpr UINT kIdsAzimuthOutOfRange = 3873;
constexpr UINT kIdsOverwriteQuestion = 3888;  // "Data with the same name exists. Overwrite?"
constexpr UINT kIdsHillshadeNotSaved = 3983;  // "The hillshade could not be saved as %1!s! ..."
constexpr UINT kIdsHillshadeProgress = 3988;  // "Computing hillshade: %1!d!%% done ..."
// Extent-choice texts.
constexpr UINT kIdsTemporary = 3245;
constexpr UINT kIdsSelectedDatasets = 3246;
constexpr UINT kIdsVisibleExtentDatasets = 3247;
constexpr UINT kIdsAllDatasets = 3248;
constexpr UINT kIdsSelectedRegion = 3249;

// The result layer's name for an input layer named inputName: "Hillshade of <name>", or the
// first "Hillshade<k> of <name>" (k = 2, 3, ...) that is not among the listed names.
std::wstring MakeHillshadeLayerName(const std::wstring& inputName,
                                    const std::vector<std::wstring>& listed);

// The z factor for a surface over the extent: elevations in metres against horizontal units
// of a geographic system (degrees) at the extent's middle latitude, 1 / (cos(lat) * 111320);
// 1 for any other spatial reference or none.
double ZFactorForExtent(IEnvelope* extent);
// The factor as the z factor edit shows it ("%08.6f").
std::wstring FormatZFactor(double factor);
// The text the edit shows when the factor is not computed: 3e-05 with "%lf".
std::wstring DefaultZFactorText();

// Placement of newLayer next to reference in the map: into the map's top when there is no
// reference or the map is empty; above the reference when it lies at the map's top level,
// just below it inside its group. A reference found nowhere puts the layer at the map's top,
// so that it is never lost. Nothing happens without a map or a new layer.
void AddLayerNextTo(IMap* map, ILayer* newLayer, ILayer* reference);

// One step of the search: layer is child index of parent (null: the map's top level). S_OK when
// the reference was found and the new layer placed, S_FALSE when not found here, E_INVALIDARG
// without map, new layer or reference.
HRESULT InsertLayerBeside(IMap* map, ILayer* parent, LONG index, ILayer* layer, ILayer* newLayer,
                          ILayer* reference);

struct HillshadeRunParameters {
  ComPtr<ILayer> input;  // host raster layer, or catalog elevation layer (IZelDtedLayer)
  // For a catalog elevation layer: only the datasets selected in the catalog (the extent
  // choice "Selected datasets"), and the area they are cut to.
  bool selectedDatasetsOnly = false;
  ComPtr<IEnvelope> area;
  std::wstring output;   // the output edit's text: "<TEMPORARY>" or a grid path
  double azimuth = 315.0;
  double altitude = 45.0;
  double zFactor = 1.0;
  bool shadows = false;
  bool overlay = true;     // "Overlay Elevation"
  std::wstring layerName;  // from MakeHillshadeLayerName; empty: the dataset's name
  bool replaceExisting = false;  // the user agreed to replace a raster of the output's name
};

struct HillshadeRunOutcome {
  bool done = false;                 // the dialog closes with id 1
  std::vector<RunMessage> messages;  // shown in order when not done
  ComPtr<ILayer> layer;              // the layer added
  std::wstring resultPath;           // the raster file behind it
  // The named output exists and replaceExisting was not given: nothing was run; ask the user.
  bool outputExists = false;
  // The named output could not be saved: the file and why, for kIdsHillshadeNotSaved.
  std::wstring notSaved;
  bool cancelled = false;  // Esc: "Operation cancelled" shown, nothing of the run left
};

// The run, with its progress in the status bar; Esc stops it. Host objects that do not come
// back raise a COM error to the caller.
HillshadeRunOutcome RunHillshade(HookStruct& hook, const HillshadeRunParameters& parameters);

}  // namespace velk::corvane
