// Temporary graphics on the map: drawn into and removed from the drawing view (the hook's
// active view, or the map a page layout shows), told apart by their element names.
#pragma once

#include "framework/hook_struct.h"
#include "platform/com/bstr.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/graphics.h"

namespace velk::corvane {

// The view graphics go into: the active view, or the map view a page layout reports. Null
// when the hook has no active view.
ComPtr<IActiveView> GetDrawingView(HookStruct& hook);

// Puts newElement on the map in place of oldElement (either may be null) and refreshes the
// graphics over both their bounds, grown by 10 %.
void ReplaceMapGraphic(HookStruct& hook, IElement* newElement, IElement* oldElement);
// Takes the element off the map; with refresh non-zero the screen is invalidated over its
// bounds grown by 10 %.
void DeleteMapGraphic(HookStruct& hook, IElement* element, LONG refresh);
// Removes every graphic of that name (letter case counts).
void RemoveNamedGraphics(HookStruct& hook, const Bstr& name);
// Replaces the graphics of that name by a closed blue outline (width 1.5) of the envelope.
bool DrawExtentOutline(HookStruct& hook, BSTR name, IEnvelope* envelope);

// A new marker element at the point (the point itself is its geometry), drawn with the
// coordinate tool's symbol from the settings; E_POINTER as a COM error when the settings cannot
// be reached.
ComPtr<IElement> CreateCoordToolMarkerElement(IPoint* point);

// A new feature layer on the class named name, drawn with red (flag 1) or black markers of
// size 6 under the label; not added to any map.
ComPtr<ILayer> CreateMarkerFeatureLayer(IFeatureClass* featureClass, const Bstr& name,
                                        const Bstr& label, LONG highlight);

}  // namespace velk::corvane
