// A message box a tool's run asks its dialog to show: the text's string id and the icon and
// button type (the caption is always 3576 "Error").
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace velk::corvane {

struct RunMessage {
  UINT textId = 0;
  UINT type = 0;
  std::wstring insert;  // for a text with an insert (%1!s!): what went wrong, on what
};

}  // namespace velk::corvane
