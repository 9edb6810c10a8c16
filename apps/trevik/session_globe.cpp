// Session actions over the globe host's viewer: the mouse over the globe (moves, clicks), the
// viewer's camera (set and printed) and the surface point under a window position.
#include <cmath>
#include <cstdio>

#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"
#include "platform/com/hresult_text.h"
#include "platform/host/display/camera.h"
#include "platform/host/shell/command.h"
#include "platform/host/documents/document.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/globe_display.h"

namespace trevik {

namespace {

using velk::ComPtr;
using velk::QueryAs;

[[noreturn]] void Fail(const std::wstring& message) { FailLine(message); }

ComPtr<IGlobeDisplay> Display(TrevikSession& session) {
  auto doc = QueryAs<IGlobeDocument>(session.Host().Document().get());
  if (!doc) Fail(L"this host has no globe viewer");
  ComPtr<IGlobe> globe;
  doc->get_Globe(globe.put());
  ComPtr<IGlobeDisplay> display;
  if (globe) globe->get_GlobeDisplay(display.put());
  if (!display) Fail(L"the globe has no display");
  return display;
}

ComPtr<IGlobeCamera> Camera(TrevikSession& session) {
  ComPtr<IGlobeViewer> viewer;
  Display(session)->get_ActiveViewer(viewer.put());
  ComPtr<ICamera> camera;
  if (viewer) viewer->get_Camera(camera.put());
  auto globeCamera = QueryAs<IGlobeCamera>(camera.get());
  if (!globeCamera) Fail(L"the globe viewer has no camera");
  return globeCamera;
}

std::wstring Place(double lat, double lon, double alt) {
  return L"lat " + Number(lat) + L" lon " + Number(lon) + L" alt " + Number(alt) + L" km";
}

// ---- the actions ----

//   globe-move X Y [left]                    the mouse over the globe viewer (pixels)
//   globe-click X Y [right]                  a click of the current tool there
void MoveOrClick(SessionContext& s, const SessionLine& l) {
  TrevikSession& session = s.Session();
  const auto& a = l.action;
  const auto& args = l.args;
  Display(session);  // only over a globe viewer
  LONG x = ParseLong(ArgOrMissing(args, 0, L"x"), L"x"),
       y = ParseLong(ArgOrMissing(args, 1, L"y"), L"y");
  auto tool = session.CurrentTool();
  if (a == "globe-move") {
    LONG button = args.size() > 2 && args[2] == L"left" ? 1 : 0;
    if (args.size() > 2 && button == 0)
      Fail(L"globe-move takes left (the button held), not " + args[2]);
    if (tool) tool->OnMouseMove(button, 0, x, y);
    return;
  }
  LONG button = args.size() > 2 && args[2] == L"right" ? 2 : 1;
  if (args.size() > 2 && button == 1) Fail(L"globe-click takes right (the button), not " + args[2]);
  if (!tool) Fail(L"no tool is chosen (click one first)");
  // The mouse comes to the point first.
  tool->OnMouseMove(0, 0, x, y);
  tool->OnMouseDown(button, 0, x, y);
  tool->OnMouseUp(button, 0, x, y);
}

//   globe-camera observer|target LAT LON ALT places the camera's observer or target
void PlaceCamera(SessionContext& s, const SessionLine& l) {
  const auto& args = l.args;
  const std::wstring& which = ArgOrMissing(args, 0, L"observer or target");
  if (which != L"observer" && which != L"target")
    Fail(L"globe-camera takes observer or target, not " + which);
  double lat = ParseNumber(ArgOrMissing(args, 1, L"a latitude"), L"the latitude");
  double lon = ParseNumber(ArgOrMissing(args, 2, L"a longitude"), L"the longitude");
  double alt = ParseNumber(ArgOrMissing(args, 3, L"an altitude (km)"), L"the altitude");
  auto camera = Camera(s.Session());
  HRESULT hr = which == L"observer" ? camera->SetObserverLatLonAlt(lat, lon, alt)
                                    : camera->SetTargetLatLonAlt(lat, lon, alt);
  if (FAILED(hr)) Fail(L"the camera refuses that " + which + L": " + FailureText(hr));
  Display(s.Session())->RefreshViewers();
}

// ---- the print targets ----

//   print camera      the camera's observer and target (latitude, longitude, altitude km)
void PrintCamera(SessionContext& s, const SessionLine&) {
  auto camera = Camera(s.Session());
  double oLat = NAN, oLon = NAN, oAlt = NAN, tLat = NAN, tLon = NAN, tAlt = NAN;
  camera->GetObserverLatLonAlt(&oLat, &oLon, &oAlt);
  camera->GetTargetLatLonAlt(&tLat, &tLon, &tAlt);
  s.Print(L"  camera observer " + Place(oLat, oLon, oAlt) + L" target " + Place(tLat, tLon, tAlt));
}

//   print globe X Y   the surface point at a window position, or that it hits nothing
void PrintGlobe(SessionContext& s, const SessionLine& l) {
  const auto& args = l.args;
  LONG x = ParseLong(ArgOrMissing(args, 1, L"x"), L"x"),
       y = ParseLong(ArgOrMissing(args, 2, L"y"), L"y");
  ComPtr<IPoint> hit;
  Display(s.Session())->Locate(x, y, hit.put());
  std::wstring at = L" at " + std::to_wstring(x) + L" " + std::to_wstring(y);
  if (!hit) {
    s.Print(L"  globe nothing" + at);
    return;
  }
  double lon = NAN, lat = NAN, alt = NAN;
  hit->QueryCoords(&lon, &lat);
  hit->get_Z(&alt);
  s.Print(L"  globe " + Place(lat, lon, alt) + at);
}

const SessionActions kRegistered({{"globe-move", &MoveOrClick},
                                  {"globe-click", &MoveOrClick},
                                  {"globe-camera", &PlaceCamera}},
                                 {{"camera", &PrintCamera}, {"globe", &PrintGlobe}});

}  // namespace

}  // namespace trevik
