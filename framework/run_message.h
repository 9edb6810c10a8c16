// A message box a tool's run asks its dialog to show: the text's string id and the icon and
// button type (the caption is always 3576 "Error").
#pragma once

#include "platform/com/base_types.h"

namespace velk::corvane {

struct RunMessage {
  UINT textId = 0;
  UINT type = 0;
};

}  // namespace velk::corvane
