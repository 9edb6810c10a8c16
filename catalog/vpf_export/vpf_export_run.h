// The VPF export run: the checked feature layers of the map's vector catalog layers copied
// through the host's feature-data converter into a shapefile folder tree or a geodatabase, and
// optionally added to the map in the group "VPF Export". No dialog here: the run takes its
// parameters in and hands back what to tell the user.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/host/display/layer.h"
#include "platform/host/data/track_cancel.h"
#include "framework/run_message.h"

namespace velk::corvane {

constexpr UINT kIdsVpfNoOutput = 3251;            // "No output specified"
constexpr UINT kIdsVpfCannotConvert = 3567;       // "Some features could not be converted"
constexpr UINT kIdsVpfAllFeatures = 3570;         // "All features"
constexpr UINT kIdsVpfSelectedFeatures = 3568;    // "Selected features"
constexpr UINT kIdsVpfFeaturesInView = 3572;      // "All features in view extent"
constexpr UINT kIdsVpfChooseOutput = 3613;        // "Choose Output Location (Folder or Geodatabase)"
constexpr UINT kIdsVpfSave = 3278;                // "Save"

// A feature layer of the tree: the layer, whether it is checked, its tree path (names by "|").
struct VpfExportEntry {
  ComPtr<ILayer> layer;
  bool checked = false;
  std::wstring path;
};

// The export combo's item data.
enum class VpfExportFeatures { kAll = 0, kSelected = 1, kInView = 2 };

struct VpfExportParameters {
  std::vector<VpfExportEntry> entries;
  VpfExportFeatures features = VpfExportFeatures::kAll;
  bool mapCoordinateSystem = false;  // "Use the same Coordinate System as the data frame"
  std::wstring location;             // the chosen folder or geodatabase; empty: none chosen
  bool folder = true;                // the location's category is "Folder"
  bool addToMap = false;
  ComPtr<ITrackCancel> cancel;       // may be null
};

struct VpfExportOutput {
  std::wstring name;   // the output path (folder) or feature class name (geodatabase)
  LONG features = 0;
  bool written = false;
};

struct VpfExportOutcome {
  bool done = false;                 // the dialog closes with id 1
  std::vector<RunMessage> messages;  // shown in order ("Error", exclamation)
  std::wstring problem;              // a message naming the output and saying why, shown last
  std::vector<VpfExportOutput> outputs;
  ComPtr<ILayer> group;              // "VPF Export", when added
};

// The tree paths of the feature layers of a vector layer: "<vector layer>|<group>|...|<layer>",
// walking only its group sublayers; invalid layers are left out. checked: the layer's
// visibility.
std::vector<VpfExportEntry> CollectVpfEntries(ILayer* vectorLayer);

VpfExportOutcome RunVpfExport(HookStruct& hook, const VpfExportParameters& parameters);

}  // namespace velk::corvane
