#include "framework/class_catalogue.h"

#include <cwctype>

#include "framework/extension_lookup.h"

namespace velk::corvane {

// The positions of ClassId name the entries they stand for.
static_assert(Catalogue(ClassId::RadialLOS).clsid == &ids::CLSID_RadialLOS);
static_assert(Catalogue(ClassId::LinearLOS).clsid == &ids::CLSID_LinearLOS);
static_assert(Catalogue(ClassId::Hillshade).clsid == &ids::CLSID_Hillshade);
static_assert(Catalogue(ClassId::ConversionMenu).clsid == &ids::CLSID_ConversionMenu);
static_assert(Catalogue(ClassId::MainMenu).clsid == &ids::CLSID_MainMenu);
static_assert(Catalogue(ClassId::CreateZelLayer).clsid == &ids::CLSID_CreateZelLayer);
static_assert(Catalogue(ClassId::VpfExport).clsid == &ids::CLSID_VpfExport);
static_assert(Catalogue(ClassId::ConvertCoords).clsid == &ids::CLSID_ConvertCoords);
static_assert(Catalogue(ClassId::LoadData).clsid == &ids::CLSID_LoadData);
static_assert(Catalogue(ClassId::Mosaic).clsid == &ids::CLSID_Mosaic);
static_assert(Catalogue(ClassId::SelectedLayer).clsid == &ids::CLSID_SelectedLayer);
static_assert(Catalogue(ClassId::CoordTool).clsid == &ids::CLSID_CoordTool);
static_assert(Catalogue(ClassId::MainToolbar).clsid == &ids::CLSID_MainToolbar);
static_assert(Catalogue(ClassId::CoordToolDockable).clsid == &ids::CLSID_CoordToolDockable);
static_assert(Catalogue(ClassId::AddLayer).clsid == &ids::CLSID_AddLayer);
static_assert(Catalogue(ClassId::DDDViewer).clsid == &ids::CLSID_DDDViewer);
static_assert(Catalogue(ClassId::TerrainToolControl).clsid == &ids::CLSID_TerrainToolControl);
static_assert(Catalogue(ClassId::TerrainTools).clsid == &ids::CLSID_TerrainTools);
static_assert(Catalogue(ClassId::VpfExportDatasets).clsid == &ids::CLSID_VpfExportDatasets);
static_assert(Catalogue(ClassId::AddZelLayersOperation).clsid == &ids::CLSID_AddZelLayersOperation);
static_assert(Catalogue(ClassId::MainMenuDdd).clsid == &ids::CLSID_MainMenuDdd);
static_assert(Catalogue(ClassId::MainToolbarDdd).clsid == &ids::CLSID_MainToolbarDdd);
static_assert(Catalogue(ClassId::ThreatDome).clsid == &ids::CLSID_ThreatDome);
static_assert(Catalogue(ClassId::FlyThrough).clsid == &ids::CLSID_FlyThrough);
static_assert(Catalogue(ClassId::Options2).clsid == &ids::CLSID_Options2);

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
