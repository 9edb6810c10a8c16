#include "platform/com/variant.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>

#include "platform/com/out_param.h"
#include "platform/com/safearray.h"
#include "platform/com/plain_text.h"

namespace {

using velk::EqualsNoCase;
using velk::ToVariantBool;
using velk::Trim;

// ---- types ---------------------------------------------------------------------------------

bool IsScalarType(VARTYPE t) {
  switch (t) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return true;
    default: return false;
  }
}

// The types a variant may hold: EMPTY and NULL plain; scalars plain, by reference, as arrays
// or arrays by reference; VARIANT only by reference or as array elements.
bool IsValidVariantType(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  VARTYPE extra = vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF);
  if (extra) return false;
  bool modified = (vt & (VT_ARRAY | VT_BYREF)) != 0;
  if (base == VT_EMPTY || base == VT_NULL) return !modified;
  if (base == VT_VARIANT) return modified;
  return IsScalarType(base);
}

// A non-owning, non-reference view of the value a variant stands for: a by-reference variant
// is read through its pointer (one level; a reference to a by-reference variant is refused).
HRESULT ValueView(const VARIANT* src, VARIANT* view) {
  if (!(src->vt & VT_BYREF)) {
    *view = *src;
    return S_OK;
  }
  if (!src->byref) return E_INVALIDARG;
  VARTYPE base = src->vt & ~VT_BYREF;
  VariantInit(view);
  if (base & VT_ARRAY) {
    view->vt = base;
    view->parray = *src->pparray;
    return S_OK;
  }
  if (base == VT_VARIANT) {
    const VARIANT* inner = src->pvarVal;
    if (inner->vt & VT_BYREF) return E_INVALIDARG;
    *view = *inner;
    return S_OK;
  }
  view->vt = base;
  view->ullVal = 0;
  std::memcpy(&view->ullVal, src->byref, ScalarSize(base));
  return S_OK;
}

// Deep copy of a non-reference value (or a shallow copy of a reference) into an
// uninitialised out variant.
HRESULT CopyValue(const VARIANT& from, VARIANT* out) {
  VARIANT r = from;
  if (!(from.vt & VT_BYREF)) {
    if (from.vt & VT_ARRAY) {
      r.parray = nullptr;
      if (from.parray) {
        HRESULT hr = SafeArrayCopy(from.parray, &r.parray);
        if (FAILED(hr)) return hr;
      }
    } else if (from.vt == VT_BSTR) {
      if (from.bstrVal) {
        r.bstrVal = SysAllocStringLen(from.bstrVal, SysStringLen(from.bstrVal));
        if (!r.bstrVal) return E_OUTOFMEMORY;
      }
    } else if (from.vt == VT_UNKNOWN || from.vt == VT_DISPATCH) {
      if (from.punkVal) from.punkVal->AddRef();
    }
  }
  *out = r;
  return S_OK;
}

// Puts a finished value into dest, clearing what dest held. On failure the value is freed
// and dest is unchanged.
HRESULT Publish(VARIANT* dest, VARIANT& value) {
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&value);
    return hr;
  }
  *dest = value;
  return S_OK;
}

// ---- locale --------------------------------------------------------------------------------

std::mutex g_localeMutex;
std::function<wchar_t(LCID)> g_localeLookup;

// ---- numbers -------------------------------------------------------------------------------

struct Num {
  enum Kind { kInt, kUInt, kReal } kind = kInt;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  double d = 0;
  double AsDouble() const {
    switch (kind) {
      case kInt: return static_cast<double>(i);
      case kUInt: return static_cast<double>(u);
      default: return d;
    }
  }
  static Num Int(std::int64_t v) {
    Num n;
    n.kind = kInt;
    n.i = v;
    return n;
  }
  static Num UInt(std::uint64_t v) {
    Num n;
    n.kind = kUInt;
    n.u = v;
    return n;
  }
  static Num Real(double v) {
    Num n;
    n.kind = kReal;
    n.d = v;
    return n;
  }
};

