#include "layers/layer_stream.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/text.h"

namespace velk::lumeris {

StreamMark::StreamMark(IStream* stream) : stream_(stream) {
  ULARGE_INTEGER pos{};
  if (stream_ && SUCCEEDED(stream_->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &pos))) {
    position_ = pos.QuadPart;
    known_ = true;
  }
}

StreamMark::~StreamMark() {
  if (!keep_) Restore();
}

bool StreamMark::Restore() {
  if (!known_) return false;
  return SUCCEEDED(
      stream_->Seek(LARGE_INTEGER{static_cast<LONGLONG>(position_)}, STREAM_SEEK_SET, nullptr));
}

HRESULT WriteStreamBytes(IStream* stream, const void* bytes, ULONG count) {
  if (!stream) return E_FAIL;
  if (count == 0) return S_OK;
  ULONG written = 0;
  HRESULT hr = stream->Write(bytes, count, &written);
  return (FAILED(hr) || written != count) ? E_FAIL : S_OK;
}

HRESULT ReadStreamBytes(IStream* stream, void* bytes, ULONG count) {
  if (!stream) return E_FAIL;
  if (count == 0) return S_OK;
  ULONG read = 0;
  HRESULT hr = stream->Read(bytes, count, &read);
  return (FAILED(hr) || read != count) ? E_FAIL : S_OK;
}

namespace {

template <class U>
HRESULT WriteLittleEndian(IStream* stream, U value) {
  unsigned char b[sizeof(U)];
  for (std::size_t i = 0; i < sizeof(U); ++i) b[i] = static_cast<unsigned char>(value >> (8 * i));
  return WriteStreamBytes(stream, b, sizeof(U));
}

template <class U>
HRESULT ReadLittleEndian(IStream* stream, U* value) {
  unsigned char b[sizeof(U)];
  HRESULT hr = ReadStreamBytes(stream, b, sizeof(U));
  if (FAILED(hr)) return hr;
  U v = 0;
  for (std::size_t i = 0; i < sizeof(U); ++i)
    v = static_cast<U>(v | static_cast<U>(b[i]) << (8 * i));
  *value = v;
  return S_OK;
}

}  // namespace

HRESULT WriteStreamLong(IStream* stream, LONG value) {
  return WriteLittleEndian<std::uint32_t>(stream, static_cast<std::uint32_t>(value));
}
HRESULT ReadStreamLong(IStream* stream, LONG* value) {
  if (!value) return E_POINTER;
  std::uint32_t v = 0;
  HRESULT hr = ReadLittleEndian(stream, &v);
  if (SUCCEEDED(hr)) *value = static_cast<LONG>(v);
  return hr;
}
HRESULT WriteStreamULong(IStream* stream, ULONG value) {
  return WriteLittleEndian<std::uint32_t>(stream, static_cast<std::uint32_t>(value));
}
HRESULT ReadStreamULong(IStream* stream, ULONG* value) {
  if (!value) return E_POINTER;
  std::uint32_t v = 0;
  HRESULT hr = ReadLittleEndian(stream, &v);
  if (SUCCEEDED(hr)) *value = static_cast<ULONG>(v);
  return hr;
}
HRESULT WriteStreamBool(IStream* stream, VARIANT_BOOL value) {
  return WriteLittleEndian<std::uint16_t>(stream, static_cast<std::uint16_t>(value));
}
HRESULT ReadStreamBool(IStream* stream, VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  std::uint16_t v = 0;
  HRESULT hr = ReadLittleEndian(stream, &v);
  if (SUCCEEDED(hr)) *value = static_cast<VARIANT_BOOL>(v);
  return hr;
}

HRESULT WriteStreamString(IStream* stream, BSTR value) {
  if (!stream) return E_FAIL;
  if (!value) return WriteStreamULong(stream, 0);
  std::string bytes = ToUtf16Le(std::wstring_view(value, SysStringLen(value)));
  if (bytes.size() + 2 > kMaxStreamStringBytes) return E_INVALIDARG;
  bytes.append(2, '\0');
  HRESULT hr = WriteStreamULong(stream, static_cast<ULONG>(bytes.size()));
  if (FAILED(hr)) return hr;
  return WriteStreamBytes(stream, bytes.data(), static_cast<ULONG>(bytes.size()));
}

HRESULT ReadStreamString(IStream* stream, BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  if (!stream) return E_FAIL;
  StreamMark mark(stream);
  ULONG count = 0;
  HRESULT hr = ReadStreamULong(stream, &count);
  if (FAILED(hr)) return hr;
  if (count == 0) {
    mark.Keep();
    return S_OK;
  }
  if (count > kMaxStreamStringBytes) return E_ACCESSDENIED;
  // The count is the text's UTF-16 bytes plus the terminator: never odd, never below 2.
  if (count < 2 || count % 2 != 0) return E_FAIL;
  std::string bytes(count, '\0');
  hr = ReadStreamBytes(stream, bytes.data(), count);
  if (FAILED(hr)) return hr;
  if (bytes[count - 1] != '\0' || bytes[count - 2] != '\0') return E_FAIL;
  bytes.resize(count - 2);
  BSTR s = AllocBstr(FromUtf16Le(bytes));
  if (!s) return E_OUTOFMEMORY;
  *value = s;
  mark.Keep();
  return S_OK;
}

HRESULT WriteStreamVersion(IStream* stream, LONG version) {
  if (!stream) return E_POINTER;
  return FAILED(WriteStreamLong(stream, version)) ? E_FAIL : S_OK;
}

HRESULT ReadStreamVersion(IStream* stream, LONG classVersion, LONG* stored) {
  if (!stream) return E_POINTER;
  if (!stored) return E_POINTER;
  LONG version = 0;
  if (FAILED(ReadStreamLong(stream, &version))) return E_FAIL;
  if (version > classVersion || version < 0) return E_FAIL;
  *stored = version;
  return S_OK;
}

HRESULT LayerGetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  return E_NOTIMPL;
}

}  // namespace velk::lumeris
