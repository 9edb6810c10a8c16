// The process-wide book of schema locks on datasets, keyed by the dataset's path and name.
// Platform-internal.
#pragma once

#include <string>

#include "platform/com/base_types.h"

namespace velk::host {

// Every open table object holds a shared lock under its key while it lives.
void AcquireSharedLock(const std::string& key, const void* holder);
void ReleaseLocks(const std::string& key, const void* holder);
// Exclusive: granted when holder is the only object holding the key. Shared: gives an
// exclusive lock of the holder back. False when refused.
bool ChangeLock(const std::string& key, const void* holder, LONG kind);
LONG CurrentLock(const std::string& key, const void* holder);
// Whether another object than holder holds the key exclusively.
bool LockedByOther(const std::string& key, const void* holder);

}  // namespace velk::host
