#include <gtest/gtest.h>

#include <memory>

#include "platform/com/object.h"
#include "platform/com/safearray.h"
#include "platform/com/variant.h"

using velk::Variant;

namespace {

struct IArrProbe : IUnknown {
  VELK_INTERFACE_ID("{2C4D6E80-1A3B-4C5D-8E9F-0A1B2C3D4E01}")
  virtual HRESULT Probe() = 0;
};
class ArrProbe : public velk::ComObjectRoot<ArrProbe, IArrProbe> {
 public:
  HRESULT Probe() override { return S_OK; }
};

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

struct ArrayDeleter {
  void operator()(SAFEARRAY* p) const { EXPECT_EQ(SafeArrayDestroy(p), S_OK); }
};
using ArrayPtr = std::unique_ptr<SAFEARRAY, ArrayDeleter>;

std::wstring ElementText(SAFEARRAY* psa, LONG index) {
  BSTR b = reinterpret_cast<BSTR>(0x1);
  EXPECT_EQ(SafeArrayGetElement(psa, &index, &b), S_OK);
  std::wstring s = velk::BstrToWstring(b);
  SysFreeString(b);
  return s;
}

TEST(SafeArray, CreatesVectorsOfEachElementType) {
  struct Case {
    VARTYPE vt;
    ULONG size;
    USHORT feature;  // the type flag beside FADF_HAVEVARTYPE
  };
  const Case cases[] = {
      {VT_I1, 1, 0},
      {VT_UI1, 1, 0},
      {VT_I2, 2, 0},
      {VT_UI2, 2, 0},
      {VT_BOOL, 2, 0},
      {VT_I4, 4, 0},
      {VT_UI4, 4, 0},
      {VT_INT, 4, 0},
      {VT_UINT, 4, 0},
      {VT_R4, 4, 0},
      {VT_ERROR, 4, 0},
      {VT_I8, 8, 0},
      {VT_UI8, 8, 0},
      {VT_R8, 8, 0},
      {VT_DATE, 8, 0},
      {VT_BSTR, sizeof(BSTR), FADF_BSTR},
      {VT_UNKNOWN, sizeof(void*), FADF_UNKNOWN},
      {VT_DISPATCH, sizeof(void*), FADF_DISPATCH},
      {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.vt);
    ArrayPtr a(SafeArrayCreateVector(c.vt, 0, 3));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->cDims, 1);
    EXPECT_EQ(a->cbElements, c.size);
    EXPECT_EQ(SafeArrayGetElemsize(a.get()), c.size);
    EXPECT_EQ(a->fFeatures, FADF_HAVEVARTYPE | c.feature);
    VARTYPE vt = 0;
    ASSERT_EQ(SafeArrayGetVartype(a.get(), &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    // Elements start zeroed.
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a.get(), &data), S_OK);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (ULONG k = 0; k < 3 * c.size; ++k) ASSERT_EQ(bytes[k], 0) << k;
    EXPECT_EQ(SafeArrayUnaccessData(a.get()), S_OK);
  }
  SAFEARRAYBOUND b{3, 0};
  for (VARTYPE bad :
       {VARTYPE{VT_EMPTY}, VARTYPE{VT_NULL}, VARTYPE{0x0FFF}, VARTYPE(VT_ARRAY | VT_I4)})
    EXPECT_EQ(SafeArrayCreate(bad, 1, &b), nullptr) << bad;
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &b), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
  SAFEARRAYBOUND huge[2] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, BoundsAndIndexChecks) {
  ArrayPtr a(SafeArrayCreateVector(VT_I4, 5, 3));  // indices 5..7
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(SafeArrayGetDim(a.get()), 1u);
  LONG lo = 0, hi = 0;
  EXPECT_EQ(SafeArrayGetLBound(a.get(), 1, &lo), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(a.get(), 1, &hi), S_OK);
  EXPECT_EQ(lo, 5);
  EXPECT_EQ(hi, 7);
  EXPECT_EQ(SafeArrayGetLBound(a.get(), 0, &lo), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(a.get(), 2, &hi), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &lo), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetUBound(a.get(), 1, nullptr), E_INVALIDARG);

  struct Case {
    LONG index;
    HRESULT hr;
  };
  const Case cases[] = {
      {4, DISP_E_BADINDEX}, {5, S_OK}, {7, S_OK}, {8, DISP_E_BADINDEX}, {-5, DISP_E_BADINDEX}};
  for (const auto& c : cases) {
    LONG value = c.index * 10;
    LONG index = c.index;
    EXPECT_EQ(SafeArrayPutElement(a.get(), &index, &value), c.hr) << c.index;
    LONG read = -1;
    EXPECT_EQ(SafeArrayGetElement(a.get(), &index, &read), c.hr) << c.index;
    if (c.hr == S_OK) {
      EXPECT_EQ(read, c.index * 10);
    }
  }
  LONG index = 5, value = 0;
  EXPECT_EQ(SafeArrayGetElement(a.get(), nullptr, &value), E_INVALIDARG);
  EXPECT_EQ(SafeArrayGetElement(a.get(), &index, nullptr), E_INVALIDARG);
  EXPECT_EQ(SafeArrayPutElement(a.get(), &index, nullptr), E_INVALIDARG);

  // An empty vector has an upper bound below its lower bound and no valid index.
  ArrayPtr empty(SafeArrayCreateVector(VT_BSTR, 0, 0));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SafeArrayGetUBound(empty.get(), 1, &hi), S_OK);
  EXPECT_EQ(hi, -1);
  index = 0;
  BSTR b = nullptr;
  EXPECT_EQ(SafeArrayGetElement(empty.get(), &index, &b), DISP_E_BADINDEX);
}

