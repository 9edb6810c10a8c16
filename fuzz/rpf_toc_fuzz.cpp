// The RPF table of contents reader over any bytes: read or refused with a reason, and every
// frame it gives names a boundary rectangle it read.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/productline/rpf_toc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = velk::fuzz::AsFile(velk::fuzz::Bytes(data, size), "A.TOC");
  velk::productline::RpfToc toc;
  std::string reason;
  if (!velk::productline::ReadRpfToc(path, toc, reason)) {
    if (reason.empty()) std::abort();
    return 0;
  }
  for (const auto& frame : toc.frames)
    if (frame.boundary >= toc.boundaries.size() || frame.fileName.empty()) std::abort();
  return 0;
}
