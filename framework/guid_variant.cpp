#include "framework/guid_variant.h"

namespace velk::corvane {

Variant MakeGuidStringVariant(const GUID& guid) {
  std::wstring text = GuidToString(guid);
  if (text.size() != 38) return Variant();
  try {
    return Variant(text);
  } catch (const ComError&) {
    return Variant();  // out of memory: VT_EMPTY
  }
}

}  // namespace velk::corvane
