// A map host with the coordinate tool's classes made creatable by ProgID, a geographic map view
// (1000 x 800 pixels over 75 W - 73 W, 40 N - 41.6 N, 0.002 degree a pixel), the mouse, point
// layers written as shapefiles, and a listener that records the tool's events.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "coordinates/coord_tool.h"
#include "coordinates/coord_tool_dockable.h"
#include "framework/host_object_creation.h"
#include "interfaces/corvane_ids.h"
#include "platform/com/out_param.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/data/field.h"
#include "platform/host/data/field_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/documents/map_document.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/uid.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/activation.h"
#include "platform/registry/registry.h"
#include "platform/win/message_queue.h"
#include "platform/com/text.h"
#include "platform/win/responder.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane::testing {

struct RecordedEvent {
  std::string name;
  double wgs84[2] = {NAN, NAN}, datum[2] = {NAN, NAN}, map[2] = {NAN, NAN};
};

inline void ReadXY(IPoint* p, double* out) {
  if (!p) return;
  p->get_X(&out[0]);
  p->get_Y(&out[1]);
}

// Records every event with the three points' coordinates; answers result.
class EventLog : public ComObjectRoot<EventLog, IZelCoordToolEvents> {
 public:
  HRESULT ToolDeactivated() override { return Add("ToolDeactivated"); }
  HRESULT ToolActivated() override {
    if (onActivated) onActivated();
    return Add("ToolActivated");
  }
  HRESULT ActivePointChanged(IPoint* w, IPoint* d, IPoint* m) override {
    return Add("ActivePointChanged", w, d, m);
  }
  HRESULT NewPointEntered(IPoint* w, IPoint* d, IPoint* m) override {
    return Add("NewPointEntered", w, d, m);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& e : events) out.push_back(e.name);
    return out;
  }
  std::vector<RecordedEvent> events;
  HRESULT result = S_OK;
  std::function<void()> onActivated;

 private:
  HRESULT Add(const char* name, IPoint* w = nullptr, IPoint* d = nullptr, IPoint* m = nullptr) {
    RecordedEvent e;
    e.name = name;
    ReadXY(w, e.wgs84);
    ReadXY(d, e.datum);
    ReadXY(m, e.map);
    events.push_back(e);
    return result;
  }
};

inline ComPtr<ComObject<EventLog>> MakeEventLog() {
  ComObject<EventLog>* p = nullptr;
  Check(ComObject<EventLog>::Create(&p));
  return ComPtr<ComObject<EventLog>>::Attach(p);
}

class CoordToolHost {
 public:
  explicit CoordToolHost(host::HostKind kind = host::HostKind::Map) : host_(kind) {
    cookies_.push_back(RegisterProcessClass(ids::CLSID_CoordTool, &CreateCoordTool));
    cookies_.push_back(
        RegisterProcessClass(ids::CLSID_CoordToolDockable, &CreateCoordToolDockable));
    reg::WriteString(reg::Hive::ClassesRoot, L"velkTarvosUI.CoordTool\\CLSID", L"",
                     GuidToString(ids::CLSID_CoordTool));
    reg::WriteString(reg::Hive::ClassesRoot, L"velkTarvosUI.CoordToolDockable\\CLSID", L"",
                     GuidToString(ids::CLSID_CoordToolDockable));
    if (kind == host::HostKind::Map) {
      SetMapReference(kFactoryCodeWgs84);
      SetExtent(-75.0, 40.0, -73.0, 41.6);
    }
  }
  ~CoordToolHost() {
    host_.End();
    for (DWORD c : cookies_) RevokeProcessClass(c);
  }

  host::HostSession& Session() { return host_.Session(); }
  test::HostSessionFixture& Fixture() { return host_; }
  ComPtr<IApplication> App() { return QueryAs<IApplication>(Session().Hook()); }
  ComPtr<IMapDocument> MapDocument() { return QueryAs<IMapDocument>(Session().Document().get()); }
  ComPtr<IMap> Map() {
    ComPtr<IMap> map;
    MapDocument()->get_FocusMap(map.put());
    return map;
  }
  ComPtr<IDisplayTransformation> Transformation() {
    ComPtr<IActiveView> view;
    MapDocument()->get_ActiveView(view.put());
    ComPtr<IScreenDisplay> display;
    view->get_ScreenDisplay(display.put());
    ComPtr<IDisplayTransformation> t;
    display->get_DisplayTransformation(t.put());
    return t;
  }
  void SetMapReference(LONG code) {
    Check(Map()->put_SpatialReference(host::SpatialReferenceFromCode(code).get()));
  }
  void SetExtent(double x0, double y0, double x1, double y1) {
    Check(Transformation()->put_VisibleBounds(host::NewEnvelope(x0, y0, x1, y1).get()));
  }

