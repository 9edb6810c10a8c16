// The class catalogue: one entry per class in object-map order, the texts its string ids give,
// its images, and its enabled rules run against the host's extension states and the chosen
// layer.
#include "framework/class_catalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "framework/command_images.h"
#include "framework/command_impl.h"
#include "framework/corvane_module.h"
#include "corvane/object_map.h"
#include "platform/com/out_param.h"
#include "platform/host/display/layer.h"
#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/fixed_layer.h"
#include "tests/framework/host_session_fixture.h"

namespace velk::corvane {
namespace {

using test::HostSessionFixture;

TEST(ClassCatalogue, FollowsTheObjectMap) {
  const ObjectMapEntry* map = ObjectMap();
  std::set<std::wstring> progIds;
  for (std::size_t i = 0; i < kClassCount; ++i) {
    const ClassEntry& e = kClassCatalogue[i];
    SCOPED_TRACE(e.name);
    ASSERT_NE(map[i].clsid, nullptr);
    EXPECT_EQ(*e.clsid, *map[i].clsid);
    EXPECT_STREQ(e.name, test::kCorvaneClasses[i].name);
    std::string progId(e.progId, e.progId + std::wcslen(e.progId));
    EXPECT_EQ(progId, test::kCorvaneClasses[i].progId);
    EXPECT_TRUE(progIds.insert(e.progId).second);
    EXPECT_EQ(FindCatalogueEntry(e.name), &e);
    EXPECT_EQ(FindCatalogueEntryByProgId(e.progId), &e);
  }
  EXPECT_EQ(map[kClassCount].clsid, nullptr);
  EXPECT_EQ(FindCatalogueEntryByProgId(L"VELKTARVOSUI.MAINMENU"), &Catalogue(ClassId::MainMenu));
  EXPECT_EQ(FindCatalogueEntryByProgId(L"velkTarvosDDD.ThreatDome"), nullptr);
  EXPECT_EQ(FindCatalogueEntry("Options"), nullptr);
}

struct ExpectedTexts {
  const char* name;
  const wchar_t* caption;
  const wchar_t* tooltip;
  const wchar_t* message;
  UINT bitmap;
};

// What the host shows of each command class that answers from the string table.
const ExpectedTexts kCommandTexts[] = {
    {"RadialLOS", L"Radial Line of Sight...", L"Radial Line of Sight",
     L"Determines the surface locations visible to specified observer points", 3041},
    {"LinearLOS", L"Linear Line of Sight...", L"Linear Line of Sight",
     L"Generates a line of sight between observer and target points", 3027},
    {"Hillshade", L"Hillshade...", L"Hillshade", L"Generates a shaded relief for a surface", 3021},
    {"CreateZelLayer", L"Zel Catalog...", L"New Zel Catalog", L"Creates a new Zel catalog", 3031},
    {"VpfExport", L"Convert VPF Features...", L"Convert VPF Features ",
     L"Opens the dialog to convert displayed VPF features to feature classes", 0},
    {"ConvertCoords", L"Convert Coordinates in File...", L"Convert Coordinates in File...",
     L"Opens the dialog to convert coordinates in a table or a feature class", 0},
    {"LoadData", L"Load Zel Catalog...", L"Load Zel Catalog",
     L"Adds new data to an existing Zel Catalog", 0},
    {"Mosaic", L"Mosaic...", L"Extract",
     L"Mosaic rasters in an Zel catalog into a single raster dataset", 3030},
    {"SelectedLayer", L"", L"", L"", 0},
    {"CoordTool", L"Coordinate Tool", L"Coordinate Tool", L"Opens the Coordinate Conversion Dialog",
     3009},
    {"AddLayer", L"Add Zel Layer...", L"Add Zel Layer",
     L"Adds an Zel Layer to the map's active data frame", 3001},
    {"DDDViewer", L"3D Viewer...", L"3D Viewer",
     L"Add specified layers in defined extent to 3D Viewer", 3012},
    {"VpfExportDatasets", L"Export VPF Datasets...", L"Export VPF Datasets",
     L"Opens the dialog to export entire VPF datasets to Geodatabase", 0},
    {"ThreatDome", L"Threat Dome...", L"Threat Dome",
     L"Generates visibility domes for input observer points", 3014},
    {"FlyThrough", L"Fly Through...", L"Fly Through",
     L"Generates fly throughs for input visibility lines", 3017},
    {"Options2", L"Options...", L"Open the Tarvos Options dialog",
     L"Opens the dialog to modify Tarvos environment settings", 0},
};

TEST(ClassCatalogue, CommandIdsGiveTheirTexts) {
  std::size_t commands = 0;
  for (const ClassEntry& e : kClassCatalogue)
    if (e.IsCommand() && !e.fixed && e.subtypes.empty()) ++commands;
  EXPECT_EQ(commands, std::size(kCommandTexts));
  for (const ExpectedTexts& want : kCommandTexts) {
    SCOPED_TRACE(want.name);
    const ClassEntry* e = FindCatalogueEntry(want.name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(LoadResString(e->captionId), want.caption);
    EXPECT_EQ(LoadResString(e->tooltipId), want.tooltip);
    EXPECT_EQ(LoadResString(e->messageId), want.message);
    EXPECT_EQ(e->bitmapId, want.bitmap);
    EXPECT_EQ(e->helpContext, static_cast<LONG>(e->captionId));
  }
}

TEST(ClassCatalogue, TerrainToolsAnswerPerSubtype) {
  const ClassEntry& e = Catalogue(ClassId::TerrainTools);
  ASSERT_EQ(e.subtypes.size(), 4u);
  EXPECT_EQ(e.helpContext, 0);
  const struct {
    const wchar_t* tooltip;
    const wchar_t* message;
    UINT bitmap;
  } want[] = {
      {L"Find Highest Point", L"Find the highest elevation in a specified area", 3022},
      {L"Find Lowest Point", L"Find the lowest elevation in a specified area", 3028},
      {L"Hillshade", L"Generates a shaded relief for a surface", 3021},
      {L"Extract", L"Mosaic rasters in an Zel catalog into a single raster dataset", 3030},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(e.subtypes[i].captionId, 3679 + i);
    EXPECT_EQ(LoadResString(e.subtypes[i].captionId), L"");
    EXPECT_EQ(LoadResString(e.subtypes[i].tooltipId), want[i].tooltip);
    EXPECT_EQ(LoadResString(e.subtypes[i].messageId), want[i].message);
    EXPECT_EQ(e.subtypes[i].bitmapId, want[i].bitmap);
  }
}

TEST(ClassCatalogue, BarsAndTheOperationNameTheirTexts) {
  const struct {
    ClassId id;
    const wchar_t* name;
    const wchar_t* caption;
  } want[] = {
      {ClassId::MainMenu, L"Zel Main Menu", L"&Tarvos"},
      {ClassId::ConversionMenu, L"Zel Conversion Menu", L"Conversion..."},
      {ClassId::MainToolbar, L"ZelToolbar", L"Tarvos"},
      {ClassId::MainMenuDdd, L"Zel Main Menu", L"&Tarvos"},
      {ClassId::MainToolbarDdd, L"ZelToolbar", L"Tarvos"},
  };
  for (const auto& w : want) {
    const ClassEntry& e = Catalogue(w.id);
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(e.IsBar());
    EXPECT_EQ(LoadResString(e.nameId), w.name);
    EXPECT_EQ(LoadResString(e.captionId), w.caption);
  }
  EXPECT_EQ(LoadResString(Catalogue(ClassId::AddZelLayersOperation).nameId), L"Add Zel Layer(s)");
}

TEST(ClassCatalogue, EveryBitmapIsASixteenPixelImageOfTheDeliverable) {
  std::set<UINT> ids;
  for (const ClassEntry& e : kClassCatalogue) {
    if (e.bitmapId) ids.insert(e.bitmapId);
    for (const SubtypeEntry& s : e.subtypes) ids.insert(s.bitmapId);
  }
  EXPECT_EQ(ids.size(), 12u);
  for (UINT id : ids) {
    HBITMAP b = LoadCommandBitmap(DeliverableInstance(), id);
    const CommandBitmapInfo* info = DescribeCommandBitmap(b);
    ASSERT_NE(info, nullptr) << id;
    EXPECT_EQ(info->width, 16) << id;
    EXPECT_EQ(info->height, 16) << id;
    DeleteCommandBitmap(b);
  }
  // The tool cursor of every tool.
  HCURSOR cursor = LoadToolCursor(DeliverableInstance(), kCatalogueToolCursor);
  EXPECT_NE(DescribeToolCursor(cursor), nullptr);
  DestroyToolCursor(cursor);
}

// A map layer that answers the interfaces it is given.
class FakeLayer : public test::FixedLayer<FakeLayer, ComObjectRoot<FakeLayer, ILayer>> {
 public:
  explicit FakeLayer(std::vector<IID> answers) : answers_(std::move(answers)) {}
  HRESULT QueryExtra(REFIID riid, void** ppv) {
    for (const IID& iid : answers_) {
      if (iid == riid) {
        *ppv = static_cast<ILayer*>(this);
        AddRef();
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  static constexpr const wchar_t* kLayerName = L"layer";

 private:
  std::vector<IID> answers_;
};

constexpr IID kDted = MakeGuid("{BC08083D-FEE0-4703-930D-E5F23E689CCE}");
constexpr IID kZelRaster = MakeGuid("{7C7D1A8B-6446-4C38-90E9-E96171CE2F71}");
// Stands for the host's raster-layer interface, which the calling class names.
constexpr IID kHostRaster = MakeGuid("{3B1F7C2A-9E55-4D6B-8A0C-6F2E1D4B9A77}");

enum class Layer { None, Plain, Dted, ZelRaster, HostRaster };

ComPtr<ILayer> MakeLayer(Layer kind) {
  switch (kind) {
    case Layer::None: return nullptr;
    case Layer::Plain: return MakeObjectPtr<FakeLayer, ILayer>(std::vector<IID>{});
    case Layer::Dted: return MakeObjectPtr<FakeLayer, ILayer>(std::vector<IID>{kDted});
    case Layer::ZelRaster: return MakeObjectPtr<FakeLayer, ILayer>(std::vector<IID>{kZelRaster});
    case Layer::HostRaster: return MakeObjectPtr<FakeLayer, ILayer>(std::vector<IID>{kHostRaster});
  }
  return nullptr;
}

constexpr LONG kOn = kExtensionEnabled;
constexpr LONG kOff = kExtensionDisabled;

constexpr LONG kClassRule = -100;

struct RuleCase {
  const char* what;
  ClassId id;
  LONG subType;  // kClassRule: the class's own rule
  LONG zel, quentara, sorrelin;
  Layer layer;
  bool enabled;
};

const RuleCase kRuleCases[] = {
    {"base rule", ClassId::AddLayer, kClassRule, 1, kOff, kOff, Layer::None, true},
    {"base rule, state 0", ClassId::AddLayer, kClassRule, 0, kOn, kOn, Layer::None, false},
    {"base rule, state 2", ClassId::Options2, kClassRule, 2, kOn, kOn, Layer::None, false},
    {"base rule, state -1", ClassId::ThreatDome, kClassRule, -1, kOn, kOn, Layer::None, false},
    {"radial: Quentara alone", ClassId::RadialLOS, kClassRule, 1, kOn, kOff, Layer::None, true},
    {"radial: Sorrelin alone", ClassId::RadialLOS, kClassRule, 1, kOff, kOn, Layer::None, true},
    {"radial: neither", ClassId::RadialLOS, kClassRule, 1, kOff, kOff, Layer::None, false},
    {"radial: both, extension off", ClassId::RadialLOS, kClassRule, 0, kOn, kOn, Layer::None,
     false},
    {"hillshade: Quentara alone", ClassId::Hillshade, kClassRule, 1, kOn, kOff, Layer::None, true},
    {"linear: Quentara is not enough", ClassId::LinearLOS, kClassRule, 1, kOn, kOff, Layer::None,
     false},
    {"linear: Sorrelin", ClassId::LinearLOS, kClassRule, 1, kOff, kOn, Layer::None, true},
    {"viewer: Sorrelin and a DTED layer", ClassId::DDDViewer, kClassRule, 1, kOff, kOn, Layer::Dted,
     true},
    {"viewer: no layer chosen", ClassId::DDDViewer, kClassRule, 1, kOn, kOn, Layer::None, false},
    {"viewer: a Zel raster layer", ClassId::DDDViewer, kClassRule, 1, kOn, kOn, Layer::ZelRaster,
     false},
    {"viewer: no Sorrelin", ClassId::DDDViewer, kClassRule, 1, kOn, kOff, Layer::Dted, false},
    {"highest: Quentara and DTED", ClassId::TerrainTools, 1, 1, kOn, kOff, Layer::Dted, true},
    {"highest: host raster layer", ClassId::TerrainTools, 1, 1, kOn, kOff, Layer::HostRaster, true},
    {"highest: Sorrelin is not enough", ClassId::TerrainTools, 1, 1, kOff, kOn, Layer::Dted, false},
    {"lowest: a Zel raster layer", ClassId::TerrainTools, 2, 1, kOn, kOn, Layer::ZelRaster, false},
    {"hillshade tool: Sorrelin and DTED", ClassId::TerrainTools, 3, 1, kOff, kOn, Layer::Dted,
     true},
    {"hillshade tool: host raster layer", ClassId::TerrainTools, 3, 1, kOn, kOn, Layer::HostRaster,
     false},
    {"mosaic: no extension, Zel raster", ClassId::TerrainTools, 4, 1, kOff, kOff, Layer::ZelRaster,
     true},
    {"mosaic: no extension, DTED", ClassId::TerrainTools, 4, 1, kOff, kOff, Layer::Dted, true},
    {"mosaic: no layer chosen", ClassId::TerrainTools, 4, 1, kOn, kOn, Layer::None, false},
    {"mosaic: a plain layer", ClassId::TerrainTools, 4, 1, kOn, kOn, Layer::Plain, false},
    {"mosaic: extension off", ClassId::TerrainTools, 4, 0, kOn, kOn, Layer::ZelRaster, false},
    {"subtype 0", ClassId::TerrainTools, 0, 1, kOn, kOn, Layer::Dted, false},
    {"subtype 5", ClassId::TerrainTools, 5, 1, kOn, kOn, Layer::Dted, false},
};

TEST(ClassCatalogue, RulesFollowTheExtensionStatesAndTheChosenLayer) {
  HostSessionFixture host;
  for (const RuleCase& c : kRuleCases) {
    SCOPED_TRACE(c.what);
    host.SetStates(c.zel, c.quentara, c.sorrelin);
    const ClassEntry& e = Catalogue(c.id);
    EnabledRule rule = c.subType == kClassRule ? e.rule : RuleForSubtype(e, c.subType);
    ComPtr<ILayer> layer = MakeLayer(c.layer);
    VARIANT_BOOL enabled = c.enabled ? VARIANT_FALSE : VARIANT_TRUE;
    ASSERT_EQ(EnabledByRule(rule, layer.get(), &enabled, &kHostRaster), S_OK);
    EXPECT_EQ(enabled, ToVariantBool(c.enabled));
  }
}

// With the extension loaded but not in state 1, nothing with the base rule is enabled, even
// with every host extension on and the best layer chosen.
TEST(ClassCatalogue, NoCommandIsEnabledWhileTheExtensionIsOff) {
  HostSessionFixture host;
  host.SetStates(0, kOn, kOn);
  ComPtr<ILayer> dted = MakeLayer(Layer::Dted);
  for (const ClassEntry& e : kClassCatalogue) {
    if (!e.IsCommand()) continue;
    SCOPED_TRACE(e.name);
    std::vector<EnabledRule> rules{e.rule};
    for (LONG s = 1; s <= static_cast<LONG>(e.subtypes.size()); ++s)
      rules.push_back(RuleForSubtype(e, s));
    for (const EnabledRule& rule : rules) {
      VARIANT_BOOL enabled = VARIANT_TRUE;
      EnabledByRule(rule, dted.get(), &enabled, &kHostRaster);
      EXPECT_EQ(enabled, VARIANT_FALSE);
    }
    EXPECT_EQ(e.rule.baseRule, e.rule.own != OwnTest::Own);
  }
}

TEST(ClassCatalogue, WithoutTheExtensionObjectNothingIsEnabled) {
  HostSessionFixture host(host::HostKind::Map, /*loadZelExtension=*/false);
  VARIANT_BOOL enabled = VARIANT_TRUE;
  EXPECT_EQ(EnabledByRule(Catalogue(ClassId::AddLayer).rule, nullptr, &enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);
}

TEST(ClassCatalogue, OwnTestsAndNullPointers) {
  HostSessionFixture host;
  VARIANT_BOOL enabled = VARIANT_TRUE;
  // The palette's test is its own: the catalogue has nothing to run for it.
  EXPECT_EQ(EnabledByRule(Catalogue(ClassId::TerrainToolControl).rule, nullptr, &enabled), S_FALSE);
  EXPECT_EQ(enabled, VARIANT_FALSE);
  EXPECT_EQ(EnabledByRule(kRuleBase, nullptr, nullptr), E_POINTER);
  // Without the host's raster-layer interface named, only the system's own layers count.
  ComPtr<ILayer> hostRaster = MakeLayer(Layer::HostRaster);
  EXPECT_FALSE(LayerMeetsNeed(LayerNeed::DtedOrHostRaster, hostRaster.get()));
  EXPECT_TRUE(LayerMeetsNeed(LayerNeed::DtedOrHostRaster, hostRaster.get(), &kHostRaster));
  EXPECT_TRUE(LayerMeetsNeed(LayerNeed::None, nullptr));
}

// Command classes built on the templates take their constants and rules from the catalogue.
class CataloguedLinear : public CCommandImpl<CataloguedLinear>,
                         public CatalogueIds<ClassId::LinearLOS> {
 public:
  CataloguedLinear() : CCommandImpl(kBitmapId) {}
  HRESULT get_Enabled(VARIANT_BOOL* enabled) override {
    return EnabledByRule(CatalogueEntry().rule, nullptr, enabled);
  }
};

class CataloguedTerrain : public CToolSlots<CCommandSubTypeImpl<CataloguedTerrain, 4, ITool>>,
                          public CatalogueIds<ClassId::TerrainTools> {
 public:
  HRESULT FinalConstruct() {
    int index = 0;
    for (const SubtypeEntry& s : CatalogueEntry().subtypes)
      SetSubTypeInfo(index++, s.captionId, s.tooltipId, s.messageId, s.bitmapId);
    return S_OK;
  }
};

TEST(ClassCatalogue, TemplatesAnswerFromTheCatalogue) {
  HostSessionFixture host;
  auto linear = MakeObjectPtr<CataloguedLinear, ICommand>();
  Bstr text;
  ASSERT_EQ(linear->get_Name(&text), S_OK);
  EXPECT_EQ(text.str(), L"TarvosLinear Line of Sight...");
  LONG context = 0;
  ASSERT_EQ(linear->get_HelpContextID(&context), S_OK);
  EXPECT_EQ(context, 3188);
  HBITMAP bitmap = nullptr;
  ASSERT_EQ(linear->get_Bitmap(&bitmap), S_OK);
  ASSERT_NE(DescribeCommandBitmap(bitmap), nullptr);
  EXPECT_EQ(DescribeCommandBitmap(bitmap)->id, 3027u);
  for (LONG sorrelin : {kOn, kOff}) {
    host.SetStates(1, kOn, sorrelin);
    VARIANT_BOOL enabled = VARIANT_FALSE;
    ASSERT_EQ(linear->get_Enabled(&enabled), S_OK);
    EXPECT_EQ(enabled, ToVariantBool(sorrelin == kOn));
  }

  auto terrain = MakeObjectPtr<CataloguedTerrain, ICommand>();
  ASSERT_EQ(terrain.Query<ICommandSubType>()->SetSubType(3), S_OK);
  ASSERT_EQ(terrain->get_Tooltip(&text), S_OK);
  EXPECT_EQ(text.str(), L"Hillshade");
  ASSERT_EQ(terrain->get_Bitmap(&bitmap), S_OK);
  EXPECT_EQ(DescribeCommandBitmap(bitmap)->id, 3021u);
}

}  // namespace
}  // namespace velk::corvane
