#include "corvane/class_catalogue.h"

#include <cwctype>

#include "framework/extension_lookup.h"

namespace velk::corvane {

namespace {

// The catalog product layers' interfaces that the rules test for.
constexpr IID kIidZelDtedLayer = MakeGuid("{BC08083D-FEE0-4703-930D-E5F23E689CCE}");
constexpr IID kIidZelRasterLayer = MakeGuid("{7C7D1A8B-6446-4C38-90E9-E96171CE2F71}");

bool Answers(IUnknown* object, const IID& iid) {
  if (!object) return false;
  IUnknown* answer = nullptr;
  if (FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&answer))) || !answer)
    return false;
  answer->Release();
  return true;
}

bool SameNameIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

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
    if (SameNameIgnoringCase(progId, e.progId)) return &e;
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
    case LayerNeed::Dted: return Answers(layer, kIidZelDtedLayer);
    case LayerNeed::DtedOrHostRaster:
      return Answers(layer, kIidZelDtedLayer) ||
             (hostRasterLayer && Answers(layer, *hostRasterLayer));
    case LayerNeed::DtedOrZelRaster:
      return Answers(layer, kIidZelDtedLayer) || Answers(layer, kIidZelRasterLayer);
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
