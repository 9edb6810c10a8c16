// Threat domes in the 3-D viewer: the dome over one observer, traced with the threat dome's
// rays and mesh over the viewer's ground sampled into a local grid of metres, as host
// geometries in the ground's system.
#pragma once

#include "platform/host/analysis/visibility_model.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/data/raster.h"
#include "terrain/threat_dome/dome_mesh.h"

namespace velk::corvane {

struct ViewerDomeOptions {
  double azimuthStep = 10.0;    // degrees
  double elevationStep = 10.0;  // degrees
  host::analysis::CurvatureOptions curvature;
  // Cells of the local grid along the radius (the ground is sampled at radius / this).
  int cellsPerRadius = 120;
};

struct ViewerDome {
  DomeMesh mesh;                 // in the ground's system (x, y) with heights in z
  ComPtr<IGeometry> surface;     // multipatch: the sectors' strips, then the fan
  ComPtr<IGeometry> wireframe;   // z-aware polyline: the meridians, then the rings
  std::string error;             // steps or radius refused: nothing built
};

// centre: a point with its eye height in z, in the surface's system; radius in metres (turned
// into degrees on a geographic surface at the centre's latitude).
ViewerDome BuildViewerDome(IPoint* centre, double radius, ISurface* surface,
                           const ViewerDomeOptions& options);

}  // namespace velk::corvane
