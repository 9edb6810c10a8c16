// Reading numbers and coordinate pairs typed into edits, without the windows: the edit readers
// hand the edit's text to these functions and show the refusal message themselves.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/com/base_types.h"
#include "platform/productline/coordinate_engine.h"

namespace velk::corvane {

// The readers look at no more than the first 23 characters of an edit.
inline constexpr std::size_t kEditReadLength = 23;

// A whole number ("%ld" style: leading white space and a sign allowed, reading stops at the
// first character that is not a digit) from character offset skip; accepted when
// min <= value <= max. An offset beyond the text refuses.
bool ReadLongText(std::wstring_view text, std::size_t skip, LONG min, LONG max, LONG* value);

// A number ("%lf" style) from the first character; accepted when min <= value <= max.
bool ReadDoubleText(std::wstring_view text, double min, double max, double* value);

// Degrees, minutes and seconds separated by white space ("45 30 30"): whole degrees, whole
// minutes 0-59, seconds 0 <= s < 60 (fractions allowed). The sign is that of the text: "-0 30 0"
// is -0.5. Nothing but white space may follow the seconds, and a minutes field must end at white
// space, so "45 30.5 0" and "45 30 30 S" are refused rather than misread. Accepted when
// min <= value <= max.
bool ReadDmsText(std::wstring_view text, double min, double max, double* value);

// Coordinate notations of a pair of edits: the coordinate engine's input formats, and map units.
enum CoordinateNotation : LONG {
  kNotationMapUnits = 0,
  kNotationDecimalDegrees = productline::kFormatPoint,
  kNotationDms = productline::kFormatDms,
  kNotationUtm = productline::kFormatUtm,
  kNotationMgrs = productline::kFormatMgrs,
};

// Reads the x edit's grid text (notation 3 or 4) into a WGS 84 point; given by the caller, who
// asks the coordinate engine.
using GridTextReader =
    std::function<bool(std::wstring_view text, LONG notation, double* x, double* y)>;

struct PairReadResult {
  bool ok = false;
  int refusedEdit = -1;  // 0 the x edit, 1 the y edit, -1 none (or an unknown notation)
};

// Reads a pair in one notation: 0 map units (both in -999999999..999999999), 1 decimal degrees
// (x in -180..360, y in -90..90), 2 DMS (the same ranges), 3 and 4 the x edit alone through
// readGrid. x and y start at 0; the x edit is read first and a refusal there stops the pair.
PairReadResult ReadCoordinatePairTexts(std::wstring_view xText, std::wstring_view yText,
                                       LONG notation, const GridTextReader& readGrid, double* x,
                                       double* y);

}  // namespace velk::corvane
