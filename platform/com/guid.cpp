#include <cstdio>

#include "platform/com/base_types.h"

namespace velk {

std::wstring GuidToString(const GUID& g) {
  wchar_t buf[40];
  std::swprintf(buf, 40, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

bool GuidFromString(std::wstring_view text, GUID& out) { return TryParseGuid<wchar_t>(text, out); }

}  // namespace velk
