// The one declaration of every setting of the settings environment: its area (the subkey it is
// stored under), its name (the registry value name and the property name), its type, whether
// an interface property reads it directly, and its default. Booleans are VARIANT_BOOL values
// (-1 true, 0 false) stored as REG_DWORD; whole numbers as REG_DWORD; reals as REG_SZ text in
// the C locale ("%.17g"); texts as REG_SZ; symbols as REG_SZ in the text form of
// symbol_text.h, the first word of the default naming the kind of symbol the setting takes.
#pragma once

#include <cstddef>
#include <string>

#include "platform/com/base_types.h"

// X(area, name, type, property, number default, text default)
#define VELK_TARVOS_SETTINGS(X)                                                   \
  X(General, GeneralAzimuthUnits, Long, Prop, 11, L"")                            \
  X(General, GeneralDistanceUnits, Long, Prop, 9, L"")                            \
  X(General, GeneralLogOperations, Bool, Prop, -1, L"")                           \
  X(General, GeneralOutputWorkspacePath, String, Hidden, 0, L"")                  \
  X(General, GeneralOutputWorkspaceFactory, String, Hidden, 0, L"")               \
  X(CoordTool, MGRSStatusBar, Bool, Prop, 0, L"")                                 \
  X(CoordTool, CoordToolDMSDelimiter, String, Prop, 0, L" ")                      \
  X(CoordTool, CoordToolDMSHemiNSEW, Long, Prop, 0, L"")                          \
  X(CoordTool, CoordToolMGRSPrec, Long, Prop, 5, L"")                             \
  X(CoordTool, CoordToolMGRSSpaces, Bool, Prop, 0, L"")                           \
  X(CoordTool, CoordToolEditSession, Bool, Prop, 0, L"")                          \
  X(CoordTool, CoordToolSymbol, Symbol, Hidden, 0, L"marker 0x0000FF 8 0")        \
  X(ConversionFields, ConversionFieldsXField, String, Prop, 0, L"X")              \
  X(ConversionFields, ConversionFieldsYField, String, Prop, 0, L"Y")              \
  X(ConversionFields, ConversionFieldsDMSField, String, Prop, 0, L"DMS")          \
  X(ConversionFields, ConversionFieldsUTMField, String, Prop, 0, L"UTM")          \
  X(ConversionFields, ConversionFieldsMGRSField, String, Prop, 0, L"MGRS")        \
  X(ConversionFields, AddExportedVPFDataToMap, Bool, Prop, -1, L"")               \
  X(Geodesy, GeodesyLineType, Long, Prop, 0, L"")                                 \
  X(Geodesy, GeodesyLineSymbol, Symbol, Hidden, 0, L"line 0xFF0000 1.5 0")         \
  X(Geodesy, GeodesyRadialLineSymbol, Symbol, Hidden, 0, L"line 0x800000 1 0")     \
  X(Geodesy, GeodesyRangeRingSymbol, Symbol, Hidden, 0, L"fill 0xFF0000 1 0xFF0000 1 0") \
  X(Geodesy, GeodesyLabelSymbol, Symbol, Hidden, 0, L"text 0x000000 10")           \
  X(Terrain, TerrainUseCurveRefraction, Bool, Prop, 0, L"")                       \
  X(Terrain, TerrainRefraction, Double, Prop, 0.13, L"")                          \
  X(Terrain, TerrainDisplayLOSProfile, Bool, Prop, -1, L"")                       \
  X(Terrain, TerrainCalculateZ, Bool, Prop, -1, L"")                              \
  X(Terrain, TerrainLLOSVisSymbol, Symbol, Hidden, 0, L"line 0x00FF00 2 0")        \
  X(Terrain, TerrainLLOSNonVisSymbol, Symbol, Hidden, 0, L"line 0x0000FF 2 0")     \
  X(Terrain, TerrainLLOSStartPntSymbol1, Symbol, Hidden, 0, L"marker 0x00FF00 8 0") \
  X(Terrain, TerrainLLOSStartPntSymbol2, Symbol, Hidden, 0, L"marker 0x0000FF 8 0") \
  X(Terrain, TerrainLLOSEndPntSymbol, Symbol, Hidden, 0, L"marker 0x000000 8 0")   \
  X(Terrain, TerrainRLOSObserverSymbol, Symbol, Hidden, 0, L"marker 0x000000 8 0") \
  X(Terrain, TerrainRLOSExtentSymbol, Symbol, Hidden, 0, L"fill 0x000000 1 0x000000 1 0") \
  X(Terrain, TerrainRLOSVisSymbol, Symbol, Hidden, 0, L"fill 0x00FF00 0")          \
  X(Terrain, TerrainRLOSNonVisSymbol, Symbol, Hidden, 0, L"fill 0x0000FF 0")       \
  X(Terrain, TerrainLLOSStartPntSymbol, Symbol, Hidden, 0, L"marker 0xFF0000 8 0") \
  X(DDD, DDDRadials, Double, Prop, 10.0, L"")                                     \
  X(DDD, DDDWireframe, Double, Prop, 10.0, L"")                                   \
  X(DDD, DDDFlyThruDefaultHt, Long, Prop, 1000, L"")                              \
  X(DDD, DDDFlyThruDefaultIncl, Long, Prop, 0, L"")                               \
  X(DDD, DDDWireframeSymbol, Symbol, Hidden, 0, L"line 0x4100C2 1 0")             \
  X(DDD, DDDThreatDomeSymbol, Symbol, Hidden, 0, L"fill 0x0000FF 0 0x0000FF 1 0") \
  X(DDD, DDDFlyThruSymbol, Symbol, Hidden, 0, L"line 0x00FFFF 2 0")               \
  X(DataMan, DataManDTEDWireframe, Long, Prop, 2, L"")                            \
  X(DataMan, DataManDTEDDisplayRasters, Bool, Prop, -1, L"")                      \
  X(DataMan, DataManDTEDUseUniformRenderer, Bool, Prop, 0, L"")                   \
  X(DataMan, DataManRPFWireframe, Long, Prop, 2, L"")                             \
  X(DataMan, DataManRPFDisplayRasters, Bool, Prop, -1, L"")                       \
  X(DataMan, DataManRPFUseBestMapSet, Bool, Prop, -1, L"")                        \
  X(DataMan, DataManVPFWireframe, Long, Prop, 2, L"")                             \
  X(DataMan, DataManVPFUseGeosym, Bool, Prop, 0, L"")                             \
  X(DataMan, DataManVPFUseScaleDependency, Bool, Prop, -1, L"")                   \
  X(DataMan, DataManVPFShowData, Bool, Prop, -1, L"")

