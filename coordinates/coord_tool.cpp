#include "coordinates/coord_tool.h"

#include <cmath>
#include <limits>

#include "framework/coord_tool_helpers.h"
#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/geometry/spatial_reference.h"
#include "platform/host/data/uid.h"
#include "platform/registry/activation.h"
#include "platform/win/responder.h"

namespace velk::corvane {

namespace {

ComPtr<IApplication> RequireApplication(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) ThrowComError(E_POINTER);
  return app;
}

ComPtr<IMapDocument> MapDocumentOf(IApplication* app) {
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  return QueryAs<IMapDocument>(document.get());
}

ComPtr<IPoint> NewHostPoint() { return CreateHostObject<IPoint>(host::CLSID_Point); }

// The vertex of a point collection nearest to (x, y).
ComPtr<IPoint> NearestVertex(IPointCollection* points, IPoint* near) {
  LONG count = 0;
  points->get_PointCount(&count);
  double x = 0, y = 0;
  bool haveNear = near && SUCCEEDED(near->QueryCoords(&x, &y));
  ComPtr<IPoint> best;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IPoint> p;
    if (FAILED(points->get_Point(i, p.put())) || !p) continue;
    double px = 0, py = 0;
    if (FAILED(p->QueryCoords(&px, &py))) continue;
    double d = haveNear ? std::hypot(px - x, py - y) : 0.0;
    if (!best || d < bestDistance) {
      best = p;
      bestDistance = d;
    }
    if (!haveNear) break;
  }
  return best;
}

}  // namespace

CoordTool::CoordTool()
    : CToolImpl(kBitmapId),
      events_(static_cast<IConnectionPointContainer*>(this)),
      snapCursor_(LoadToolCursor(DeliverableInstance(), kSnapCursorId)) {}

CoordTool::~CoordTool() { DestroyToolCursor(snapCursor_); }

HRESULT CoordTool::FinalConstruct() {
  lifetime_ = std::make_shared<const bool>(true);
  PublishCoordToolLifetime(ControllingUnknown(), lifetime_);
  return S_OK;
}

void CoordTool::FinalRelease() {
  // Sinks learn that the tool has gone before they are let go (they may end their
  // subscription while they go).
  WithdrawCoordToolLifetime(ControllingUnknown());
  lifetime_.reset();
  events_.ReleaseAll();
  feature_.Reset();
  window_.Reset();
  manager_.Reset();
}

ComPtr<IZelCoordToolDockable> CoordTool::Dockable() {
  Variant data;
  window_->get_UserData(&data);
  if ((data.vt == VT_UNKNOWN || data.vt == VT_DISPATCH) && data.punkVal)
    return QueryAs<IZelCoordToolDockable>(data.punkVal);
  return nullptr;
}

bool CoordTool::WindowVisible() {
  VARIANT_BOOL visible = VARIANT_FALSE;
  Check(window_->IsVisible(&visible));
  return visible != VARIANT_FALSE;
}

bool CoordTool::QueryLocation(IZelCoordToolDockable* dock, Points& points) {
  points.wgs84 = NewHostPoint();
  points.datum = NewHostPoint();
  points.map = NewHostPoint();
  return SUCCEEDED(
      dock->QueryCurrentLocation(points.wgs84.get(), points.datum.get(), points.map.get()));
}

HRESULT CoordTool::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  if (window_) {
    VARIANT_BOOL visible = VARIANT_FALSE;
    Check(window_->IsVisible(&visible));
    if (visible != lastVisible_) {
      if (auto dock = Dockable()) dock->OnVisibilityChanged(static_cast<LONG>(visible));
      if (visible == VARIANT_FALSE) ClearCurrentCoordTool(*this);
      lastVisible_ = visible;
    }
  }
  return BaseEnabled(enabled);
  VELK_CATCH
}

HRESULT CoordTool::get_Checked(VARIANT_BOOL* checked) {
  if (!checked) return E_POINTER;
  *checked = VARIANT_FALSE;
  if (!window_) return S_OK;
  return window_->IsVisible(checked);
}