TEST(SafeArray, StringElementsAreCopiedInAndOut) {
  ArrayPtr a(SafeArrayCreateVector(VT_BSTR, 0, 3));
  ASSERT_NE(a, nullptr);
  BSTR mine = SysAllocStringLen(L"a\0b", 3);
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(a.get(), &i, mine), S_OK);
  EXPECT_NE(static_cast<BSTR*>(a->pvData)[0], mine);
  SysFreeString(mine);  // the array holds its own copy
  EXPECT_EQ(ElementText(a.get(), 0), std::wstring(L"a\0b", 3));

  i = 1;
  ASSERT_EQ(SafeArrayPutElement(a.get(), &i, velk::Bstr(L"first").get()), S_OK);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &i, velk::Bstr(L"second").get()), S_OK);  // old one freed
  EXPECT_EQ(ElementText(a.get(), 1), L"second");
  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(a.get(), &i, &out), S_OK);
  EXPECT_NE(out, static_cast<BSTR*>(a->pvData)[1]);
  SysFreeString(out);

  // Null stays null, distinct from empty.
  i = 2;
  out = reinterpret_cast<BSTR>(0x1);
  ASSERT_EQ(SafeArrayGetElement(a.get(), &i, &out), S_OK);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(SafeArrayPutElement(a.get(), &i, velk::Bstr(L"").get()), S_OK);
  ASSERT_EQ(SafeArrayGetElement(a.get(), &i, &out), S_OK);
  EXPECT_NE(out, nullptr);
  SysFreeString(out);
  // Destroying the array frees its strings (the leak check sees it).
}

