// How many threads a run that splits its work uses.
#pragma once

#include <thread>

namespace velk {

// The count asked for, or one per hardware thread when it is 0 (at least one, also on a
// machine that does not say how many it has).
inline unsigned WorkerThreads(unsigned requested) {
  if (requested) return requested;
  const unsigned n = std::thread::hardware_concurrency();
  return n ? n : 1;
}

}  // namespace velk
