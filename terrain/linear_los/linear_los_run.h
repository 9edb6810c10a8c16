// The linear line-of-sight run: which stretches of the line from an observer to a target the
// observer sees over a surface layer (a catalog DTED layer through a clipped copy), written as
// numbered shapefiles in the scratch folder's "LinearLOS" folder, shown as a group layer, with
// the profile graph when the settings ask for it. No dialog here: the run takes its parameters
// in and hands back what to tell the user.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "interfaces/zel_settings.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "terrain/common/visibility_text_ids.h"
#include "terrain/linear_los/profile_graph.h"

namespace velk::corvane {

// String ids of the run's texts.
constexpr UINT kIdsCouldNotCreateLos = 3936;        // "Could not create Line Of Sight"
constexpr UINT kIdsTargetVisible = 3937;            // "Target is visible"
constexpr UINT kIdsTargetNotVisible = 3938;         // "Target is not visible"
constexpr UINT kIdsLinearVisibilityGroup = 3939;    // "Linear Visibility %1!s! of %2!s!"
constexpr UINT kIdsPointLocationForVisibility = 3940;  // "%1!s! Location for Visibility ..."
constexpr UINT kIdsStart = 3942;                    // "Start"
constexpr UINT kIdsEnd = 3943;                      // "End"
constexpr UINT kIdsElevation = 3944;                // "Elevation"

struct LinearLosRunParameters {
  ComPtr<ILayer> surfaceLayer;       // a host raster layer or a catalog DTED layer
  ComPtr<IUnknown> surfaceDataset;   // the dataset behind it (the run needs one of the two)
  ComPtr<IPoint> observer;           // the start marker's geometry (map coordinates)
  ComPtr<IPoint> target;             // the end marker's geometry
  ComPtr<IEnvelope> graphicsEnvelope;  // the markers and the sight line on the map
  double startOffset = 0.0;          // metres above the ground
  double endOffset = 0.0;
  bool zAware = true;                // the lines keep their heights
};

struct LinearLosRunOutcome {
  bool ran = false;             // a surface was there to try
  std::vector<UINT> messages;   // message boxes, caption "Error", exclamation, in order
  UINT status = 0;              // the status text at the end (0: none)
  std::wstring workFolder;
  std::wstring number;          // N of the output names ("0000")
  std::vector<std::wstring> files;  // the shapefiles written (lines, observer, target)
  ComPtr<ILayer> group;
  bool targetVisible = false;
  ProfileGraphOutcome profile;
};

// The first number N ("%04d") for which "los2dc"N, "loslocstart"N and "loslocend"N are all
// free in the folder (none of a shapefile's files exists), so a run never meets a leftover.
std::wstring NextFreeRunNumber(const std::wstring& folder);

// The run. Host objects that do not come back raise a COM error to the caller; the clipped
// copy and the run's half-written shapefiles are deleted then too.
LinearLosRunOutcome RunLinearLos(HookStruct& hook, ITerrainSettings* settings,
                                 const LinearLosRunParameters& parameters);

}  // namespace velk::corvane
