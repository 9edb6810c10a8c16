// Questions and lookups of host objects: observer-point and visibility layers by their fields, the
// selected-layer tool control, the azimuthal equidistant projection centred on a point, and
// the disjoint test of two geometries.
#pragma once

#include "framework/hook_struct.h"
#include "platform/host/shell/command.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/geometry/spatial_reference.h"

namespace velk::corvane {

// A valid feature layer of points or multipoints whose class has a field "Radius2" (letter
// case ignored). Any failed query answers false.
bool IsObserverPointLayer(ILayer* layer);
// A valid feature layer of points, multipoints, polylines or lines whose class has "Radius2"
// or else "Visible".
bool IsVisibilityLayer(ILayer* layer);

// The command "velkTarvosUI.SelectedLayer" of the document's command bars as a tool control;
// null for a null hook or when there is none. No application behind the hook: E_POINTER.
void FindSelectedLayerCommand(IToolControl** control, HookStruct* hook);

// The layer chosen in the selected-layer control of the hook's command bars; null when there
// is no control or nothing is chosen. control caches the control found on the first call.
ComPtr<ILayer> CurrentSelectedLayer(HookStruct& hook, ComPtr<IUnknown>& control);

// The host's azimuthal equidistant system (code 54032) with the point's x as central meridian
// and its y as latitude of origin.
void MakeAzimuthalEquidistantProjection(ISpatialReference** sr, IPoint* centre);

// Whether the two geometries are disjoint, as a's relational operator says.
VARIANT_BOOL TestGeometryRelation(IGeometry* a, IGeometry* b);

}  // namespace velk::corvane