HRESULT CoordTool::OnCreate(IUnknown* hook) {
  this->SetHook(hook);
  VELK_TRY
  auto manager = QueryAs<IDockableWindowManager>(hook);
  if (!manager) return S_OK;
  manager_ = manager;
  auto uid = CreateHostObject<IUID>(host::CLSID_UID);
  Check(uid->put_Value(Variant(kDockableProgId)));
  ComPtr<IDockableWindow> window;
  HRESULT hr = manager_->GetDockableWindow(uid.get(), window.put());
  window_ = window;
  return hr;
  VELK_CATCH
}

HRESULT CoordTool::OnClick() {
  VELK_TRY
  if (!WindowVisible()) Check(window_->Show(VARIANT_TRUE));
  return events_.Fire_ToolActivated();
  VELK_CATCH
}

HRESULT CoordTool::get_Cursor(HCURSOR* cursor) {
  if (!cursor) return E_POINTER;
  *cursor = found_ ? snapCursor_ : ToolCursor();
  return S_OK;
}

void CoordTool::SearchPointFeature() {
  ComPtr<IApplication> app = RequireApplication(*this);
  ComPtr<IMapDocument> mapDocument = MapDocumentOf(app.get());
  if (!mapDocument) return;
  ComPtr<IMap> map;
  GetFocusMap(map.put());
  if (!map) return;
  LONG layerCount = 0;
  map->get_LayerCount(&layerCount);
  if (layerCount < 1) return;

  ComPtr<IPoint> location;
  Check(mapDocument->get_CurrentLocation(location.put()));
  VARIANT_BOOL empty = VARIANT_TRUE;
  if (!location || FAILED(location->get_IsEmpty(&empty)) || empty != VARIANT_FALSE) {
    found_ = false;  // the mouse is not over the map: nothing lies under it
    return;
  }
  double tolerance = 0.0;
  mapDocument->get_SearchTolerance(&tolerance);
  ComPtr<IEnvelope> envelope;
  Check(location->get_Envelope(envelope.put()));
  Check(envelope->Expand(tolerance, tolerance, VARIANT_FALSE));
  auto filter = CreateHostObject<ISpatialFilter>(host::CLSID_SpatialFilter);
  Check(filter->putref_Geometry(envelope.get()));
  Check(filter->put_SpatialRel(kSpatialRelIntersects));

  wchar_t iid[64];
  StringFromGUID2(IidOf<IFeatureLayer>(), iid, 64);
  auto uid = CreateHostObject<IUID>(host::CLSID_UID);
  Check(uid->put_Value(Variant(iid)));
  ComPtr<IEnumLayer> layers;
  if (FAILED(map->get_Layers(uid.get(), VARIANT_TRUE, layers.put())) || !layers) return;
  ComPtr<IUnknown> mapReference;
  map->get_SpatialReference(mapReference.put());
  auto outputReference = QueryAs<ISpatialReference>(mapReference.get());

  layers->Reset();
  for (;;) {
    ComPtr<ILayer> layer;
    if (layers->Next(layer.put()) != S_OK || !layer) break;
    VARIANT_BOOL valid = VARIANT_FALSE, visible = VARIANT_FALSE;
    layer->get_Valid(&valid);
    layer->get_Visible(&visible);
    if (valid == VARIANT_FALSE || visible == VARIANT_FALSE) continue;
    auto featureLayer = QueryAs<IFeatureLayer>(layer.get());
    if (!featureLayer) continue;
    ComPtr<IFeatureClass> featureClass;
    featureLayer->get_FeatureClass(featureClass.put());
    if (!featureClass) continue;
    LONG shapeType = kGeometryNull;
    featureClass->get_ShapeType(&shapeType);
    if (shapeType != kGeometryPoint && shapeType != kGeometryMultipoint) continue;
    Bstr shapeField;
    featureClass->get_ShapeFieldName(&shapeField);
    filter->put_GeometryField(shapeField);
    filter->putref_OutputSpatialReference(outputReference.get());
    ComPtr<IFeatureCursor> cursor;
    if (FAILED(featureClass->Search(filter.get(), VARIANT_FALSE, cursor.put())) || !cursor)
      continue;
    // The cursor's end (no feature) or a failing step ends the layer.
    ComPtr<IFeature> feature;
    if (FAILED(cursor->NextFeature(feature.put())) || !feature) continue;
    found_ = true;
    feature_ = feature;
    return;
  }
  found_ = false;  // the feature found earlier stays held
}

