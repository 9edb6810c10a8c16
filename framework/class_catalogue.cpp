#include "framework/class_catalogue.h"

#include <cwctype>

#include "framework/extension_lookup.h"
#include "interfaces/catalog_layer_ids.h"
#include "platform/com/answers.h"
#include "platform/com/plain_text.h"

namespace velk::corvane {

namespace {

bool ExtensionsAllow(ExtensionNeed need) {
  switch (need) {
    case ExtensionNeed::None: return true;
    case ExtensionNeed::Sorrelin: return IsExtensionEnabled(SorrelinName().Copy());
    case ExtensionNeed::Quentara: return IsExtensionEnabled(QuentaraName().Copy());
    case ExtensionNeed::QuentaraOrSorrelin:
      return IsExtensionEnabled(QuentaraName().Copy()) || IsExtensionEnabled(SorrelinName().Copy());
    case ExtensionNeed::Never: return false;
  }
  return false;
}

}  // namespace

const ClassEntry* FindCatalogueEntryByProgId(std::wstring_view progId) {
  for (const ClassEntry& e : kClassCatalogue)
    if (EqualsNoCase(progId, e.progId)) return &e;
  return nullptr;
}

EnabledRule RuleForSubtype(const ClassEntry& entry, LONG subType) {
  if (entry.subtypes.empty()) return entry.rule;
  if (subType < 1 || static_cast<std::size_t>(subType) > entry.subtypes.size())
    return {entry.rule.baseRule, ExtensionNeed::Never, LayerNeed::None, entry.rule.own};
  return entry.subtypes[static_cast<std::size_t>(subType - 1)].rule;
}

bool LayerMeetsNeed(LayerNeed need, IUnknown* layer, const IID* hostRasterLayer) {
  switch (need) {
    case LayerNeed::None: return true;
    case LayerNeed::Dted: return Answers(layer, ids::IID_IZelDtedLayer);
    case LayerNeed::DtedOrHostRaster:
      return Answers(layer, ids::IID_IZelDtedLayer) ||
             (hostRasterLayer && Answers(layer, *hostRasterLayer));
    case LayerNeed::DtedOrZelRaster:
      return Answers(layer, ids::IID_IZelDtedLayer) || Answers(layer, ids::IID_IZelRasterLayer);
  }
  return false;
}

HRESULT EnabledByRule(const EnabledRule& rule, IUnknown* chosenLayer, VARIANT_BOOL* enabled,
                      const IID* hostRasterLayer) {
  if (!enabled) return E_POINTER;
  *enabled = VARIANT_FALSE;
  // A class with a test of its own answers by it alone.
  if (rule.own == OwnTest::Own) return S_FALSE;
  VELK_TRY
  if (rule.baseRule && !IsZelExtensionEnabled()) return S_OK;
  if (!ExtensionsAllow(rule.extensions)) return S_OK;
  if (!LayerMeetsNeed(rule.layer, chosenLayer, hostRasterLayer)) return S_OK;
  *enabled = VARIANT_TRUE;
  return S_OK;
  VELK_CATCH
}

}  // namespace velk::corvane
