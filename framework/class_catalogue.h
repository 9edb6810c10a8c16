// The class catalogue: per class of Corvane, in object-map order, what the host sees of it —
// identity, host role, the string ids of its texts, its bitmap and cursor ids, its help
// context and its enabled rule. Command classes take their constants from here
// (CatalogueIds), the menus and toolbars their name and caption; the host program lists it.
// The table is plain constant data, so it can be read without loading the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "interfaces/corvane_ids.h"
#include "platform/com/unknown.h"

namespace velk::corvane {

// What the host makes of the class.
enum class HostRole : std::uint8_t {
  Command,         // ICommand
  Tool,            // ICommand and ITool
  SubtypedTool,    // ICommand, ICommandSubType and ITool: one class shown as several tools
  ToolControl,     // ICommand and IToolControl: a window inside a toolbar
  Menu,            // IMenuDef
  Toolbar,         // IToolBarDef
  DockableWindow,  // the host's dockable-window definition
  Operation,       // an undoable operation
};

// The host application whose component categories the class registers in (classes of no
// category are listed under the map host).
enum class ShownIn : std::uint8_t { Map, Globe, Catalog };

// Host analysis extensions a command needs enabled on top of the base rule.
enum class ExtensionNeed : std::uint8_t {
  None,
  Sorrelin,
  Quentara,
  QuentaraOrSorrelin,  // "Quentara", or else "Sorrelin"
  Never,               // no state enables it (a subtype outside the class's range)
};

// What the layer chosen in the selected-layer control must answer.
enum class LayerNeed : std::uint8_t {
  None,
  Dted,              // IZelDtedLayer
  DtedOrHostRaster,  // IZelDtedLayer or the host's raster-layer interface
  DtedOrZelRaster,   // IZelDtedLayer or IZelRasterLayer
};

// Conditions the class tests itself, besides what the rule lists.
enum class OwnTest : std::uint8_t {
  None,
  CatalogConditions,  // catalog conditions of the catalog commands, after the rest
  CoordToolPoll,      // a poll of the dockable window first; the rule then gives the answer
  Own,                // the class's own test replaces the rule entirely
};

struct EnabledRule {
  bool baseRule = false;  // the extension object is found and its state is 1
  ExtensionNeed extensions = ExtensionNeed::None;
  LayerNeed layer = LayerNeed::None;
  OwnTest own = OwnTest::None;
};

// One subtype of a subtyped class (index 0 stands for subtype 1).
struct SubtypeEntry {
  UINT captionId;
  UINT tooltipId;
  UINT messageId;
  UINT bitmapId;
  EnabledRule rule;
};

// Texts a class answers as constants rather than from the string table.
struct FixedTexts {
  const wchar_t* caption;
  const wchar_t* category;
  const wchar_t* name;
};

struct ClassEntry {
  const char* name;
  const CLSID* clsid;
  const wchar_t* progId;
  HostRole role;
  ShownIn shownIn;
  UINT nameId;  // menus and toolbars: their name text (commands: 3199 + caption)
  UINT captionId;
  UINT tooltipId;
  UINT messageId;
  UINT bitmapId;       // 0: the command reports no bitmap
  UINT cursorId;       // tools: the tool cursor
  UINT pointCursorId;  // the cursor while a point feature is under the mouse (0: none)
  LONG helpContext;    // the caption's id; 0 for subtyped classes
  EnabledRule rule;
  std::span<const SubtypeEntry> subtypes;
  const FixedTexts* fixed;  // null: the texts come from the string table

