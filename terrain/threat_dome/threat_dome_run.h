// The threat dome run: one dome per observer over a base surface in the globe. The observers
// come from a point layer with the observer fields or from points entered in the dialog; the
// surface is prepared around them in an azimuthal equidistant grid (a catalog DTED layer
// through its clip), each observer stands at its height above it, and the domes and their
// wireframes go into a new group layer of the globe. Esc stops the run between steps. No dialog
// here: parameters in, outcome out.
#pragma once

#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "framework/run_message.h"

namespace velk::corvane {

// String ids of the run's texts.
constexpr UINT kIdsThreatDomeDone = 3685;
constexpr UINT kIdsThreatDomeGenerating = 3686;  // "Generating threat dome ( %1!d! of %2!d! ) ..."
constexpr UINT kIdsAtLeastOneObserver = 3687;
constexpr UINT kIdsNoBaseSurface = 3688;
constexpr UINT kIdsThreatDomeEscapeHint = 3689;
constexpr UINT kIdsThreatDomeValidating = 3690;
constexpr UINT kIdsThreatDomeExtracting = 3692;
constexpr UINT kIdsThreatDomeInitializing = 3693;
constexpr UINT kIdsThreatDomeGroup = 3694;          // "Threat Dome of %1!s!"
constexpr UINT kIdsThreatDomeGroupNumbered = 3711;  // "Threat Dome %1!d! of %2!s!"
constexpr UINT kIdsDomeRadiusNotPositive = 3715;
constexpr UINT kIdsSurfaceWithoutReference = 3716;
constexpr UINT kIdsDomesNotWritten = 3717;
constexpr UINT kIdsObserverNotAPoint = 3718;

// An observer as the dialog holds it.
struct ThreatDomeObserverInput {
  double latitude = 0.0;        // degrees
  double longitude = 0.0;       // degrees
  double heightOffset = 200.0;  // metres
  double domeRadius = 10.0;     // kilometres
  double elevation = 0.0;       // metres, when given
  bool elevationGiven = false;
};

struct ThreatDomeRunParameters {
  ComPtr<ILayer> baseLayer;      // the base elevation layer; none: the run does not start
  int inputType = 0;             // 0 the observer layer's points, 1 new observers
  ComPtr<ILayer> observerLayer;  // input type 0; none: the run does not start
  bool listOpen = false;         // input type 1: the list of observers is shown
  std::vector<ThreatDomeObserverInput> observerList;  // its rows
  ThreatDomeObserverInput current;                    // the single new observer (list closed)
};

struct ThreatDomeRunOutcome {
  std::vector<RunMessage> messages;  // message boxes, in order
  bool done = false;                 // the group is on the globe
  bool cancelled = false;            // Esc: "Operation cancelled" shown, nothing added
  std::wstring workFolder;
  std::wstring groupName;
  ComPtr<ILayer> group;
  std::size_t domes = 0;
};

// "Threat Dome of <layer>", or "Threat Dome <n> of <layer>" with the first n from 2 on that no
// group layer of the focus map (nested ones included) is named.
std::wstring MakeThreatDomeGroupName(HookStruct& hook, const std::wstring& baseLayerName);

// The run. Host objects that do not come back raise a COM error to the caller.
ThreatDomeRunOutcome RunThreatDome(HookStruct& hook, const ThreatDomeRunParameters& parameters);

}  // namespace velk::corvane
