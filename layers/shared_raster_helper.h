// The process-wide raster helper shared by the raster chart and referenced RPF layers: it
// caches one host object found on first demand (the globe host's display) and lives until the
// library is unloaded.
#pragma once

#include "platform/com/unknown.h"

namespace velk::lumeris {

class SharedRasterHelper {
 public:
  SharedRasterHelper() = default;
  ~SharedRasterHelper();  // releases the cached host object
  SharedRasterHelper(const SharedRasterHelper&) = delete;
  SharedRasterHelper& operator=(const SharedRasterHelper&) = delete;

  // The globe display of the running application when it is the globe host, as a new
  // reference, else null; never throws. Found once and kept. The 2-D map host, or any failure
  // on the way, stops further lookups for good; a host with neither document kind (or no
  // document yet) is asked again at the next call.
  IUnknown* FindHostApplicationObject();
  // The cached host object (a new reference, or null) and the flag that stops further lookups.
  IUnknown* CachedHostObject() const;
  bool GivenUp() const { return givenUp_ != 0; }

 private:
  IUnknown* cached_ = nullptr;
  unsigned char givenUp_ = 0;
};

// The shared helper, made on the first call and kept.
SharedRasterHelper* GetSharedRasterHelper();
// Whether the helper has been made (without making it).
bool SharedRasterHelperExists();
// Destroys the helper if it exists; the next GetSharedRasterHelper makes a new one.
void DeleteSharedRasterHelper();

}  // namespace velk::lumeris