TEST(SafeArray, ObjectAndVariantElementsHoldReferences) {
  IArrProbe* raw = nullptr;
  ASSERT_EQ((velk::MakeObject<ArrProbe, IArrProbe>(&raw)), S_OK);
  {
    ArrayPtr objects(SafeArrayCreateVector(VT_UNKNOWN, 0, 2));
    LONG i = 0;
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &i, raw), S_OK);
    i = 1;
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &i, raw), S_OK);
    EXPECT_EQ(RefCount(raw), 3u);
    ASSERT_EQ(SafeArrayPutElement(objects.get(), &i, nullptr), S_OK);  // releases the old one
    EXPECT_EQ(RefCount(raw), 2u);
    IUnknown* got = nullptr;
    i = 0;
    ASSERT_EQ(SafeArrayGetElement(objects.get(), &i, &got), S_OK);
    EXPECT_EQ(got, static_cast<IUnknown*>(raw));
    EXPECT_EQ(RefCount(raw), 3u);
    got->Release();

    ArrayPtr variants(SafeArrayCreateVector(VT_VARIANT, 1, 2));
    Variant text(L"in a variant");
    Variant obj(static_cast<IUnknown*>(raw));
    i = 1;
    ASSERT_EQ(SafeArrayPutElement(variants.get(), &i, &text), S_OK);
    i = 2;
    ASSERT_EQ(SafeArrayPutElement(variants.get(), &i, &obj), S_OK);
    EXPECT_EQ(RefCount(raw), 4u);  // objects[0], obj, variants[2]
    Variant back;
    i = 1;
    ASSERT_EQ(SafeArrayGetElement(variants.get(), &i, &back), S_OK);
    EXPECT_TRUE(back == text);
    EXPECT_NE(back.bstrVal, text.bstrVal);
  }
  EXPECT_EQ(RefCount(raw), 1u);
  raw->Release();
}

TEST(SafeArray, LockedArraysRefuseDestroyAndRedim) {
  ArrayPtr a(SafeArrayCreateVector(VT_R8, 0, 4));
  double* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(a.get(), reinterpret_cast<void**>(&data)), S_OK);
  data[3] = 2.5;
  EXPECT_EQ(SafeArrayDestroy(a.get()), DISP_E_ARRAYISLOCKED);
  SAFEARRAYBOUND nb{8, 0};
  EXPECT_EQ(SafeArrayRedim(a.get(), &nb), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(a.get()), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(a.get()), E_UNEXPECTED);
  LONG i = 3;
  double v = 0;
  ASSERT_EQ(SafeArrayGetElement(a.get(), &i, &v), S_OK);
  EXPECT_EQ(v, 2.5);

  // A variant holding a locked array cannot be cleared either, and keeps it.
  Variant holder;
  holder.vt = VT_ARRAY | VT_R8;
  holder.parray = a.release();
  ASSERT_EQ(SafeArrayLock(holder.parray), S_OK);
  EXPECT_EQ(VariantClear(&holder), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(holder.vt, VT_ARRAY | VT_R8);
  EXPECT_EQ(SafeArrayUnlock(holder.parray), S_OK);
}

TEST(SafeArray, TwoDimensionsUseFirstIndexFastest) {
  SAFEARRAYBOUND bounds[2] = {{3, 0}, {4, 1}};  // first index 0..2, second 1..4
  ArrayPtr a(SafeArrayCreate(VT_I4, 2, bounds));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(SafeArrayGetDim(a.get()), 2u);
  LONG lo = 0, hi = 0;
  ASSERT_EQ(SafeArrayGetLBound(a.get(), 2, &lo), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(a.get(), 2, &hi), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 4);
  // The stored bounds run from the last dimension to the first.
  EXPECT_EQ(a->rgsabound[0].cElements, 4u);
  for (LONG j = 1; j <= 4; ++j)
    for (LONG i = 0; i <= 2; ++i) {
      LONG idx[2] = {i, j};
      LONG value = i * 100 + j;
      ASSERT_EQ(SafeArrayPutElement(a.get(), idx, &value), S_OK);
    }
  const LONG* data = static_cast<const LONG*>(a->pvData);
  EXPECT_EQ(data[0], 1);     // (0,1)
  EXPECT_EQ(data[1], 101);   // (1,1)
  EXPECT_EQ(data[3], 2);     // (0,2)
  EXPECT_EQ(data[11], 204);  // (2,4)
  LONG bad[2] = {3, 1};
  LONG v = 0;
  EXPECT_EQ(SafeArrayGetElement(a.get(), bad, &v), DISP_E_BADINDEX);
  LONG bad2[2] = {0, 0};
  EXPECT_EQ(SafeArrayGetElement(a.get(), bad2, &v), DISP_E_BADINDEX);
}

