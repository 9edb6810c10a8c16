// String ids of the 3-D viewer's texts.
#pragma once

#include "platform/com/unknown.h"

namespace velk::corvane {

constexpr UINT kIdsAvailableLayers = 3607;     // "Available Layers"
constexpr UINT kIdsObserverLayers = 3609;      // "Threat Dome Observers"
constexpr UINT kIdsFlightPathLayers = 3611;    // "Flight Paths"
constexpr UINT kIdsErrorCaption = 3576;        // "Error"
constexpr UINT kIdsProjectedMap = 3665;        // "This operation is not supported on a ..."
constexpr UINT kIdsLaunchingViewer = 3667;     // "Launching Viewer"
constexpr UINT kIdsViewerCancelled = 3707;     // "Operation cancelled"
constexpr UINT kIdsExtentOutsideSurface = 3875;  // "3D Viewer extent outside of surface"
constexpr UINT kIdsExtractingData = 3961;      // "Extracting data from %1!s!... Press Esc ..."
constexpr UINT kIdsNoObserverPoints = 3962;    // "The observer layer %1!s! has no observer ..."
constexpr UINT kIdsNoFlightPoints = 3963;      // "The flight path %1!s! has nothing on ..."
constexpr UINT kIdsThreatDomesLayer = 3964;    // "Threat Domes"
constexpr UINT kIdsLayerNotClipped = 3965;     // "The layer %1!s! could not be clipped: %2!s!"
constexpr UINT kIdsLayersLeftOut = 3994;       // "Left out of the 3-D view, as the map has ..."

}  // namespace velk::corvane
