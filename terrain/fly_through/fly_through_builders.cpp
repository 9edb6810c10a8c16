#include "terrain/fly_through/fly_through_builders.h"

#include <limits>
#include <vector>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "framework/observer_fields.h"
#include "platform/com/out_param.h"
#include "platform/com/variant.h"
#include "platform/host/display/camera.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/dataset.h"
#include "platform/host/data/field.h"
#include "platform/host/geometry/geometry_operations.h"
#include "platform/host/display/globe_display.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/table.h"
#include "framework/resource_text.h"
#include "terrain/radial/radial_los_observer.h"

namespace velk::corvane {
namespace {

FlyThroughOutcome Refused(UINT id) {
  FlyThroughOutcome o;
  o.messageId = id;
  return o;
}

fly::SurfaceHeight HeightsOf(IGlobe* globe) {
  return [globe](double x, double y) { return GlobeSurfaceHeight(globe, x, y); };
}

double HeightFactor(IGlobe* globe) {
  auto surface = RequireInterface<IGlobeSurface>(globe);
  double factor = 1.0;
  Check(surface->get_HeightFactor(&factor));
  return factor;
}

ComPtr<IAnimationTrack> NewCameraTrack() {
  auto track = CreateHostObject<IAnimationTrack>(host::CLSID_AnimationTrack);
  Check(track->put_AnimationType(kAnimationTypeGlobeCamera));
  return track;
}

// Puts the keyframes into a new track and adds it to the globe.
FlyThroughOutcome AddTrack(IGlobe* globe, const std::vector<fly::CameraKeyframe>& keys,
                           UINT baseName, UINT numberedName) {
  if (keys.empty()) return Refused(kIdsPathTooShort);
  auto track = NewCameraTrack();
  for (const auto& k : keys) AddCameraKeyframe(track.get(), k);
  FlyThroughOutcome o;
  o.trackName = AddTrackToGlobe(track.get(), globe, baseName, numberedName);
  o.keyframes = static_cast<long>(keys.size());
  return o;
}

ComPtr<IFeatureClass> ClassOf(ILayer* layer) {
  auto featureLayer = QueryAs<IFeatureLayer>(layer);
  if (!featureLayer) return nullptr;
  ComPtr<IFeatureClass> fc;
  featureLayer->get_FeatureClass(fc.put());
  return fc;
}

LONG FeatureCount(IFeatureClass* fc) {
  LONG count = 0;
  Check(fc->FeatureCount(nullptr, &count));
  return count;
}

// The class's only feature.
ComPtr<IFeature> FirstFeature(IFeatureClass* fc) {
  ComPtr<IFeatureCursor> cursor;
  Check(fc->Search(nullptr, VARIANT_FALSE, cursor.put()));
  ComPtr<IFeature> feature;
  if (cursor) cursor->NextFeature(feature.put());
  return feature;
}

bool HasField(IFeatureClass* fc, const wchar_t* name) {
  LONG index = -1;
  return SUCCEEDED(fc->FindField(Bstr(name), &index)) && index >= 0;
}

std::vector<fly::PathVertex> VerticesOf(IPointCollection* points) {
  LONG n = 0;
  Check(points->get_PointCount(&n));
  std::vector<fly::PathVertex> path;
  for (LONG i = 0; i < n; ++i) {
    ComPtr<IPoint> p;
    Check(points->get_Point(i, p.put()));
    fly::PathVertex v;
    // A vertex without a place (the host's empty point: a NaN in the file) stays no number,
    // so the path is refused rather than flown through (0, 0).
    VARIANT_BOOL empty = VARIANT_FALSE;
    p->get_IsEmpty(&empty);
    if (empty != VARIANT_FALSE || FAILED(p->QueryCoords(&v.x, &v.y)))
      v.x = v.y = std::numeric_limits<double>::quiet_NaN();
    p->get_Z(&v.z);
    path.push_back(v);
  }
  return path;
}

}  // namespace

double GlobeSurfaceHeight(IGlobe* globe, double x, double y) {
  auto surface = RequireInterface<IGlobeSurface>(globe);
  double h = 0.0;
  if (FAILED(surface->GetSurfaceHeight(x, y, VARIANT_TRUE, &h))) return 0.0;
  return h;
}

double GlobeSurfaceHeight(IGlobe* globe, IPoint* point) {
  if (!point) ThrowComError(E_POINTER);
  double x = 0.0, y = 0.0;
  Check(point->QueryCoords(&x, &y));
  return GlobeSurfaceHeight(globe, x, y);
}

double MaxSurfaceHeightOfVertices(IGlobe* globe, IPointCollection* points) {
  double highest = -999999999.0;
  for (const auto& v : VerticesOf(points))
    highest = std::max(highest, GlobeSurfaceHeight(globe, v.x, v.y));
  return highest;
}

void AddCameraKeyframe(IAnimationTrack* track, const fly::CameraKeyframe& key) {
  if (!track) ThrowComError(E_POINTER);
  ComPtr<IAnimationKeyframe> k;
  Check(track->CreateKeyframe(-1, k.put()));
  Check(k->put_Name(Bstr(std::to_wstring(key.index))));
  Check(k->SetRange(0, 1));
  k->put_PropertyValue(kCameraTargetLatitude, key.targetY);
  k->put_PropertyValue(kCameraTargetLongitude, key.targetX);
  k->put_PropertyValue(kCameraTargetHeight, key.targetHeight);
  k->put_PropertyValue(kCameraObserverLatitude, key.observerY);
  k->put_PropertyValue(kCameraObserverLongitude, key.observerX);
  k->put_PropertyValue(kCameraObserverHeight, key.observerHeight);
}

std::wstring AddTrackToGlobe(IAnimationTrack* track, IGlobe* globe, UINT baseName,
                             UINT numberedName) {
  if (!track || !globe) ThrowComError(E_POINTER);
  const LONG properties[] = {0, 1, 2, 3, 4, 5, 6};
  Check(track->SetAnimatedProperties(7, properties));
  ComPtr<IGlobeDisplay> display;
  globe->get_GlobeDisplay(display.put());
  ComPtr<IGlobeViewer> viewer;
  if (display) display->get_ActiveViewer(viewer.put());
  ComPtr<ICamera> camera;
  if (viewer) viewer->get_Camera(camera.put());
  track->putref_AttachedObject(camera.get());

  auto tracks = RequireInterface<IAnimationTracks>(globe);
  std::wstring name = LoadResString(baseName);
  for (long long n = 2;; ++n) {
    ComPtr<IAnimationTrack> held;
    tracks->FindTrack(Bstr(name), held.put());
    if (!held) break;
    name = FormatResourceText(numberedName, {n});
  }
  Check(track->put_Name(Bstr(name)));
  Check(tracks->AddTrack(track));
  track->put_Enabled(VARIANT_TRUE);
  if (display) display->RefreshViewers();
  return name;
}

void ProjectToWgs84(IFeatureClass* sourceClass, IGeometry* geometry) {
  if (!sourceClass || !geometry) return;
  ComPtr<ISpatialReference> sr;
  if (auto geo = QueryAs<IGeoDataset>(sourceClass)) geo->get_SpatialReference(sr.put());
  if (!sr) geometry->get_SpatialReference(sr.put());
  LONG code = 0;
  if (sr) sr->get_FactoryCode(&code);
  if (code == 4326) return;
  if (!sr) {  // a class without a reference: its coordinates are taken as they are
    geometry->put_SpatialReference(MakeWgs84().get());
    return;
  }
  geometry->put_SpatialReference(sr.get());
  Check(geometry->Project(MakeWgs84().get()));
}

ComPtr<IPolyline> MakeFlightPathPolyline(IPointCollection* points) {
  auto clone = RequireInterface<IClone>(points);
  ComPtr<IClone> copy;
  Check(clone->Clone(copy.put()));
  return RequireInterface<IPolyline>(copy.get());
}

void DensifyFlightPath(IPolyline* polyline) {
  if (!polyline) ThrowComError(E_POINTER);
  double length = 0.0;
  Check(polyline->get_Length(&length));
  if (!(length > 0.0)) return;  // nothing to cut
  Check(RequireInterface<IDensify>(polyline)->Densify(fly::DensifySpacing(length), 0.0));
}

FlyThroughOutcome BuildLinearFlyThroughTrack(IPointCollection* path, IFeatureClass* sourceClass,
                                             IGlobe* globe, double inclination,
                                             double heightOffset) {
  if (!globe) return Refused(kIdsNoGlobe);
  if (!path) ThrowComError(E_POINTER);
  auto geometry = RequireInterface<IGeometry>(path);
  ProjectToWgs84(sourceClass, geometry.get());
  std::vector<fly::PathVertex> vertices = VerticesOf(path);
  switch (fly::CheckFlightPath(vertices)) {
    case fly::PathFault::kNone: break;
    case fly::PathFault::kNotANumber: return Refused(kIdsPathNotANumber);
    default: return Refused(kIdsPathTooShort);
  }
  VARIANT_BOOL zAware = VARIANT_FALSE;
  geometry->get_ZAware(&zAware);
  auto keys = fly::LinearTrack(vertices, zAware != VARIANT_FALSE, inclination, heightOffset,
                               HeightFactor(globe), HeightsOf(globe));
  return AddTrack(globe, keys, kIdsLinearTrack, kIdsLinearTrackN);
}

FlyThroughOutcome BuildRadialFlyThroughTrack(IFeature* feature, IFeatureClass* sourceClass,
                                             IGlobe* globe) {
  if (!globe) return Refused(kIdsNoGlobe);
  if (!feature) ThrowComError(E_POINTER);
  ComPtr<IGeometry> shape;
  Check(feature->get_Shape(shape.put()));
  ComPtr<IClone> copy;
  Check(RequireInterface<IClone>(shape.get())->Clone(copy.put()));
  auto point = RequireInterface<IPoint>(copy.get());
  ProjectToWgs84(sourceClass, point.get());
  VARIANT_BOOL empty = VARIANT_TRUE;
  point->get_IsEmpty(&empty);
  if (empty) return Refused(kIdsNoFeatures);

  ComPtr<IFields> fields;
  Check(feature->get_Fields(fields.put()));
  fly::RadialObserver o;
  point->QueryCoords(&o.x, &o.y);
  if (!ReadFieldDouble(feature, fields.get(), ObserverFieldNames[kFieldSpot], &o.spotMetres)) {
    VARIANT_BOOL zAware = VARIANT_FALSE;
    point->get_ZAware(&zAware);
    if (zAware)
      point->get_Z(&o.spotMetres);
    else
      o.spotMetres = GlobeSurfaceHeight(globe, point.get());
  }
  ReadFieldDouble(feature, fields.get(), ObserverFieldNames[kFieldOffsetA], &o.offsetMetres);
  ReadFieldDouble(feature, fields.get(), ObserverFieldNames[kFieldRadius2], &o.radiusMetres);
  ReadFieldDouble(feature, fields.get(), ObserverFieldNames[kFieldAzimuth1], &o.azimuthFrom);
  ReadFieldDouble(feature, fields.get(), ObserverFieldNames[kFieldAzimuth2], &o.azimuthTo);
  auto keys = fly::RadialTrack(o, HeightFactor(globe), HeightsOf(globe));
  return AddTrack(globe, keys, kIdsRadialTrack, kIdsRadialTrackN);
}

FlyThroughOutcome BuildRadialTrackAroundPoint(IGlobe* globe, double x, double y, double distanceKm,
                                              double startAzimuth, double heightOffset) {
  if (!globe) return Refused(kIdsNoGlobe);
  auto keys = fly::AroundPointTrack(x, y, distanceKm, startAzimuth, heightOffset,
                                    HeightFactor(globe), HeightsOf(globe));
  return AddTrack(globe, keys, kIdsRadialTrack, kIdsRadialTrackN);
}

FlyThroughOutcome BuildTrackFromLayer(IGlobe* globe, ILayer* layer, double inclination,
                                      double heightOffset) {
  if (!globe) return Refused(kIdsNoGlobe);
  auto fc = ClassOf(layer);
  if (!fc) return Refused(kIdsWrongShapeType);
  LONG type = 0;
  Check(fc->get_ShapeType(&type));
  UINT message = 0;
  if (type == kGeometryPoint) {
    auto feature = GetObserverFeature(layer, &message);
    if (!feature) return Refused(message);
    return BuildRadialFlyThroughTrack(feature.get(), fc.get(), globe);
  }
  if (type == kGeometryPolyline || type == kGeometryLine) {
    bool heightAware = false;
    auto path = GetFlightPathFromLineLayer(layer, &heightAware, &message);
    if (!path) return Refused(message);
    path->put_ZAware(ToVariantBool(heightAware));
    return BuildLinearFlyThroughTrack(RequireInterface<IPointCollection>(path.get()).get(),
                                      fc.get(), globe, inclination, heightOffset);
  }
  return Refused(kIdsWrongShapeType);
}

ComPtr<IFeature> GetSingleSelectedFeature(ILayer* layer, UINT* messageId) {
  auto selection = RequireInterface<IFeatureSelection>(layer);
  ComPtr<ISelectionSet> set;
  selection->get_SelectionSet(set.put());
  LONG count = 0;
  if (set) set->get_Count(&count);
  if (count != 1) {
    if (messageId) *messageId = kIdsSelectOne;
    return nullptr;
  }
  ComPtr<IEnumIDs> ids;
  Check(set->get_IDs(ids.put()));
  LONG oid = -1;
  if (!ids || ids->Next(&oid) != S_OK) {
    if (messageId) *messageId = kIdsSelectOne;
    return nullptr;
  }
  ComPtr<IFeature> feature;
  Check(ClassOf(layer)->GetFeature(oid, feature.put()));
  return feature;
}

ComPtr<IFeature> GetObserverFeature(ILayer* layer, UINT* messageId) {
  auto fc = ClassOf(layer);
  if (!fc) ThrowComError(E_POINTER);
  if (!HasField(fc.get(), ObserverFieldNames[kFieldRadius2]) ||
      !HasField(fc.get(), ObserverFieldNames[kFieldAzimuth1]) ||
      !HasField(fc.get(), ObserverFieldNames[kFieldAzimuth2])) {
    if (messageId) *messageId = kIdsNoObserverFields;
    return nullptr;
  }
  LONG count = FeatureCount(fc.get());
  if (count == 0) {
    if (messageId) *messageId = kIdsNoFeatures;
    return nullptr;
  }
  if (count == 1) return FirstFeature(fc.get());
  return GetSingleSelectedFeature(layer, messageId);
}

ComPtr<IPolyline> GetFlightPathFromLineLayer(ILayer* layer, bool* heightAware, UINT* messageId) {
  auto fc = ClassOf(layer);
  if (!fc) ThrowComError(E_POINTER);
  if (heightAware) *heightAware = false;
  LONG count = FeatureCount(fc.get());
  if (count == 0) {
    if (messageId) *messageId = kIdsNoFeatures;
    return nullptr;
  }
  ComPtr<IGeometry> shape;
  if (count == 2 && HasField(fc.get(), L"Visible")) {
    ComPtr<IFeatureCursor> cursor;
    Check(fc->Search(nullptr, VARIANT_FALSE, cursor.put()));
    ComPtr<IFeature> first, second;
    cursor->NextFeature(first.put());
    cursor->NextFeature(second.put());
    if (!first || !second) ThrowComError(E_POINTER);
    ComPtr<IGeometry> a, b;
    Check(first->get_Shape(a.put()));
    Check(second->get_Shape(b.put()));
    Check(RequireInterface<ITopologicalOperator>(a.get())->Union(b.get(), shape.put()));
    shape->put_ZAware(VARIANT_FALSE);
  } else {
    ComPtr<IFeature> feature =
        count == 1 ? FirstFeature(fc.get()) : GetSingleSelectedFeature(layer, messageId);
    if (!feature) return nullptr;
    ComPtr<IGeometry> own;
    Check(feature->get_Shape(own.put()));
    ComPtr<IClone> copy;
    Check(RequireInterface<IClone>(own.get())->Clone(copy.put()));
    shape = RequireInterface<IGeometry>(copy.get());
    VARIANT_BOOL z = VARIANT_FALSE;
    shape->get_ZAware(&z);
    if (heightAware) *heightAware = z != VARIANT_FALSE;
  }
  auto polyline = QueryAs<IPolyline>(shape.get());
  if (!polyline) {
    if (messageId) *messageId = kIdsWrongShapeType;
    return nullptr;
  }
  return polyline;
}

bool ReadFieldDouble(IFeature* feature, IFields* fields, const wchar_t* name, double* value) {
  if (!feature || !fields || !value) ThrowComError(E_POINTER);
  *value = 0.0;
  LONG index = -1;
  fields->FindField(Bstr(name), &index);
  if (index < 0) return false;
  Variant v;
  Check(feature->get_Value(index, &v));
  if (FAILED(v.ChangeType(VT_R8))) return true;  // a null or text value reads as 0
  *value = v.dblVal;
  return true;
}

}  // namespace velk::corvane
