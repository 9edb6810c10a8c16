// String ids of the texts the line-of-sight runs share.
#pragma once

#include "platform/com/base_types.h"

namespace velk::corvane {

constexpr UINT kIdsInvalidDataset = 3620;       // "Invalid dataset"
constexpr UINT kIdsPointOutsideSurface = 3622;  // "Point outside surface!"
constexpr UINT kIdsVisibilityOf = 3651;         // "Visibility %1!s! of %2!s!"
constexpr UINT kIdsNone = 3578;                 // "none"

}  // namespace velk::corvane
