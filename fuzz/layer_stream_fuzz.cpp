// The layer stream reader over any bytes: a version, then fields of the kinds the input's first
// byte picks, until one fails. A string read back writes the same bytes it was read from, and
// a failed string read leaves the stream where its count began.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_input.h"
#include "layers/layer_stream.h"

using namespace velk;
using namespace velk::lumeris;

namespace {

ULONGLONG Position(IStream* stream) {
  ULARGE_INTEGER at{};
  if (FAILED(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &at))) std::abort();
  return at.QuadPart;
}

std::string Between(IStream* stream, ULONGLONG from, ULONGLONG to) {
  std::string bytes(static_cast<std::size_t>(to - from), '\0');
  if (FAILED(stream->Seek(LARGE_INTEGER{static_cast<LONGLONG>(from)}, STREAM_SEEK_SET, nullptr)))
    std::abort();
  if (FAILED(ReadStreamBytes(stream, bytes.data(), static_cast<ULONG>(bytes.size())))) std::abort();
  return bytes;
}

std::string Written(BSTR value) {
  ComPtr<IStream> out;
  if (FAILED(CreateMemoryStream(out.put())) || FAILED(WriteStreamString(out.get(), value)))
    std::abort();
  ULONGLONG size = Position(out.get());
  return Between(out.get(), 0, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned kinds = data[0];
  ComPtr<IStream> stream;
  if (FAILED(CreateMemoryStream(fuzz::Bytes(data + 1, size - 1), stream.put()))) std::abort();
  LONG version = 0;
  if (FAILED(ReadStreamVersion(stream.get(), 3, &version))) return 0;
  if (version < 0 || version > 3) std::abort();
  for (unsigned field = 0;; ++field) {
    const ULONGLONG before = Position(stream.get());
    HRESULT hr = E_FAIL;
    switch ((kinds >> (2 * (field % 4))) & 3) {
      case 0:
      case 1: {
        BSTR text = nullptr;
        hr = ReadStreamString(stream.get(), &text);
        const ULONGLONG after = Position(stream.get());
        if (FAILED(hr)) {
          if (text || after != before) std::abort();
        } else if (Written(text) != Between(stream.get(), before, after)) {
          std::abort();
        }
        SysFreeString(text);
        break;
      }
      case 2: {
        LONG value = 0;
        hr = ReadStreamLong(stream.get(), &value);
        break;
      }
      case 3: {
        VARIANT_BOOL value = VARIANT_FALSE;
        hr = ReadStreamBool(stream.get(), &value);
        break;
      }
    }
    if (FAILED(hr)) return 0;
  }
}
