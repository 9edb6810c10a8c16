#include "platform/com/safearray.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/variant.h"

// Memory layout: a 16-byte prefix holding the element type, then the descriptor with its
// bounds; the data block is allocated separately (zeroed).
namespace {

constexpr std::size_t kPrefix = 16;

std::size_t ElementSize(VARTYPE vt) { return vt == VT_VARIANT ? sizeof(VARIANT) : ScalarSize(vt); }

USHORT FeaturesOf(VARTYPE vt) {
  USHORT f = FADF_HAVEVARTYPE;
  if (vt == VT_BSTR) f |= FADF_BSTR;
  if (vt == VT_UNKNOWN) f |= FADF_UNKNOWN;
  if (vt == VT_DISPATCH) f |= FADF_DISPATCH;
  if (vt == VT_VARIANT) f |= FADF_VARIANT;
  return f;
}

// Bounds through a pointer: the array member has one declared element, the block holds cDims.
SAFEARRAYBOUND* Bounds(SAFEARRAY* psa) { return psa->rgsabound; }
// The bound of dimension d, counted 0-based from the left.
SAFEARRAYBOUND& BoundOf(SAFEARRAY* psa, UINT d) { return Bounds(psa)[psa->cDims - 1 - d]; }

VARTYPE TypeOf(SAFEARRAY* psa) {
  VARTYPE vt = VT_EMPTY;
  std::memcpy(&vt, reinterpret_cast<char*>(psa) - kPrefix, sizeof vt);
  return vt;
}

// Number of elements, or false when it overflows.
bool CountOf(UINT cDims, const SAFEARRAYBOUND* bounds, std::size_t elemSize, std::size_t& count) {
  std::size_t n = 1;
  for (UINT d = 0; d < cDims; ++d) {
    std::size_t c = bounds[d].cElements;
    if (c != 0 && n > std::numeric_limits<std::size_t>::max() / c) return false;
    n *= c;
  }
  if (elemSize != 0 && n > std::numeric_limits<std::size_t>::max() / elemSize) return false;
  count = n;
  return true;
}

std::size_t TotalCount(SAFEARRAY* psa) {
  std::size_t n = 1;
  for (UINT d = 0; d < psa->cDims; ++d) n *= Bounds(psa)[d].cElements;
  return n;
}

void ReleaseElements(VARTYPE vt, void* data, std::size_t first, std::size_t end) {
  if (!data) return;
  for (std::size_t k = first; k < end; ++k) {
    switch (vt) {
      case VT_BSTR: {
        BSTR& b = static_cast<BSTR*>(data)[k];
        SysFreeString(b);
        b = nullptr;
        break;
      }
      case VT_UNKNOWN:
      case VT_DISPATCH: {
        IUnknown*& p = static_cast<IUnknown**>(data)[k];
        if (p) {
          IUnknown* old = p;
          p = nullptr;
          old->Release();
        }
        break;
      }
      case VT_VARIANT: VariantClear(&static_cast<VARIANT*>(data)[k]); break;
      default: return;
    }
  }
}

// Copies one element from src into uninitialised storage at dst.
HRESULT CopyElement(VARTYPE vt, const void* src, void* dst, std::size_t size) {
  switch (vt) {
    case VT_BSTR: {
      BSTR s = *static_cast<const BSTR*>(src);
      BSTR c = nullptr;
      if (s) {
        c = SysAllocStringLen(s, SysStringLen(s));
        if (!c) return E_OUTOFMEMORY;
      }
      *static_cast<BSTR*>(dst) = c;
      return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* p = *static_cast<IUnknown* const*>(src);
      if (p) p->AddRef();
      *static_cast<IUnknown**>(dst) = p;
      return S_OK;
    }
    case VT_VARIANT: {
      auto* d = static_cast<VARIANT*>(dst);
      VariantInit(d);
      return VariantCopy(d, static_cast<const VARIANT*>(src));
    }
    default: std::memcpy(dst, src, size); return S_OK;
  }
}

HRESULT ElementPtr(SAFEARRAY* psa, const LONG* rgIndices, void** out) {
  std::size_t offset = 0, stride = 1;
  for (UINT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = BoundOf(psa, d);
    std::int64_t rel = static_cast<std::int64_t>(rgIndices[d]) - b.lLbound;
    if (rel < 0 || rel >= static_cast<std::int64_t>(b.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<std::size_t>(rel) * stride;
    stride *= b.cElements;
  }
  *out = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
  return S_OK;
}

SAFEARRAY* AllocDescriptor(VARTYPE vt, UINT cDims) {
  std::size_t bytes = kPrefix + offsetof(SAFEARRAY, rgsabound) + cDims * sizeof(SAFEARRAYBOUND);
  char* block = static_cast<char*>(std::calloc(1, bytes));
  if (!block) return nullptr;
  std::memcpy(block, &vt, sizeof vt);
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FeaturesOf(vt);
  psa->cbElements = static_cast<ULONG>(ElementSize(vt));
  return psa;
}

void FreeDescriptor(SAFEARRAY* psa) { std::free(reinterpret_cast<char*>(psa) - kPrefix); }

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  std::size_t size = ElementSize(vt);
  if (size == 0 || cDims == 0 || cDims > 0xFFFF || !rgsabound) return nullptr;
  std::size_t count = 0;
  if (!CountOf(cDims, rgsabound, size, count)) return nullptr;
  SAFEARRAY* psa = AllocDescriptor(vt, cDims);
  if (!psa) return nullptr;
  for (UINT d = 0; d < cDims; ++d) BoundOf(psa, d) = rgsabound[d];
  if (count > 0) {
    psa->pvData = std::calloc(count, size);
    if (!psa->pvData) {
      FreeDescriptor(psa);
      return nullptr;
    }
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND b{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &b);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ReleaseElements(TypeOf(psa), psa->pvData, 0, TotalCount(psa));
  std::free(psa->pvData);
  FreeDescriptor(psa);
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = BoundOf(psa, nDim - 1).lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = BoundOf(psa, nDim - 1);
  *plUbound = static_cast<LONG>(static_cast<std::int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE)
    *pvt = TypeOf(psa);
  else if (psa->fFeatures & FADF_BSTR)
    *pvt = VT_BSTR;
  else if (psa->fFeatures & FADF_UNKNOWN)
    *pvt = VT_UNKNOWN;
  else if (psa->fFeatures & FADF_DISPATCH)
    *pvt = VT_DISPATCH;
  else if (psa->fFeatures & FADF_VARIANT)
    *pvt = VT_VARIANT;
  else
    return E_INVALIDARG;
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  void* elem = nullptr;
  HRESULT hr = ElementPtr(psa, rgIndices, &elem);
  if (FAILED(hr)) return hr;
  return CopyElement(TypeOf(psa), elem, pv, psa->cbElements);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  VARTYPE vt = TypeOf(psa);
  // BSTR and object arrays take the value itself, which may be null; others a pointer to it.
  if (!pv && vt != VT_BSTR && vt != VT_UNKNOWN && vt != VT_DISPATCH) return E_INVALIDARG;
  void* elem = nullptr;
  HRESULT hr = ElementPtr(psa, rgIndices, &elem);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_BSTR: {
      auto s = static_cast<BSTR>(pv);
      BSTR c = nullptr;
      if (s) {
        c = SysAllocStringLen(s, SysStringLen(s));
        if (!c) return E_OUTOFMEMORY;
      }
      BSTR old = *static_cast<BSTR*>(elem);
      *static_cast<BSTR*>(elem) = c;
      SysFreeString(old);
      return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      auto* p = static_cast<IUnknown*>(pv);
      if (p) p->AddRef();
      IUnknown* old = *static_cast<IUnknown**>(elem);
      *static_cast<IUnknown**>(elem) = p;
      if (old) old->Release();
      return S_OK;
    }
    case VT_VARIANT:
      return VariantCopy(static_cast<VARIANT*>(elem), static_cast<const VARIANT*>(pv));
    default: std::memcpy(elem, pv, psa->cbElements); return S_OK;
  }
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == std::numeric_limits<ULONG>::max()) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  VARTYPE vt = TypeOf(psa);
  SAFEARRAY* copy = AllocDescriptor(vt, psa->cDims);
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(Bounds(copy), Bounds(psa), psa->cDims * sizeof(SAFEARRAYBOUND));
  std::size_t count = TotalCount(psa);
  if (count > 0) {
    copy->pvData = std::calloc(count, copy->cbElements);
    if (!copy->pvData) {
      FreeDescriptor(copy);
      return E_OUTOFMEMORY;
    }
  }
  for (std::size_t k = 0; k < count; ++k) {
    std::size_t at = k * copy->cbElements;
    HRESULT hr = CopyElement(vt, static_cast<char*>(psa->pvData) + at,
                             static_cast<char*>(copy->pvData) + at, copy->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);  // the elements not reached are still zeroed
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
  if (!psa || !psaboundNew) return E_INVALIDARG;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  VARTYPE vt = TypeOf(psa);
  std::size_t oldCount = TotalCount(psa);
  SAFEARRAYBOUND saved = Bounds(psa)[0];
  Bounds(psa)[0] = *psaboundNew;
  std::size_t newCount = 0;
  if (!CountOf(psa->cDims, Bounds(psa), psa->cbElements, newCount)) {
    Bounds(psa)[0] = saved;
    return E_OUTOFMEMORY;
  }
  if (newCount < oldCount) ReleaseElements(vt, psa->pvData, newCount, oldCount);
  if (newCount == 0) {
    std::free(psa->pvData);
    psa->pvData = nullptr;
    return S_OK;
  }
  void* data = std::realloc(psa->pvData, newCount * psa->cbElements);
  if (!data) {
    // Shrinking never fails here; growing leaves the array as it was.
    Bounds(psa)[0] = saved;
    return E_OUTOFMEMORY;
  }
  if (newCount > oldCount)
    std::memset(static_cast<char*>(data) + oldCount * psa->cbElements, 0,
                (newCount - oldCount) * psa->cbElements);
  psa->pvData = data;
  return S_OK;
}
