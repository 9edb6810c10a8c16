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
inline constexpr EnabledRule kRuleCoordTool{true, ExtensionNeed::None, LayerNeed::None,
                                            OwnTest::CoordToolPoll};
inline constexpr EnabledRule kRuleBaseSorrelinDted{true, ExtensionNeed::Sorrelin, LayerNeed::Dted};
inline constexpr EnabledRule kRuleOwn{false, ExtensionNeed::None, LayerNeed::None, OwnTest::Own};

// The terrain tools' subtypes.
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

namespace catalogue_detail {

// The makers the class table (framework/class_table.inc) names; each takes the class's name,
// class id and ProgID first.
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
// A class that answers texts of its own and has a test of its own, without the base rule.
constexpr ClassEntry OwnTexts(const char* name, const CLSID& clsid, const wchar_t* progId,
                              HostRole role, const FixedTexts& texts) {
  return {name, &clsid, progId, role, ShownIn::Map, 0, 0, 0, 0, 0, 0, 0, 0, kRuleOwn, {}, &texts};
}
// Several tools in one class: texts, bitmap and rule per subtype; help context 0.
constexpr ClassEntry Subtyped(const char* name, const CLSID& clsid, const wchar_t* progId,
                              HostRole role, std::span<const SubtypeEntry> subtypes, UINT cursor,
                              EnabledRule rule) {
  return {name, &clsid, progId, role, ShownIn::Map, 0,        0,      0, 0,
          0,    cursor, 0,      0,    rule,         subtypes, nullptr};
}
// Any other class.
constexpr ClassEntry Other(const char* name, const CLSID& clsid, const wchar_t* progId,
                           HostRole role, UINT nameId = 0) {
  return {name, &clsid, progId, role, ShownIn::Map, nameId, 0,      0, 0,
          0,    0,      0,      0,    kRuleNone,    {},     nullptr};
}

}  // namespace catalogue_detail

// The classes in object-map order, from the class table.
inline constexpr ClassEntry kClassCatalogue[] = {
#define VELK_CLASS(name, progId, script, creator, implCategories, description, categories, maker, \
                   ...)                                                                           \
  catalogue_detail::maker(#name, ids::CLSID_##name, L##progId, __VA_ARGS__),
#include "framework/class_table.inc"
#undef VELK_CLASS
};

inline constexpr std::size_t kClassCount = std::size(kClassCatalogue);

// Positions in the catalogue (object-map order).
enum class ClassId : std::uint8_t {
#define VELK_CLASS(name, ...) name,
#include "framework/class_table.inc"
#undef VELK_CLASS
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
