// Session actions beyond the runner's own: data a conversion works on (the bundled example of
// places, feature layers from vector files, selections). The runner hands every action it does
// not know itself to RunExtraAction.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/host/map.h"

namespace trevik {

// A line that cannot be done; the session stops with the message.
struct SessionActionError {
  std::wstring message;
};

struct SessionActionContext {
  std::function<void(const std::wstring&)> print;     // a line of the transcript
  std::function<velk::ComPtr<IBasicMap>()> focusMap;  // fails the line when no host runs
};

// Runs the action when it is one of these; false for any other name.
//   make-places FILE                 writes the example point shapefile of places
//   add-features FILE [NAME]         adds a feature layer for a shapefile or dBASE table
//   select LAYER WHERE               selects the layer's features the where clause finds
bool RunExtraAction(const std::string& action, const std::vector<std::wstring>& args,
                    const SessionActionContext& context);

}  // namespace trevik