void CoordTool::SnapToFeature() {
  ComPtr<IGeometry> shape;
  feature_->get_Shape(shape.put());
  if (!shape) return;
  ComPtr<IApplication> app = RequireApplication(*this);
  ComPtr<IMapDocument> mapDocument = MapDocumentOf(app.get());
  if (!mapDocument) return;
  ComPtr<IPoint> point = QueryAs<IPoint>(shape.get());
  if (!point) {
    // A multipoint snaps to its vertex nearest the mouse.
    auto vertices = QueryAs<IPointCollection>(shape.get());
    if (!vertices) return;
    ComPtr<IPoint> mouse;
    mapDocument->get_CurrentLocation(mouse.put());
    point = NearestVertex(vertices.get(), mouse.get());
    if (!point) return;
    ComPtr<ISpatialReference> reference;
    shape->get_SpatialReference(reference.put());
    point->put_SpatialReference(reference.get());
  }
  Check(mapDocument->put_CurrentLocation(point.get()));
  MessageBeep(MB_ICONEXCLAMATION);
}

HRESULT CoordTool::OnMouseMove(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  if (!WindowVisible()) return S_OK;
  SearchPointFeature();
  if (button & 1) {
    auto dock = Dockable();
    if (dock && SUCCEEDED(dock->OnMouseUp(button, shift, x, y))) {
      Points points;
      if (QueryLocation(dock.get(), points))
        events_.Fire_ActivePointChanged(points.wgs84.get(), points.datum.get(), points.map.get());
    }
  }
  return S_OK;
  VELK_CATCH
}

HRESULT CoordTool::OnMouseUp(LONG button, LONG shift, LONG x, LONG y) {
  VELK_TRY
  if (!WindowVisible()) return S_OK;
  auto dock = Dockable();
  if (!dock) return S_OK;
  if (found_ && feature_)
    SnapToFeature();
  else
    feature_.Reset();
  if (SUCCEEDED(dock->OnMouseUp(button, shift, x, y))) {
    Points points;
    if (QueryLocation(dock.get(), points))
      events_.Fire_ActivePointChanged(points.wgs84.get(), points.datum.get(), points.map.get());
  }
  return S_OK;
  VELK_CATCH
}

HRESULT CoordTool::Deactivate(VARIANT_BOOL* canDeactivate) {
  if (!canDeactivate) return E_POINTER;
  events_.Fire_ToolDeactivated();
  *canDeactivate = VARIANT_TRUE;
  return S_OK;
}

HRESULT CoordTool::NewPointEntered() {
  try {
    if (!window_) return S_OK;
    auto dock = Dockable();
    if (!dock) return S_OK;
    Points points;
    if (QueryLocation(dock.get(), points))
      events_.Fire_NewPointEntered(points.wgs84.get(), points.datum.get(), points.map.get());
  } catch (...) {
    // The dialog that asked has shown its conversion; nothing is reported back to it.
  }
  return S_OK;
}

HRESULT CoordTool::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  return CreateConnectionPointEnumerator({&events_}, ppEnum);
}

HRESULT CoordTool::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  if (!ppCP) return E_POINTER;
  *ppCP = nullptr;
  if (!(riid == IidOf<IZelCoordToolEvents>())) return CONNECT_E_NOCONNECTION;
  *ppCP = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT CreateCoordTool(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CoordTool>(outer, riid, ppv);
}

}  // namespace velk::corvane
