// The coordinate engine's text readers over any text on any datum: a text is read into a point
// on the globe or refused, and a point read converts or is refused, never crashes.
#include <cmath>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/productline/coordinate_engine.h"

using namespace velk;
using namespace velk::productline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int datum = data[1] % CoordinateEngine::DatumCount();
  const std::wstring text = fuzz::Wide(fuzz::Bytes(data + 2, size - 2));
  GeoPoint point;
  HRESULT hr = E_FAIL;
  int format = kFormatDms;
  switch (data[0] % 3) {
    case 0: hr = CoordinateEngine::ReadDms(text, &point); break;
    case 1: hr = CoordinateEngine::ReadUtm(text, datum, &point), format = kFormatUtm; break;
    case 2: hr = CoordinateEngine::ReadMgrs(text, datum, &point), format = kFormatMgrs; break;
  }
  if (hr != S_OK && hr != E_INVALIDARG) std::abort();
  if (hr != S_OK) return 0;
  if (!(std::fabs(point.lat) <= 90) || !(std::fabs(point.lon) <= 360)) std::abort();
  CoordinateEngine engine;
  ConvertedLocation out;
  engine.ConvertText(text, format, datum, data[0] / 3 % CoordinateEngine::DatumCount(), &out);
  return 0;
}
