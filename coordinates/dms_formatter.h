// DMS display text: latitude as DDMMSS, longitude as DDDMMSS, each with two digits of
// hundredths of a second and its hemisphere letter ("403000.00N 0731500.00W").
#pragma once

#include "coordinates/formatter.h"

namespace velk::corvane {

class DMSFormatter : public Formatter {
 public:
  struct Half {
    std::wstring sign, digits, fraction, letter;
  };

  DMSFormatter();
  // Reads groups 1-4 (latitude) and 6-9 (longitude) of DMSValidator. Fractions of degrees and
  // minutes become minutes, seconds and hundredths, rounded to the hundredth and carried into
  // seconds, minutes and degrees. Refused: degrees that do not fit their two (latitude) or
  // three (longitude) digits, and a text longer than kMaxDisplayLength.
  bool Format(std::wstring& out, const std::vector<std::wstring>& subMatches) override;

  const Half& Longitude() const { return longitude_; }
  const Half& Latitude() const { return latitude_; }

  // A typed north/south (east/west) letter wins over a sign; else "+" gives the positive and
  // the negative sign the negative letter; with neither, the positive letter.
  void ResolveHemispheres(Half& half, const std::wstring& positiveLetter,
                          const std::wstring& negativeLetter) const;
  // Turns the typed digits and fraction of one half into full degree-minute-second digits and
  // two digits of hundredths. False when the degrees do not fit degreeWidth digits.
  bool GroupDigits(Half& half, std::size_t degreeWidth, bool isLongitude) const;

 private:
  Half longitude_, latitude_;
};

}  // namespace velk::corvane
