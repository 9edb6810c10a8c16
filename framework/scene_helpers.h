// Helpers of the 3-D viewer and the threat dome: points offset by a vector, the texture
// coordinates and normals packed into the measure values of dome vertices, the visibility of
// globe layers, and the walk from the host to the globe's display and camera.
#pragma once

#include "framework/hook_struct.h"
#include "platform/host/display/camera.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/geometry/vector3d.h"

namespace velk::corvane {

// A new host point at the source point's x, y and z plus the vector's components. A missing
// point or vector raises E_POINTER.
void MakeOffsetPoint3D(IPoint** point, IPoint* source, IVector3D* vector);

// Packs a vertex normal into a measure value: the object's 3-D vector is normalised (in place)
// and the host's geometry environment packs it into *measure, keeping the texture coordinates
// already there. An object that is no vector, or a null measure, raises E_POINTER; the zero
// vector, which has no direction, raises E_INVALIDARG and leaves the measure as it was.
void MakeSceneGraphicElement(IUnknown* vector, double* measure);

// Packs the texture coordinates of a dome vertex at the azimuth and elevation (degrees) into
// *measure: u = azimuth / 360, v = (90 - elevation) / 90, keeping a normal already there.
// Angles whose coordinates fall outside what a measure holds raise E_INVALIDARG.
void AddViewerMarker(double azimuth, double elevation, double* measure);

// The same two operations under the names the analysis tools know them by.
inline void PackNormal(IUnknown* vector, double* measure) {
  MakeSceneGraphicElement(vector, measure);
}
inline void PackTextureCoordinates(double azimuth, double elevation, double* measure) {
  AddViewerMarker(azimuth, elevation, measure);
}

// Shows or hides an object of a globe in both of its parts it answers for, the scene and then
// the graphics: a part that is shown (its flag -1) and is to be hidden (visible 0) runs its
// hiding step first; then the part takes the new flag. Objects answering neither are left
// alone.
void SetLayerVisibility(IUnknown* object, VARIANT_BOOL visible);

// The globe's display: application, its document as a globe document, its globe, the globe's
// display. Null at the first step that yields nothing (so null in the 2-D host).
void GetGlobeFromHook(IGlobeDisplay** display, HookStruct& hook);

// The same walk on to the display's viewer and its camera, as the globe camera; null at the
// first step that yields nothing.
void GetGlobeCameraObject(IGlobeCamera** camera, HookStruct& hook);

}  // namespace velk::corvane
