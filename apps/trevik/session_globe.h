// Session actions over the globe host's viewer: the mouse over the globe (moves, clicks), the
// viewer's camera (set and printed) and the surface point under a window position.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apps/trevik/host_session.h"

namespace trevik {

namespace globe_actions {

using Printer = std::function<void(const std::wstring&)>;

// Whether the action is one of these (globe-move, globe-click, globe-camera) or the print
// target one of these (camera, globe).
bool Handles(const std::string& action);
bool HandlesPrint(const std::wstring& what);

// Runs the action; a line that cannot run raises MapActionError (session_map.h).
//   globe-move X Y [left]                    the mouse over the globe viewer (pixels)
//   globe-click X Y [right]                  a click of the current tool there
//   globe-camera observer|target LAT LON ALT places the camera's observer or target
void Run(TrevikSession& session, const std::string& action, const std::vector<std::wstring>& args);
//   print camera      the camera's observer and target (latitude, longitude, altitude km)
//   print globe X Y   the surface point at a window position, or that it hits nothing
void Print(TrevikSession& session, const std::vector<std::wstring>& args, const Printer& print);

}  // namespace globe_actions

}  // namespace trevik