  bool IsCommand() const {
    return role == HostRole::Command || role == HostRole::Tool || role == HostRole::SubtypedTool ||
           role == HostRole::ToolControl;
  }
  bool IsBar() const { return role == HostRole::Menu || role == HostRole::Toolbar; }
};

// Cursors of the tools: the tool cursor, and the coordinate tool's cursor over a point feature.
inline constexpr UINT kCatalogueToolCursor = 3552;
inline constexpr UINT kCatalogueSnapCursor = 3245;

// Rules that several classes share.
inline constexpr EnabledRule kRuleNone{};
inline constexpr EnabledRule kRuleBase{true};
inline constexpr EnabledRule kRuleBaseQuentaraOrSorrelin{true, ExtensionNeed::QuentaraOrSorrelin};
inline constexpr EnabledRule kRuleBaseSorrelin{true, ExtensionNeed::Sorrelin};
inline constexpr EnabledRule kRuleBaseCatalog{true, ExtensionNeed::None, LayerNeed::None,
                                              OwnTest::CatalogConditions};

namespace catalogue_detail {

inline constexpr SubtypeEntry kTerrainSubtypes[] = {
    {3679,
     3187,
     3185,
     3022,
     {true, ExtensionNeed::Quentara, LayerNeed::DtedOrHostRaster}},  // highest point
    {3680,
     3198,
     3196,
     3028,
     {true, ExtensionNeed::Quentara, LayerNeed::DtedOrHostRaster}},  // lowest point
    {3681,
     3183,
     3181,
     3021,
     {true, ExtensionNeed::QuentaraOrSorrelin, LayerNeed::Dted}},                       // hillshade
    {3682, 3208, 3207, 3030, {true, ExtensionNeed::None, LayerNeed::DtedOrZelRaster}},  // mosaic
};

inline constexpr FixedTexts kPaletteTexts{L"Command Menu Control", L"Developer Samples",
                                          L"Developer Samples_Command Menu Control"};

// A command or tool whose texts come from the string table; its help context is its caption.
constexpr ClassEntry Command(const char* name, const CLSID& clsid, const wchar_t* progId,
                             HostRole role, ShownIn shownIn, UINT caption, UINT tooltip,
                             UINT message, UINT bitmap, EnabledRule rule, UINT cursor = 0,
                             UINT pointCursor = 0) {
  return {name,
          &clsid,
          progId,
          role,
          shownIn,
          0,
          caption,
          tooltip,
          message,
          bitmap,
          cursor,
          pointCursor,
          static_cast<LONG>(caption),
          rule,
          {},
          nullptr};
}
// A menu or toolbar: its name and caption texts.
constexpr ClassEntry Bar(const char* name, const CLSID& clsid, const wchar_t* progId, HostRole role,
                         ShownIn shownIn, UINT nameId, UINT captionId) {
  return {name, &clsid, progId, role, shownIn, nameId,    captionId, 0,
          0,    0,      0,      0,    0,       kRuleNone, {},        nullptr};
}
// Any other class.
constexpr ClassEntry Other(const char* name, const CLSID& clsid, const wchar_t* progId,
                           HostRole role, UINT nameId = 0) {
  return {name, &clsid, progId, role, ShownIn::Map, nameId, 0,      0, 0,
          0,    0,      0,      0,    kRuleNone,    {},     nullptr};
}

}  // namespace catalogue_detail

// The 25 classes in object-map order.
inline constexpr ClassEntry kClassCatalogue[] = {
    // Commands: caption, tooltip, message, bitmap, rule (and the tools' cursors).
    catalogue_detail::Command("RadialLOS", ids::CLSID_RadialLOS, L"velkTarvosUI.RadialLOS",
                              HostRole::Command, ShownIn::Map, 3222, 3225, 3223, 3041,
                              kRuleBaseQuentaraOrSorrelin),
    catalogue_detail::Command("LinearLOS", ids::CLSID_LinearLOS, L"velkTarvosUI.LinearLOS",
                              HostRole::Command, ShownIn::Map, 3188, 3191, 3189, 3027,
                              kRuleBaseSorrelin),
    catalogue_detail::Command("Hillshade", ids::CLSID_Hillshade, L"velkTarvosUI.Hillshade",
                              HostRole::Command, ShownIn::Map, 3180, 3183, 3181, 3021,
                              kRuleBaseQuentaraOrSorrelin),
    // Bars: name, caption.
    catalogue_detail::Bar("ConversionMenu", ids::CLSID_ConversionMenu,
                          L"velkTarvosUI.ConversionMenu", HostRole::Menu, ShownIn::Map, 3156, 3155),
    catalogue_detail::Bar("MainMenu", ids::CLSID_MainMenu, L"velkTarvosUI.MainMenu", HostRole::Menu,
                          ShownIn::Map, 3201, 3200),
    catalogue_detail::Command("CreateZelLayer", ids::CLSID_CreateZelLayer,
                              L"velkTarvosUI.CreateZelLayer", HostRole::Command, ShownIn::Catalog,
                              3215, 3217, 3216, 3031, kRuleBaseCatalog),
    catalogue_detail::Command("VpfExport", ids::CLSID_VpfExport, L"velkTarvosUI.VpfExport",
                              HostRole::Command, ShownIn::Map, 3237, 3239, 3238, 0, kRuleBase),
    catalogue_detail::Command("ConvertCoords", ids::CLSID_ConvertCoords,
                              L"velkTarvosUI.ConvertCoords", HostRole::Command, ShownIn::Map, 3152,
                              3154, 3153, 0, kRuleBase),
    catalogue_detail::Command("LoadData", ids::CLSID_LoadData, L"velkTarvosUI.LoadData",
                              HostRole::Command, ShownIn::Catalog, 3192, 3194, 3193, 0,
                              kRuleBaseCatalog),
    catalogue_detail::Command("Mosaic", ids::CLSID_Mosaic, L"velkTarvosUI.Mosaic",
                              HostRole::Command, ShownIn::Map, 3206, 3208, 3207, 3030, kRuleBase),
    catalogue_detail::Command("SelectedLayer", ids::CLSID_SelectedLayer,
                              L"velkTarvosUI.SelectedLayer", HostRole::ToolControl, ShownIn::Map,
                              3675, 3678, 3677, 0, kRuleBase),
    catalogue_detail::Command("CoordTool", ids::CLSID_CoordTool, L"velkTarvosUI.CoordTool",
                              HostRole::Tool, ShownIn::Map, 3157, 3159, 3158, 3009,
                              {true, ExtensionNeed::None, LayerNeed::None, OwnTest::CoordToolPoll},
                              kCatalogueToolCursor, kCatalogueSnapCursor),
    catalogue_detail::Bar("MainToolbar", ids::CLSID_MainToolbar, L"velkTarvosUI.MainToolbar",
                          HostRole::Toolbar, ShownIn::Map, 3202, 3199),
    catalogue_detail::Other("CoordToolDockable", ids::CLSID_CoordToolDockable,
                            L"velkTarvosUI.CoordToolDockable", HostRole::DockableWindow),
    catalogue_detail::Command("AddLayer", ids::CLSID_AddLayer, L"velkTarvosUI.AddLayer",
                              HostRole::Command, ShownIn::Map, 3149, 3151, 3150, 3001, kRuleBase),
    catalogue_detail::Command("DDDViewer", ids::CLSID_DDDViewer, L"velkTarvosUI.DDDViewer",
                              HostRole::Tool, ShownIn::Map, 3162, 3164, 3163, 3012,
                              {true, ExtensionNeed::Sorrelin, LayerNeed::Dted},
                              kCatalogueToolCursor),
    // The terrain palette answers texts of its own and has a test of its own, without the base
    // rule.
    {"TerrainToolControl",
     &ids::CLSID_TerrainToolControl,
     L"velkTarvosUI.TerrainToolControl",
     HostRole::ToolControl,
     ShownIn::Map,
     0,
     0,
     0,
     0,
     0,
     0,
     0,
     0,
     {false, ExtensionNeed::None, LayerNeed::None, OwnTest::Own},
     {},
     &catalogue_detail::kPaletteTexts},
    // Four tools in one class: texts, bitmap and rule per subtype; help context 0.
    {"TerrainTools", &ids::CLSID_TerrainTools, L"velkTarvosUI.TerrainTools", HostRole::SubtypedTool,
     ShownIn::Map, 0, 0, 0, 0, 0, kCatalogueToolCursor, 0, 0, kRuleBase,
     catalogue_detail::kTerrainSubtypes, nullptr},
    catalogue_detail::Command("VpfExportDatasets", ids::CLSID_VpfExportDatasets,
                              L"velkTarvosUI.VpfExportDatasets", HostRole::Command, ShownIn::Map,
                              3234, 3236, 3235, 0, kRuleBase),
    // The operation's name: 3284.
    catalogue_detail::Other("AddZelLayersOperation", ids::CLSID_AddZelLayersOperation,
                            L"velkTarvosUI.AddZelLayersOperation", HostRole::Operation, 3284),
    catalogue_detail::Bar("MainMenuDdd", ids::CLSID_MainMenuDdd, L"velkTarvosUI.MainMenuDdd",
                          HostRole::Menu, ShownIn::Globe, 3201, 3200),
    catalogue_detail::Bar("MainToolbarDdd", ids::CLSID_MainToolbarDdd,
                          L"velkTarvosUI.MainToolbarDdd", HostRole::Toolbar, ShownIn::Globe, 3202,
                          3199),
    catalogue_detail::Command("ThreatDome", ids::CLSID_ThreatDome, L"velkTarvosUI.ThreatDome",
                              HostRole::Command, ShownIn::Globe, 3168, 3171, 3169, 3014, kRuleBase),
    catalogue_detail::Command("FlyThrough", ids::CLSID_FlyThrough, L"velkTarvosUI.FlyThrough",
                              HostRole::Command, ShownIn::Globe, 3172, 3175, 3173, 3017, kRuleBase),
    catalogue_detail::Command("Options2", ids::CLSID_Options2, L"velkTarvosUI.Options2",
                              HostRole::Command, ShownIn::Map, 3218, 3220, 3219, 0, kRuleBase),
};

inline constexpr std::size_t kClassCount = std::size(kClassCatalogue);
static_assert(kClassCount == 25);

// Positions in the catalogue (object-map order).
enum class ClassId : std::uint8_t {
  RadialLOS,
  LinearLOS,
  Hillshade,
  ConversionMenu,
  MainMenu,
  CreateZelLayer,
  VpfExport,
  ConvertCoords,
  LoadData,
  Mosaic,
  SelectedLayer,
  CoordTool,
  MainToolbar,
  CoordToolDockable,
  AddLayer,
  DDDViewer,
  TerrainToolControl,
  TerrainTools,
  VpfExportDatasets,
  AddZelLayersOperation,
  MainMenuDdd,
  MainToolbarDdd,
  ThreatDome,
  FlyThrough,
  Options2,
};

constexpr const ClassEntry& Catalogue(ClassId id) {
  return kClassCatalogue[static_cast<std::size_t>(id)];
}

// The entry of a class by name or ProgID; null when there is none.
constexpr const ClassEntry* FindCatalogueEntry(std::string_view name) {
  for (const ClassEntry& e : kClassCatalogue)
    if (name == e.name) return &e;
  return nullptr;
}
const ClassEntry* FindCatalogueEntryByProgId(std::wstring_view progId);  // letter case ignored

// The constants a command class hands its templates, from its catalogue entry:
//   class AddLayer : public CCommandImpl<AddLayer>, public CatalogueIds<ClassId::AddLayer> {
//    public:
//     AddLayer() : CCommandImpl(kBitmapId) {}
//   };
template <ClassId kId>
struct CatalogueIds {
  static constexpr UINT kCaptionId = Catalogue(kId).captionId;
  static constexpr UINT kTooltipId = Catalogue(kId).tooltipId;
  static constexpr UINT kMessageId = Catalogue(kId).messageId;
  static constexpr UINT kBitmapId = Catalogue(kId).bitmapId;
  static constexpr UINT kNameId = Catalogue(kId).nameId;
  static constexpr const ClassEntry& CatalogueEntry() { return Catalogue(kId); }
};

// The rule of a subtype of a subtyped class (1-based); a subtype outside the class's range
// is never enabled. Classes without subtypes answer their own rule for every subtype.
EnabledRule RuleForSubtype(const ClassEntry& entry, LONG subType);

// Whether a layer meets a layer need. The host's raster-layer interface is named by the caller
// (the classes that need it know it); with null, only the system's own layer interfaces count.
bool LayerMeetsNeed(LayerNeed need, IUnknown* layer, const IID* hostRasterLayer = nullptr);

// Runs a rule, as far as the framework can: the base rule first, then the host extensions,
// then the chosen layer (null: no layer chosen). The class's own test (rule.own) is its own
// to add. Out false first; S_OK, or the failure of the host's extension lookup.
HRESULT EnabledByRule(const EnabledRule& rule, IUnknown* chosenLayer, VARIANT_BOOL* enabled,
                      const IID* hostRasterLayer = nullptr);

}  // namespace velk::corvane
