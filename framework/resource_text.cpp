#include "framework/resource_text.h"

#include "framework/corvane_module.h"

namespace velk::corvane {

std::wstring FormatResourceText(UINT id, const std::vector<win::FormatArgument>& args) {
  std::wstring out;
  if (!win::FormatInserts(LoadResString(id), args, &out)) return {};
  return out;
}

bool SameSpatialReference(ISpatialReference* a, ISpatialReference* b) {
  if (!a || !b) return a == b;
  VARIANT_BOOL same = VARIANT_FALSE;
  Check(a->IsSame(b, &same));
  return same != VARIANT_FALSE;
}

}  // namespace velk::corvane
