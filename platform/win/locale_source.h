// The user-default locale: the number symbols that GetLocaleInfoW answers, and number reading
// in a locale as the automation conversions do it. The user default comes from one settable
// source (default: English symbols), so tests and demos can run decimal-comma cases without
// any operating-system locale.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/base_types.h"
#include "platform/com/variant.h"  // LCID, LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT

using LCTYPE = DWORD;

constexpr LCID LOCALE_ENGLISH_US = 1033;

constexpr LCTYPE LOCALE_SLIST = 0x0000000C;
constexpr LCTYPE LOCALE_SDECIMAL = 0x0000000E;
constexpr LCTYPE LOCALE_STHOUSAND = 0x0000000F;
constexpr LCTYPE LOCALE_SPOSITIVESIGN = 0x00000050;
constexpr LCTYPE LOCALE_SNEGATIVESIGN = 0x00000051;

// Copies the locale text with its terminator into buf and returns the number of characters
// written, terminator included. cchData 0 asks for that size. Returns 0 for an unknown locale
// or item, or when buf is too small.
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buf, int cchData);
LCID GetUserDefaultLCID();

namespace velk::win {

struct LocaleSymbols {
  LCID lcid = LOCALE_ENGLISH_US;
  std::wstring decimal = L".";
  std::wstring thousands = L",";
  std::wstring negativeSign = L"-";
  std::wstring positiveSign = L"+";
  std::wstring list = L",";
};

// The symbols of locale 1033 (English, United States).
LocaleSymbols EnglishLocale();

// The user-default locale. SetUserLocale replaces it for the whole process (and from then on
// the VARIANT number conversions take their decimal symbol from this source too);
// ResetUserLocale brings back the English default.
LocaleSymbols UserLocale();
void SetUserLocale(const LocaleSymbols& symbols);
void ResetUserLocale();

// The symbols of a locale id: the user default (LOCALE_USER_DEFAULT, LOCALE_SYSTEM_DEFAULT or
// the user locale's own id) or 1033. False for any other id.
bool LocaleSymbolsOf(LCID locale, LocaleSymbols& out);

// Reads a number written in the given locale: optional white space around it, an optional
// sign ("+" or the locale's signs), digits with thousands separators only between complete
// groups of three, an optional decimal part after the locale's decimal symbol, an optional
// exponent ("e" or "E", sign, digits). False, and value untouched, for anything else or a
// result out of the double range.
bool ParseNumberInLocale(std::wstring_view text, LCID locale, double& value);

// Sets the user locale for one scope and restores the earlier one at its end (for tests).
class ScopedUserLocale {
 public:
  explicit ScopedUserLocale(const LocaleSymbols& symbols) : saved_(UserLocale()) {
    SetUserLocale(symbols);
  }
  ~ScopedUserLocale() { SetUserLocale(saved_); }
  ScopedUserLocale(const ScopedUserLocale&) = delete;
  ScopedUserLocale& operator=(const ScopedUserLocale&) = delete;

 private:
  LocaleSymbols saved_;
};

}  // namespace velk::win
