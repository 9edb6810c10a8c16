// Trimming, lower-casing and case-insensitive comparison of texts (names, typed values, list
// searches), and names quoted for SQL.
#pragma once

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <string>
#include <string_view>

namespace velk {

// White space as typed texts have it, the no-break space included.
inline bool IsBlank(wchar_t c) { return c == 0xA0 || std::iswspace(static_cast<wint_t>(c)); }

// The text without blanks at either end.
inline std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A narrow text (file headers, scripts) without ASCII white space at either end.
inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// The text in lower case, letter by letter.
inline std::wstring ToLower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return s;
}
// A narrow text (file names, extensions, keys) in lower case, byte by byte.
inline std::string ToLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
inline std::string ToLower(std::string_view s) { return ToLower(std::string(s)); }
inline std::string ToLower(const char* s) { return ToLower(std::string(s)); }

// The text in upper case, letter by letter.
inline std::wstring ToUpper(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
  return s;
}
// A narrow text (keywords, codes, file names) in upper case, byte by byte.
inline std::string ToUpper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
inline std::string ToUpper(std::string_view s) { return ToUpper(std::string(s)); }
inline std::string ToUpper(const char* s) { return ToUpper(std::string(s)); }

inline bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
      return false;
  return true;
}

inline bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// Negative, zero or positive as a sorts before, with or after b.
inline int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const wint_t x = std::towlower(static_cast<wint_t>(a[i]));
    const wint_t y = std::towlower(static_cast<wint_t>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The text in the quote character, each one inside doubled (as SQL escapes them).
inline std::string SqlQuoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  return out + quote;
}

// A table or column name as SQL quotes it: in double quotes, each one inside doubled.
inline std::string SqlQuotedName(std::string_view name) { return SqlQuoted(name, '"'); }

// A text as an SQL literal: in single quotes, each one inside doubled.
inline std::string SqlQuotedText(std::string_view text) { return SqlQuoted(text, '\''); }

}  // namespace velk
