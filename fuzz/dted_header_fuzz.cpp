// The DTED header check over any bytes and file size: a header it takes places the cell on the
// earth, with posts, and promises no more bytes than the file holds.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/productline/dted_header.h"

using namespace velk::productline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  std::uint64_t fileSize = 0;
  std::memcpy(&fileSize, data, 8);
  const std::string_view bytes = velk::fuzz::Bytes(data + 8, size - 8);
  DtedHeader h;
  std::string reason;
  if (!ReadDtedHeader(bytes, fileSize, h, reason)) {
    if (reason.empty()) std::abort();
    return 0;
  }
  if (h.west < -180 || h.west > 180 || h.south < -90 || h.south > 90) std::abort();
  if (h.columns < 2 || h.rows < 2 || !(h.lonSpacing > 0) || !(h.latSpacing > 0)) std::abort();
  if (h.west + (h.columns - 1) * h.lonSpacing / 3600 > 180 + 1e-9) std::abort();
  if (DtedFileSize(h) > fileSize) std::abort();
  return 0;
}
