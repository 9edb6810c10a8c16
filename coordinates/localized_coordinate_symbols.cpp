#include "coordinates/localized_coordinate_symbols.h"

#include <atomic>

#include "framework/corvane_module.h"
#include "platform/win/locale_source.h"

namespace velk::corvane {

namespace {

std::atomic<SymbolResourceSource> g_resourceSource{nullptr};

// The first character of a string-table entry, when the entry loads.
void LoadLetter(HINSTANCE resources, UINT id, std::wstring& letter) {
  wchar_t buf[64];
  if (resources && LoadStringW(resources, id, buf, 64) > 0) letter.assign(1, buf[0]);
}

// A locale symbol replaces the default only when it is exactly one character.
void LoadLocaleSymbol(LCTYPE type, std::wstring& symbol) {
  wchar_t buf[16];
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buf, 16) == 2) symbol.assign(1, buf[0]);
}

}  // namespace

void SetSymbolResourceSource(SymbolResourceSource source) { g_resourceSource.store(source); }

std::wstring EscapeForPattern(const std::wstring& symbol) {
  std::wstring out;
  for (wchar_t c : symbol) {
    bool punctuation = c < 0x80 && c > L' ' && !(c >= L'0' && c <= L'9') &&
                       !(c >= L'A' && c <= L'Z') && !(c >= L'a' && c <= L'z') && c != L'_';
    if (punctuation) out += L'\\';
    out += c;
  }
  return out;
}

LocalizedCoordinateSymbols::LocalizedCoordinateSymbols() {
  SymbolResourceSource source = g_resourceSource.load();
  Load(source ? source() : ResourceInstance());
}

LocalizedCoordinateSymbols::LocalizedCoordinateSymbols(HINSTANCE resources) { Load(resources); }

void LocalizedCoordinateSymbols::Load(HINSTANCE resources) {
  LoadLetter(resources, IDS_NORTH_LETTER, north);
  LoadLetter(resources, IDS_SOUTH_LETTER, south);
  LoadLetter(resources, IDS_WEST_LETTER, west);
  LoadLetter(resources, IDS_EAST_LETTER, east);
  LoadLocaleSymbol(LOCALE_SDECIMAL, decimalSeparator);
  LoadLocaleSymbol(LOCALE_STHOUSAND, thousandsSeparator);
  LoadLocaleSymbol(LOCALE_SNEGATIVESIGN, negativeSign);
  signGroup = L"(\\+|" + EscapeForPattern(negativeSign) + L")";
  northSouthGroup = L"(" + EscapeForPattern(north) + L"|" + EscapeForPattern(south) + L")";
  eastWestGroup = L"(" + EscapeForPattern(east) + L"|" + EscapeForPattern(west) + L")";
}

}  // namespace velk::corvane
