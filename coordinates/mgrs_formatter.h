// MGRS display text: zone and band, square letters, then five easting and five northing
// digits ("18T WL 8562011320").
#pragma once

#include "coordinates/formatter.h"

namespace velk::corvane {

class MGRSFormatter : public Formatter {
 public:
  MGRSFormatter();
  // Reads groups 1-4 of MGRSValidator. The digits are split into an easting and a northing
  // half and each half is padded on the right to five digits (the south-west corner of the
  // cell the reference names): "85621132" gives "85620" and "11320". An empty or odd digit
  // count, or more than ten digits, cannot be split and is refused.
  bool Format(std::wstring& out, const std::vector<std::wstring>& subMatches) override;

  const std::wstring& Zone() const { return zone_; }
  const std::wstring& Band() const { return band_; }
  const std::wstring& Squares() const { return squares_; }
  const std::wstring& Digits() const { return digits_; }

 private:
  std::wstring zone_, band_, squares_, digits_;
};

}  // namespace velk::corvane
