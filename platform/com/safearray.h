// SAFEARRAY: a self-describing array of automation values with bounds per dimension.
#pragma once

#include "platform/com/base_types.h"
#include "platform/com/variant.h"

constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHr(0x8002000D);

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

// The bounds follow the descriptor; as in the automation layout, rgsabound[0] describes the
// last (rightmost) dimension, rgsabound[cDims - 1] the first. The first index varies fastest
// in the data block.
struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;

constexpr USHORT FADF_AUTO = 0x0001;
constexpr USHORT FADF_STATIC = 0x0002;
constexpr USHORT FADF_EMBEDDED = 0x0004;
constexpr USHORT FADF_FIXEDSIZE = 0x0010;
constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
constexpr USHORT FADF_BSTR = 0x0100;
constexpr USHORT FADF_UNKNOWN = 0x0200;
constexpr USHORT FADF_DISPATCH = 0x0400;
constexpr USHORT FADF_VARIANT = 0x0800;

// Element types: I1, UI1, I2, UI2, I4, UI4, INT, UINT, I8, UI8, R4, R8, DATE, BOOL, ERROR,
// BSTR, UNKNOWN, DISPATCH, VARIANT. Elements start zeroed (null strings and objects, EMPTY
// variants). Null for an unknown type, no dimensions or too large a size.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the elements (strings, object references, variants) and the array.
// DISP_E_ARRAYISLOCKED while the data is accessed; a null array is S_OK.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);

UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
// nDim is 1-based; DISP_E_BADINDEX for a dimension the array does not have.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);

// rgIndices holds one index per dimension, the first dimension first. GetElement copies the
// element into pv (a new BSTR, an AddRef'ed object, a copied VARIANT; the target is treated
// as uninitialised). PutElement stores a copy of pv, which is the BSTR itself for BSTR arrays,
// the interface pointer itself for object arrays and a pointer to the value otherwise; the old
// element is freed. DISP_E_BADINDEX for an index outside the bounds.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);

HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);  // E_UNEXPECTED when not locked
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

// A deep copy; a null source gives a null copy.
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
// Changes the element count of the last dimension (the only one of a vector). New elements
// start zeroed; dropped ones are freed. DISP_E_ARRAYISLOCKED while accessed.
HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
