#include "platform/productline/tarvos_environment.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <mutex>

#include "platform/com/text.h"
#include "platform/host/data/data_class_ids.h"
#include "platform/host/data/workspace_objects.h"
#include "platform/productline/symbol_text.h"
#include "platform/registry/registry.h"

namespace velk::productline {
namespace {

std::mutex g_openerLock;
WorkspaceOpener g_opener;

using reg::Hive;

std::wstring FormatReal(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return L"0";
  return std::wstring(buf, end);
}

bool ParseReal(const std::wstring& text, double& out) {
  std::string narrow;
  for (wchar_t c : text) {
    if (c > 127) return false;
    narrow.push_back(static_cast<char>(c));
  }
  double v = 0.0;
  auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), v);
  if (ec != std::errc() || end != narrow.data() + narrow.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

// The sort of symbol a symbol setting takes: the first word of its default ("marker", ...).
std::wstring SymbolSort(const std::wstring& text) { return text.substr(0, text.find(L' ')); }

// Whether the text is a symbol of the setting's sort.
bool FitsSymbolSetting(SettingId id, const std::wstring& text) {
  return SymbolSort(text) == SymbolSort(Decl(id).text) && SymbolFromText(text);
}

// Opens the output workspace through the host's own factory of that ProgID (a folder of
// shapefiles when none is stored). A folder that is gone, or a ProgID the host does not know,
// gives no workspace: the setting then names nothing the tools could write into.
HRESULT OpenWithHostFactory(const std::wstring& factoryProgId, const std::wstring& path,
                            IUnknown** workspace) {
  ComPtr<IWorkspaceFactory> factory = host::WorkspaceFactoryFromProgId(
      factoryProgId.empty() ? std::wstring(host::kShapefileWorkspaceFactoryProgId) : factoryProgId);
  if (!factory) return S_OK;
  ComPtr<IWorkspace> opened;
  if (FAILED(factory->OpenFromFile(Bstr(path), nullptr, opened.put())) || !opened) return S_OK;
  *workspace = opened.Detach();
  return S_OK;
}

HRESULT FromStatus(LSTATUS s) {
  return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<std::uint32_t>(s));
}

}  // namespace

void SetWorkspaceOpener(WorkspaceOpener opener) {
  std::lock_guard<std::mutex> lock(g_openerLock);
  g_opener = std::move(opener);
}

TarvosEnvironment::TarvosEnvironment() { ResetToDefaults(); }

HRESULT TarvosEnvironment::FinalConstruct() {
  // An unreadable registry leaves the defaults; the object is still usable.
  LoadAllSettings();
  return S_OK;
}

void TarvosEnvironment::ResetToDefaults() {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const SettingDecl& d = kSettingDecls[i];
    Stored s;
    s.number = static_cast<LONG>(d.number);
    s.real = d.number;
    s.text = d.text ? d.text : L"";
    values_[i] = std::move(s);
  }
}

HRESULT TarvosEnvironment::Write(SettingId id) const {
  const SettingDecl& d = Decl(id);
  const Stored& s = values_[static_cast<std::size_t>(id)];
  std::wstring key = SettingKeyPath(id);
  switch (d.type) {
    case SettingType::Bool:
    case SettingType::Long:
      return FromStatus(
          reg::WriteDword(Hive::CurrentUser, key, d.name, static_cast<DWORD>(s.number)));
    case SettingType::Double:
      return FromStatus(reg::WriteString(Hive::CurrentUser, key, d.name, FormatReal(s.real)));
    case SettingType::String:
    case SettingType::Symbol:
      return FromStatus(reg::WriteString(Hive::CurrentUser, key, d.name, s.text));
  }
  return E_FAIL;
}