namespace velk::productline {

// The settings key under HKCU; each area is a subkey of it.
inline constexpr const wchar_t* kTarvosSettingsKey = L"Software\\Velk\\Tarvos\\10.0.0.0";

enum class SettingType { Bool, Long, Double, String, Symbol };

enum class SettingId : std::size_t {
#define VELK_SETTING_ID(area, name, type, prop, number, text) name,
  VELK_TARVOS_SETTINGS(VELK_SETTING_ID)
#undef VELK_SETTING_ID
      Count
};

inline constexpr std::size_t kSettingCount = static_cast<std::size_t>(SettingId::Count);

struct SettingDecl {
  const wchar_t* area;
  const wchar_t* name;
  SettingType type;
  double number;        // default of Bool, Long and Double settings
  const wchar_t* text;  // default of String and Symbol settings
};

inline constexpr SettingDecl kSettingDecls[] = {
#define VELK_SETTING_DECL(area, name, type, prop, number, text) \
  {L## #area, L## #name, SettingType::type, static_cast<double>(number), text},
    VELK_TARVOS_SETTINGS(VELK_SETTING_DECL)
#undef VELK_SETTING_DECL
};
static_assert(sizeof(kSettingDecls) / sizeof(kSettingDecls[0]) == kSettingCount);

inline const SettingDecl& Decl(SettingId id) { return kSettingDecls[static_cast<std::size_t>(id)]; }

// The full key path of a setting's area ("Software\Velk\Tarvos\10.0.0.0\General").
std::wstring SettingKeyPath(SettingId id);

}  // namespace velk::productline
