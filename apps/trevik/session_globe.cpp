#include "apps/trevik/session_globe.h"

#include <cmath>
#include <cstdio>

#include "apps/trevik/session_map.h"
#include "apps/trevik/session_script.h"
#include "platform/com/hresult_text.h"
#include "platform/host/camera.h"
#include "platform/host/command.h"
#include "platform/host/document.h"
#include "platform/host/geometry.h"
#include "platform/host/globe.h"
#include "platform/host/globe_display.h"

namespace trevik::globe_actions {

namespace {

using velk::ComPtr;
using velk::QueryAs;

[[noreturn]] void Fail(const std::wstring& message) { throw MapActionError{message}; }

std::wstring Number(double v) { return FormatScriptNumber(v, 6); }

const std::wstring& Arg(const std::vector<std::wstring>& args, std::size_t i, const wchar_t* what) {
  if (args.size() <= i) Fail(std::wstring(L"missing ") + what);
  return args[i];
}

double ParseNumber(const std::wstring& s, const wchar_t* what) {
  return ParseActionNumber(s, what);
}
LONG ParseLong(const std::wstring& s, const wchar_t* what) { return ParseActionLong(s, what); }

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

ComPtr<ITool> CurrentTool(TrevikSession& session) {
  ComPtr<ICommandItem> current;
  session.Host().App().get_CurrentTool(current.put());
  if (!current) return nullptr;
  ComPtr<IUnknown> object;
  current->get_Command(object.put());
  return QueryAs<ITool>(object.get());
}

std::wstring Place(double lat, double lon, double alt) {
  return L"lat " + Number(lat) + L" lon " + Number(lon) + L" alt " + Number(alt) + L" km";
}

}  // namespace

bool Handles(const std::string& a) {
  return a == "globe-move" || a == "globe-click" || a == "globe-camera";
}

bool HandlesPrint(const std::wstring& what) { return what == L"camera" || what == L"globe"; }

void Run(TrevikSession& session, const std::string& a, const std::vector<std::wstring>& args) {
  if (a == "globe-move" || a == "globe-click") {
    Display(session);  // only over a globe viewer
    LONG x = ParseLong(Arg(args, 0, L"x"), L"x"), y = ParseLong(Arg(args, 1, L"y"), L"y");
    auto tool = CurrentTool(session);
    if (a == "globe-move") {
      LONG button = args.size() > 2 && args[2] == L"left" ? 1 : 0;
      if (args.size() > 2 && button == 0)
        Fail(L"globe-move takes left (the button held), not " + args[2]);
      if (tool) tool->OnMouseMove(button, 0, x, y);
      return;
    }
    LONG button = args.size() > 2 && args[2] == L"right" ? 2 : 1;
    if (args.size() > 2 && button == 1)
      Fail(L"globe-click takes right (the button), not " + args[2]);
    if (!tool) Fail(L"no tool is chosen (click one first)");
    // The mouse comes to the point first.
    tool->OnMouseMove(0, 0, x, y);
    tool->OnMouseDown(button, 0, x, y);
    tool->OnMouseUp(button, 0, x, y);
  } else if (a == "globe-camera") {
    const std::wstring& which = Arg(args, 0, L"observer or target");
    if (which != L"observer" && which != L"target")
      Fail(L"globe-camera takes observer or target, not " + which);
    double lat = ParseNumber(Arg(args, 1, L"a latitude"), L"the latitude");
    double lon = ParseNumber(Arg(args, 2, L"a longitude"), L"the longitude");
    double alt = ParseNumber(Arg(args, 3, L"an altitude (km)"), L"the altitude");
    auto camera = Camera(session);
    HRESULT hr = which == L"observer" ? camera->SetObserverLatLonAlt(lat, lon, alt)
                                      : camera->SetTargetLatLonAlt(lat, lon, alt);
    if (FAILED(hr)) Fail(L"the camera refuses that " + which + L": " + velk::HresultText(hr));
    Display(session)->RefreshViewers();
  }
}

void Print(TrevikSession& session, const std::vector<std::wstring>& args, const Printer& print) {
  const std::wstring& what = args[0];
  if (what == L"camera") {
    auto camera = Camera(session);
    double oLat = NAN, oLon = NAN, oAlt = NAN, tLat = NAN, tLon = NAN, tAlt = NAN;
    camera->GetObserverLatLonAlt(&oLat, &oLon, &oAlt);
    camera->GetTargetLatLonAlt(&tLat, &tLon, &tAlt);
    print(L"  camera observer " + Place(oLat, oLon, oAlt) + L" target " + Place(tLat, tLon, tAlt));
  } else if (what == L"globe") {
    LONG x = ParseLong(Arg(args, 1, L"x"), L"x"), y = ParseLong(Arg(args, 2, L"y"), L"y");
    ComPtr<IPoint> hit;
    Display(session)->Locate(x, y, hit.put());
    std::wstring at = L" at " + std::to_wstring(x) + L" " + std::to_wstring(y);
    if (!hit) {
      print(L"  globe nothing" + at);
      return;
    }
    double lon = NAN, lat = NAN, alt = NAN;
    hit->QueryCoords(&lon, &lat);
    hit->get_Z(&alt);
    print(L"  globe " + Place(lat, lon, alt) + at);
  }
}

}  // namespace trevik::globe_actions
