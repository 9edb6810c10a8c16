// The fixed product tables of the catalog layers: the VPF product table (the scale range at
// which each VPF product is drawn) and the RPF series table (names, type, nominal scale and
// footprint colour of every RPF chart and image series), with the series map that orders the
// series codes for footprint legends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace velk::lumeris {

// One VPF product: its key ("family$product", as in the dataset list) and its scale bounds.
struct VpfProductRow {
  const wchar_t* key;
  double zoomedOutBound;  // largest scale denominator at which the product is drawn; 0 = none
  double zoomedInBound;   // smallest scale denominator at which the product is drawn; 0 = none
};

inline constexpr std::size_t kVpfProductRowCount = 11;

// The VPF product table, in table order. The vector and managed VPF layers share this one
// table; its contents never change.
std::span<const VpfProductRow> VpfProductTable();

// The first row whose key equals `key` exactly (case-sensitive); null when none does.
const VpfProductRow* FindVpfProduct(std::wstring_view key);
// The first row whose key equals `key` ignoring letter case; null when none does.
const VpfProductRow* FindVpfProductNoCase(std::wstring_view key);

// Whether scale denominator `scale` lies within the bounds (both inclusive, 0 = no bound).
bool ScaleInRange(double zoomedOutBound, double zoomedInBound, double scale);
// Whether the product of `row` is drawn at scale denominator `scale`.
inline bool VpfProductDrawnAt(const VpfProductRow& row, double scale) {
  return ScaleInRange(row.zoomedOutBound, row.zoomedInBound, scale);
}

// One RPF series. The constructor takes the code, short name, scale, long name, product type
// and colour; the fields are kept in the order code, names, type, scale, colour.
struct RpfSeriesRow {
  constexpr RpfSeriesRow(const wchar_t* code, const wchar_t* shortText, std::uint32_t scaleValue,
                         const wchar_t* longText, const wchar_t* type, std::uint32_t colourValue)
      : seriesCode(code),
        shortName(shortText),
        longName(longText),
        productType(type),
        scale(scaleValue),
        colour(colourValue) {}

  const wchar_t* seriesCode;   // two-character series code
  const wchar_t* shortName;    // abbreviation shown in legends
  const wchar_t* longName;     // full series name
  const wchar_t* productType;  // "CADRG" (charts) or "CIB" (images)
  std::uint32_t scale;         // nominal scale denominator
  std::uint32_t colour;        // footprint outline colour, 0x00BBGGRR
};

inline constexpr std::size_t kRpfSeriesRowCount = 79;

// The RPF series table, in table order (row index = position).
std::span<const RpfSeriesRow> RpfSeriesTable();
// Row `index` of the series table; null when the index is past the last row.
const RpfSeriesRow* RpfSeriesAt(std::size_t index);

// Orders series codes: case-sensitive, by character value. For the table's codes (capital
// letters and digits) this is the order of the user's locale; unlike a locale collation it
// cannot change under the map while the process runs.
struct SeriesCodeLess {
  using is_transparent = void;
  bool operator()(std::wstring_view a, std::wstring_view b) const noexcept { return a < b; }
};

// Series code -> row index of the series table.
using RpfSeriesMap = std::map<std::wstring, std::uint32_t, SeriesCodeLess>;

// The series map: built with one entry per row on the first call, unchanged afterwards.
const RpfSeriesMap& GetRpfSeriesMap();

// The series row of `code` (exact, case-sensitive); null for a code the table does not hold.
const RpfSeriesRow* FindRpfSeries(std::wstring_view code);

}  // namespace velk::lumeris
