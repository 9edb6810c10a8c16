#include "apps/trevik/session_map.h"

#include "apps/trevik/failure_text.h"
#include "apps/trevik/session_action_table.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "interfaces/zel_coord_tool.h"
#include "platform/com/connection_point.h"
#include "platform/com/hresult_text.h"
#include "platform/com/out_param.h"
#include "platform/com/text.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/display/display.h"
#include "platform/host/display/display_class_ids.h"
#include "platform/host/shell/dockable_window.h"
#include "platform/host/documents/document.h"
#include "platform/host/data/feature_class.h"
#include "platform/host/data/field.h"
#include "platform/host/data/field_objects.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/graphics.h"
#include "platform/host/display/layer_kinds.h"
#include "platform/host/display/map.h"
#include "platform/host/geometry/spatial_reference_data.h"
#include "platform/host/data/uid.h"
#include "platform/host/data/workspace.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/registry/activation.h"

namespace trevik {

namespace {

using velk::ComPtr;
using velk::QueryAs;

constexpr const wchar_t* kCoordToolProgId = L"velkTarvosUI.CoordTool";

std::wstring PointText(IPoint* p) {
  if (!p) return L"(null)";
  double x = std::nan(""), y = std::nan("");
  p->get_X(&x);
  p->get_Y(&y);
  return L"(" + Number(x) + L", " + Number(y) + L")";
}

[[noreturn]] void Fail(const std::wstring& message) { FailLine(message); }

ComPtr<IMapDocument> MapDocument(TrevikSession& session) {
  auto doc = QueryAs<IMapDocument>(session.Host().Document().get());
  if (!doc) Fail(L"this host has no map view");
  return doc;
}

ComPtr<IMap> FocusMap(TrevikSession& session) {
  ComPtr<IMap> map;
  MapDocument(session)->get_FocusMap(map.put());
  if (!map) Fail(L"the map document has no focus map");
  return map;
}

ComPtr<IDisplayTransformation> ViewTransformation(IMapDocument* doc) {
  ComPtr<IActiveView> view;
  doc->get_ActiveView(view.put());
  ComPtr<IScreenDisplay> display;
  if (view) view->get_ScreenDisplay(display.put());
  ComPtr<IDisplayTransformation> t;
  if (display) display->get_DisplayTransformation(t.put());
  if (!t) Fail(L"the map view has no display");
  return t;
}

ComPtr<IDockableWindow> Dockable(TrevikSession& session, const std::wstring& progId) {
  auto manager = QueryAs<IDockableWindowManager>(session.Host().Hook());
  if (!manager) Fail(L"this host has no dockable windows");
  ComPtr<IDockableWindow> window;
  HRESULT hr = manager->GetDockableWindow(velk::host::MakeUid(progId).get(), window.put());
  if (FAILED(hr) || !window) Fail(L"no dockable window " + progId + L": " + FailureText(hr));
  return window;
}

// What the host does when it updates its toolbars: it asks every command whether it is enabled.
void UpdateCommandStates(TrevikSession& session) {
  ComPtr<ICommandBars> bars;
  session.Host().Document()->get_CommandBars(bars.put());
  if (!bars) return;
  LONG count = 0;
  bars->get_Count(&count);
  for (LONG i = 0; i < count; ++i) {
    ComPtr<ICommandItem> item;
    if (FAILED(bars->get_Item(i, item.put())) || !item) continue;
    ComPtr<IUnknown> object;
    item->get_Command(object.put());
    if (auto command = QueryAs<ICommand>(object.get())) {
      VARIANT_BOOL enabled = VARIANT_FALSE;
      command->get_Enabled(&enabled);
    }
  }
}

// A point shapefile in the host's scratch folder with the given points, as a feature layer.
ComPtr<ILayer> MakePointLayer(const std::wstring& name, LONG code,
                              const std::vector<std::pair<double, double>>& points) {
  std::string folder = velk::host::ScratchFolderPath();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    std::filesystem::remove(std::filesystem::path(folder) / (velk::ToUtf8(name) + ext), ec);
  ComPtr<IWorkspaceFactory> factory;
  velk::Check(velk::host::CreateShapefileWorkspaceFactory(nullptr, IidOf<IWorkspaceFactory>(),
                                                          factory.put_void()));
  ComPtr<IWorkspace> workspace;
  HRESULT hr = factory->OpenFromFile(velk::Bstr(velk::FromUtf8(folder)), nullptr, workspace.put());
  if (FAILED(hr) || !workspace) Fail(L"cannot open the scratch folder: " + FailureText(hr));
  velk::host::FieldSpec oid;
  oid.name = L"FID";
  oid.type = kFieldOID;
  velk::host::FieldSpec shape;
  shape.name = L"Shape";
  shape.type = kFieldGeometry;
  shape.geometryType = kGeometryPoint;
  shape.sr = velk::host::SpatialReferenceFromCode(code);
  if (!shape.sr) Fail(L"no spatial reference with code " + std::to_wstring(code));
  velk::host::FieldSpec label;
  label.name = L"NAME";
  label.type = kFieldString;
  label.length = 16;
  ComPtr<IFeatureClass> featureClass;
  hr = velk::QueryAs<IFeatureWorkspace>(workspace.get())
           ->CreateFeatureClass(velk::Bstr(name), velk::host::MakeFields({oid, shape, label}).get(),
                                nullptr, nullptr, kFeatureTypeSimple, velk::Bstr(L"Shape"),
                                velk::Bstr(L""), featureClass.put());
  if (FAILED(hr) || !featureClass)
    Fail(L"cannot create the point layer " + name + L": " + FailureText(hr));
  // One insert cursor for all points: the file is brought up to date once, not per point.
  ComPtr<IFeatureCursor> insert;
  velk::Check(featureClass->Insert(VARIANT_TRUE, insert.put()));
  ComPtr<IFeatureBuffer> buffer;
  velk::Check(featureClass->CreateFeatureBuffer(buffer.put()));
  for (const auto& [x, y] : points) {
    velk::Check(
        buffer->putref_Shape(velk::host::NewPoint(x, y, shape.sr.get()).Query<IGeometry>().get()));
    velk::Check(insert->InsertFeature(buffer.get(), nullptr));
  }
  velk::Check(insert->Flush());
  insert = nullptr;
  ComPtr<IFeatureLayer> layer;
  velk::Check(::CoCreateInstance(velk::host::CLSID_FeatureLayer, nullptr, CLSCTX_ALL,
                                 IidOf<IFeatureLayer>(), layer.put_void()));
  velk::Check(layer->putref_FeatureClass(featureClass.get()));
  auto general = layer.Query<ILayer>();
  general->put_Name(velk::Bstr(name));
  return general;
}

// Prints the coordinate tool's events as the user's listener would see them.
using Printer = std::function<void(const std::wstring&)>;

class Listener : public velk::ComObjectRoot<Listener, IZelCoordToolEvents> {
 public:
  void Init(Printer print) { print_ = std::move(print); }
  HRESULT ToolDeactivated() override { return Say(L"event ToolDeactivated"); }
  HRESULT ToolActivated() override { return Say(L"event ToolActivated"); }
  HRESULT ActivePointChanged(IPoint* wgs84, IPoint* datum, IPoint* map) override {
    return Say(L"event ActivePointChanged" + Points(wgs84, datum, map));
  }
  HRESULT NewPointEntered(IPoint* wgs84, IPoint* datum, IPoint* map) override {
    return Say(L"event NewPointEntered" + Points(wgs84, datum, map));
  }

