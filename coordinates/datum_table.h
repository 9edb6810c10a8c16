// The datums the coordinate tool supports, with their three-parameter shifts to WGS 84 and the
// host's factory code of each datum's geographic coordinate system, and the lookup by that code
// that brings a map point into WGS 84.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velk::corvane {

struct DatumTableRow {
  const wchar_t* name;  // left empty: the names users see come from the coordinate engine's list
  std::int32_t id;      // datum number, 201 to 411 in row order
  double dx, dy, dz;    // three-parameter shift from this datum to WGS 84, metres
  std::int32_t geographicSystemCode;  // host factory code of the datum's geographic system
};

inline constexpr std::size_t kDatumTableRowCount = 211;

// Rows 0-203 are the coordinate engine's datums in its list order (row 0 WGS 84); rows 204-210
// are spare rows repeating WGS 72, never reached by a lookup (row 1 answers its code first).
extern const std::array<DatumTableRow, kDatumTableRowCount> DatumTable;

// The first row whose geographic system code equals code, searched from row 0.
std::optional<std::size_t> FindDatumRow(std::int32_t geographicSystemCode);

// The row for a map's geographic system code through the module-wide memory of the last code
// found: the same code again takes the remembered row without a search. The memory starts
// empty, so no code (0 included) is taken for a row it was never looked up for. An unknown code
// gives nothing and leaves the memory as it was.
std::optional<std::size_t> LookUpDatumRow(std::int32_t geographicSystemCode);

// Forgets the last code (module unload; tests).
void ResetDatumLookup();

}  // namespace velk::corvane
