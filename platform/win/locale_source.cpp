#include "platform/win/locale_source.h"

#include <charconv>
#include <cwctype>
#include <mutex>
#include <string>

namespace velk::win {

namespace {

std::mutex& LocaleLock() {
  static std::mutex m;
  return m;
}

LocaleSymbols& UserLocaleSlot() {
  static LocaleSymbols symbols = EnglishLocale();
  return symbols;
}

bool StartsWith(std::wstring_view text, std::size_t pos, const std::wstring& token) {
  return !token.empty() && text.compare(pos, token.size(), token) == 0;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The decimal symbol the VARIANT conversions use: this source's, when it is one character.
wchar_t DecimalSymbolOf(LCID locale) {
  LocaleSymbols s;
  return LocaleSymbolsOf(locale, s) && s.decimal.size() == 1 ? s.decimal[0] : L'\0';
}

}  // namespace

LocaleSymbols EnglishLocale() { return LocaleSymbols{}; }

LocaleSymbols UserLocale() {
  std::lock_guard<std::mutex> lock(LocaleLock());
  return UserLocaleSlot();
}

void SetUserLocale(const LocaleSymbols& symbols) {
  {
    std::lock_guard<std::mutex> lock(LocaleLock());
    UserLocaleSlot() = symbols;
  }
  static std::once_flag connected;
  std::call_once(connected, [] { velk::SetVariantLocaleLookup(&DecimalSymbolOf); });
}

void ResetUserLocale() { SetUserLocale(EnglishLocale()); }

bool LocaleSymbolsOf(LCID locale, LocaleSymbols& out) {
  LocaleSymbols user = UserLocale();
  if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT || locale == user.lcid) {
    out = user;
    return true;
  }
  if (locale == LOCALE_ENGLISH_US) {
    out = EnglishLocale();
    return true;
  }
  return false;
}

bool ParseNumberInLocale(std::wstring_view text, LCID locale, double& value) {
  LocaleSymbols sym;
  if (!LocaleSymbolsOf(locale, sym)) return false;

  std::size_t begin = 0, end = text.size();
  while (begin < end && std::iswspace(text[begin])) ++begin;
  while (end > begin && std::iswspace(text[end - 1])) --end;
  text = text.substr(begin, end - begin);

  std::string number;  // ASCII form for the conversion: [-]digits[.digits][e[-]digits]
  std::size_t pos = 0;
  if (StartsWith(text, pos, sym.negativeSign)) {
    number.push_back('-');
    pos += sym.negativeSign.size();
  } else if (StartsWith(text, pos, sym.positiveSign)) {
    pos += sym.positiveSign.size();
  }

  // Integer digits; thousands separators only between whole groups of three.
  std::size_t digits = 0, groupLength = 0;
  bool grouped = false;
  while (pos < text.size()) {
    if (IsDigit(text[pos])) {
      number.push_back(static_cast<char>(text[pos]));
      ++digits;
      ++groupLength;
      ++pos;
    } else if (StartsWith(text, pos, sym.thousands) && !StartsWith(text, pos, sym.decimal)) {
      if (groupLength == 0 || (grouped ? groupLength != 3 : groupLength > 3)) return false;
      grouped = true;
      groupLength = 0;
      pos += sym.thousands.size();
    } else {
      break;
    }
  }
  if (grouped && groupLength != 3) return false;

  if (StartsWith(text, pos, sym.decimal)) {
    pos += sym.decimal.size();
    number.push_back('.');
    while (pos < text.size() && IsDigit(text[pos])) {
      number.push_back(static_cast<char>(text[pos++]));
      ++digits;
    }
  }
  if (digits == 0) return false;

  if (pos < text.size() && (text[pos] == L'e' || text[pos] == L'E')) {
    number.push_back('e');
    ++pos;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-'))
      number.push_back(static_cast<char>(text[pos++]));
    std::size_t expDigits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
      number.push_back(static_cast<char>(text[pos++]));
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (pos != text.size()) return false;

  double result = 0.0;
  auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), result);
  if (ec != std::errc() || ptr != number.data() + number.size()) return false;
  value = result;
  return true;
}

}  // namespace velk::win

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR buf, int cchData) {
  velk::win::LocaleSymbols sym;
  if (!velk::win::LocaleSymbolsOf(locale, sym) || cchData < 0) return 0;
  const std::wstring* item = nullptr;
  switch (type) {
    case LOCALE_SDECIMAL: item = &sym.decimal; break;
    case LOCALE_STHOUSAND: item = &sym.thousands; break;
    case LOCALE_SNEGATIVESIGN: item = &sym.negativeSign; break;
    case LOCALE_SPOSITIVESIGN: item = &sym.positiveSign; break;
    case LOCALE_SLIST: item = &sym.list; break;
    default: return 0;
  }
  int needed = static_cast<int>(item->size()) + 1;
  if (cchData == 0) return needed;
  if (!buf || cchData < needed) return 0;
  item->copy(buf, item->size());
  buf[item->size()] = L'\0';
  return needed;
}

LCID GetUserDefaultLCID() { return velk::win::UserLocale().lcid; }
