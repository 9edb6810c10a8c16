#include "catalog/mosaic/storage_overrides.h"

#include <cstdint>
#include <cstdlib>
#include <cwctype>

#include "platform/com/text.h"

namespace velk::corvane {

std::optional<std::wstring> ProcessEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  std::wstring text = FromUtf8(value);
  if (text.size() > 259) text.resize(259);
  return text;
}

long LeadingNumber(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<long long>(INT32_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<long>(value);
}

StorageOverrides ReadStorageOverrides(const EnvironmentReader& read) {
  StorageOverrides o;
  auto take = [&](const char* name, std::optional<long>& into) {
    if (auto text = read(name); text && !text->empty()) into = LeadingNumber(*text);
  };
  take("DataLoading_Osk_TileCX", o.tileWidth);
  take("DataLoading_Osk_TileCY", o.tileHeight);
  take("DataLoading_ResamplingType", o.resampling);
  take("DataLoading_Osk_CompressionType", o.compression);
  take("DataLoading_Osk_PyramidsLevel", o.pyramidLevel);
  take("DataLoading_Osk_CompressionQuality", o.quality);
  return o;
}

}  // namespace velk::corvane
