// The hemisphere letters and number symbols that coordinate texts are written with, in the
// user's language and locale, and the pattern pieces the validators build from them.
#pragma once

#include <string>

#include "platform/win/resource_module.h"

namespace velk::corvane {

// String-table entries of the localized hemisphere letters (supplied by a localized resource
// module when it has them).
constexpr UINT IDS_NORTH_LETTER = 3597;
constexpr UINT IDS_SOUTH_LETTER = 3598;
constexpr UINT IDS_WEST_LETTER = 3599;
constexpr UINT IDS_EAST_LETTER = 3600;

// Where the hemisphere letters are loaded from: a function giving a resource module (may give
// null: the English letters). By default Corvane's resource instance (the localized module when
// one is installed); null restores that default. For tests.
using SymbolResourceSource = HINSTANCE (*)();
void SetSymbolResourceSource(SymbolResourceSource source);

// Escapes a symbol for literal use inside an ECMAScript pattern: ASCII punctuation gets a back
// slash, anything else (letters, digits, other characters) is taken as it is.
std::wstring EscapeForPattern(const std::wstring& symbol);

struct LocalizedCoordinateSymbols {
  std::wstring north = L"N";
  std::wstring south = L"S";
  std::wstring west = L"W";
  std::wstring east = L"E";
  std::wstring decimalSeparator = L".";
  std::wstring thousandsSeparator = L",";
  std::wstring negativeSign = L"-";
  // Pattern pieces: "(\+|\-)", "(N|S)", "(E|W)" with the default symbols.
  std::wstring signGroup;
  std::wstring northSouthGroup;
  std::wstring eastWestGroup;

  // Letters from the resource source, number symbols from the user-default locale.
  LocalizedCoordinateSymbols();
  // Letters from the given resource module (null: the English letters).
  explicit LocalizedCoordinateSymbols(HINSTANCE resources);

 private:
  void Load(HINSTANCE resources);
};

}  // namespace velk::corvane