HRESULT TarvosEnvironment::RegisterAllSettings() {
  HRESULT result = S_OK;
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    HRESULT hr = Write(static_cast<SettingId>(i));
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT TarvosEnvironment::LoadAllSettings() {
  if (!reg::EnsureLoaded()) return REGDB_E_READREGDB;
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const SettingDecl& d = kSettingDecls[i];
    auto id = static_cast<SettingId>(i);
    Stored& s = values_[i];
    // Start from the default; a stored value of the right type replaces it. A value of the
    // wrong type is left in the registry untouched until the setting is written.
    s.number = static_cast<LONG>(d.number);
    s.real = d.number;
    s.text = d.text ? d.text : L"";
    reg::Value v;
    if (!reg::ReadValue(Hive::CurrentUser, SettingKeyPath(id), d.name, v)) continue;
    switch (d.type) {
      case SettingType::Bool:
        if (v.type == REG_DWORD)
          s.number = static_cast<SHORT>(static_cast<std::uint16_t>(v.number & 0xFFFF));
        break;
      case SettingType::Long:
        if (v.type == REG_DWORD) s.number = static_cast<LONG>(v.number);
        break;
      case SettingType::Double:
        if (v.type == REG_SZ) ParseReal(v.text, s.real);
        break;
      case SettingType::String:
        if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) s.text = v.text;
        break;
      case SettingType::Symbol:
        if (v.type == REG_SZ && FitsSymbolSetting(id, v.text)) s.text = v.text;
        break;
    }
  }
  return S_OK;
}

HRESULT TarvosEnvironment::GetBool(SettingId id, VARIANT_BOOL* value) const {
  if (!value) return E_POINTER;
  *value = static_cast<VARIANT_BOOL>(values_[static_cast<std::size_t>(id)].number);
  return S_OK;
}

HRESULT TarvosEnvironment::PutBool(SettingId id, VARIANT_BOOL value) {
  values_[static_cast<std::size_t>(id)].number = value;
  return Write(id);
}

HRESULT TarvosEnvironment::GetLong(SettingId id, LONG* value) const {
  if (!value) return E_POINTER;
  *value = values_[static_cast<std::size_t>(id)].number;
  return S_OK;
}

HRESULT TarvosEnvironment::PutLong(SettingId id, LONG value) {
  values_[static_cast<std::size_t>(id)].number = value;
  return Write(id);
}

HRESULT TarvosEnvironment::GetDouble(SettingId id, double* value) const {
  if (!value) return E_POINTER;
  *value = values_[static_cast<std::size_t>(id)].real;
  return S_OK;
}

HRESULT TarvosEnvironment::PutDouble(SettingId id, double value) {
  if (!std::isfinite(value)) return E_INVALIDARG;
  values_[static_cast<std::size_t>(id)].real = value;
  return Write(id);
}

HRESULT TarvosEnvironment::GetString(SettingId id, BSTR* value) const {
  if (!value) return E_POINTER;
  *value = AllocBstr(values_[static_cast<std::size_t>(id)].text);
  return *value ? S_OK : E_OUTOFMEMORY;
}

HRESULT TarvosEnvironment::PutString(SettingId id, const std::wstring& value) {
  values_[static_cast<std::size_t>(id)].text = value;
  return Write(id);
}

HRESULT TarvosEnvironment::GetSymbolSetting(SettingId id, IUnknown** symbol) const {
  if (!symbol) return E_POINTER;
  *symbol = nullptr;
  VELK_TRY
  ComPtr<IUnknown> made = SymbolFromText(values_[static_cast<std::size_t>(id)].text);
  if (!made) made = SymbolFromText(Decl(id).text);  // cannot happen: stored texts are checked
  if (!made) return E_FAIL;
  *symbol = made.Detach();
  return S_OK;
  VELK_CATCH
}

HRESULT TarvosEnvironment::PutSymbolSetting(SettingId id, IUnknown* symbol) {
  if (!symbol) return E_POINTER;
  std::wstring text;
  VELK_TRY
  if (!SymbolToText(symbol, text) || !FitsSymbolSetting(id, text)) return E_INVALIDARG;
  VELK_CATCH
  return PutString(id, text);
}

HRESULT TarvosEnvironment::get_CoordToolSymbol(IUnknown** symbol) {
  return GetSymbolSetting(SettingId::CoordToolSymbol, symbol);
}