std::optional<Num> NumOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return Num::Int(0);
    case VT_I1: return Num::Int(v.cVal);
    case VT_I2: return Num::Int(v.iVal);
    case VT_I4: return Num::Int(v.lVal);
    case VT_INT: return Num::Int(v.intVal);
    case VT_I8: return Num::Int(v.llVal);
    case VT_BOOL: return Num::Int(v.boolVal);
    case VT_UI1: return Num::UInt(v.bVal);
    case VT_UI2: return Num::UInt(v.uiVal);
    case VT_UI4: return Num::UInt(v.ulVal);
    case VT_UINT: return Num::UInt(v.uintVal);
    case VT_UI8: return Num::UInt(v.ullVal);
    case VT_R4: return Num::Real(v.fltVal);
    case VT_R8: return Num::Real(v.dblVal);
    case VT_DATE: return Num::Real(v.date);
    default: return std::nullopt;
  }
}

// Integer in [lo, hi] (signed targets) from a number; reals round half to even.
HRESULT ToSigned(const Num& n, std::int64_t lo, std::int64_t hi, std::int64_t& out) {
  switch (n.kind) {
    case Num::kInt:
      if (n.i < lo || n.i > hi) return DISP_E_OVERFLOW;
      out = n.i;
      return S_OK;
    case Num::kUInt:
      if (n.u > static_cast<std::uint64_t>(hi)) return DISP_E_OVERFLOW;
      out = static_cast<std::int64_t>(n.u);
      return S_OK;
    default: {
      double r = std::nearbyint(n.d);
      // 2^63 is exact in a double; hi + 1 is not for the 64-bit case, so compare below it.
      double upper = hi == std::numeric_limits<std::int64_t>::max() ? 9223372036854775808.0
                                                                    : static_cast<double>(hi) + 1.0;
      if (!(r >= static_cast<double>(lo) && r < upper)) return DISP_E_OVERFLOW;
      out = static_cast<std::int64_t>(r);
      return S_OK;
    }
  }
}

HRESULT ToUnsigned(const Num& n, std::uint64_t hi, std::uint64_t& out) {
  switch (n.kind) {
    case Num::kInt:
      if (n.i < 0 || static_cast<std::uint64_t>(n.i) > hi) return DISP_E_OVERFLOW;
      out = static_cast<std::uint64_t>(n.i);
      return S_OK;
    case Num::kUInt:
      if (n.u > hi) return DISP_E_OVERFLOW;
      out = n.u;
      return S_OK;
    default: {
      double r = std::nearbyint(n.d);
      double upper = hi == std::numeric_limits<std::uint64_t>::max()
                         ? 18446744073709551616.0
                         : static_cast<double>(hi) + 1.0;
      if (!(r > -1.0 && r < upper)) return DISP_E_OVERFLOW;
      out = static_cast<std::uint64_t>(r);
      return S_OK;
    }
  }
}

constexpr double kDateMin = -657434.0;           // 1 January 100
constexpr double kDateMaxExclusive = 2958466.0;  // the day after 31 December 9999

