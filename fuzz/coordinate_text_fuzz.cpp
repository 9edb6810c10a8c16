// The readers of typed coordinates over any text: the validators' step matchers agree with
// their patterns (same answer, same parts), the parsers clean or refuse the text, and the
// number and DMS readers accept only values inside their bounds.
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <string>

#include "coordinates/coordinate_pair_reader.h"
#include "coordinates/dms_formatter.h"
#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_formatter.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/parser.h"
#include "coordinates/utm_formatter.h"
#include "coordinates/utm_validator.h"
#include "framework/corvane_module.h"
#include "fuzz/fuzz_input.h"

using namespace velk::corvane;

namespace {

// The text the pattern oracle checks: runs of separators (white space, commas, slashes) cut to
// four characters and the whole to 64. The regular-expression engine backtracks through
// adjacent white-space repeats in time that grows with a power of the run's length (a run of
// form feeds took it seconds); cut like this, every input is checked in bounded time, and the
// matcher sees the same text.
std::wstring OracleText(const std::wstring& text) {
  std::wstring out;
  std::size_t run = 0;
  for (wchar_t c : text) {
    const bool separator = std::iswspace(static_cast<wint_t>(c)) || c == L',' || c == L'/' ||
                           c == L'\\' || c == 0x85 || c == 0xA0;
    run = separator ? run + 1 : 0;
    if (run <= 4) out.push_back(c);
    if (out.size() == 64) break;
  }
  return out;
}

void MatcherAgreesWithPattern(Validator& validator, const std::wstring& text) {
  validator.Validate(text);  // the matcher over the whole text, in linear time
  const std::wstring cut = OracleText(text);
  const bool matched = validator.Validate(cut);
  const std::vector<std::wstring> parts = validator.SubMatches();
  if (validator.ValidateWithPattern(cut) != matched) std::abort();
  if (matched && validator.SubMatches() != parts) std::abort();
}

void ParserCleansOrRefuses(Validator& validator, Formatter& formatter, const std::wstring& text) {
  Parser parser(&validator, &formatter);
  const bool readable = parser.CanParse(text);
  std::wstring shown = text;
  if (parser.ParseText(&shown) != readable) std::abort();
}

template <class V, class F>
void CheckNotation(const std::wstring& text) {
  V validator;
  F formatter;
  MatcherAgreesWithPattern(validator, text);
  ParserCleansOrRefuses(validator, formatter, text);
}

void InBounds(bool accepted, double value, double min, double max) {
  if (accepted && !(value >= min && value <= max)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::wstring text = velk::fuzz::Wide(velk::fuzz::Bytes(data + 1, size - 1));
  switch (data[0] % 5) {
    case 0: CheckNotation<DMSValidator, DMSFormatter>(text); break;
    case 1: CheckNotation<UTMValidator, UTMFormatter>(text); break;
    case 2: CheckNotation<MGRSValidator, MGRSFormatter>(text); break;
    case 3: {
      double value = 0;
      InBounds(ReadDoubleText(text, -180, 360, &value), value, -180, 360);
      InBounds(ReadDmsText(text, -90, 90, &value), value, -90, 90);
      LONG number = 0;
      const bool read = ReadLongText(text, data[0] / 5 % 8, -5000, 5000, &number);
      InBounds(read, static_cast<double>(number), -5000, 5000);
      break;
    }
    case 4: {
      // "x<TAB>y" in the notation the first byte names; grid texts read by a stand-in.
      const std::size_t tab = text.find(L'\t');
      const std::wstring x = text.substr(0, tab);
      const std::wstring y = tab == std::wstring::npos ? std::wstring() : text.substr(tab + 1);
      auto grid = [](std::wstring_view, LONG, double* gx, double* gy) {
        *gx = 1;
        *gy = 2;
        return true;
      };
      double px = 0, py = 0;
      PairReadResult r = ReadCoordinatePairTexts(x, y, data[0] / 5 % 6, grid, &px, &py);
      if (r.ok && (r.refusedEdit != -1 || !std::isfinite(px) || !std::isfinite(py))) std::abort();
      break;
    }
  }
  return 0;
}

// The library's resources are not loaded here: the coordinate symbols keep their defaults.
namespace velk::corvane {
res::ResourceModule* ResourceInstance() { return nullptr; }
}  // namespace velk::corvane
