#include "terrain/hillshade/hillshade_command.h"

namespace velk::corvane {

HRESULT Hillshade::get_Enabled(VARIANT_BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  VELK_TRY
  return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  VELK_CATCH
}

HRESULT CreateHillshade(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<Hillshade>(outer, riid, ppv);
}

}  // namespace velk::corvane