// Stores a number as numeric type vt (not BSTR) into out.
HRESULT StoreNum(const Num& n, VARTYPE vt, VARIANT* out) {
  std::int64_t s = 0;
  std::uint64_t u = 0;
  HRESULT hr = S_OK;
  VariantInit(out);
  switch (vt) {
    case VT_I1:
      hr = ToSigned(n, -128, 127, s);
      out->cVal = static_cast<signed char>(s);
      break;
    case VT_I2:
      hr = ToSigned(n, -32768, 32767, s);
      out->iVal = static_cast<SHORT>(s);
      break;
    case VT_I4:
    case VT_INT:
      hr = ToSigned(n, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), s);
      out->lVal = static_cast<LONG>(s);
      break;
    case VT_I8:
      hr = ToSigned(n, std::numeric_limits<std::int64_t>::min(),
                    std::numeric_limits<std::int64_t>::max(), s);
      out->llVal = s;
      break;
    case VT_UI1:
      hr = ToUnsigned(n, 0xFF, u);
      out->bVal = static_cast<BYTE>(u);
      break;
    case VT_UI2:
      hr = ToUnsigned(n, 0xFFFF, u);
      out->uiVal = static_cast<USHORT>(u);
      break;
    case VT_UI4:
    case VT_UINT:
      hr = ToUnsigned(n, 0xFFFFFFFFu, u);
      out->ulVal = static_cast<ULONG>(u);
      break;
    case VT_UI8:
      hr = ToUnsigned(n, std::numeric_limits<std::uint64_t>::max(), u);
      out->ullVal = u;
      break;
    case VT_R4: {
      double d = n.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        return DISP_E_OVERFLOW;
      out->fltVal = static_cast<float>(d);
      break;
    }
    case VT_R8: out->dblVal = n.AsDouble(); break;
    case VT_DATE: {
      double d = n.AsDouble();
      if (!(d >= kDateMin && d < kDateMaxExclusive)) return DISP_E_OVERFLOW;
      out->date = d;
      break;
    }
    case VT_BOOL: {
      bool b = n.kind == Num::kInt ? n.i != 0 : n.kind == Num::kUInt ? n.u != 0 : n.d != 0;
      out->boolVal = ToVariantBool(b);
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  if (FAILED(hr)) return hr;
  out->vt = vt;
  return S_OK;
}

// ---- text ----------------------------------------------------------------------------------

// Reads "[sign] digits [decimal digits] [e [sign] digits]" with the locale's decimal symbol
// and surrounding white space. Integers that fit stay exact. DISP_E_TYPEMISMATCH for anything
// else; DISP_E_OVERFLOW beyond the double range (a value below it reads as zero).
HRESULT ParseNumber(std::wstring_view text, wchar_t decimal, Num& out) {
  std::wstring_view s = Trim(text);
  std::size_t k = 0;
  bool negative = false;
  if (k < s.size() && (s[k] == L'+' || s[k] == L'-')) negative = s[k++] == L'-';
  std::string digits;  // ASCII form for the double reader
  std::size_t intDigits = 0, fracDigits = 0, intSignificant = 0, fracLeadingZeros = 0;
  bool seenNonZero = false;
  while (k < s.size() && s[k] >= L'0' && s[k] <= L'9') {
    if (s[k] != L'0') seenNonZero = true;
    if (seenNonZero) ++intSignificant;
    digits.push_back(static_cast<char>(s[k++]));
    ++intDigits;
  }
  bool hasDecimal = false;
  if (k < s.size() && s[k] == decimal) {
    hasDecimal = true;
    ++k;
    digits.push_back('.');
    while (k < s.size() && s[k] >= L'0' && s[k] <= L'9') {
      if (s[k] != L'0')
        seenNonZero = true;
      else if (!seenNonZero)
        ++fracLeadingZeros;
      digits.push_back(static_cast<char>(s[k++]));
      ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return DISP_E_TYPEMISMATCH;
  bool hasExponent = false;
  long exponent = 0;
  if (k < s.size() && (s[k] == L'e' || s[k] == L'E')) {
    hasExponent = true;
    digits.push_back('e');
    ++k;
    bool expNegative = false;
    if (k < s.size() && (s[k] == L'+' || s[k] == L'-')) {
      expNegative = s[k] == L'-';
      digits.push_back(static_cast<char>(s[k++]));
    }
    std::size_t expDigits = 0;
    while (k < s.size() && s[k] >= L'0' && s[k] <= L'9') {
      if (exponent < 100000) exponent = exponent * 10 + (s[k] - L'0');
      digits.push_back(static_cast<char>(s[k++]));
      ++expDigits;
    }
    if (expDigits == 0) return DISP_E_TYPEMISMATCH;
    if (expNegative) exponent = -exponent;
  }
  if (k != s.size()) return DISP_E_TYPEMISMATCH;

  if (!hasDecimal && !hasExponent) {
    std::uint64_t v = 0;
    bool fits = true;
    for (char c : digits) {
      auto d = static_cast<std::uint64_t>(c - '0');
      if (v > (std::numeric_limits<std::uint64_t>::max() - d) / 10) {
        fits = false;
        break;
      }
      v = v * 10 + d;
    }
    if (fits) {
      if (!negative) {
        out = Num::UInt(v);
        return S_OK;
      }
      if (v <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1) {
        out = Num::Int(v == 0 ? 0 : static_cast<std::int64_t>(0 - v));
        return S_OK;
      }
    }
  }
  if (digits.front() == '.') digits.insert(digits.begin(), '0');
  double d = 0;
  auto res =
      std::from_chars(digits.data(), digits.data() + digits.size(), d, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Decide between too large and too small from the decimal magnitude of the text.
    long magnitude = (intSignificant > 0 ? static_cast<long>(intSignificant)
                                         : -static_cast<long>(fracLeadingZeros)) +
                     exponent;
    if (magnitude > 0) return DISP_E_OVERFLOW;
    d = 0;
  } else if (res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
    return DISP_E_TYPEMISMATCH;
  }
  out = Num::Real(negative ? -d : d);
  return S_OK;
}

std::wstring FormatReal(double d, int precision, wchar_t decimal) {
  if (std::isnan(d)) return L"NaN";
  if (std::isinf(d)) return d < 0 ? L"-Infinity" : L"Infinity";
  if (d == 0) d = 0;  // no "-0"
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
  std::wstring out;
  for (char* p = buf; p != res.ptr; ++p) {
    char c = *p;
    if (c == '.')
      out.push_back(decimal);
    else if (c == 'e')
      out.push_back(L'E');
    else
      out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

HRESULT TextOf(const VARIANT& v, wchar_t decimal, std::wstring& out) {
  switch (v.vt) {
    case VT_EMPTY: out.clear(); return S_OK;
    case VT_BOOL: out = v.boolVal ? L"True" : L"False"; return S_OK;
    case VT_R4: out = FormatReal(v.fltVal, 7, decimal); return S_OK;
    case VT_R8: out = FormatReal(v.dblVal, 15, decimal); return S_OK;
    case VT_BSTR: out = velk::BstrToWstring(v.bstrVal); return S_OK;
    case VT_DATE: return DISP_E_TYPEMISMATCH;  // dates as text are not supported
    default: break;
  }
  std::optional<Num> n = NumOf(v);
  if (!n) return DISP_E_TYPEMISMATCH;
  out = n->kind == Num::kInt ? std::to_wstring(n->i) : std::to_wstring(n->u);
  return S_OK;
}

// Converts a plain (non-reference) value; out receives an owned value.
HRESULT Convert(const VARIANT& from, LCID lcid, VARTYPE vt, VARIANT* out) {
  VariantInit(out);
  if (from.vt == vt) return CopyValue(from, out);
  if (vt == VT_EMPTY) return S_OK;
  if (vt == VT_NULL) {
    if (from.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
    out->vt = VT_NULL;
    return S_OK;
  }
  if ((from.vt | vt) & VT_ARRAY) return DISP_E_TYPEMISMATCH;
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
    if (from.vt != VT_UNKNOWN && from.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    void* p = nullptr;
    if (from.punkVal) {
      HRESULT hr = from.punkVal->QueryInterface(
          vt == VT_UNKNOWN ? IidOf<IUnknown>() : IidOf<IDispatch>(), &p);
      if (hr == E_NOINTERFACE) return DISP_E_TYPEMISMATCH;
      if (FAILED(hr)) return hr;
    }
    out->vt = vt;
    out->punkVal = static_cast<IUnknown*>(p);
    return S_OK;
  }
  switch (from.vt) {
    case VT_NULL:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_ERROR: return DISP_E_TYPEMISMATCH;
    default: break;
  }
  if (vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  wchar_t decimal = velk::VariantDecimalSymbol(lcid);
  if (vt == VT_BSTR) {
    std::wstring text;
    HRESULT hr = TextOf(from, decimal, text);
    if (FAILED(hr)) return hr;
    BSTR b = velk::AllocBstr(text);
    if (!b) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    out->bstrVal = b;
    return S_OK;
  }
  Num n;
  if (from.vt == VT_BSTR) {
    std::wstring_view text(from.bstrVal ? from.bstrVal : L"", SysStringLen(from.bstrVal));
    if (vt == VT_BOOL) {
      std::wstring_view t = Trim(text);
      if (EqualsNoCase(t, L"true") || EqualsNoCase(t, L"false")) {
        out->vt = VT_BOOL;
        out->boolVal = ToVariantBool(EqualsNoCase(t, L"true"));
        return S_OK;
      }
    }
    if (vt == VT_DATE) return DISP_E_TYPEMISMATCH;  // date text is not read
    HRESULT hr = ParseNumber(text, decimal, n);
    if (FAILED(hr)) return hr;
  } else {
    std::optional<Num> got = NumOf(from);
    if (!got) return DISP_E_TYPEMISMATCH;
    n = *got;
  }
  HRESULT hr = StoreNum(n, vt, out);
  if (FAILED(hr)) VariantInit(out);
  return hr;
}

}  // namespace

std::size_t ScalarSize(VARTYPE t) {
  switch (t) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_DATE: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    default: return 0;
  }
}

// ---- public functions ------------------------------------------------------------------------

void VariantInit(VARIANT* v) {
  if (!v) return;
  v->vt = VT_EMPTY;
  v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
  v->ullVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!IsValidVariantType(v->vt)) return DISP_E_BADVARTYPE;
  if (!(v->vt & VT_BYREF)) {
    if (v->vt & VT_ARRAY) {
      if (v->parray) {
        HRESULT hr = SafeArrayDestroy(v->parray);
        if (FAILED(hr)) return hr;
      }
    } else if (v->vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    } else if (v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) {
      if (v->punkVal) v->punkVal->Release();
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (dest == src) return S_OK;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy;
  HRESULT hr = CopyValue(*src, &copy);
  if (FAILED(hr)) return hr;
  return Publish(dest, copy);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = ValueView(src, &view);
  if (FAILED(hr)) return hr;
  if (dest == src && !(src->vt & VT_BYREF)) return S_OK;
  VARIANT copy;
  hr = CopyValue(view, &copy);
  if (FAILED(hr)) return hr;
  return Publish(dest, copy);
}

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT, VARTYPE vt) {
  if (!dest || !src) return E_INVALIDARG;
  if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  // Targets are plain values or arrays; of the VARIANT forms only VT_ARRAY|VT_VARIANT.
  bool variantForm = (vt & VT_TYPEMASK) == VT_VARIANT;
  if ((vt & VT_BYREF) || !IsValidVariantType(vt) || (variantForm && vt != (VT_ARRAY | VT_VARIANT)))
    return DISP_E_BADVARTYPE;
  VARIANT view;
  HRESULT hr = ValueView(src, &view);
  if (FAILED(hr)) return hr;
  VARIANT result;
  hr = Convert(view, lcid, vt, &result);
  if (FAILED(hr)) return hr;
  return Publish(dest, result);
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt) {
  return VariantChangeTypeEx(dest, src, LOCALE_USER_DEFAULT, flags, vt);
}

namespace velk {

void SetVariantLocaleLookup(std::function<wchar_t(LCID)> lookup) {
  std::lock_guard<std::mutex> lock(g_localeMutex);
  g_localeLookup = std::move(lookup);
}

wchar_t VariantDecimalSymbol(LCID lcid) {
  if (lcid == 0) lcid = LOCALE_USER_DEFAULT;
  std::function<wchar_t(LCID)> lookup;
  {
    std::lock_guard<std::mutex> lock(g_localeMutex);
    lookup = g_localeLookup;
  }
  if (!lookup) return L'.';
  wchar_t c = lookup(lcid);
  return c ? c : L'.';
}

std::wstring Variant::ToString(LCID lcid) const {
  VARIANT text;
  VariantInit(&text);
  Check(VariantChangeTypeEx(&text, this, lcid, 0, VT_BSTR));
  std::wstring r = BstrToWstring(text.bstrVal);
  VariantClear(&text);
  return r;
}

bool Variant::operator==(const Variant& o) const noexcept {
  if (vt != o.vt) return false;
  if (vt & (VT_BYREF | VT_ARRAY)) return (vt & VT_BYREF) ? byref == o.byref : parray == o.parray;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_BSTR: return BstrToWstring(bstrVal) == BstrToWstring(o.bstrVal);
    case VT_UNKNOWN:
    case VT_DISPATCH: return punkVal == o.punkVal;
    case VT_R4: return fltVal == o.fltVal;
    case VT_R8: return dblVal == o.dblVal;
    case VT_DATE: return date == o.date;
    default: {
      std::size_t n = ScalarSize(vt);
      return n != 0 && std::memcmp(&llVal, &o.llVal, n) == 0;
    }
  }
}

}  // namespace velk
