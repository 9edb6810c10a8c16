#include "framework/command_images.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/win/gdi.h"

namespace velk::corvane {
namespace {

std::mutex g_lock;

// Live handles per kind, so a cursor is never taken for a bitmap.
template <class Info>
std::set<const void*>& LiveSet() {
  static std::set<const void*> live;
  return live;
}

std::uint16_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint32_t U32(const std::string& b, std::size_t at) {
  return U16(b, at) | (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

// BITMAPFILEHEADER (14 bytes) + BITMAPINFOHEADER (at least 40).
bool ReadBmp(const std::string& b, CommandBitmapInfo& out) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  std::uint32_t offset = U32(b, 10);
  std::uint32_t headerSize = U32(b, 14);
  if (headerSize < 40 || offset > b.size()) return false;
  auto width = static_cast<std::int32_t>(U32(b, 18));
  auto height = static_cast<std::int32_t>(U32(b, 22));
  WORD bits = U16(b, 28);
  if (width <= 0 || height == 0 || bits == 0) return false;
  out.width = width;
  out.height = height < 0 ? -height : height;
  out.bitsPerPixel = bits;
  return true;
}

// ICONDIR (6 bytes, type 2) + the first ICONDIRENTRY (16 bytes).
bool ReadCur(const std::string& b, ToolCursorInfo& out) {
  if (b.size() < 22 || U16(b, 0) != 0 || U16(b, 2) != 2 || U16(b, 4) == 0) return false;
  auto w = static_cast<unsigned char>(b[6]);
  auto h = static_cast<unsigned char>(b[7]);
  out.width = w == 0 ? 256 : w;
  out.height = h == 0 ? 256 : h;
  out.hotSpotX = U16(b, 10);
  out.hotSpotY = U16(b, 12);
  std::uint32_t size = U32(b, 14);
  std::uint32_t offset = U32(b, 18);
  if (offset > b.size() || size > b.size() - offset) return false;
  return true;
}

// The live command bitmaps with what each was made from.
std::map<HBITMAP, std::unique_ptr<CommandBitmapInfo>>& BitmapInfos() {
  static auto* infos = new std::map<HBITMAP, std::unique_ptr<CommandBitmapInfo>>();
  return *infos;
}

template <class Info>
const Info* Live(const void* handle) {
  std::lock_guard<std::mutex> lock(g_lock);
  return handle && LiveSet<Info>().count(handle) ? static_cast<const Info*>(handle) : nullptr;
}

template <class Info>
void Forget(const void* handle) {
  {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!handle || !LiveSet<Info>().erase(handle)) return;
  }
  delete static_cast<const Info*>(handle);
}

template <class Info, class Reader>
const void* Load(HINSTANCE module, const char* type, UINT id, Reader read) {
  if (!module) return nullptr;
  const std::string* bytes = module->Find(type, static_cast<int>(id));
  if (!bytes) return nullptr;
  auto info = std::make_unique<Info>();
  if (!read(*bytes, *info)) return nullptr;
  info->id = id;
  info->bytes = *bytes;
  const void* handle = info.release();
  std::lock_guard<std::mutex> lock(g_lock);
  LiveSet<Info>().insert(handle);
  return handle;
}

}  // namespace

// A command bitmap is a bitmap of the platform's drawing layer, so that the host and the tool
// controls can select it into a device context and draw it; what it was made from is kept
// beside it under its handle.
HBITMAP LoadCommandBitmap(HINSTANCE module, UINT id) {
  if (!module) return nullptr;
  const std::string* bytes = module->Find("BITMAPS", static_cast<int>(id));
  if (!bytes) return nullptr;
  auto info = std::make_unique<CommandBitmapInfo>();
  if (!ReadBmp(*bytes, *info)) return nullptr;
  auto bitmap = static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (!bitmap) return nullptr;
  info->id = id;
  info->bytes = *bytes;
  std::lock_guard<std::mutex> lock(g_lock);
  BitmapInfos()[bitmap] = std::move(info);
  return bitmap;
}

void DeleteCommandBitmap(HBITMAP bitmap) {
  {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!bitmap || !BitmapInfos().erase(bitmap)) return;
  }
  DeleteObject(bitmap);
}

const CommandBitmapInfo* DescribeCommandBitmap(HBITMAP bitmap) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = BitmapInfos().find(bitmap);
  return it == BitmapInfos().end() ? nullptr : it->second.get();
}

HCURSOR LoadToolCursor(HINSTANCE module, UINT id) {
  return static_cast<HCURSOR>(
      const_cast<void*>(Load<ToolCursorInfo>(module, "CURSORS", id, ReadCur)));
}

void DestroyToolCursor(HCURSOR cursor) { Forget<ToolCursorInfo>(cursor); }

const ToolCursorInfo* DescribeToolCursor(HCURSOR cursor) { return Live<ToolCursorInfo>(cursor); }

std::size_t LiveCommandImageCount() {
  std::lock_guard<std::mutex> lock(g_lock);
  return BitmapInfos().size() + LiveSet<ToolCursorInfo>().size();
}

}  // namespace velk::corvane
