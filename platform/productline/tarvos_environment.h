// The settings environment: one object answering the settings interface and every per-area
// settings interface, holding the values declared in tarvos_settings.h. Values are read from
// HKCU\Software\Velk\Tarvos\10.0.0.0 when the object is made and written back to it on every
// change, so they survive a restart of the host.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "interfaces/zel_settings.h"
#include "platform/com/object.h"
#include "platform/productline/tarvos_settings.h"

namespace velk::productline {

inline constexpr CLSID CLSID_TarvosEnvironment = MakeGuid("{AB5A6AD2-96CB-4E48-A0C5-8209F0AD12DC}");

// Opens a host workspace from its factory ProgID and path in place of the host's own workspace
// factories (which answer while none is installed); lets tests hand out other objects.
using WorkspaceOpener = std::function<HRESULT(const std::wstring& factoryProgId,
                                              const std::wstring& path, IUnknown** workspace)>;
void SetWorkspaceOpener(WorkspaceOpener opener);

namespace detail {
// The geodesy and terrain interfaces each have a PutSymbol(kind, symbol) of their own kinds:
// each is answered under its own name (so hiding the other PutSymbol is meant).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
struct GeodesySettingsSeam : IGeodesySettings {
  HRESULT PutSymbol(LONG kind, IUnknown* symbol) final { return PutGeodesySymbol(kind, symbol); }
  virtual HRESULT PutGeodesySymbol(LONG kind, IUnknown* symbol) = 0;
};
struct TerrainSettingsSeam : ITerrainSettings {
  HRESULT PutSymbol(LONG kind, IUnknown* symbol) final { return PutTerrainSymbol(kind, symbol); }
  virtual HRESULT PutTerrainSymbol(LONG kind, IUnknown* symbol) = 0;
};
#pragma GCC diagnostic pop
}  // namespace detail

class TarvosEnvironment
    : public ComObjectRoot<TarvosEnvironment, IZelSettings, IGeneralSettings, ICoordToolSettings,
                           IConversionFieldsSettings, IConversionSettings,
                           detail::GeodesySettingsSeam, detail::TerrainSettingsSeam, IDDDSettings,
                           IDataManSettings> {
 public:
  TarvosEnvironment();
  // Reads the stored values (defaults for what the key lacks).
  HRESULT FinalConstruct();

  HRESULT RegisterAllSettings() override;
  // REGDB_E_READREGDB when the registry file cannot be read: the values then stay as they are.
  HRESULT LoadAllSettings() override;

#define VELK_ACC_Prop_Bool(name)                                                               \
  HRESULT get_##name(VARIANT_BOOL* value) override { return GetBool(SettingId::name, value); } \
  HRESULT put_##name(VARIANT_BOOL value) override { return PutBool(SettingId::name, value); }
#define VELK_ACC_Prop_Long(name)                                                       \
  HRESULT get_##name(LONG* value) override { return GetLong(SettingId::name, value); } \
  HRESULT put_##name(LONG value) override { return PutLong(SettingId::name, value); }
#define VELK_ACC_Prop_Double(name)                                                         \
  HRESULT get_##name(double* value) override { return GetDouble(SettingId::name, value); } \
  HRESULT put_##name(double value) override { return PutDouble(SettingId::name, value); }
#define VELK_ACC_Prop_String(name)                                                       \
  HRESULT get_##name(BSTR* value) override { return GetString(SettingId::name, value); } \
  HRESULT put_##name(BSTR value) override {                                              \
    return PutString(SettingId::name, BstrToWstring(value));                             \
  }
#define VELK_ACC_Hidden_Bool(name)
#define VELK_ACC_Hidden_Long(name)
#define VELK_ACC_Hidden_Double(name)
#define VELK_ACC_Hidden_String(name)
#define VELK_ACC_Hidden_Symbol(name)
#define VELK_SETTING_ACCESSORS(area, name, type, prop, number, text) VELK_ACC_##prop##_##type(name)
  VELK_TARVOS_SETTINGS(VELK_SETTING_ACCESSORS)
#undef VELK_SETTING_ACCESSORS

  HRESULT get_GeneralOutputWorkspace(IUnknown** workspace) override;
  HRESULT SetGeneralOutputWorkspace(BSTR factoryProgId, BSTR path) override;
  HRESULT get_GeneralOutputWorkspacePath(BSTR* path) override;

