#include "terrain/viewer3d/ddd_viewer_dlg.h"

#include <algorithm>
#include <cmath>

#include "framework/coord_tool_helpers.h"
#include "framework/corvane_module.h"
#include "framework/modeless_dialog_set.h"
#include "framework/command_images.h"
#include "framework/extension_lookup.h"
#include "framework/graphics_helpers.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "framework/observer_fields.h"
#include "framework/scratch_folder.h"
#include "framework/wait_cursor.h"
#include "interfaces/zel_settings.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/globe_graphics_layer.h"
#include "platform/host/display/graphics.h"
#include "platform/host/geometry/spatial_reference.h"
#include "framework/resource_text.h"
#include "terrain/viewer3d/viewer_domes.h"
#include "terrain/viewer3d/viewer_text_ids.h"

namespace velk::corvane {
namespace {

constexpr double kMetresPerDegree = 111320.0;
constexpr double kLookAroundLift = 10.0;
constexpr double kLookDown = 0.9;
// Above the highest point under a line path when its features carry no heights.
constexpr double kLinePathClearance = 100.0;

LONG FieldIndex(IFeatureClass* features, const wchar_t* name) {
  LONG index = -1;
  features->FindField(Bstr(name).get(), &index);
  return index;
}

double FieldDouble(IFeature* feature, LONG index) {
  Variant value;
  if (FAILED(feature->get_Value(index, &value))) return 0.0;
  Variant asDouble;
  if (FAILED(VariantChangeType(&asDouble, &value, 0, VT_R8))) return 0.0;
  return asDouble.dblVal;
}

bool IsGeographic(ISpatialReference* sr) {
  return QueryAs<IGeographicCoordinateSystem>(sr) != nullptr;
}

ComPtr<IPoint> PointAt(const FlightPoint& p, ISpatialReference* sr) {
  ComPtr<IPoint> point = host::NewPoint(p.x, p.y, sr);
  point->put_ZAware(VARIANT_TRUE);
  point->put_Z(p.z);
  return point;
}

// A host failure inside a handler: said in a message box, never thrown out of the window.
void ReportFailure(HWND owner) {
  const HRESULT hr = HresultFromCurrentException();
  ::MessageBoxW(owner, HresultText(hr).c_str(), LoadResString(kIdsErrorCaption).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

// Curvature and refraction as the terrain settings ask for them.
host::analysis::CurvatureOptions CurvatureFromSettings() {
  host::analysis::CurvatureOptions curvature;
  auto extension = FindZelExtension();
  if (!extension) return curvature;
  ComPtr<IZelSettings> settings;
  extension->get_Settings(settings.put());
  auto terrain = QueryAs<ITerrainSettings>(settings.get());
  if (!terrain) return curvature;
  VARIANT_BOOL use = VARIANT_FALSE;
  terrain->get_TerrainUseCurveRefraction(&use);
  curvature.useCurvature = use == VARIANT_TRUE;
  if (curvature.useCurvature) terrain->get_TerrainRefraction(&curvature.refraction);
  return curvature;
}

}  // namespace

double ViewerDomeStep(double value, double limit) {
  return std::isfinite(value) && value > 0 && value <= limit ? value : 10.0;
}

DDDViewerDlg::DDDViewerDlg(HookStruct& caller, ITrackCancel* cancel)
    : cancel_(cancel) {
  host::RegisterSceneControlClasses();
  if (caller.Application) SetHook(caller.Application.get());
  else if (caller.MapHook) SetHook(caller.MapHook.get());
  if (auto extension = FindZelExtension()) {
    ComPtr<IZelSettings> settings;
    extension->get_Settings(settings.put());
    if (auto ddd = QueryAs<IDDDSettings>(settings.get())) {
      double radials = 10.0, wireframe = 10.0;
      ddd->get_DDDRadials(&radials);
      ddd->get_DDDWireframe(&wireframe);
      radialStep_ = ViewerDomeStep(radials, 360.0);
      wireframeStep_ = ViewerDomeStep(wireframe, 90.0);
    }
  }
  playBitmap_ = LoadCommandBitmap(DeliverableInstance(), 3014);
  bitmap3016_ = LoadCommandBitmap(DeliverableInstance(), 3017);
  bitmap3818_ = LoadCommandBitmap(DeliverableInstance(), 3819);
  workFolder_ = BstrToWstring(MakeUniqueWorkFolder(Bstr(L"DDDViewer"), L"vwr", L"ddd").get());
  threatDomesLayer_ = CreateHostObject<ILayer>(host::CLSID_GlobeGraphicsLayer);
  threatDomesLayer_->put_Name(Bstr(LoadResString(kIdsThreatDomesLayer)).get());
}

DDDViewerDlg::~DDDViewerDlg() {
  DeleteCommandBitmap(playBitmap_);
  DeleteCommandBitmap(bitmap3016_);
  DeleteCommandBitmap(bitmap3818_);
}

IGraphicsContainer* DDDViewerDlg::ThreatDomes() const {
  return QueryAs<IGraphicsContainer>(threatDomesLayer_.get()).get();
}

LRESULT DDDViewerDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  try {
  SendDlgItemMessage(dv::kBuildDomes, BM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(playBitmap_));
  SendDlgItemMessage(dv::kPlay, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap3016_));
  SendDlgItemMessage(dv::kClearDomes, BM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(bitmap3818_));
  observerCombo_ = GetDlgItem(dv::kObservers);
  flightPathCombo_ = GetDlgItem(dv::kFlightPaths);

  viewControl_ = QueryAs<ISceneControl>(host::SceneControlOfWindow(GetDlgItem(dv::kView)).get());
  if (!viewControl_) ThrowComError(E_POINTER);
  viewControl_->put_Mode(11);
  auto toc = QueryAs<ISceneBuddyControl>(host::SceneControlOfWindow(GetDlgItem(dv::kToc)).get());
  auto bar = QueryAs<ISceneToolbar>(host::SceneControlOfWindow(GetDlgItem(dv::kToolbar)).get());
  if (!toc || !bar) ThrowComError(E_POINTER);
  toc->SetBuddyControl(viewControl_.get());
  RequireInterface<ISceneBuddyControl>(bar.get())->SetBuddyControl(viewControl_.get());
  viewControl_->get_Scene(scene_.put());
  viewControl_->get_SceneViewer(sceneView_.put());
  viewControl_->get_Camera(camera_.put());
  scene_->put_Name(Bstr(L"Layers").get());
  scene_->put_Description(Bstr(L"Layers").get());
  LoadLayers();
  ComPtr<ISceneCommand> navigate;
  bar->GetItemCommand(0, navigate.put());
  bar->putref_CurrentTool(navigate.get());
  viewControl_->putref_CurrentTool(navigate.get());
  viewControl_->put_Mode(0);

  RECT client, r;
  ::GetClientRect(m_hWnd, &client);
  auto inClient = [this](int id) {
    RECT rc{};
    HWND w = GetDlgItem(id);
    ::GetWindowRect(w, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  };
  r = inClient(dv::kToc);
  bottomMargin_ = client.bottom - r.bottom;
  r = inClient(dv::kView);
  rightMargin_ = client.right - r.right;
  anchors_.clear();
  for (int id : {dv::kObserverLabel, dv::kObservers, dv::kBuildDomes, dv::kFlightLabel,
                 dv::kFlightPaths, dv::kPlay, dv::kClearDomes})
    anchors_.push_back({id, static_cast<int>(client.bottom - inClient(id).top)});
  return TRUE;
  } catch (...) {
    ReportFailure(m_hWnd);
    return TRUE;
  }
}

void DDDViewerDlg::LoadLayers() {
  scene_->putref_SpatialReference(surfaceReference_.get());
  scene_->putref_BaseSurface(surface_.get());
  for (const auto& layer : layers_) scene_->AddLayer(layer.get(), VARIANT_FALSE);
  for (const auto& layer : layers_) Drape(layer.get());
  for (const auto& layer : observerLayers_) {
    Bstr name;
    layer->get_Name(&name);
    ::SendMessageW(observerCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.get()));
    scene_->AddLayer(layer.get(), VARIANT_FALSE);
  }
  for (const auto& layer : observerLayers_) Drape(layer.get());
  if (!observerLayers_.empty()) ::SendMessageW(observerCombo_, CB_SETCURSEL, 0, 0);
  for (const auto& layer : flightPathLayers_) {
    Bstr name;
    layer->get_Name(&name);
    ::SendMessageW(flightPathCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.get()));
    // The scene does not take a layer twice (an observer layer chosen as a flight path too).
    scene_->AddLayer(layer.get(), VARIANT_FALSE);
  }
  if (!flightPathLayers_.empty()) ::SendMessageW(flightPathCombo_, CB_SETCURSEL, 0, 0);
  Redraw();
}