HRESULT TarvosEnvironment::PutSymbol(IUnknown* symbol) {
  return PutSymbolSetting(SettingId::CoordToolSymbol, symbol);
}

namespace {
bool DDDSymbolId(LONG kind, SettingId& id) {
  switch (kind) {
    case 3: id = SettingId::DDDWireframeSymbol; return true;
    case 9: id = SettingId::DDDThreatDomeSymbol; return true;
    case 13: id = SettingId::DDDFlyThruSymbol; return true;
    default: return false;
  }
}
}  // namespace

HRESULT TarvosEnvironment::DDDGetSymbol(LONG kind, IUnknown** symbol) {
  if (!symbol) return E_POINTER;
  *symbol = nullptr;
  SettingId id{};
  if (!DDDSymbolId(kind, id)) return E_INVALIDARG;
  return GetSymbolSetting(id, symbol);
}

HRESULT TarvosEnvironment::DDDPutSymbol(LONG kind, IUnknown* symbol) {
  SettingId id{};
  if (!DDDSymbolId(kind, id)) return E_INVALIDARG;
  return PutSymbolSetting(id, symbol);
}

HRESULT TarvosEnvironment::get_DDDThreatDomeSymbol(IUnknown** symbol) {
  return DDDGetSymbol(9, symbol);
}

HRESULT TarvosEnvironment::get_DDDWireframeSymbol(IUnknown** symbol) {
  return DDDGetSymbol(3, symbol);
}

namespace {
bool GeodesySymbolId(LONG kind, SettingId& id) {
  switch (kind) {
    case velkZelGeodesyLineSymbol: id = SettingId::GeodesyLineSymbol; return true;
    case velkZelGeodesyRadialLineSymbol: id = SettingId::GeodesyRadialLineSymbol; return true;
    case velkZelGeodesyRingsSymbol: id = SettingId::GeodesyRangeRingSymbol; return true;
    case velkZelGeodesyTextSymbol: id = SettingId::GeodesyLabelSymbol; return true;
    default: return false;
  }
}
bool TerrainSymbolId(LONG kind, SettingId& id) {
  static constexpr SettingId kIds[] = {
      SettingId::TerrainLLOSVisSymbol,       SettingId::TerrainLLOSNonVisSymbol,
      SettingId::TerrainLLOSStartPntSymbol1, SettingId::TerrainLLOSStartPntSymbol2,
      SettingId::TerrainLLOSEndPntSymbol,    SettingId::TerrainRLOSObserverSymbol,
      SettingId::TerrainRLOSExtentSymbol,    SettingId::TerrainRLOSVisSymbol,
      SettingId::TerrainRLOSNonVisSymbol,    SettingId::TerrainLLOSStartPntSymbol};
  if (kind < 0 || kind >= static_cast<LONG>(std::size(kIds))) return false;
  id = kIds[kind];
  return true;
}
}  // namespace

HRESULT TarvosEnvironment::get_GeodesyLineSymbol(IUnknown** symbol) {
  return GetSymbolSetting(SettingId::GeodesyLineSymbol, symbol);
}
HRESULT TarvosEnvironment::get_GeodesyRangeRingSymbol(IUnknown** symbol) {
  return GetSymbolSetting(SettingId::GeodesyRangeRingSymbol, symbol);
}
HRESULT TarvosEnvironment::get_GeodesyRadialLineSymbol(IUnknown** symbol) {
  return GetSymbolSetting(SettingId::GeodesyRadialLineSymbol, symbol);
}
HRESULT TarvosEnvironment::get_GeodesyLabelSymbol(IUnknown** symbol) {
  return GetSymbolSetting(SettingId::GeodesyLabelSymbol, symbol);
}

HRESULT TarvosEnvironment::PutGeodesySymbol(LONG kind, IUnknown* symbol) {
  SettingId id{};
  if (!GeodesySymbolId(kind, id)) return E_INVALIDARG;
  return PutSymbolSetting(id, symbol);
}

HRESULT TarvosEnvironment::GetSymbol(LONG kind, IUnknown** symbol) {
  if (!symbol) return E_POINTER;
  *symbol = nullptr;
  SettingId id{};
  if (!TerrainSymbolId(kind, id)) return E_INVALIDARG;
  return GetSymbolSetting(id, symbol);
}

