// VARIANT: the tagged value of automation calls, its type conversions, and the owning holder
// velk::Variant.
#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <string_view>

#include "platform/com/base_types.h"
#include "platform/com/bstr.h"
#include "platform/com/out_param.h"
#include "platform/com/unknown.h"

using VARTYPE = std::uint16_t;
using SCODE = LONG;
using LCID = DWORD;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

// Flags of VariantChangeType(Ex). Boolean text is always "True"/"False" here, so the two
// boolean flags are accepted and change nothing.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;

// The late-binding interface. This runtime does no late binding; only its identity is modelled
// so that VT_DISPATCH values hold, copy and release their objects.
struct IDispatch : IUnknown {
  VELK_INTERFACE_ID("{00020400-0000-0000-C000-000000000046}")
};

struct SAFEARRAY;
struct VARIANT;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    signed char cVal;
    USHORT uiVal;
    ULONG ulVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    BYTE* pbVal;
    SHORT* piVal;
    LONG* plVal;
    LONGLONG* pllVal;
    float* pfltVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    void* byref;
    signed char* pcVal;
    USHORT* puiVal;
    ULONG* pulVal;
    ULONGLONG* pullVal;
    INT* pintVal;
    UINT* puintVal;
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) (((v)->vt & VT_BYREF) != 0)
#define V_ISARRAY(v) (((v)->vt & VT_ARRAY) != 0)
#define V_I1(v) ((v)->cVal)
#define V_UI1(v) ((v)->bVal)
#define V_I2(v) ((v)->iVal)
#define V_UI2(v) ((v)->uiVal)
#define V_I4(v) ((v)->lVal)
#define V_UI4(v) ((v)->ulVal)
#define V_I8(v) ((v)->llVal)
#define V_UI8(v) ((v)->ullVal)
#define V_INT(v) ((v)->intVal)
#define V_UINT(v) ((v)->uintVal)
#define V_R4(v) ((v)->fltVal)
#define V_R8(v) ((v)->dblVal)
#define V_DATE(v) ((v)->date)
#define V_BOOL(v) ((v)->boolVal)
#define V_ERROR(v) ((v)->scode)
#define V_BSTR(v) ((v)->bstrVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_ARRAY(v) ((v)->parray)
#define V_BYREF(v) ((v)->byref)
#define V_VARIANTREF(v) ((v)->pvarVal)

// Sets vt to VT_EMPTY (the value is not looked at: the variant may hold garbage).
void VariantInit(VARIANT* v);
// Frees what the variant owns (string, object reference, array) and leaves it VT_EMPTY.
// DISP_E_BADVARTYPE (variant unchanged) for a type this runtime does not know.
HRESULT VariantClear(VARIANT* v);
// Clears dest, then makes it an independent copy of src (strings and arrays duplicated,
// objects AddRef'ed; a by-reference variant copies the reference). dest == src is a no-op.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Like VariantCopy, but a by-reference source is copied as the value it points at.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);

// Converts src to type vt into dest (dest may be src). On failure dest is left as it was.
// Numbers and text convert in the given locale: the decimal symbol comes from the locale
// lookup below, group separators are not accepted; integers round half to even; a value out
// of the target's range gives DISP_E_OVERFLOW, unreadable text DISP_E_TYPEMISMATCH.
// Booleans are VARIANT_TRUE (-1) / VARIANT_FALSE; as text "True"/"False", read back from
// those words (any case) or from a number (non-zero is true). VT_NULL converts only to
// VT_NULL or VT_EMPTY. A by-reference source is read through its reference.
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt);
// VariantChangeTypeEx in the user-default locale.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

// Bytes of a scalar VARIANT type's value (a pointer's for BSTR and interfaces); 0 for others.
std::size_t ScalarSize(VARTYPE t);

namespace velk {

// The decimal symbol of a locale id, used by the number <-> text conversions. The default
// answers '.' for every id; so does a lookup that answers 0 (an unknown id). LCID 0 (neutral)
// is passed on as LOCALE_USER_DEFAULT. An empty function restores the default.
void SetVariantLocaleLookup(std::function<wchar_t(LCID)> lookup);
wchar_t VariantDecimalSymbol(LCID lcid);

// Owning VARIANT: clears what it holds on destruction; copies are deep. Usable wherever a
// VARIANT* is expected.
class Variant : public VARIANT {
 public:
  Variant() noexcept { VariantInit(this); }
  Variant(const VARIANT& v) {
    VariantInit(this);
    Check(VariantCopy(this, &v));
  }
  Variant(const Variant& v) : Variant(static_cast<const VARIANT&>(v)) {}
  Variant(Variant&& v) noexcept : VARIANT(v) { VariantInit(&v); }
  ~Variant() { VariantClear(this); }

