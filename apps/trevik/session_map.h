// Session actions over the map view, the dockable windows and the coordinate tool's events:
// the mouse over the map (moves, drags), the map's spatial reference and visible extent, point
// layers made on the spot, showing and hiding dockable windows, and a listener that prints
// the coordinate tool's events as they arrive. They register themselves in the session's
// action table (session_action_table.h).
#pragma once

#include "apps/trevik/host_session.h"

namespace trevik {

// The mouse moves over the map view to a window position: the map document's current location
// becomes the map point there, and the current tool sees the move with the buttons held (0:
// none, 1: left).
void MoveMouse(TrevikSession& session, LONG x, LONG y, LONG button);

}  // namespace trevik
