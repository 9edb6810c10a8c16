// ZelVectorLayer: the map layer of a VPF catalog. It presents itself as a group layer over an
// aggregated host group layer that holds the footprint layer (one outline per library) and a
// tree of one group per product, one group per coverage and one feature layer per feature class
// and library, made from the catalog's "_features" table for the coverages the user shows.
// Feature layers are bound to their VPF data by name objects and opened only when a draw finds
// their library in view and its product in its scale range. Saved with the map as a stream of
// version 9201.
#pragma once

#include "platform/com/unknown.h"

namespace velk::lumeris {

inline constexpr LONG kVectorLayerStreamVersion = 9201;

HRESULT CreateZelVectorLayerObject(IUnknown* outer, REFIID riid, void** ppv);

// What a vector layer's builds and draws did so far: queries of its catalog and of its feature
// table, libraries prepared, VPF feature classes opened (or tried). For benchmarks and tests.
struct VectorLayerStats {
  long catalogQueries = 0;
  long featureTableQueries = 0;
  long libraryPreparations = 0;
  long featureClassOpens = 0;
};

// False when the object is not a vector layer of this library.
bool GetVectorLayerStats(IUnknown* layer, VectorLayerStats* stats);

}  // namespace velk::lumeris