HRESULT TarvosEnvironment::PutTerrainSymbol(LONG kind, IUnknown* symbol) {
  SettingId id{};
  if (!TerrainSymbolId(kind, id)) return E_INVALIDARG;
  return PutSymbolSetting(id, symbol);
}

HRESULT TarvosEnvironment::get_GeneralOutputWorkspace(IUnknown** workspace) {
  if (!workspace) return E_POINTER;
  *workspace = nullptr;
  const std::wstring& path =
      values_[static_cast<std::size_t>(SettingId::GeneralOutputWorkspacePath)].text;
  if (path.empty()) return S_OK;
  WorkspaceOpener opener;
  {
    std::lock_guard<std::mutex> lock(g_openerLock);
    opener = g_opener;
  }
  const std::wstring& factory =
      values_[static_cast<std::size_t>(SettingId::GeneralOutputWorkspaceFactory)].text;
  VELK_TRY
  if (opener) return opener(factory, path, workspace);
  return OpenWithHostFactory(factory, path, workspace);
  VELK_CATCH
}

HRESULT TarvosEnvironment::SetGeneralOutputWorkspace(BSTR factoryProgId, BSTR path) {
  HRESULT a = PutString(SettingId::GeneralOutputWorkspaceFactory, BstrToWstring(factoryProgId));
  HRESULT b = PutString(SettingId::GeneralOutputWorkspacePath, BstrToWstring(path));
  return FAILED(a) ? a : b;
}

HRESULT TarvosEnvironment::get_GeneralOutputWorkspacePath(BSTR* path) {
  return GetString(SettingId::GeneralOutputWorkspacePath, path);
}

bool TarvosEnvironment::FindSetting(const std::wstring& name, SettingId& id) {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (name == kSettingDecls[i].name) {
      id = static_cast<SettingId>(i);
      return true;
    }
  }
  return false;
}

HRESULT TarvosEnvironment::GetText(const std::wstring& name, std::wstring& out) const {
  SettingId id{};
  if (!FindSetting(name, id)) return E_INVALIDARG;
  const Stored& s = values_[static_cast<std::size_t>(id)];
  switch (Decl(id).type) {
    case SettingType::Bool:
    case SettingType::Long: out = std::to_wstring(s.number); break;
    case SettingType::Double: out = FormatReal(s.real); break;
    case SettingType::String:
    case SettingType::Symbol: out = s.text; break;
  }
  return S_OK;
}

HRESULT TarvosEnvironment::SetText(const std::wstring& name, const std::wstring& text) {
  SettingId id{};
  if (!FindSetting(name, id)) return E_INVALIDARG;
  auto whole = [&](LONG& out) {
    double v = 0;
    if (!ParseReal(text, v) || v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0)
      return false;
    out = static_cast<LONG>(v);
    return true;
  };
  switch (Decl(id).type) {
    case SettingType::Bool: {
      LONG v = 0;
      if (text == L"true" || text == L"True")
        v = VARIANT_TRUE;
      else if (text == L"false" || text == L"False")
        v = VARIANT_FALSE;
      else if (!whole(v) || v < -32768 || v > 32767)
        return E_INVALIDARG;
      return PutBool(id, static_cast<VARIANT_BOOL>(v));
    }
    case SettingType::Long: {
      LONG v = 0;
      if (!whole(v)) return E_INVALIDARG;
      return PutLong(id, v);
    }
    case SettingType::Double: {
      double v = 0;
      if (!ParseReal(text, v)) return E_INVALIDARG;
      return PutDouble(id, v);
    }
    case SettingType::String: return PutString(id, text);
    case SettingType::Symbol:
      if (!FitsSymbolSetting(id, text)) return E_INVALIDARG;
      return PutString(id, text);
  }
  return E_INVALIDARG;
}

HRESULT CreateTarvosEnvironment(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TarvosEnvironment>(outer, riid, ppv);
}

}  // namespace velk::productline