TEST(SafeArray, CopyIsDeepAndRedimKeepsElements) {
  ArrayPtr a(SafeArrayCreateVector(VT_BSTR, 0, 2));
  LONG i = 0;
  SafeArrayPutElement(a.get(), &i, velk::Bstr(L"zero").get());
  i = 1;
  SafeArrayPutElement(a.get(), &i, velk::Bstr(L"one").get());

  SAFEARRAY* raw = nullptr;
  ASSERT_EQ(SafeArrayCopy(a.get(), &raw), S_OK);
  ArrayPtr copy(raw);
  EXPECT_NE(static_cast<BSTR*>(copy->pvData)[0], static_cast<BSTR*>(a->pvData)[0]);
  EXPECT_EQ(ElementText(copy.get(), 1), L"one");
  VARTYPE vt = 0;
  SafeArrayGetVartype(copy.get(), &vt);
  EXPECT_EQ(vt, VT_BSTR);
  raw = reinterpret_cast<SAFEARRAY*>(0x1);
  EXPECT_EQ(SafeArrayCopy(nullptr, &raw), S_OK);
  EXPECT_EQ(raw, nullptr);

  SAFEARRAYBOUND grow{4, 0};
  ASSERT_EQ(SafeArrayRedim(a.get(), &grow), S_OK);
  EXPECT_EQ(ElementText(a.get(), 1), L"one");
  BSTR fresh = reinterpret_cast<BSTR>(0x1);
  i = 3;
  ASSERT_EQ(SafeArrayGetElement(a.get(), &i, &fresh), S_OK);
  EXPECT_EQ(fresh, nullptr);
  SAFEARRAYBOUND shrink{1, 0};
  ASSERT_EQ(SafeArrayRedim(a.get(), &shrink), S_OK);  // "one" is freed (leak check)
  LONG hi = 0;
  SafeArrayGetUBound(a.get(), 1, &hi);
  EXPECT_EQ(hi, 0);
  EXPECT_EQ(ElementText(a.get(), 0), L"zero");
}

TEST(SafeArray, VariantsOwnTheirArrays) {
  SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG i = 0;
  SafeArrayPutElement(names, &i, velk::Bstr(L"WGS 84").get());
  Variant v;
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = names;

  Variant copy = v;
  ASSERT_EQ(copy.vt, VT_ARRAY | VT_BSTR);
  EXPECT_NE(copy.parray, v.parray);
  EXPECT_EQ(ElementText(copy.parray, 0), L"WGS 84");
  EXPECT_NE(static_cast<BSTR*>(copy.parray->pvData)[0], static_cast<BSTR*>(names->pvData)[0]);

  Variant same;
  ASSERT_EQ(VariantChangeType(&same, &v, 0, VT_ARRAY | VT_BSTR), S_OK);
  EXPECT_NE(same.parray, v.parray);
  Variant text;
  EXPECT_EQ(VariantChangeType(&text, &v, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&text, &v, 0, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);

  // A reference to an array copies through VariantCopyInd.
  VARIANT ref;
  ref.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  ref.pparray = &names;
  Variant deep;
  ASSERT_EQ(VariantCopyInd(&deep, &ref), S_OK);
  EXPECT_EQ(deep.vt, VT_ARRAY | VT_BSTR);
  EXPECT_NE(deep.parray, names);
  EXPECT_EQ(ElementText(deep.parray, 0), L"WGS 84");
  ASSERT_EQ(VariantClear(&v), S_OK);  // frees the array and its strings
  EXPECT_EQ(v.vt, VT_EMPTY);
}

}  // namespace
