// Writing out-parameters: the null check and the write in one step, as every getter needs.
#pragma once

#include <string_view>

#include "platform/com/bstr.h"

namespace velk {

// E_POINTER for a null out-parameter, else writes the value.
template <class T>
HRESULT Out(T* out, T value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

// A new BSTR holding the text; E_OUTOFMEMORY when it cannot be made.
inline HRESULT OutText(BSTR* out, std::wstring_view text) {
  if (!out) return E_POINTER;
  *out = AllocBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

inline VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace velk
