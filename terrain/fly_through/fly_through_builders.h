// The fly-through's tracks on the globe: the keyframes of fly_through_tracks.h put into a new
// globe-camera track, named uniquely and added to the globe's animation tracks; the readers
// that take a flight path or an observer from a layer. A builder that cannot make a track
// says why by a string id (its message) and leaves the globe as it was.
#pragma once

#include <string>

#include "platform/host/display/animation.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/layer.h"
#include "terrain/fly_through/fly_through_tracks.h"

namespace velk::corvane {

// Texts of the fly-through.
constexpr UINT kIdsTrackCreated = 3695;        // "Animation track generated successfully"
constexpr UINT kIdsLinearTrack = 3696;         // "Zel Fly Through -- Linear"
constexpr UINT kIdsLinearTrackN = 3697;        // "Zel Fly Through %1!d! -- Linear"
constexpr UINT kIdsRadialTrack = 3698;         // "Zel Fly Through -- Radial"
constexpr UINT kIdsRadialTrackN = 3699;        // "Zel Fly Through %1!d! -- Radial"
constexpr UINT kIdsSelectOne = 3700;           // "There can only be one path or observer. ..."
constexpr UINT kIdsNoFeatures = 3703;          // "There are no features in the selected layer."
constexpr UINT kIdsNoLayer = 3704;             // "No layer selected"
constexpr UINT kIdsNoObserverFields = 3708;    // "Point feature does not have fields ..."
constexpr UINT kIdsWrongShapeType = 3709;      // "Selected layer must be point, line or ..."
constexpr UINT kIdsPathNotANumber = 3993;      // "The flight path has a point whose ..."
constexpr UINT kIdsPathTooShort = 3981;        // "The flight path needs at least two ..."
constexpr UINT kIdsNoGlobe = 3982;             // "Fly-throughs are made on the globe."

// What a builder did: the track's name and keyframe count, or the message that says why no
// track was made.
struct FlyThroughOutcome {
  UINT messageId = 0;
  std::wstring trackName;
  long keyframes = 0;
  bool Built() const { return messageId == 0; }
};

// The globe's surface height (metres) at the point's x and y; 0 where it has none.
double GlobeSurfaceHeight(IGlobe* globe, IPoint* point);
double GlobeSurfaceHeight(IGlobe* globe, double x, double y);
// The largest surface height over the vertices; -999999999 for none.
double MaxSurfaceHeightOfVertices(IGlobe* globe, IPointCollection* points);

// Appends a keyframe named by its index, range (0, 1), with the target and observer.
void AddCameraKeyframe(IAnimationTrack* track, const fly::CameraKeyframe& key);
// Animates properties 0-6, binds the track to the globe's camera, names it baseName, or the
// numbered form with 2, 3, ... while the globe holds a track of that name, adds and enables
// it and refreshes the globe's display. Returns the name.
std::wstring AddTrackToGlobe(IAnimationTrack* track, IGlobe* globe, UINT baseName,
                             UINT numberedName);

// Projects the geometry into WGS 84 unless the class's reference is already 4326 (no class:
// nothing).
void ProjectToWgs84(IFeatureClass* sourceClass, IGeometry* geometry);
// A copy of the entered path as a polyline (the entered points stay as they are).
ComPtr<IPolyline> MakeFlightPathPolyline(IPointCollection* points);
// Densifies to pieces of a tenth of the length (at most 1 degree).
void DensifyFlightPath(IPolyline* polyline);

// The track builders. Linear: a path of at least two places apart; sourceClass null for an
// entered path (WGS 84).
FlyThroughOutcome BuildLinearFlyThroughTrack(IPointCollection* path, IFeatureClass* sourceClass,
                                             IGlobe* globe, double inclination,
                                             double heightOffset);
FlyThroughOutcome BuildRadialFlyThroughTrack(IFeature* observer, IFeatureClass* sourceClass,
                                             IGlobe* globe);
// distanceKm: the target distance as entered, in kilometres.
FlyThroughOutcome BuildRadialTrackAroundPoint(IGlobe* globe, double x, double y, double distanceKm,
                                              double startAzimuth, double heightOffset);
FlyThroughOutcome BuildTrackFromLayer(IGlobe* globe, ILayer* layer, double inclination,
                                      double heightOffset);

// The layer readers; each sets messageId when it finds nothing.
ComPtr<IFeature> GetSingleSelectedFeature(ILayer* layer, UINT* messageId);
ComPtr<IFeature> GetObserverFeature(ILayer* layer, UINT* messageId);
// The path of a line layer: its one feature, the union of a linear line of sight's visible and
// hidden parts, or the one selected feature. heightAware: whether a single source shape has z.
ComPtr<IPolyline> GetFlightPathFromLineLayer(ILayer* layer, bool* heightAware, UINT* messageId);
// The field's value as a double; false and 0 without the field.
bool ReadFieldDouble(IFeature* feature, IFields* fields, const wchar_t* name, double* value);

}  // namespace velk::corvane
