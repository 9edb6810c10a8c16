#include "coordinates/convert_coords.h"

namespace velk::corvane {

HRESULT CreateConvertCoords(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ConvertCoords>(outer, riid, ppv);
}

}  // namespace velk::corvane