void DDDViewerDlg::Drape(ILayer* layer) {
  if (!layer || !surface_) return;
  if (auto group = QueryAs<ICompositeLayer>(layer)) {
    LONG n = 0;
    group->get_Count(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<ILayer> member;
      group->get_Layer(i, member.put());
      Drape(member.get());
    }
    return;
  }
  auto extensions = QueryAs<ILayerExtensions>(layer);
  if (!extensions) return;
  LONG count = 0;
  extensions->get_ExtensionCount(&count);
  ComPtr<I3DProperties> props;
  for (LONG i = 0; i < count && !props; ++i) {
    ComPtr<IUnknown> item;
    extensions->get_Extension(i, item.put());
    props = QueryAs<I3DProperties>(item.get());
  }
  if (!props) {
    props = CreateHostObject<I3DProperties>(host::CLSID_3DProperties);
    extensions->AddExtension(props.get());
  }
  props->put_BaseOption(kBaseOptionSurface);
  props->putref_BaseSurface(surface_.get());
  props->put_BaseRows(surfaceValueB_);
  props->put_BaseColumns(surfaceValueA_);
}

LRESULT DDDViewerDlg::OnSize(UINT, WPARAM, LPARAM, BOOL&) {
  if (anchors_.empty()) return 0;
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  auto inClient = [this](int id) {
    RECT rc{};
    ::GetWindowRect(GetDlgItem(id), &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  };
  const RECT toc = inClient(dv::kToc);
  const int oldTocBottom = toc.bottom;
  const int height = std::max<int>(1, client.bottom - bottomMargin_ - toc.top);
  ::SetWindowPos(GetDlgItem(dv::kToc), nullptr, toc.left, toc.top, toc.right - toc.left, height,
                 SWP_NOZORDER);
  const RECT view = inClient(dv::kView);
  const int width = std::max<int>(1, client.right - rightMargin_ - view.left);
  ::SetWindowPos(GetDlgItem(dv::kView), nullptr, view.left, view.top, width, height, SWP_NOZORDER);
  for (const Anchor& a : anchors_) {
    const RECT rc = inClient(a.id);
    const int y = std::max<int>(client.bottom - a.distance, oldTocBottom);
    ::SetWindowPos(GetDlgItem(a.id), nullptr, rc.left, y, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER);
  }
  return 0;
}

LRESULT DDDViewerDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
  if (timerId_) KillTimer(kViewerTimerId), timerId_ = 0;
  UnregisterModelessDialog(m_hWnd);
  if (!m_bModal) {
    DestroyWindow();
    return 0;
  }
  CloseDialog(id);
  return 0;
}

