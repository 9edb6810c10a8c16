#include "framework/scene_helpers.h"

#include "framework/host_object_creation.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/geometry/geometry_environment.h"
#include "platform/host/display/layer_visibility.h"

namespace velk::corvane {

void MakeOffsetPoint3D(IPoint** point, IPoint* source, IVector3D* vector) {
  if (!point) ThrowComError(E_POINTER);
  *point = nullptr;
  if (!source || !vector) ThrowComError(E_POINTER);
  double x = 0, y = 0, z = 0, dx = 0, dy = 0, dz = 0;
  source->get_X(&x);
  source->get_Y(&y);
  source->get_Z(&z);
  Check(vector->QueryComponents(&dx, &dy, &dz));
  auto made = CreateHostObject<IPoint>(host::CLSID_Point);
  made->put_X(x + dx);
  made->put_Y(y + dy);
  made->put_Z(z + dz);
  *point = made.Detach();
}

namespace {
ComPtr<IMeasurePacking> Packing() {
  return CreateHostObject<IMeasurePacking>(host::CLSID_GeometryEnvironment);
}
}  // namespace

void MakeSceneGraphicElement(IUnknown* vector, double* measure) {
  auto v = RequireInterface<IVector3D>(vector);
  if (!measure) ThrowComError(E_POINTER);
  if (FAILED(v->Normalize())) ThrowComError(E_INVALIDARG);
  Check(Packing()->PackNormal(v.get(), measure));
}

void AddViewerMarker(double azimuth, double elevation, double* measure) {
  if (!measure) ThrowComError(E_POINTER);
  Check(Packing()->PackTexture(azimuth / 360.0, (90.0 - elevation) / 90.0, measure));
}

void SetLayerVisibility(IUnknown* object, VARIANT_BOOL visible) {
  if (auto scene = QueryAs<ISceneVisibility>(object)) {
    VARIANT_BOOL shown = VARIANT_FALSE;
    scene->get_SceneVisible(&shown);
    if (shown == VARIANT_TRUE && visible == VARIANT_FALSE) scene->Deactivate();
    scene->put_SceneVisible(visible);
  }
  if (auto graphics = QueryAs<IGraphicsVisibility>(object)) {
    VARIANT_BOOL shown = VARIANT_FALSE;
    graphics->get_GraphicsVisible(&shown);
    if (shown == VARIANT_TRUE && visible == VARIANT_FALSE) graphics->UnselectAllElements();
    graphics->put_GraphicsVisible(visible);
  }
}

void GetGlobeFromHook(IGlobeDisplay** display, HookStruct& hook) {
  if (!display) ThrowComError(E_POINTER);
  *display = nullptr;
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) return;
  ComPtr<IDocument> document;
  app->get_Document(document.put());
  auto globeDocument = QueryAs<IGlobeDocument>(document.get());
  if (!globeDocument) return;
  ComPtr<IGlobe> globe;
  globeDocument->get_Globe(globe.put());
  if (!globe) return;
  globe->get_GlobeDisplay(display);
}

void GetGlobeCameraObject(IGlobeCamera** camera, HookStruct& hook) {
  if (!camera) ThrowComError(E_POINTER);
  *camera = nullptr;
  ComPtr<IGlobeDisplay> display;
  GetGlobeFromHook(display.put(), hook);
  if (!display) return;
  ComPtr<IGlobeViewer> viewer;
  display->get_ActiveViewer(viewer.put());
  if (!viewer) return;
  ComPtr<ICamera> general;
  viewer->get_Camera(general.put());
  *camera = QueryAs<IGlobeCamera>(general.get()).Detach();
}

}  // namespace velk::corvane
