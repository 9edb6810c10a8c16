// Session actions over the map view, the dockable windows and the coordinate tool's events:
// the mouse over the map (moves, drags), the map's spatial reference and visible extent, point
// layers made on the spot, showing and hiding dockable windows, and a listener that prints
// the coordinate tool's events as they arrive.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apps/trevik/host_session.h"

namespace trevik {

// Raised by a map action that cannot run; the session stops with the message.
struct MapActionError {
  std::wstring message;
};

// A script word as a number (C locale) or a whole number; MapActionError naming `what` else.
double ParseActionNumber(const std::wstring& word, const wchar_t* what);
LONG ParseActionLong(const std::wstring& word, const wchar_t* what);

class MapActions {
 public:
  using Printer = std::function<void(const std::wstring&)>;

  explicit MapActions(Printer print);
  ~MapActions();
  MapActions(const MapActions&) = delete;
  MapActions& operator=(const MapActions&) = delete;

  // Whether the action is one of these (map-move, map-drag, map-reference, map-extent,
  // add-points, sink, dock, and the print targets tool, dock, graphics, location, view).
  static bool Handles(const std::string& action);
  static bool HandlesPrint(const std::wstring& what);
  // Runs the action.
  void Run(TrevikSession& session, const std::string& action,
           const std::vector<std::wstring>& args);
  void Print(TrevikSession& session, const std::vector<std::wstring>& args);

  // The mouse moves over the map view to a window position: the map document's current
  // location becomes the map point there, and the current tool sees the move with the buttons
  // held (0: none, 1: left).
  void MoveMouse(TrevikSession& session, LONG x, LONG y, LONG button);
  // Ends the listener's subscription (before the host goes).
  void Disconnect();

 private:
  class Listener;
  void Connect(TrevikSession& session);

  Printer print_;
  velk::ComPtr<IUnknown> listener_;
  velk::ComPtr<IUnknown> source_;
  DWORD cookie_ = 0;
};

}  // namespace trevik
