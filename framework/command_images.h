// Command bitmaps and tool cursors loaded from a resource module (BMP and CUR files), handed
// to the host as bitmap and cursor handles. A bitmap is one of the platform's drawing layer (it
// selects into a device context). A handle stays valid until it is deleted.
#pragma once

#include <string>

#include "platform/win/resource_module.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

struct CommandBitmapInfo {
  UINT id = 0;
  LONG width = 0;
  LONG height = 0;
  WORD bitsPerPixel = 0;
  std::string bytes;  // the whole BMP file
};

struct ToolCursorInfo {
  UINT id = 0;
  LONG width = 0;
  LONG height = 0;
  WORD hotSpotX = 0;
  WORD hotSpotY = 0;
  std::string bytes;  // the whole CUR file
};

// Null when the module has no such bitmap or its bytes are not a readable BMP.
HBITMAP LoadCommandBitmap(HINSTANCE module, UINT id);
// Deletes a handle made by LoadCommandBitmap; null and unknown handles are ignored.
void DeleteCommandBitmap(HBITMAP bitmap);
// What a live handle holds; null for an unknown handle.
const CommandBitmapInfo* DescribeCommandBitmap(HBITMAP bitmap);

HCURSOR LoadToolCursor(HINSTANCE module, UINT id);
void DestroyToolCursor(HCURSOR cursor);
const ToolCursorInfo* DescribeToolCursor(HCURSOR cursor);

// Number of live bitmap and cursor handles (leak checks in tests).
std::size_t LiveCommandImageCount();

}  // namespace velk::corvane