  HRESULT get_CoordToolSymbol(IUnknown** symbol) override;
  // Hides the geodesy and terrain PutSymbol(kind, symbol), as meant (see the seams above).
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
  HRESULT PutSymbol(IUnknown* symbol) override;
#ifdef __clang__
#pragma clang diagnostic pop
#endif
  HRESULT DDDGetSymbol(LONG kind, IUnknown** symbol) override;
  HRESULT DDDPutSymbol(LONG kind, IUnknown* symbol) override;
  HRESULT get_DDDThreatDomeSymbol(IUnknown** symbol) override;
  HRESULT get_DDDWireframeSymbol(IUnknown** symbol) override;
  HRESULT get_GeodesyLineSymbol(IUnknown** symbol) override;
  HRESULT get_GeodesyRangeRingSymbol(IUnknown** symbol) override;
  HRESULT get_GeodesyRadialLineSymbol(IUnknown** symbol) override;
  HRESULT get_GeodesyLabelSymbol(IUnknown** symbol) override;
  HRESULT PutGeodesySymbol(LONG kind, IUnknown* symbol) override;
  HRESULT GetSymbol(LONG kind, IUnknown** symbol) override;
  HRESULT PutTerrainSymbol(LONG kind, IUnknown* symbol) override;
  HRESULT get_TerrainLLOSVisSymbol(IUnknown** symbol) override { return GetSymbol(0, symbol); }
  HRESULT get_TerrainLLOSNonVisSymbol(IUnknown** symbol) override { return GetSymbol(1, symbol); }
  HRESULT get_TerrainLLOSStartPntSymbol1(IUnknown** symbol) override {
    return GetSymbol(2, symbol);
  }
  HRESULT get_TerrainLLOSStartPntSymbol2(IUnknown** symbol) override {
    return GetSymbol(3, symbol);
  }
  HRESULT get_TerrainLLOSEndPntSymbol(IUnknown** symbol) override { return GetSymbol(4, symbol); }
  HRESULT get_TerrainRLOSObserverSymbol(IUnknown** symbol) override { return GetSymbol(5, symbol); }
  HRESULT get_TerrainRLOSExtentSymbol(IUnknown** symbol) override { return GetSymbol(6, symbol); }
  HRESULT get_TerrainRLOSVisSymbol(IUnknown** symbol) override { return GetSymbol(7, symbol); }
  HRESULT get_TerrainRLOSNonVisSymbol(IUnknown** symbol) override { return GetSymbol(8, symbol); }

  // Typed access by declaration (the properties above go through these). A put stores the
  // value and writes it to the registry; a failed write is returned, the value is kept.
  HRESULT GetBool(SettingId id, VARIANT_BOOL* value) const;
  HRESULT PutBool(SettingId id, VARIANT_BOOL value);
  HRESULT GetLong(SettingId id, LONG* value) const;
  HRESULT PutLong(SettingId id, LONG value);
  HRESULT GetDouble(SettingId id, double* value) const;
  HRESULT PutDouble(SettingId id, double value);
  HRESULT GetString(SettingId id, BSTR* value) const;
  HRESULT PutString(SettingId id, const std::wstring& value);
  // A symbol setting: a new host symbol made from the stored text; a copy of the symbol
  // stored (E_POINTER for none, E_INVALIDARG for a symbol not of the setting's sort).
  HRESULT GetSymbolSetting(SettingId id, IUnknown** symbol) const;
  HRESULT PutSymbolSetting(SettingId id, IUnknown* symbol);

  // Every value back to its default (in memory only).
  void ResetToDefaults();

  // A setting by its declared name as text: booleans "-1"/"0" (also read from "true"/"false"),
  // whole numbers in decimal, reals in the C locale, texts as they are, symbols in their text
  // form. E_INVALIDARG for an unknown name or a text the setting's type cannot take (the value
  // is then unchanged).
  HRESULT GetText(const std::wstring& name, std::wstring& out) const;
  HRESULT SetText(const std::wstring& name, const std::wstring& text);
  static bool FindSetting(const std::wstring& name, SettingId& id);

 private:
  struct Stored {
    LONG number = 0;  // Bool (as the VARIANT_BOOL's value) and Long
    double real = 0.0;
    std::wstring text;
  };
  HRESULT Write(SettingId id) const;
  std::array<Stored, kSettingCount> values_;
};

HRESULT CreateTarvosEnvironment(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::productline
