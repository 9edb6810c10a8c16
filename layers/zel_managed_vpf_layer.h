// ZelManagedVpfLayer: the map layer of VPF data loaded into a geodatabase: a catalog feature
// class with one footprint per library, and per product a feature dataset (named by the
// product's library prefix, "vmaplv0") whose feature classes "prefix_coverage_class" hold the
// features of every library. Like the vector product layer it presents itself as a group layer:
// the footprints, then a group per product (drawn only within the product's scale range when
// scale dependency is on), a group per coverage and a feature layer per feature class of each
// product. Saved with the map as a stream of version 9000.
#pragma once

#include "platform/com/unknown.h"

namespace velk::lumeris {

inline constexpr LONG kManagedVpfLayerStreamVersion = 9000;

HRESULT CreateZelManagedVpfLayerObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::lumeris
