// Threat domes in the 3-D viewer: the dome surface and its wireframe over one observer, built
// with the threat dome's grid walk at the viewer's steps.
#pragma once

#include "platform/host/geometry.h"
#include "platform/host/raster.h"

namespace velk::corvane {

struct ViewerDome {
  ComPtr<IGeometry> surface;    // null when nothing was built
  ComPtr<IGeometry> wireframe;
};

// centre: a point with its height in z, in the surface's system; radius in the same units.
ViewerDome BuildViewerDome(IPoint* centre, double radius, ISurface* surface, double azimuthStep,
                           double elevationStep);

}  // namespace velk::corvane