LRESULT DDDViewerDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (timerId_) KillTimer(kViewerTimerId), timerId_ = 0;
  handled = FALSE;
  return 0;
}

void DDDViewerDlg::ShowMessage(UINT id, const std::wstring& insert) {
  ::MessageBoxW(m_hWnd, FormatResourceText(id, {insert}).c_str(),
                LoadResString(kIdsErrorCaption).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void DDDViewerDlg::Redraw() {
  if (sceneView_) sceneView_->Redraw(VARIANT_TRUE);
}

LRESULT DDDViewerDlg::OnBuildDomes(WORD, WORD, HWND, BOOL&) {
  try {
  BuildDomes();
  return 0;
  } catch (...) {
    ReportFailure(m_hWnd);
    return 0;
  }
}

void DDDViewerDlg::BuildDomes() {
  const LRESULT selected = ::SendMessageW(observerCombo_, CB_GETCURSEL, 0, 0);
  if (selected < 0 || selected >= static_cast<LRESULT>(observerLayers_.size())) return;
  WaitCursor wait;
  ILayer* layer = observerLayers_[static_cast<std::size_t>(selected)].get();
  const std::wstring name = win::WindowText(observerCombo_);
  auto featureLayer = RequireInterface<IFeatureLayer>(layer);
  ComPtr<IFeatureClass> features;
  featureLayer->get_FeatureClass(features.put());
  if (!features) ThrowComError(E_POINTER);
  const LONG radiusField = FieldIndex(features.get(), ObserverFieldNames[kFieldRadius2]);
  const LONG offsetField = FieldIndex(features.get(), ObserverFieldNames[kFieldOffsetA]);
  const LONG spotField = FieldIndex(features.get(), ObserverFieldNames[kFieldSpot]);
  ComPtr<ISpatialReference> surfaceSr;
  if (surface_) surface_->get_SpatialReference(surfaceSr.put());
  ViewerDomeOptions options;
  options.azimuthStep = radialStep_;
  options.elevationStep = wireframeStep_;
  options.curvature = CurvatureFromSettings();
  int built = 0;
  ComPtr<IFeatureCursor> cursor;
  Check(features->Search(nullptr, VARIANT_FALSE, cursor.put()));
  ComPtr<IFeature> feature;
  while (surface_ && cursor->NextFeature(feature.put()) == S_OK && feature) {
    ComPtr<IGeometry> shape;
    feature->get_Shape(shape.put());
    ComPtr<IPoint> point = QueryAs<IPoint>(shape.get());
    const double radius = radiusField >= 0 ? std::fabs(FieldDouble(feature.get(), radiusField)) : 0;
    const double offset = offsetField >= 0 ? FieldDouble(feature.get(), offsetField) : 0;
    const double spot = spotField >= 0 ? FieldDouble(feature.get(), spotField) : 0;
    feature.Reset();
    if (!point || !(radius > 0)) continue;
    auto centre = QueryAs<IPoint>(CloneObject(point.get()).get());
    if (surfaceSr && FAILED(centre->Project(surfaceSr.get()))) continue;
    double height = std::nan("");
    surface_->GetElevation(centre.get(), &height);
    if (height != height) continue;  // no ground under this observer
    centre->put_ZAware(VARIANT_TRUE);
    centre->put_Z((spotField >= 0 ? spot : height) + offset);
    ViewerDome dome = BuildViewerDome(centre.get(), radius, surface_.get(), options);
    if (!dome.error.empty()) continue;
    AddDomeGraphics(name, dome.surface.get(), dome.wireframe.get());
    ++built;
  }
  if (built == 0) ShowMessage(kIdsNoObserverPoints, name);
}

void DDDViewerDlg::AddDomeGraphics(const std::wstring& name, IGeometry* dome,
                                   IGeometry* wireframe) {
  auto graphics = RequireInterface<IGraphicsContainer>(threatDomesLayer_.get());
  if (wireframe)
    graphics->AddElement(AddDddGraphicElement({name + L".wireframe", kWireframeColour,
                                               kDddWireframe, ComPtr<IGeometry>(wireframe)})
                             .get(),
                         0);
  if (dome)
    graphics->AddElement(
        AddDddGraphicElement({name + L".dome", kDomeColour, kDddDome, ComPtr<IGeometry>(dome)})
            .get(),
        0);
  LONG count = 0;
  graphics->get_ElementCount(&count);
  if (count > 0 && !domesLayerShown_ && scene_) {
    scene_->AddLayer(threatDomesLayer_.get(), VARIANT_FALSE);
    domesLayerShown_ = true;
  }
  Redraw();
}

LRESULT DDDViewerDlg::OnClearDomes(WORD, WORD, HWND, BOOL&) {
  try {
  ClearDomes();
  return 0;
  } catch (...) {
    ReportFailure(m_hWnd);
    return 0;
  }
}

void DDDViewerDlg::ClearDomes() {
  RequireInterface<IGraphicsContainer>(threatDomesLayer_.get())->DeleteAllElements();
  if (scene_) scene_->DeleteLayer(threatDomesLayer_.get());
  domesLayerShown_ = false;
  Redraw();
}

LRESULT DDDViewerDlg::OnPlay(WORD, WORD, HWND, BOOL&) {
  try {
  if (timerId_) {
    KillTimer(kViewerTimerId);
    timerId_ = 0;
    return 0;
  }
  const LRESULT selected = ::SendMessageW(flightPathCombo_, CB_GETCURSEL, 0, 0);
  if (selected < 0 || selected >= static_cast<LRESULT>(flightPathLayers_.size())) return 0;
  WaitCursor wait;
  ILayer* layer = flightPathLayers_[static_cast<std::size_t>(selected)].get();
  ComPtr<IFeatureClass> features;
  RequireInterface<IFeatureLayer>(layer)->get_FeatureClass(features.put());
  if (!features) ThrowComError(E_POINTER);
  features->get_ShapeType(&pathShapeType_);
  const bool ready = pathShapeType_ == kGeometryPolyline ? PrepareLinePath(features.get())
                                                         : PrepareLookAround(features.get());
  if (!ready) return 0;
  timerId_ = SetTimer(kViewerTimerId, kViewerTimerMs);
  return 0;
  } catch (...) {
    ReportFailure(m_hWnd);
    return 0;
  }
}

bool DDDViewerDlg::PrepareLookAround(IFeatureClass* features) {
  lookAround_.clear();
  if (FieldIndex(features, L"Azimuth1") <= 0 || FieldIndex(features, L"Azimuth2") <= 0)
    return false;
  const std::wstring name = win::WindowText(flightPathCombo_);
  ComPtr<IFeatureCursor> cursor;
  Check(features->Search(nullptr, VARIANT_FALSE, cursor.put()));
  ComPtr<IFeature> feature;
  ComPtr<IPoint> centre;
  if (cursor->NextFeature(feature.put()) == S_OK && feature) {
    ComPtr<IGeometry> shape;
    feature->get_Shape(shape.put());
    if (auto p = QueryAs<IPoint>(shape.get())) centre = QueryAs<IPoint>(CloneObject(p.get()).get());
  }
  ComPtr<ISpatialReference> surfaceSr;
  if (surface_) surface_->get_SpatialReference(surfaceSr.put());
  double height = std::nan("");
  if (centre && surface_) {
    double factor = 1.0;
    scene_->get_ExaggerationFactor(&factor);
    double z = 0;
    VARIANT_BOOL zAware = VARIANT_FALSE;
    centre->get_ZAware(&zAware);
    if (zAware && SUCCEEDED(centre->get_Z(&z)) && z == z) centre->put_Z(z * factor);
    if (!surfaceSr || SUCCEEDED(centre->Project(surfaceSr.get())))
      surface_->GetElevation(centre.get(), &height);
  }
  // An empty layer, or an observer off the ground, has nothing to look around from.
  if (!centre || height != height) {
    ShowMessage(kIdsNoFlightPoints, name);
    return false;
  }
  flightHeight_ = height;
  centre->QueryCoords(&lookCentre_.x, &lookCentre_.y);
  lookCentre_.z = flightHeight_ + kLookAroundLift;
  LookAroundOptions options;
  if (IsGeographic(surfaceSr.get())) options.radius /= kMetresPerDegree;
  lookAround_ = LookAroundCircle(lookCentre_, options);
  walk_ = PathWalk{};
  camera_->put_Observer(PointAt(lookCentre_, surfaceSr.get()).get());
  FlightPoint first = lookAround_.front();
  first.z = flightHeight_;
  camera_->put_Target(PointAt(first, surfaceSr.get()).get());
  camera_->put_RollAngle(0.0);
  Redraw();
  return true;
}

bool DDDViewerDlg::PrepareLinePath(IFeatureClass* features) {
  const std::wstring name = win::WindowText(flightPathCombo_);
  ComPtr<ISpatialReference> surfaceSr;
  if (surface_) surface_->get_SpatialReference(surfaceSr.put());
  std::vector<FlightPoint> vertices;
  double topZ = -INFINITY;
  bool shapesHaveZ = false;
  ComPtr<IFeatureCursor> cursor;
  Check(features->Search(nullptr, VARIANT_FALSE, cursor.put()));
  ComPtr<IFeature> feature;
  while (cursor->NextFeature(feature.put()) == S_OK && feature) {
    ComPtr<IGeometry> shape;
    feature->get_Shape(shape.put());
    feature.Reset();
    if (!shape) continue;
    auto copy = QueryAs<IGeometry>(CloneObject(shape.get()).get());
    if (surfaceSr) copy->Project(surfaceSr.get());
    VARIANT_BOOL zAware = VARIANT_FALSE;
    copy->get_ZAware(&zAware);
    auto points = QueryAs<IPointCollection>(copy.get());
    if (!points) continue;
    LONG n = 0;
    points->get_PointCount(&n);
    for (LONG i = 0; i < n; ++i) {
      ComPtr<IPoint> p;
      points->get_Point(i, p.put());
      FlightPoint v;
      p->QueryCoords(&v.x, &v.y);
      double z = std::nan("");
      if (zAware) p->get_Z(&z);
      if (z == z) shapesHaveZ = true, topZ = std::max(topZ, z);
      vertices.push_back(v);
    }
  }
  LinePath path;
  std::string why;
  if (!MakeLinePath(vertices, LinePathOptions{}, &path, &why)) {
    ShowMessage(kIdsNoFlightPoints, name);
    return false;
  }
  // One height for the whole flight: the features' highest point, else clear of the highest
  // ground under the path.
  if (!shapesHaveZ) {
    topZ = -INFINITY;
    for (const FlightPoint& p : path.points) {
      double z = std::nan("");
      if (surface_) surface_->GetElevationAt(p.x, p.y, &z);
      if (z == z) topZ = std::max(topZ, z);
    }
    topZ = std::isfinite(topZ) ? topZ + kLinePathClearance : kLinePathClearance;
  }
  for (FlightPoint& p : path.points) p.z = topZ;
  path.start.z = path.end.z = topZ;
  flightHeight_ = topZ;
  linePath_ = std::move(path);
  walk_ = PathWalk{};
  return true;
}

LRESULT DDDViewerDlg::OnTimer(UINT, WPARAM id, LPARAM, BOOL&) {
  try {
  if (id == kViewerTimerId && timerId_) StepFlight();
  return 0;
  } catch (...) {
    ReportFailure(m_hWnd);
    return 0;
  }
}

void DDDViewerDlg::StepFlight() {
  ComPtr<ISpatialReference> sr;
  if (surface_) surface_->get_SpatialReference(sr.put());
  if (pathShapeType_ == kGeometryPolyline) {
    if (linePath_.points.empty()) return;
    FlightPoint current, neighbour;
    StepLinePath(walk_, linePath_, &current, &neighbour);
    camera_->put_Observer(PointAt(current, sr.get()).get());
    camera_->put_Target(PointAt(neighbour, sr.get()).get());
    Redraw();
    return;
  }
  const int index = StepLookAround(walk_, static_cast<int>(lookAround_.size()));
  if (index < 0) return;
  FlightPoint target = lookAround_[static_cast<std::size_t>(index)];
  target.z = flightHeight_ * kLookDown;
  camera_->put_Target(PointAt(target, sr.get()).get());
  Redraw();
}

}  // namespace velk::corvane
