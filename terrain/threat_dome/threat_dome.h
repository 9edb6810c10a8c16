// One threat dome in the globe: the points an observer at the centre reaches along straight
// lines of the radius in every direction of an azimuth and elevation grid, each cut short where
// the surface blocks it; the dome surface (a strip per sector and a fan over the horizon) and
// its wireframe (meridians and rings) built from them, with every vertex's texture coordinates
// and normal packed into its measure; and the "Dome" and "Wireframe" shapefiles and layers that
// hold them.
#pragma once

#include <string>

#include "interfaces/zel_settings.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"
#include "platform/host/geometry/multipatch.h"
#include "platform/host/data/raster.h"
#include "platform/host/display/symbol.h"
#include "terrain/threat_dome/dome_point_grid.h"
#include "terrain/threat_dome/dome_rays.h"

namespace velk::corvane {

// Asked between points; false stops the work (the points not computed are left out).
class DomeCancelCheck {
 public:
  virtual ~DomeCancelCheck() = default;
  virtual bool Continue() = 0;
};

class CThreatDome {
 public:
  // Steps in degrees. Steps that make no dome (CheckDomeSteps) leave Error() set and the dome
  // unbuilt.
  CThreatDome(double azimuthStep, double elevationStep);
  virtual ~CThreatDome();
  CThreatDome(const CThreatDome&) = delete;
  CThreatDome& operator=(const CThreatDome&) = delete;

  // centre: a point with z (the eye) in the units of its spatial reference, radius in the same
  // units. Builds nothing for a missing centre or surface, a centre without a spatial reference,
  // a radius that is no number above 0 (Error() says so) or refused steps. A surface over a
  // north-up raster of a projected system in the centre's system is read once and its rays
  // traced on all cores; any other surface is asked point by point.
  void BuildThreatDomeGeometry(IPoint* centre, double radius, ISurface* surface,
                               DomeCancelCheck* cancelCheck = nullptr);

  // Adds the wireframe and the dome as one feature each to the classes "Wireframe" + suffix and
  // "Dome" + suffix of the folder (made when missing, with z and m) and, for classes this call
  // made, new layers to layerTarget (a group layer). S_FALSE when nothing was written (no
  // target, no folder, nothing built). A class or feature that cannot be written fails the
  // call; classes this call made are deleted again, so no half-written output remains.
  HRESULT WriteThreatDomeOutput(IUnknown* layerTarget, const std::wstring& nameSuffix,
                                const std::wstring& folderPath);

  // One grid point through the surface's own line of sight (the per-point path).
  ComPtr<IPoint> ComputeDomePoint(IPoint* centre, double radius, double azimuthDegrees,
                                  double elevationDegrees);

  const std::string& Error() const { return error_; }
  DomeCounts Counts() const { return counts_; }
  const DomePointGrid& Grid() const { return grid_; }
  IGeometry* Dome() const { return dome_.get(); }
  IPolyline* Wireframe() const { return wireframe_.get(); }
  IColor* DomeColour() const { return domeColour_.get(); }
  IColor* WireframeColour() const { return wireframeColour_.get(); }

 private:
  bool TraceOnGrid(IPoint* centre, const DomePoint& eye, double radius,
                   host::analysis::CurvatureOptions curvature);
  void PackMeasure(DomePoint& p, const DomePoint& centre, double azimuth, double elevation) const;
  void ReadCurvature(host::analysis::CurvatureOptions& curvature, bool& refraction);

  ComPtr<IZelSettings> settings_;
  DomeCounts counts_;
  double azimuthStep_ = 0.0;
  double elevationStep_ = 0.0;
  DomePointGrid grid_;
  ComPtr<IGeometry> dome_;
  ComPtr<IPolyline> wireframe_;
  ComPtr<IColor> domeColour_;
  ComPtr<IColor> wireframeColour_;
  ComPtr<ISurface> surface_;
  ComPtr<ISpatialReference> spatialReference_;
  DomeCancelCheck* cancelCheck_ = nullptr;
  std::string error_;
};

// True for a layer that is a surface itself, or whose extensions include a globe layer kind
// of that kind (1: the layer gives the globe its heights); false for no layer.
bool IsSurfaceLayerOfKind(ILayer* layer, LONG kind);

}  // namespace velk::corvane