  // The host creates the tool (with its hook) and keeps it on its command bars.
  ComPtr<ICommandItem> CreateTool() {
    ComPtr<ICommandItem> item;
    Check(Session().CreateCommand(L"velkTarvosUI.CoordTool", 0, item.put()));
    item_ = item;
    return item;
  }
  CoordTool& Tool() {
    ComPtr<IUnknown> object;
    item_->get_Command(object.put());
    return *static_cast<CoordTool*>(QueryAs<ICommand>(object.get()).get());
  }
  ITool* ToolInterface() { return static_cast<ITool*>(&Tool()); }
  CoordToolDockable& Dockable() {
    Variant data;
    Tool().DockableWindow()->get_UserData(&data);
    return *static_cast<CoordToolDockable*>(QueryAs<IZelCoordToolDockable>(data.punkVal).get());
  }
  CoordToolDlg& Dialog() { return Dockable().Dialog(); }
  bool WindowVisible() {
    VARIANT_BOOL v = VARIANT_FALSE;
    Tool().DockableWindow()->IsVisible(&v);
    return v != VARIANT_FALSE;
  }
  // What the host does when it brings its toolbars up to date.
  VARIANT_BOOL PollEnabled() {
    VARIANT_BOOL enabled = VARIANT_FALSE;
    Tool().get_Enabled(&enabled);
    return enabled;
  }
  ComPtr<ICommandItem> CurrentTool() {
    ComPtr<ICommandItem> tool;
    App()->get_CurrentTool(tool.put());
    return tool;
  }

  // The mouse over the map view at a window position.
  void MoveMouse(LONG x, LONG y) {
    ComPtr<IPoint> p;
    Check(Transformation()->ToMapPoint(x, y, p.put()));
    Check(MapDocument()->put_CurrentLocation(p.get()));
  }
  // A click of the current tool: the mouse comes there, goes down and up.
  void Click(LONG x, LONG y) {
    MoveMouse(x, y);
    ToolInterface()->OnMouseMove(0, 0, x, y);
    ToolInterface()->OnMouseDown(1, 0, x, y);
    ToolInterface()->OnMouseUp(1, 0, x, y);
  }

  // A feature layer on a new shapefile of the given shape type (points or polylines), in
  // WGS 84, added on top of the map.
  ComPtr<ILayer> AddLayer(const std::wstring& name, LONG shapeType,
                          const std::vector<std::vector<double>>& shapes, bool visible = true) {
    std::string folder = host::ScratchFolderPath();
    std::filesystem::create_directories(folder);
    ComPtr<IWorkspaceFactory> factory;
    Check(host::CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                factory.put_void()));
    ComPtr<IWorkspace> ws;
    Check(factory->OpenFromFile(Bstr(FromUtf8(folder)), nullptr, ws.put()));
    host::FieldSpec oid;
    oid.name = L"FID";
    oid.type = kFieldOID;
    host::FieldSpec shape;
    shape.name = L"Shape";
    shape.type = kFieldGeometry;
    shape.geometryType = shapeType;
    shape.sr = host::SpatialReferenceFromCode(kFactoryCodeWgs84);
    ComPtr<IFeatureClass> fc;
    Check(QueryAs<IFeatureWorkspace>(ws.get())->CreateFeatureClass(
        Bstr(name), host::MakeFields({oid, shape}).get(), nullptr, nullptr, kFeatureTypeSimple,
        Bstr(L"Shape"), Bstr(L""), fc.put()));
    for (const auto& coords : shapes) {
      ComPtr<IGeometry> g;
      if (shapeType == kGeometryPoint) {
        g = host::NewPoint(coords[0], coords[1], shape.sr.get()).Query<IGeometry>();
      } else {
        ComPtr<IGeometry> line = shapeType == kGeometryMultipoint
                                     ? host::NewMultipoint().Query<IGeometry>()
                                     : host::NewPolyline().Query<IGeometry>();
        for (std::size_t i = 0; i + 1 < coords.size(); i += 2)
          Check(line.Query<IPointCollection>()->AddPoint(
              host::NewPoint(coords[i], coords[i + 1]).get()));
        line->put_SpatialReference(shape.sr.get());
        g = line;
      }
      ComPtr<IFeature> f;
      Check(fc->CreateFeature(f.put()));
      Check(f->putref_Shape(g.get()));
      Check(f->Store());
    }
    auto layer = CreateHostObject<IFeatureLayer>(host::CLSID_FeatureLayer);
    Check(layer->putref_FeatureClass(fc.get()));
    auto general = layer.Query<ILayer>();
    general->put_Name(Bstr(name));
    general->put_Visible(ToVariantBool(visible));
    Check(Map()->AddLayer(general.get()));
    return general;
  }

  // Window position of a map location.
  POINT PixelOf(double x, double y) {
    LONG px = 0, py = 0;
    Check(Transformation()->FromMapPoint(host::NewPoint(x, y).get(), &px, &py));
    return POINT{px, py};
  }

 private:
  test::HostSessionFixture host_;
  std::vector<DWORD> cookies_;
  ComPtr<ICommandItem> item_;
};

// Window state is process-wide: every test starts from none.
class CoordToolTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ResetClock();
    win::ClearUserEvents();
  }
  void TearDown() override {
    host.reset();
    win::ResetWindows();
  }
  CoordToolHost& StartHost(host::HostKind kind = host::HostKind::Map) {
    host = std::make_unique<CoordToolHost>(kind);
    return *host;
  }
  std::vector<win::UserEvent::Kind> UserEvents() const {
    std::vector<win::UserEvent::Kind> out;
    for (const auto& e : win::UserEvents()) out.push_back(e.kind);
    return out;
  }
  std::unique_ptr<CoordToolHost> host;
};

}  // namespace velk::corvane::testing
