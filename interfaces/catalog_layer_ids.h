// Identifiers of the catalog product layers' interfaces. Corvane never calls these layers; it
// only asks map layers whether they answer them, to choose what a list or a tool accepts.
#pragma once

#include "platform/com/base_types.h"

namespace velk::ids {

// Answered by the DTED catalog layer.
inline constexpr IID IID_IZelDtedLayer = MakeGuid("{BC08083D-FEE0-4703-930D-E5F23E689CCE}");
// Answered by the vector product layers.
inline constexpr IID IID_IZelVectorLayer = MakeGuid("{67243246-4814-44BE-857A-69647BF7B7E8}");
// Answered by the raster chart and image series layers.
inline constexpr IID IID_IZelRasterLayer = MakeGuid("{7C7D1A8B-6446-4C38-90E9-E96171CE2F71}");

}  // namespace velk::ids
