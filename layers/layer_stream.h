// How catalog layers write their fields into a persistence stream and read them back: numbers
// little-endian, booleans as 16-bit VARIANT_BOOL, strings as a 32-bit byte count (0 for a null
// string, else the UTF-16LE text's bytes plus 2) followed by the text and a 2-byte zero
// terminator, and a leading 32-bit version. Every writer and reader reports E_FAIL when the
// stream fails or moves fewer bytes than asked; a reader leaves its out value untouched then
// (a string reader leaves it null).
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/stream.h"

namespace velk::lumeris {

// Largest byte count a stored string may carry (text and terminator).
constexpr ULONG kMaxStreamStringBytes = 0x100000;

// Remembers a stream's position; unless Keep() is called, the destructor seeks back to it, so
// a load that fails half-way leaves the stream where it found it.
class StreamMark {
 public:
  explicit StreamMark(IStream* stream);
  ~StreamMark();
  StreamMark(const StreamMark&) = delete;
  StreamMark& operator=(const StreamMark&) = delete;

  void Keep() { keep_ = true; }
  // Seeks back now (false when the position could not be taken or set).
  bool Restore();

 private:
  IStream* stream_;
  ULONGLONG position_ = 0;
  bool known_ = false;
  bool keep_ = false;
};

HRESULT WriteStreamBytes(IStream* stream, const void* bytes, ULONG count);
HRESULT ReadStreamBytes(IStream* stream, void* bytes, ULONG count);

HRESULT WriteStreamLong(IStream* stream, LONG value);
HRESULT ReadStreamLong(IStream* stream, LONG* value);
HRESULT WriteStreamULong(IStream* stream, ULONG value);
HRESULT ReadStreamULong(IStream* stream, ULONG* value);
HRESULT WriteStreamBool(IStream* stream, VARIANT_BOOL value);
HRESULT ReadStreamBool(IStream* stream, VARIANT_BOOL* value);

// A null BSTR is written as a count of 0; an empty one as a count of 2 and the terminator. A
// string too long to be read back (count above kMaxStreamStringBytes) is refused with
// E_INVALIDARG and nothing is written.
HRESULT WriteStreamString(IStream* stream, BSTR value);
// *value becomes a new BSTR (null for a count of 0). Refused: a count of 1 or an odd count, or
// a terminator that is not zero (E_FAIL); a count above kMaxStreamStringBytes (E_ACCESSDENIED);
// a short read (E_FAIL). On failure *value is null and the stream is back where the count began.
HRESULT ReadStreamString(IStream* stream, BSTR* value);

// The leading version of a layer stream. Null stream: E_POINTER; failed write: E_FAIL.
HRESULT WriteStreamVersion(IStream* stream, LONG version);
// Reads the version into *stored. Null stream: E_POINTER. E_FAIL for a failed read, for a
// version newer than classVersion and for a negative one (no layer ever wrote it); nothing
// further is read then.
HRESULT ReadStreamVersion(IStream* stream, LONG classVersion, LONG* stored);

// IPersistStream::GetSizeMax of every layer: E_POINTER for a null out pointer, else E_NOTIMPL.
HRESULT LayerGetSizeMax(ULARGE_INTEGER* size);

}  // namespace velk::lumeris
