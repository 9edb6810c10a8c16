// The settings environment's interfaces: the settings object with its save and load, and one
// interface per settings area, all answered by the same object. Texts are new BSTRs for the
// caller; booleans are VARIANT_BOOL and are kept as given (only -1 is true to the readers).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IZelSettings : IUnknown {
  VELK_INTERFACE_ID("{11E7C3B1-E9AD-4F4F-824E-153E7C5A51F1}")
  // Writes every setting to the registry key of the settings.
  virtual HRESULT RegisterAllSettings() = 0;
  // Reads every setting back from that key; a setting the key lacks takes its default.
  virtual HRESULT LoadAllSettings() = 0;
};

// General settings: units the tools show, output workspace, operation logs.
struct IGeneralSettings : IUnknown {
  VELK_INTERFACE_ID("{964FAFCE-5DDA-4D3C-A997-CCBC9D3E84F9}")
  virtual HRESULT get_GeneralAzimuthUnits(LONG* value) = 0;
  virtual HRESULT put_GeneralAzimuthUnits(LONG value) = 0;
  virtual HRESULT get_GeneralDistanceUnits(LONG* value) = 0;
  virtual HRESULT put_GeneralDistanceUnits(LONG value) = 0;
  virtual HRESULT get_GeneralLogOperations(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_GeneralLogOperations(VARIANT_BOOL value) = 0;
  // The output workspace as the host opens it from its factory ProgID and path (null while
  // unset, or when the host cannot open it).
  virtual HRESULT get_GeneralOutputWorkspace(IUnknown** workspace) = 0;
  virtual HRESULT SetGeneralOutputWorkspace(BSTR factoryProgId, BSTR path) = 0;
  // The stored path of the output workspace (empty while unset).
  virtual HRESULT get_GeneralOutputWorkspacePath(BSTR* path) = 0;
};

// Coordinate tool settings.
struct ICoordToolSettings : IUnknown {
  VELK_INTERFACE_ID("{DB28928D-AC5B-4015-AF22-6BB1E05F5BE5}")
  virtual HRESULT get_MGRSStatusBar(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_MGRSStatusBar(VARIANT_BOOL value) = 0;
  virtual HRESULT get_CoordToolDMSDelimiter(BSTR* value) = 0;
  virtual HRESULT put_CoordToolDMSDelimiter(BSTR value) = 0;
  virtual HRESULT get_CoordToolDMSHemiNSEW(LONG* value) = 0;
  virtual HRESULT put_CoordToolDMSHemiNSEW(LONG value) = 0;
  virtual HRESULT get_CoordToolMGRSPrec(LONG* value) = 0;
  virtual HRESULT put_CoordToolMGRSPrec(LONG value) = 0;
  virtual HRESULT get_CoordToolMGRSSpaces(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_CoordToolMGRSSpaces(VARIANT_BOOL value) = 0;
  virtual HRESULT get_CoordToolEditSession(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_CoordToolEditSession(VARIANT_BOOL value) = 0;
  // The marker symbol the coordinate tool draws points with: a new host marker symbol on each
  // call, so changing it changes nothing stored.
  virtual HRESULT get_CoordToolSymbol(IUnknown** symbol) = 0;
  // Stores a copy of a host marker symbol; E_POINTER for none and E_INVALIDARG for another
  // kind of symbol (the stored symbol then stays).
  virtual HRESULT PutSymbol(IUnknown* symbol) = 0;
};

// Default output field names of table conversion, and whether exported data is added to the map.
struct IConversionFieldsSettings : IUnknown {
  VELK_INTERFACE_ID("{61A6E11F-ACE7-4864-8D34-55D293CF79F4}")
  virtual HRESULT get_ConversionFieldsXField(BSTR* value) = 0;
  virtual HRESULT put_ConversionFieldsXField(BSTR value) = 0;
  virtual HRESULT get_ConversionFieldsYField(BSTR* value) = 0;
  virtual HRESULT put_ConversionFieldsYField(BSTR value) = 0;
  virtual HRESULT get_ConversionFieldsDMSField(BSTR* value) = 0;
  virtual HRESULT put_ConversionFieldsDMSField(BSTR value) = 0;
  virtual HRESULT get_ConversionFieldsUTMField(BSTR* value) = 0;
  virtual HRESULT put_ConversionFieldsUTMField(BSTR value) = 0;
  virtual HRESULT get_ConversionFieldsMGRSField(BSTR* value) = 0;
  virtual HRESULT put_ConversionFieldsMGRSField(BSTR value) = 0;
  virtual HRESULT get_AddExportedVPFDataToMap(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_AddExportedVPFDataToMap(VARIANT_BOOL value) = 0;
};

// Conversion settings.
struct IConversionSettings : IUnknown {
  VELK_INTERFACE_ID("{786AF8EA-F99D-4009-A0DD-1FDB5D811F13}")
};

// Geodesy tool settings.
struct IGeodesySettings : IUnknown {
  VELK_INTERFACE_ID("{7863298A-4368-4612-9E8D-AA6527A3FDD2}")
  virtual HRESULT get_GeodesyLineType(LONG* value) = 0;
  virtual HRESULT put_GeodesyLineType(LONG value) = 0;
  // The symbols the geodesy tools draw with; a new host symbol on each call.
  virtual HRESULT get_GeodesyLineSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_GeodesyRangeRingSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_GeodesyRadialLineSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_GeodesyLabelSymbol(IUnknown** symbol) = 0;
  // Stores a copy of the symbol for a kind of velkZelGeodesySymbolTypeEnum (1 lines, 2 radial
  // lines, 3 range rings, 11 labels); E_POINTER for none, E_INVALIDARG for another kind or a
  // symbol of the wrong sort (the stored symbol then stays).
  virtual HRESULT PutSymbol(LONG kind, IUnknown* symbol) = 0;
};

// The kinds of geodesy symbols.
enum velkZelGeodesySymbolTypeEnum : LONG {
  velkZelGeodesyLineSymbol = 1,
  velkZelGeodesyRadialLineSymbol = 2,
  velkZelGeodesyRingsSymbol = 3,
  velkZelGeodesyTextSymbol = 11,
};

// Terrain analysis settings.
struct ITerrainSettings : IUnknown {
  VELK_INTERFACE_ID("{78616172-93B5-4D31-B8C5-6C59159A4588}")
  virtual HRESULT get_TerrainUseCurveRefraction(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_TerrainUseCurveRefraction(VARIANT_BOOL value) = 0;
  virtual HRESULT get_TerrainRefraction(double* value) = 0;
  virtual HRESULT put_TerrainRefraction(double value) = 0;
  virtual HRESULT get_TerrainDisplayLOSProfile(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_TerrainDisplayLOSProfile(VARIANT_BOOL value) = 0;
  virtual HRESULT get_TerrainCalculateZ(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_TerrainCalculateZ(VARIANT_BOOL value) = 0;
  // The symbols of the line-of-sight results by kind of velkZelTerrainSymbolTypeEnum: a new
  // host symbol on each call; E_INVALIDARG (and null) for another kind.
  virtual HRESULT GetSymbol(LONG kind, IUnknown** symbol) = 0;
  // Stores a copy of the symbol for the kind; E_POINTER for none, E_INVALIDARG for another
  // kind or a symbol of the wrong sort (the stored symbol then stays).
  virtual HRESULT PutSymbol(LONG kind, IUnknown* symbol) = 0;
  // GetSymbol with 0, 1, 2, 3, 4, 5, 6, 7 and 8.
  virtual HRESULT get_TerrainLLOSVisSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainLLOSNonVisSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainLLOSStartPntSymbol1(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainLLOSStartPntSymbol2(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainLLOSEndPntSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainRLOSObserverSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainRLOSExtentSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainRLOSVisSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_TerrainRLOSNonVisSymbol(IUnknown** symbol) = 0;
};

// The kinds of line-of-sight symbols.
enum velkZelTerrainSymbolTypeEnum : LONG {
  velkZelTerrainLLOSVisibleSymbol = 0,
  velkZelTerrainLLOSInVisibleSymbol = 1,
  velkZelTerrainLLOSStartPointSymbol1 = 2,
  velkZelTerrainLLOSStartPointSymbol2 = 3,
  velkZelTerrainLLOSEndPointSymbol = 4,
  velkZelTerrainRLOSObserverSym = 5,
  velkZelTerrainRLOSExtentSym = 6,
  velkZelTerrainRLOSVisSym = 7,
  velkZelTerrainRLOSInVisSym = 8,
  velkZelTerrainLLOSStartPointSymbol = 9,
};

// 3-D viewer, threat dome and fly-through settings.
struct IDDDSettings : IUnknown {
  VELK_INTERFACE_ID("{EFD53951-FE33-40A2-9C7B-121B015CD76E}")
  virtual HRESULT get_DDDRadials(double* value) = 0;
  virtual HRESULT put_DDDRadials(double value) = 0;
  virtual HRESULT get_DDDWireframe(double* value) = 0;
  virtual HRESULT put_DDDWireframe(double value) = 0;
  virtual HRESULT get_DDDFlyThruDefaultHt(LONG* value) = 0;
  virtual HRESULT put_DDDFlyThruDefaultHt(LONG value) = 0;
  virtual HRESULT get_DDDFlyThruDefaultIncl(LONG* value) = 0;
  virtual HRESULT put_DDDFlyThruDefaultIncl(LONG value) = 0;
  // The symbols of 3-D graphics by geometry kind: 3 the threat dome's wireframe (a line
  // symbol), 9 the dome (a fill symbol), 13 the fly-through path (a line symbol). A new host
  // symbol on each call; E_INVALIDARG (and null) for any other kind.
  virtual HRESULT DDDGetSymbol(LONG kind, IUnknown** symbol) = 0;
  // Stores a copy of the symbol for the kind; E_POINTER for none, E_INVALIDARG for another
  // kind or a symbol of the wrong sort (the stored symbol then stays).
  virtual HRESULT DDDPutSymbol(LONG kind, IUnknown* symbol) = 0;
  // DDDGetSymbol with 9 and with 3.
  virtual HRESULT get_DDDThreatDomeSymbol(IUnknown** symbol) = 0;
  virtual HRESULT get_DDDWireframeSymbol(IUnknown** symbol) = 0;
};

// Settings the catalog layers get when they are added to a map.
struct IDataManSettings : IUnknown {
  VELK_INTERFACE_ID("{34A81926-C20A-4F5B-B92D-020DEA8A4D3E}")
  virtual HRESULT get_DataManDTEDWireframe(LONG* value) = 0;
  virtual HRESULT put_DataManDTEDWireframe(LONG value) = 0;
  virtual HRESULT get_DataManDTEDDisplayRasters(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManDTEDDisplayRasters(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManDTEDUseUniformRenderer(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManDTEDUseUniformRenderer(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManRPFWireframe(LONG* value) = 0;
  virtual HRESULT put_DataManRPFWireframe(LONG value) = 0;
  virtual HRESULT get_DataManRPFDisplayRasters(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManRPFDisplayRasters(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManRPFUseBestMapSet(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManRPFUseBestMapSet(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManVPFWireframe(LONG* value) = 0;
  virtual HRESULT put_DataManVPFWireframe(LONG value) = 0;
  virtual HRESULT get_DataManVPFUseGeosym(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManVPFUseGeosym(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManVPFUseScaleDependency(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManVPFUseScaleDependency(VARIANT_BOOL value) = 0;
  virtual HRESULT get_DataManVPFShowData(VARIANT_BOOL* value) = 0;
  virtual HRESULT put_DataManVPFShowData(VARIANT_BOOL value) = 0;
};