 private:
  static std::wstring Points(IPoint* wgs84, IPoint* datum, IPoint* map) {
    return L" wgs84 " + PointText(wgs84) + L" datum " + PointText(datum) + L" map " +
           PointText(map);
  }
  HRESULT Say(const std::wstring& text) {
    if (print_) print_(text);
    return S_OK;
  }
  Printer print_;
};

// The listener of `sink connect`, kept for the rest of the session.
class CoordToolSink : public SessionState {
 public:
  explicit CoordToolSink(SessionContext& session)
      : print_([&session](const std::wstring& text) { session.Print(text); }) {}
  ~CoordToolSink() override { Disconnect(); }
  void Connect(TrevikSession& session);
  void Disconnect();

 private:
  Printer print_;
  velk::ComPtr<IUnknown> listener_;
  velk::ComPtr<IUnknown> source_;
  DWORD cookie_ = 0;
};

void CoordToolSink::Connect(TrevikSession& session) {
  Disconnect();
  ComPtr<ICommandBars> bars;
  session.Host().Document()->get_CommandBars(bars.put());
  ComPtr<ICommandItem> item;
  if (bars)
    bars->Find(velk::host::MakeUid(kCoordToolProgId).get(), VARIANT_TRUE, VARIANT_TRUE, item.put());
  // The host makes the commands of its toolbars when it starts; a listener finds the tool there.
  if (!item) {
    HRESULT hr = session.CreateCommand(kCoordToolProgId, 0, item.put());
    if (FAILED(hr) || !item)
      Fail(std::wstring(L"cannot create ") + kCoordToolProgId + L": " + FailureText(hr));
  }
  ComPtr<IUnknown> tool;
  item->get_Command(tool.put());
  velk::ComObject<Listener>* listener = nullptr;
  velk::Check(velk::ComObject<Listener>::Create(&listener));
  listener->Init(print_);
  listener_ = ComPtr<IUnknown>::Attach(static_cast<IZelCoordToolEvents*>(listener));
  DWORD cookie = 0;
  HRESULT hr =
      velk::ConnectSink(tool.get(), listener_.get(), IidOf<IZelCoordToolEvents>(), &cookie);
  if (FAILED(hr)) {
    listener_.Reset();
    Fail(L"the coordinate tool refused the listener: " + FailureText(hr));
  }
  source_ = tool;
  cookie_ = cookie;
  print_(std::wstring(L"  listening to ") + kCoordToolProgId + L" (cookie " +
         std::to_wstring(cookie) + L")");
}

void CoordToolSink::Disconnect() {
  if (source_ && cookie_)
    velk::DisconnectSink(source_.get(), IidOf<IZelCoordToolEvents>(), cookie_);
  source_.Reset();
  listener_.Reset();
  cookie_ = 0;
}

// ---- the actions ----

void MapMove(SessionContext& s, const SessionLine& l) {
  const auto& args = l.args;
  LONG x = ParseLong(ArgOrMissing(args, 0, L"x"), L"x"),
       y = ParseLong(ArgOrMissing(args, 1, L"y"), L"y");
  LONG button = args.size() > 2 && args[2] == L"left" ? 1 : 0;
  if (args.size() > 2 && button == 0)
    Fail(L"map-move takes left (the button held), not " + args[2]);
  MoveMouse(s.Session(), x, y, button);
}

void MapDrag(SessionContext& s, const SessionLine& l) {
  const auto& args = l.args;
  TrevikSession& session = s.Session();
  LONG x1 = ParseLong(ArgOrMissing(args, 0, L"x1"), L"x1"),
       y1 = ParseLong(ArgOrMissing(args, 1, L"y1"), L"y1");
  LONG x2 = ParseLong(ArgOrMissing(args, 2, L"x2"), L"x2"),
       y2 = ParseLong(ArgOrMissing(args, 3, L"y2"), L"y2");
  LONG steps = args.size() > 4 ? ParseLong(args[4], L"the number of steps") : 4;
  if (steps < 1) Fail(L"map-drag needs at least one step");
  auto tool = session.CurrentTool();
  if (!tool) Fail(L"no tool is chosen (click one first)");
  MoveMouse(session, x1, y1, 0);
  tool->OnMouseDown(1, 0, x1, y1);
  LONG x = x1, y = y1;
  for (LONG i = 1; i <= steps; ++i) {
    x = x1 + (x2 - x1) * i / steps;
    y = y1 + (y2 - y1) * i / steps;
    MoveMouse(session, x, y, 1);
  }
  tool->OnMouseUp(1, 0, x, y);
}

void MapReference(SessionContext& s, const SessionLine& l) {
  LONG code = ParseLong(ArgOrMissing(l.args, 0, L"a spatial reference code"), L"the code");
  auto sr = velk::host::SpatialReferenceFromCode(code);
  if (!sr) Fail(L"no spatial reference with code " + std::to_wstring(code));
  velk::Check(FocusMap(s.Session())->put_SpatialReference(sr.get()));
}

void MapExtent(SessionContext& s, const SessionLine& l) {
  double v[4];
  const wchar_t* names[4] = {L"xmin", L"ymin", L"xmax", L"ymax"};
  for (int i = 0; i < 4; ++i) v[i] = ParseNumber(ArgOrMissing(l.args, i, names[i]), names[i]);
  HRESULT hr = ViewTransformation(MapDocument(s.Session()).get())
                   ->put_VisibleBounds(velk::host::NewEnvelope(v[0], v[1], v[2], v[3]).get());
  if (FAILED(hr)) Fail(L"the extent is refused: " + FailureText(hr));
}

void AddPoints(SessionContext& s, const SessionLine& l) {
  const auto& args = l.args;
  std::wstring name = ArgOrMissing(args, 0, L"a layer name");
  LONG code = ParseLong(ArgOrMissing(args, 1, L"a spatial reference code"), L"the code");
  if (args.size() < 4 || (args.size() - 2) % 2 != 0) Fail(L"add-points needs pairs of x and y");
  std::vector<std::pair<double, double>> points;
  for (std::size_t i = 2; i + 1 < args.size(); i += 2)
    points.emplace_back(ParseNumber(args[i], L"x"), ParseNumber(args[i + 1], L"y"));
  FocusMap(s.Session())->AddLayer(MakePointLayer(name, code, points).get());
}

void Sink(SessionContext& s, const SessionLine& l) {
  std::wstring what = ArgOrMissing(l.args, 0, L"connect or disconnect");
  if (what == L"connect")
    s.State<CoordToolSink>().Connect(s.Session());
  else if (what == L"disconnect")
    s.State<CoordToolSink>().Disconnect();
  else
    Fail(L"sink takes connect or disconnect, not " + what);
}

void Dock(SessionContext& s, const SessionLine& l) {
  TrevikSession& session = s.Session();
  std::wstring what = ArgOrMissing(l.args, 0, L"show or hide");
  if (what != L"show" && what != L"hide") Fail(L"dock takes show or hide, not " + what);
  auto window = Dockable(session, ArgOrMissing(l.args, 1, L"a dockable window's ProgID"));
  // The host brings its toolbars up to date while it is idle: before the user acts and after.
  UpdateCommandStates(session);
  velk::Check(window->Show(velk::ToVariantBool(what == L"show")));
  UpdateCommandStates(session);
}

// ---- the print targets ----

void PrintTool(SessionContext& s, const SessionLine&) {
  ComPtr<ICommandItem> current;
  s.Session().Host().App().get_CurrentTool(current.put());
  velk::Bstr name;
  LONG subtype = 0;
  if (current) {
    current->get_Name(&name);
    current->get_SubType(&subtype);
  }
  std::wstring line = L"  current tool " + (current ? name.str() : std::wstring(L"none"));
  if (subtype > 0) line += L" " + std::to_wstring(subtype);
  s.Print(line);
}

void PrintDock(SessionContext& s, const SessionLine& l) {
  std::wstring progId = ArgOrMissing(l.args, 1, L"a dockable window's ProgID");
  VARIANT_BOOL visible = VARIANT_FALSE;
  Dockable(s.Session(), progId)->IsVisible(&visible);
  s.Print(L"  " + progId + (visible ? L" visible" : L" hidden"));
}

void PrintLocation(SessionContext& s, const SessionLine&) {
  ComPtr<IPoint> location;
  MapDocument(s.Session())->get_CurrentLocation(location.put());
  s.Print(L"  location " + PointText(location.get()));
}

void PrintView(SessionContext& s, const SessionLine&) {
  ComPtr<IEnvelope> bounds;
  ViewTransformation(MapDocument(s.Session()).get())->get_VisibleBounds(bounds.put());
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (bounds) bounds->QueryCoords(&x0, &y0, &x1, &y1);
  s.Print(L"  view " + Number(x0) + L" " + Number(y0) + L" " + Number(x1) + L" " + Number(y1));
}

void PrintGraphics(SessionContext& s, const SessionLine&) {
  auto container = QueryAs<IGraphicsContainer>(FocusMap(s.Session()).get());
  if (!container) Fail(L"the map holds no graphics");
  container->Reset();
  int n = 0;
  for (;;) {
    ComPtr<IElement> element;
    if (container->Next(element.put()) != S_OK || !element) break;
    ComPtr<IGeometry> geometry;
    element->get_Geometry(geometry.put());
    std::wstring kind = QueryAs<IMarkerElement>(element.get()) ? L"marker" : L"graphic";
    s.Print(L"  " + std::to_wstring(++n) + L". " + kind + L" at " +
            PointText(QueryAs<IPoint>(geometry.get()).get()));
  }
  if (!n) s.Print(L"  no graphics");
}

//   map-click X Y [right]            the current tool gets a click at the window position
void MapClick(SessionContext& s, const SessionLine& l) {
  LONG x = static_cast<LONG>(l.Int(0, L"x")), y = static_cast<LONG>(l.Int(1, L"y"));
  bool right = l.args.size() > 2 && l.args[2] == L"right";
  auto tool = s.Session().CurrentTool();
  if (!tool) throw SessionError{L"no tool is chosen (click one first)"};
  LONG button = right ? 2 : 1;
  // The mouse comes to the point first.
  MoveMouse(s.Session(), x, y, 0);
  tool->OnMouseDown(button, 0, x, y);
  tool->OnMouseUp(button, 0, x, y);
}

const SessionActions kRegistered({{"map-move", &MapMove},
                                  {"map-click", &MapClick},
                                  {"map-drag", &MapDrag},
                                  {"map-reference", &MapReference},
                                  {"map-extent", &MapExtent},
                                  {"add-points", &AddPoints},
                                  {"sink", &Sink},
                                  {"dock", &Dock}},
                                 {{"tool", &PrintTool},
                                  {"dock", &PrintDock},
                                  {"location", &PrintLocation},
                                  {"view", &PrintView},
                                  {"graphics", &PrintGraphics}});

}  // namespace

void MoveMouse(TrevikSession& session, LONG x, LONG y, LONG button) {
  if (auto doc = QueryAs<IMapDocument>(session.Host().Document().get())) {
    ComPtr<IPoint> point;
    velk::Check(ViewTransformation(doc.get())->ToMapPoint(x, y, point.put()));
    velk::Check(doc->put_CurrentLocation(point.get()));
  }
  if (auto tool = session.CurrentTool()) tool->OnMouseMove(button, 0, x, y);
}

}  // namespace trevik
