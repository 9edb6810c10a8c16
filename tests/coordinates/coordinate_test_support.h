// Shared pieces of the coordinate notation tests: a parser of each notation with its own
// validator and formatter, and a resource module with localized hemisphere letters.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>

#include "coordinates/dms_formatter.h"
#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_formatter.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/parser.h"
#include "coordinates/utm_formatter.h"
#include "coordinates/utm_validator.h"
#include "platform/win/locale_source.h"

namespace velk::corvane::testing {

// A validator, a formatter and the parser joining them, as the coordinate edits hold them.
template <class V, class F>
struct NotationParser {
  V validator;
  F formatter;
  Parser parser{&validator, &formatter};

  // Parse through the BSTR form; returns the resulting text and sets valid.
  std::wstring Parse(const std::wstring& text, bool& valid) {
    BSTR b = AllocBstr(text);
    valid = parser.Parse(&b);
    std::wstring out = BstrToWstring(b);
    SysFreeString(b);
    return out;
  }
};
using DmsParser = NotationParser<DMSValidator, DMSFormatter>;
using UtmParser = NotationParser<UTMValidator, UTMFormatter>;
using MgrsParser = NotationParser<MGRSValidator, MGRSFormatter>;

// A typed text, the text the parser shows for it, and whether it was valid.
struct ParseCase {
  const wchar_t* typed;
  const wchar_t* shown;
  bool valid;
};

// Runs a table of parse cases through both forms of the parser (BSTR and window text).
template <class P>
void RunParseCases(P& p, std::span<const ParseCase> cases) {
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.typed)));
    bool valid = false;
    EXPECT_EQ(p.Parse(c.typed, valid), c.shown);
    EXPECT_EQ(valid, c.valid);
    std::wstring text = c.typed;
    EXPECT_EQ(p.parser.ParseText(&text), c.valid);
    EXPECT_EQ(text, c.shown);
  }
}

// A locale with decimal comma and full-stop thousands separator.
inline velk::win::LocaleSymbols DecimalCommaLocale() {
  velk::win::LocaleSymbols s;
  s.lcid = 1031;
  s.decimal = L",";
  s.thousands = L".";
  s.list = L";";
  return s;
}

// A resource module whose string table holds the hemisphere names of a language with
// "O" for east; installed as the symbol source for the lifetime of the object.
class LocalizedLetters {
 public:
  LocalizedLetters() {
    static const char kStrings[] =
        "3597\tNord\n3598\tS\xC3\xBC"
        "d\n3599\tWest\n3600\tOst\n";
    static const velk::res::EmbeddedResource kTable[] = {
        {"strings", "strings", reinterpret_cast<const unsigned char*>(kStrings),
         sizeof kStrings - 1},
        {nullptr, nullptr, nullptr, 0}};
    module_ = std::make_unique<velk::res::ResourceModule>(L"localized", kTable);
    current_ = module_.get();
    SetSymbolResourceSource([]() -> HINSTANCE { return current_; });
  }
  ~LocalizedLetters() {
    SetSymbolResourceSource(nullptr);
    current_ = nullptr;
  }

 private:
  std::unique_ptr<velk::res::ResourceModule> module_;
  static inline HINSTANCE current_ = nullptr;
};

}  // namespace velk::corvane::testing
