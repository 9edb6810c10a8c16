// UTM display text: "18T 585628 4511322" for the zone form, "1234567 1234567 Y" for the polar
// form; digits as typed.
#pragma once

#include "coordinates/formatter.h"

namespace velk::corvane {

class UTMFormatter : public Formatter {
 public:
  UTMFormatter();
  // Reads the groups of UTMValidator. After the validator's rewriting only the first
  // (zone form) and second (polar form) alternatives match, but a text matched without the
  // rewriting is read from whichever alternative took part. False when none did.
  bool Format(std::wstring& out, const std::vector<std::wstring>& subMatches) override;

  bool Polar() const { return polar_; }
  const std::wstring& Zone() const { return zone_; }
  const std::wstring& Letter() const { return letter_; }  // band or polar letter
  const std::wstring& Easting() const { return easting_; }
  const std::wstring& Northing() const { return northing_; }

 private:
  bool polar_ = false;
  std::wstring zone_, letter_, easting_, northing_;
};

}  // namespace velk::corvane
