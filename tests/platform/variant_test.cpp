#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/com/object.h"
#include "platform/com/safearray.h"
#include "platform/com/variant.h"

using velk::Variant;

namespace {

struct IVarProbe : IUnknown {
  VELK_INTERFACE_ID("{7E1A2B3C-4D5E-4F60-8172-93A4B5C6D701}")
  virtual HRESULT Probe() = 0;
};
class ProbeObject : public velk::ComObjectRoot<ProbeObject, IVarProbe> {
 public:
  HRESULT Probe() override { return S_OK; }
};

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

Variant Null() {
  Variant v;
  v.vt = VT_NULL;
  return v;
}
Variant Date(double d) {
  Variant v;
  v.vt = VT_DATE;
  v.date = d;
  return v;
}
Variant Typed(VARTYPE vt, double value) {
  Variant v(value);
  EXPECT_EQ(v.ChangeType(vt), S_OK);
  return v;
}

std::string Describe(const VARIANT& v) {
  Variant copy(v);
  std::wstring text;
  if (v.vt == VT_BSTR)
    text = L"\"" + velk::BstrToWstring(v.bstrVal) + L"\"";
  else if (v.vt == VT_EMPTY || v.vt == VT_NULL ||
           VariantChangeTypeEx(&copy, &copy, 1033, 0, VT_BSTR) != S_OK)
    text = L"-";
  else
    text = velk::BstrToWstring(copy.bstrVal);
  std::string narrow(text.begin(), text.end());
  return "vt " + std::to_string(v.vt) + " " + narrow;
}

struct ChangeCase {
  const char* name;
  Variant from;
  VARTYPE to;
  HRESULT hr;
  Variant expected;  // when hr is S_OK
};

TEST(VariantChangeType, ConvertsBetweenTypes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const ChangeCase cases[] = {
      // integers and reals
      {"I4 to BSTR", Variant(42), VT_BSTR, S_OK, Variant(L"42")},
      {"negative I4 to BSTR", Variant(-7), VT_BSTR, S_OK, Variant(L"-7")},
      {"I4 to R8", Variant(-7), VT_R8, S_OK, Variant(-7.0)},
      {"R8 2.5 rounds to even", Variant(2.5), VT_I4, S_OK, Variant(2)},
      {"R8 3.5 rounds to even", Variant(3.5), VT_I4, S_OK, Variant(4)},
      {"R8 -2.5 rounds to even", Variant(-2.5), VT_I4, S_OK, Variant(-2)},
      {"R8 -32768.4 fits I2", Variant(-32768.4), VT_I2, S_OK, Variant(SHORT{-32768})},
      {"I4 70000 overflows I2", Variant(70000), VT_I2, DISP_E_OVERFLOW, {}},
      {"R8 1e10 overflows I4", Variant(1e10), VT_I4, DISP_E_OVERFLOW, {}},
      {"R8 NaN overflows I4", Variant(nan), VT_I4, DISP_E_OVERFLOW, {}},
      {"R8 2^63 overflows I8", Variant(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW, {}},
      {"R8 1e39 overflows R4", Variant(1e39), VT_R4, DISP_E_OVERFLOW, {}},
      {"UI1 255 overflows I1", Variant(BYTE{255}), VT_I1, DISP_E_OVERFLOW, {}},
      {"I4 -1 overflows UI4", Variant(-1), VT_UI4, DISP_E_OVERFLOW, {}},
      {"UI4 max to I8", Variant(0xFFFFFFFFu), VT_I8, S_OK, Variant(LONGLONG{4294967295})},
      {"UI8 max overflows I8", Variant(~ULONGLONG{0}), VT_I8, DISP_E_OVERFLOW, {}},
      {"I8 to UI1", Variant(LONGLONG{200}), VT_UI1, S_OK, Variant(BYTE{200})},
      {"I4 to INT", Variant(5), VT_INT, S_OK,
       [] {
         Variant v;
         v.vt = VT_INT;
         v.intVal = 5;
         return v;
       }()},
      // reals as text
      {"R8 1.5 to BSTR", Variant(1.5), VT_BSTR, S_OK, Variant(L"1.5")},
      {"R8 0.1 to BSTR", Variant(0.1), VT_BSTR, S_OK, Variant(L"0.1")},
      {"R8 1/3 to BSTR, 15 digits", Variant(1.0 / 3), VT_BSTR, S_OK, Variant(L"0.333333333333333")},
      {"R8 1e20 to BSTR", Variant(1e20), VT_BSTR, S_OK, Variant(L"1E+20")},
      {"R8 -0 to BSTR", Variant(-0.0), VT_BSTR, S_OK, Variant(L"0")},
      {"R8 -1234567.25 to BSTR", Variant(-1234567.25), VT_BSTR, S_OK, Variant(L"-1234567.25")},
      {"R4 0.1 to BSTR, 7 digits", Variant(0.1f), VT_BSTR, S_OK, Variant(L"0.1")},
      // booleans
      {"BOOL true to I4", Variant(true), VT_I4, S_OK, Variant(-1)},
      {"BOOL true to BSTR", Variant(true), VT_BSTR, S_OK, Variant(L"True")},
      {"BOOL false to BSTR", Variant(false), VT_BSTR, S_OK, Variant(L"False")},
      {"I4 5 to BOOL", Variant(5), VT_BOOL, S_OK, Variant(true)},
      {"R8 0.25 to BOOL", Variant(0.25), VT_BOOL, S_OK, Variant(true)},
      {"R8 0 to BOOL", Variant(0.0), VT_BOOL, S_OK, Variant(false)},
      {"BSTR True to BOOL", Variant(L"True"), VT_BOOL, S_OK, Variant(true)},
      {"BSTR ' fAlSe ' to BOOL", Variant(L" fAlSe "), VT_BOOL, S_OK, Variant(false)},
      {"BSTR -1 to BOOL", Variant(L"-1"), VT_BOOL, S_OK, Variant(true)},
      {"BSTR 0 to BOOL", Variant(L"0"), VT_BOOL, S_OK, Variant(false)},
      {"BSTR yes to BOOL", Variant(L"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, {}},
      // text to numbers
      {"BSTR ' 12 ' to I4", Variant(L" 12 "), VT_I4, S_OK, Variant(12)},
      {"BSTR +5 to I4", Variant(L"+5"), VT_I4, S_OK, Variant(5)},
      {"BSTR 1e3 to I4", Variant(L"1e3"), VT_I4, S_OK, Variant(1000)},
      {"BSTR 2.5 to I4 rounds to even", Variant(L"2.5"), VT_I4, S_OK, Variant(2)},
      {"BSTR .5 to R8", Variant(L".5"), VT_R8, S_OK, Variant(0.5)},
      {"BSTR 5. to R8", Variant(L"5."), VT_R8, S_OK, Variant(5.0)},
      {"BSTR -1.25E-2 to R8", Variant(L"-1.25E-2"), VT_R8, S_OK, Variant(-0.0125)},
      {"BSTR 1e-400 to R8 underflows to 0", Variant(L"1e-400"), VT_R8, S_OK, Variant(0.0)},
      {"BSTR I8 max exact", Variant(L"9223372036854775807"), VT_I8, S_OK,
       Variant(LONGLONG{9223372036854775807})},
      {"BSTR I8 min exact", Variant(L"-9223372036854775808"), VT_I8, S_OK,
       Variant(std::numeric_limits<LONGLONG>::min())},
      {"BSTR UI8 max exact", Variant(L"18446744073709551615"), VT_UI8, S_OK,
       Variant(~ULONGLONG{0})},
      {"BSTR 40000 overflows I2", Variant(L"40000"), VT_I2, DISP_E_OVERFLOW, {}},
      {"BSTR 3e9 overflows I4", Variant(L"3000000000"), VT_I4, DISP_E_OVERFLOW, {}},
      {"BSTR -1 overflows UI4", Variant(L"-1"), VT_UI4, DISP_E_OVERFLOW, {}},
      {"BSTR 1e400 overflows R8", Variant(L"1e400"), VT_R8, DISP_E_OVERFLOW, {}},
      {"BSTR abc", Variant(L"abc"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"BSTR empty", Variant(L""), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"null BSTR", Variant(static_cast<const wchar_t*>(nullptr)), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"BSTR 1.2.3", Variant(L"1.2.3"), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"BSTR 12abc", Variant(L"12abc"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"BSTR 1e", Variant(L"1e"), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"BSTR with group separator", Variant(L"1,234"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"BSTR lone sign", Variant(L"-"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      // EMPTY, NULL, objects, errors, dates
      {"EMPTY to I4", Variant(), VT_I4, S_OK, Variant(0)},
      {"EMPTY to BSTR", Variant(), VT_BSTR, S_OK, Variant(L"")},
      {"EMPTY to BOOL", Variant(), VT_BOOL, S_OK, Variant(false)},
      {"EMPTY to NULL", Variant(), VT_NULL, S_OK, Null()},
      {"NULL to EMPTY", Null(), VT_EMPTY, S_OK, Variant()},
      {"NULL to I4", Null(), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"NULL to BSTR", Null(), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
      {"I4 to NULL", Variant(1), VT_NULL, DISP_E_TYPEMISMATCH, {}},
      {"I4 to EMPTY", Variant(1), VT_EMPTY, S_OK, Variant()},
      {"DATE to R8", Date(45000.5), VT_R8, S_OK, Variant(45000.5)},
      {"R8 to DATE beyond year 9999", Variant(3e6), VT_DATE, DISP_E_OVERFLOW, {}},
      {"I4 to UNKNOWN", Variant(1), VT_UNKNOWN, DISP_E_TYPEMISMATCH, {}},
      {"I4 to ERROR", Variant(1), VT_ERROR, DISP_E_TYPEMISMATCH, {}},
      // types that cannot be targets
      {"to VARIANT", Variant(1), VT_VARIANT, DISP_E_BADVARTYPE, {}},
      {"to unknown type", Variant(1), 0x0FFF, DISP_E_BADVARTYPE, {}},
      {"to BYREF", Variant(1), VT_BYREF | VT_I4, DISP_E_BADVARTYPE, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant out(L"untouched");
    HRESULT hr = VariantChangeTypeEx(&out, &c.from, 1033, 0, c.to);
    EXPECT_EQ(hr, c.hr);
    if (c.hr == S_OK) {
      EXPECT_TRUE(out == c.expected) << Describe(out) << " expected " << Describe(c.expected);
    } else {
      EXPECT_TRUE(out == Variant(L"untouched")) << "a failed conversion changed the target";
    }
  }
}

TEST(VariantChangeType, InPlaceConversionFreesTheOldValue) {
  Variant v(L"  123 ");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // the string is freed (leak check)
  EXPECT_TRUE(v == Variant(123));
  Variant text(L"abc");
  EXPECT_EQ(VariantChangeType(&text, &text, 0, VT_R8), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(text == Variant(L"abc"));
  Variant same(L"x");
  ASSERT_EQ(VariantChangeType(&same, &same, 0, VT_BSTR), S_OK);
  EXPECT_TRUE(same == Variant(L"x"));
}

TEST(VariantChangeType, ReadsThroughReferences) {
  LONG value = 77;
  VARIANT ref;
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &value;
  Variant out;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_BSTR), S_OK);
  EXPECT_TRUE(out == Variant(L"77"));

  Variant inner(L"2.5");
  VARIANT vref;
  vref.vt = VT_BYREF | VT_VARIANT;
  vref.pvarVal = &inner;
  ASSERT_EQ(VariantChangeType(&out, &vref, 0, VT_R8), S_OK);
  EXPECT_TRUE(out == Variant(2.5));
}

TEST(VariantChangeType, ObjectsConvertOnlyBetweenObjectTypes) {
  IVarProbe* raw = nullptr;
  ASSERT_EQ((velk::MakeObject<ProbeObject, IVarProbe>(&raw)), S_OK);
  velk::ComPtr<IVarProbe> probe = velk::ComPtr<IVarProbe>::Attach(raw);
  {
    Variant v(static_cast<IUnknown*>(probe.get()));
    EXPECT_EQ(RefCount(probe.get()), 2u);
    Variant out;
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    // No late binding here: the object does not answer IDispatch.
    EXPECT_EQ(VariantChangeType(&out, &v, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    Variant copy;
    ASSERT_EQ(VariantChangeType(&copy, &v, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(copy.punkVal, v.punkVal);
    EXPECT_EQ(RefCount(probe.get()), 3u);
  }
  EXPECT_EQ(RefCount(probe.get()), 1u);
}

struct LocaleCase {
  const char* name;
  Variant from;
  LCID lcid;
  VARTYPE to;
  HRESULT hr;
  Variant expected;
};

class VariantLocale : public ::testing::Test {
 protected:
  // German (1031) and the user default use a decimal comma; everything else the default.
  void SetUp() override {
    velk::SetVariantLocaleLookup(
        [](LCID lcid) { return lcid == 1031 || lcid == LOCALE_USER_DEFAULT ? L',' : L'\0'; });
  }
  void TearDown() override { velk::SetVariantLocaleLookup(nullptr); }
};

TEST_F(VariantLocale, NumbersAndTextUseTheLocaleDecimalSymbol) {
  const LocaleCase cases[] = {
      {"R8 to text, comma locale", Variant(1.5), 1031, VT_BSTR, S_OK, Variant(L"1,5")},
      {"R8 to text, user default", Variant(-0.25), LOCALE_USER_DEFAULT, VT_BSTR, S_OK,
       Variant(L"-0,25")},
      {"R8 to text, neutral locale is the user default", Variant(2.75), 0, VT_BSTR, S_OK,
       Variant(L"2,75")},
      {"R8 to text, 1033 keeps the point", Variant(1.5), 1033, VT_BSTR, S_OK, Variant(L"1.5")},
      {"R8 to text, unknown locale falls back to the point", Variant(1.5), 2057, VT_BSTR, S_OK,
       Variant(L"1.5")},
      {"R4 to text, comma locale", Variant(0.5f), 1031, VT_BSTR, S_OK, Variant(L"0,5")},
      {"text to R8, comma locale", Variant(L"1,5"), 1031, VT_R8, S_OK, Variant(1.5)},
      {"text with exponent, comma locale", Variant(L"2,5E2"), 1031, VT_R8, S_OK, Variant(250.0)},
      {"point is not a decimal in a comma locale",
       Variant(L"1.5"),
       1031,
       VT_R8,
       DISP_E_TYPEMISMATCH,
       {}},
      {"comma is not a decimal in 1033", Variant(L"1,5"), 1033, VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"integers need no symbol", Variant(L"-12"), 1031, VT_I4, S_OK, Variant(-12)},
      {"booleans ignore the locale", Variant(true), 1031, VT_BSTR, S_OK, Variant(L"True")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Variant out;
    EXPECT_EQ(VariantChangeTypeEx(&out, &c.from, c.lcid, 0, c.to), c.hr);
    if (c.hr == S_OK) {
      EXPECT_TRUE(out == c.expected) << Describe(out);
    }
  }
  // VariantChangeType is the user default.
  Variant v(3.25);
  ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
  EXPECT_TRUE(v == Variant(L"3,25"));
}

TEST_F(VariantLocale, ResettingTheLookupRestoresThePoint) {
  velk::SetVariantLocaleLookup(nullptr);
  EXPECT_EQ(Variant(1.5).ToString(1031), L"1.5");
  EXPECT_EQ(velk::VariantDecimalSymbol(LOCALE_USER_DEFAULT), L'.');
}

TEST(VariantCopy, CopiesOwnedValuesDeeply) {
  IVarProbe* raw = nullptr;
  ASSERT_EQ((velk::MakeObject<ProbeObject, IVarProbe>(&raw)), S_OK);
  {
    // A BSTR with an embedded zero keeps its full length.
    Variant text(velk::Bstr(std::wstring(L"a\0b", 3)));
    Variant copy;
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    EXPECT_EQ(SysStringLen(copy.bstrVal), 3u);
    EXPECT_TRUE(copy == text);

    Variant obj(static_cast<IUnknown*>(raw));
    ASSERT_EQ(VariantCopy(&copy, &obj), S_OK);  // also frees the string copy held before
    EXPECT_EQ(RefCount(raw), 3u);
    ASSERT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    EXPECT_EQ(RefCount(raw), 2u);
    EXPECT_EQ(VariantCopy(&obj, &obj), S_OK);
    EXPECT_EQ(RefCount(raw), 2u);

    // A reference copies as a reference; VariantCopyInd copies the value.
    BSTR target = SysAllocString(L"shared");
    VARIANT ref;
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &target;
    VARIANT shallow;
    VariantInit(&shallow);
    ASSERT_EQ(VariantCopy(&shallow, &ref), S_OK);
    EXPECT_EQ(shallow.pbstrVal, &target);
    Variant deep;
    ASSERT_EQ(VariantCopyInd(&deep, &ref), S_OK);
    EXPECT_EQ(deep.vt, VT_BSTR);
    EXPECT_NE(deep.bstrVal, target);
    EXPECT_TRUE(deep == Variant(L"shared"));
    EXPECT_EQ(VariantClear(&shallow), S_OK);  // frees nothing it points at
    SysFreeString(target);
  }
  EXPECT_EQ(RefCount(raw), 1u);
  raw->Release();
}

TEST(VariantClear, RefusesUnknownTypesAndLeavesThemAlone) {
  VARIANT v;
  VariantInit(&v);
  const VARTYPE bad[] = {0x0FFF, VT_VARIANT, VT_EMPTY | VT_ARRAY, VT_I4 | 0x1000, 14 /* DECIMAL */};
  for (VARTYPE t : bad) {
    v.vt = t;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << t;
    EXPECT_EQ(v.vt, t);
    Variant dest;
    EXPECT_EQ(VariantCopy(&dest, &v), DISP_E_BADVARTYPE) << t;
  }
  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantHolder, ConstructorsChooseTheType) {
  struct Case {
    const char* name;
    Variant v;
    VARTYPE vt;
  };
  const Case cases[] = {
      {"int", Variant(42), VT_I4},
      {"short", Variant(SHORT{4}), VT_I2},
      {"signed char", Variant(static_cast<signed char>(4)), VT_I1},
      {"BYTE", Variant(BYTE{4}), VT_UI1},
      {"USHORT", Variant(USHORT{4}), VT_UI2},
      {"unsigned", Variant(4u), VT_UI4},
      {"long long", Variant(4LL), VT_I8},
      {"ULONGLONG", Variant(ULONGLONG{4}), VT_UI8},
      {"float", Variant(1.5f), VT_R4},
      {"double", Variant(1.5), VT_R8},
      {"bool", Variant(true), VT_BOOL},
      {"literal", Variant(L"x"), VT_BSTR},
      {"wstring", Variant(std::wstring(L"x")), VT_BSTR},
      {"Bstr", Variant(velk::Bstr(L"x")), VT_BSTR},
      {"IUnknown", Variant(static_cast<IUnknown*>(nullptr)), VT_UNKNOWN},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.vt, c.vt) << c.name;
  EXPECT_EQ(Variant(true).boolVal, VARIANT_TRUE);
  EXPECT_EQ(Variant(false).boolVal, VARIANT_FALSE);
  EXPECT_EQ(Variant(static_cast<const wchar_t*>(nullptr)).bstrVal, nullptr);
}

TEST(VariantHolder, CopyMoveDetachAttach) {
  Variant a(L"text");
  Variant b = a;
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_TRUE(a == b);
  Variant c = std::move(a);
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is what is checked here.
  EXPECT_EQ(a.vt, VT_EMPTY);
  EXPECT_TRUE(c == b);
  b = 5;
  EXPECT_TRUE(b == Variant(5));
  b = c;
  EXPECT_TRUE(b == Variant(L"text"));
  const Variant& same = b;  // assigned to itself through a second name
  b = same;
  EXPECT_TRUE(b == Variant(L"text"));

  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(c.Detach(&out), S_OK);
  EXPECT_EQ(c.vt, VT_EMPTY);
  EXPECT_EQ(out.vt, VT_BSTR);
  Variant back = Variant::Attach(&out);
  EXPECT_EQ(out.vt, VT_EMPTY);
  EXPECT_TRUE(back == Variant(L"text"));
  EXPECT_EQ(back.Detach(nullptr), E_POINTER);

  VARIANT dest;
  VariantInit(&dest);
  ASSERT_EQ(back.CopyTo(&dest), S_OK);
  EXPECT_NE(dest.bstrVal, back.bstrVal);
  VariantClear(&dest);

  EXPECT_EQ(back.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(back == Variant(L"text"));
  Variant n(L"17");
  EXPECT_EQ(n.ChangeType(VT_UI1), S_OK);
  EXPECT_TRUE(n == Variant(BYTE{17}));
  EXPECT_EQ(Variant(2.5).ToString(), L"2.5");
  EXPECT_THROW(Null().ToString(), velk::ComError);
}

TEST(VariantHolder, EqualityComparesTypeAndValue) {
  EXPECT_FALSE(Variant(1) == Variant(1.0));
  EXPECT_FALSE(Variant(1) == Variant(2));
  EXPECT_TRUE(Variant(static_cast<const wchar_t*>(nullptr)) == Variant(L""));
  EXPECT_TRUE(Null() == Null());
  EXPECT_FALSE(Null() == Variant());
  EXPECT_TRUE(Typed(VT_UI2, 7) == Variant(USHORT{7}));
}

}  // namespace
