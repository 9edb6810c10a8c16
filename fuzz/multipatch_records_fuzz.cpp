// Multipatch records over any shapefile and index bytes (the input's two parts): read or not,
// never past the files, and a part's kind and points stay within what the record holds.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/host/data/multipatch_records.h"

using namespace velk::host;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [shx, shp] = velk::fuzz::TwoParts(velk::fuzz::Bytes(data, size));
  const std::string shpPath = velk::fuzz::AsFile(shp, "patch.shp");
  const std::string shxPath = velk::fuzz::AsFile(shx, "patch.shx");
  ShapefileHeaderType(shpPath);
  for (long index = 0; index < 4; ++index) {
    GeomData patch;
    if (!ReadMultipatchRecord(shpPath, shxPath, index, patch)) continue;
    // Each vertex takes at least 16 bytes of the record (x and y).
    if (static_cast<std::size_t>(patch.VertexCount()) * 16 > shp.size()) std::abort();
    if (patch.partKinds.size() != patch.parts.size()) std::abort();
  }
  return 0;
}
