// The record layout the conversion dialog's choices describe: which notation the records hold,
// in which fields (or in the point shape), read without the dialog.
#pragma once

#include <cstdint>
#include <string>

#include "coordinates/table_conversion_run.h"

namespace velk::corvane {

// Item data of the dialog's notation list: the string id of each entry.
constexpr std::intptr_t kNotationItemDecimalDegrees = 3160;
constexpr std::intptr_t kNotationItemDms = 3165;
constexpr std::intptr_t kNotationItemUtm = 3231;
constexpr std::intptr_t kNotationItemMgrs = 3203;
constexpr std::intptr_t kNotationItemDmsTwoFields = 3671;

struct LayoutChoices {
  std::intptr_t notation = kNotationItemDecimalDegrees;
  bool shapeField = false;  // decimal degrees from the point shape (the input's shape field)
  LONG firstField = -1;     // input field indexes chosen (-1: none)
  LONG secondField = -1;
};

// The layout; false when a field the notation reads was never chosen, with missingField the
// name the user knows it by ("X", "Y", "Latitude", "Longitude", "UTM", "MGRS" or "DMS").
// In shape mode the input gives its shape field and spatial reference.
bool ReadRecordLayout(const LayoutChoices& choices, ITable* input, RecordLayout& layout,
                      std::wstring& missingField);

}  // namespace velk::corvane
