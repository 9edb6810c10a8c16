// Platform-internal access to the definition behind a host spatial reference object.
#pragma once

#include <cstdint>

#include "platform/host/geometry/spatial_reference.h"

class OGRSpatialReference;

namespace velk::host {

struct ISpatialReferenceData : IUnknown {
  VELK_INTERFACE_ID("{71D45939-9CB1-4B45-ABAA-3BD7B5AE351F}")
  // Null for the unknown kind.
  virtual const OGRSpatialReference* Srs() = 0;
  // Changes whenever the definition changes; never reused within a process.
  virtual std::uint64_t Serial() = 0;
};

// The definition behind a host reference; null for the unknown kind, a null pointer or a
// foreign object.
const OGRSpatialReference* SrsOf(ISpatialReference* sr);
std::uint64_t SerialOf(ISpatialReference* sr);
// A host reference object over a copy of the definition (the unknown kind for null).
ComPtr<ISpatialReference> WrapSrs(const OGRSpatialReference* srs, LONG factoryCode = 0);
// Two references describe the same system (both null counts as same; null and unknown too).
bool SameReference(ISpatialReference* a, ISpatialReference* b);
// By factory code (EPSG first, then the host's own codes); null when no authority knows it.
ComPtr<ISpatialReference> SpatialReferenceFromCode(LONG code);

}  // namespace velk::host
