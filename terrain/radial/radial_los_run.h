// The radial line-of-sight run: what one or more observers see over a surface layer. It makes
// a work folder under the scratch folder, prepares the surface as an azimuthal equidistant grid
// around the observers (or clips it from a catalog DTED layer), writes the observer feature
// class, computes the visibility coverage through the host's surface analysis and puts the
// result group on the map. No dialog here: parameters in, outcome out.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "interfaces/zel_settings.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "framework/run_message.h"
#include "terrain/common/visibility_text_ids.h"
#include "terrain/radial/radial_los_observer.h"

namespace velk::corvane {

// String ids of the run's texts.
constexpr UINT kIdsNoOperationsOnTin = 3615;
constexpr UINT kIdsRadialVisibilityGroup = 3649;
constexpr UINT kIdsLocationForVisibility = 3650;
constexpr UINT kIdsCouldNotCreateViewshed = 3652;
constexpr UINT kIdsVisibilityProgress = 3987;  // "Computing visibility: %1!d!%% done ..."

struct RadialLosRunParameters {
  ComPtr<ILayer> surfaceLayer;
  // The observers in list order (the current one alone when the list is empty); each with its
  // location picked.
  std::vector<RadialLosObserver> observers;
  bool withObserverElevation = false;  // "Observer Elevation:" checked: the field SPOT
  // The observer graphics' extent in the map's system; null: the observers' locations and
  // range polygons.
  ComPtr<IEnvelope> observerExtent;
  ComPtr<ITerrainSettings> settings;  // refraction and the result symbols
};

struct RadialLosRunOutcome {
  std::vector<RunMessage> messages;  // message boxes, in order
  UINT statusId = 0;                 // a status text, 0 for none
  std::wstring workFolder;           // "<scratch>RadialLOS" (without separator)
  std::wstring preparedPath;         // the prepared surface raster
  std::wstring observerPath;         // losloc<n>.shp
  std::wstring coveragePath;         // loscov<n>.shp
  std::wstring runNumber;            // the four digits of the observer file
  ComPtr<ILayer> group;              // the result group added to the map
  bool done = false;
  bool cancelled = false;  // Esc: "Operation cancelled" shown, nothing of the run left
};

// The union of the observers' locations and range polygons, in the spatial reference sr (null
// when there is none).
ComPtr<IEnvelope> ObserverGeometryExtent(const std::vector<RadialLosObserver>& observers,
                                         ISpatialReference* sr);

// The run, with its progress in the status bar; Esc stops it. Host objects that do not come
// back raise a COM error to the caller.
RadialLosRunOutcome RunRadialLos(HookStruct& hook, const RadialLosRunParameters& parameters);

}  // namespace velk::corvane