  Variant& operator=(const Variant& v) {
    if (this != &v) Check(VariantCopy(this, &v));
    return *this;
  }
  Variant& operator=(Variant&& v) noexcept {
    if (this != &v) {
      VariantClear(this);
      static_cast<VARIANT&>(*this) = v;
      VariantInit(&v);
    }
    return *this;
  }
  Variant& operator=(const VARIANT& v) {
    if (&v != static_cast<VARIANT*>(this)) Check(VariantCopy(this, &v));
    return *this;
  }

  // bool is VT_BOOL (true = VARIANT_TRUE, -1).
  Variant(bool b) noexcept {
    vt = VT_BOOL;
    boolVal = ToVariantBool(b);
  }
  // Integers keep their width and signedness: VT_I1/UI1/I2/UI2/I4/UI4/I8/UI8.
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, wchar_t> &&
           !std::same_as<T, char8_t> && !std::same_as<T, char16_t> && !std::same_as<T, char32_t>)
      Variant(T value)
  noexcept {
    VariantInit(this);
    SetInteger(value);
  }
  Variant(float f) noexcept {
    vt = VT_R4;
    fltVal = f;
  }
  Variant(double d) noexcept {
    vt = VT_R8;
    dblVal = d;
  }
  // Strings are copied into a new BSTR. A null pointer gives a VT_BSTR holding a null BSTR.
  Variant(const wchar_t* s) { SetString(s ? AllocOrThrow(s) : nullptr); }
  Variant(std::wstring_view s) { SetString(AllocOrThrow(s)); }
  Variant(const std::wstring& s) : Variant(std::wstring_view(s)) {}
  // A BSTR held in a Bstr is copied with its full length (embedded zeros kept).
  Variant(const Bstr& s) {
    SetString(s.Copy());
    if (!s.is_null() && !bstrVal) ThrowComError(E_OUTOFMEMORY);
  }
  // Holds a reference to the object (VT_UNKNOWN; a null pointer is kept as null).
  Variant(IUnknown* p) noexcept {
    vt = VT_UNKNOWN;
    punkVal = p;
    if (p) p->AddRef();
  }
  Variant(IDispatch* p) noexcept {
    vt = VT_DISPATCH;
    pdispVal = p;
    if (p) p->AddRef();
  }

  // Builds a variant that takes over src's content (src becomes VT_EMPTY).
  static Variant Attach(VARIANT* src) {
    Variant r;
    if (src) {
      static_cast<VARIANT&>(r) = *src;
      VariantInit(src);
    }
    return r;
  }
  // Hands the content to dest (which is cleared first) and leaves this variant empty.
  HRESULT Detach(VARIANT* dest) noexcept {
    if (!dest) return E_POINTER;
    if (dest == static_cast<VARIANT*>(this)) return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    *dest = static_cast<const VARIANT&>(*this);
    VariantInit(this);
    return S_OK;
  }
  // A deep copy into dest (which is cleared first).
  HRESULT CopyTo(VARIANT* dest) const noexcept {
    return dest ? VariantCopy(dest, this) : E_POINTER;
  }
  // Converts in place; on failure the value is unchanged.
  HRESULT ChangeType(VARTYPE type, LCID lcid = LOCALE_USER_DEFAULT) noexcept {
    return VariantChangeTypeEx(this, this, lcid, 0, type);
  }
  HRESULT Clear() noexcept { return VariantClear(this); }

  VARTYPE Type() const noexcept { return vt; }
  bool IsEmpty() const noexcept { return vt == VT_EMPTY; }
  // Text of the value as VariantChangeType gives it; throws ComError when it has none.
  std::wstring ToString(LCID lcid = LOCALE_USER_DEFAULT) const;

  // Same type and same value: strings by text (null equals empty, as in automation),
  // objects and arrays by pointer, by-reference variants by reference.
  bool operator==(const Variant& o) const noexcept;

 private:
  static BSTR AllocOrThrow(std::wstring_view s) {
    BSTR b = AllocBstr(s);
    if (!b) ThrowComError(E_OUTOFMEMORY);
    return b;
  }
  void SetString(BSTR b) noexcept {
    vt = VT_BSTR;
    bstrVal = b;
  }
  template <class T>
  void SetInteger(T value) noexcept {
    if constexpr (std::is_signed_v<T>) {
      if constexpr (sizeof(T) == 1) {
        vt = VT_I1;
        cVal = static_cast<signed char>(value);
      } else if constexpr (sizeof(T) == 2) {
        vt = VT_I2;
        iVal = value;
      } else if constexpr (sizeof(T) == 4) {
        vt = VT_I4;
        lVal = value;
      } else {
        vt = VT_I8;
        llVal = value;
      }
    } else {
      if constexpr (sizeof(T) == 1) {
        vt = VT_UI1;
        bVal = value;
      } else if constexpr (sizeof(T) == 2) {
        vt = VT_UI2;
        uiVal = value;
      } else if constexpr (sizeof(T) == 4) {
        vt = VT_UI4;
        ulVal = value;
      } else {
        vt = VT_UI8;
        ullVal = value;
      }
    }
  }
};

}  // namespace velk
