// The observer feature class's fields: the names, in one table, and the layout of each number
// field as the radial line of sight writes them. The threat dome, the 3-D viewer and the
// fly-through read observers back by these names.
#pragma once

#include <array>
#include <span>

#include "platform/com/base_types.h"

namespace velk::corvane {

// The field names, in this order; "GRIDCODE" is the coverage polygons' value field.
enum ObserverField {
  kFieldOffsetA,
  kFieldOffsetB,
  kFieldAzimuth1,
  kFieldAzimuth2,
  kFieldVert1,
  kFieldVert2,
  kFieldRadius1,
  kFieldRadius2,
  kFieldRefConst,
  kFieldSpot,
  kFieldGridCode,
};
extern const std::array<const wchar_t*, 11> ObserverFieldNames;

// Width (the host's precision) and decimals (its scale) of a number field of the class.
struct ObserverFieldLayout {
  ObserverField field;
  LONG type, length, precision, scale;
};
// The class's number fields in the order they are added ("GRIDCODE" is none of them).
std::span<const ObserverFieldLayout> ObserverFieldLayouts();

}  // namespace velk::corvane
