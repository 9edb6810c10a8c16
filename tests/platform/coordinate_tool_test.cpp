// CoordinateTool through ICoordinateTool: what the coordinate dialogs and the table conversion
// read from it (datum list, ellipsoids, ConvertLocation's in/out arguments) and its creation by
// class identifier.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/com/safearray.h"
#include "platform/com/variant.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/productline/coordinate_tool.h"
#include "platform/registry/activation.h"

namespace {

using velk::Bstr;
using velk::ComPtr;
using velk::Variant;
using velk::productline::CLSID_CoordinateTool;
using velk::productline::ConvertedLocation;
using velk::productline::CoordinateEngine;
using velk::productline::GeoPoint;

constexpr int kNad27Conus = 107;  // North American 1927, Mean Solution (CONUS): Clarke 1866
constexpr int kEd50Mean = 51;     // European 1950, Mean Solution: International 1924

ComPtr<ICoordinateTool> NewTool() {
  ComPtr<ICoordinateTool> tool;
  EXPECT_EQ(velk::productline::CreateCoordinateToolObject(nullptr, IidOf<ICoordinateTool>(),
                                                          tool.put_void()),
            S_OK);
  return tool;
}

// A VARIANT of an integer type other than VT_I4, or by reference.
Variant TypedInteger(VARTYPE vt, long long v) {
  Variant r;
  r.vt = vt;
  switch (vt) {
    case VT_I1: r.cVal = static_cast<signed char>(v); break;
    case VT_UI1: r.bVal = static_cast<BYTE>(v); break;
    case VT_I2: r.iVal = static_cast<SHORT>(v); break;
    case VT_UI2: r.uiVal = static_cast<USHORT>(v); break;
    case VT_I4: r.lVal = static_cast<LONG>(v); break;
    case VT_UI4: r.ulVal = static_cast<ULONG>(v); break;
    case VT_I8: r.llVal = v; break;
    case VT_UI8: r.ullVal = static_cast<ULONGLONG>(v); break;
    case VT_INT: r.intVal = static_cast<INT>(v); break;
    case VT_UINT: r.uintVal = static_cast<UINT>(v); break;
    default: ADD_FAILURE() << "not an integer type " << vt;
  }
  return r;
}

double X(IPoint* p) {
  double x = 0.0;
  EXPECT_EQ(p->get_X(&x), S_OK);
  return x;
}
double Y(IPoint* p) {
  double y = 0.0;
  EXPECT_EQ(p->get_Y(&y), S_OK);
  return y;
}
bool IsEmpty(IPoint* p) {
  VARIANT_BOOL empty = VARIANT_FALSE;
  EXPECT_EQ(p->get_IsEmpty(&empty), S_OK);
  return empty != VARIANT_FALSE;
}

// The nine arguments after value, format and datums, as a caller holds them.
struct Results {
  IPoint* wgs84 = nullptr;
  IPoint* datum = nullptr;
  BSTR dms = nullptr;
  BSTR utm = nullptr;
  BSTR mgrs = nullptr;
  ~Results() {
    if (wgs84) wgs84->Release();
    if (datum) datum->Release();
    SysFreeString(dms);
    SysFreeString(utm);
    SysFreeString(mgrs);
  }
};

HRESULT Convert(ICoordinateTool* tool, const VARIANT& value, INT format, const VARIANT& from,
                const VARIANT& to, Results& r) {
  return tool->ConvertLocation(value, format, from, to, &r.wgs84, &r.datum, &r.dms, &r.utm,
                               &r.mgrs);
}

// ---- datum list and ellipsoids ------------------------------------------------------------

TEST(CoordinateTool, DatumListIsTheEngineListInOrderStartingWithWgs84) {
  auto tool = NewTool();
  SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(0x1);  // an out slot is not read
  ASSERT_EQ(tool->GetDatumList(&array), S_OK);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  VARTYPE vt = VT_EMPTY;
  EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);
  LONG lower = -1, upper = -1;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &upper), S_OK);

  const auto names = CoordinateEngine().DatumNames();
  EXPECT_EQ(lower, 0);
  ASSERT_EQ(upper, static_cast<LONG>(names.size()) - 1);
  for (LONG i = lower; i <= upper; ++i) {
    Bstr name;
    ASSERT_EQ(SafeArrayGetElement(array, &i, &name), S_OK);
    EXPECT_EQ(name.str(), names[static_cast<std::size_t>(i)]) << i;
  }
  Bstr first;
  LONG zero = 0;
  ASSERT_EQ(SafeArrayGetElement(array, &zero, &first), S_OK);
  EXPECT_EQ(first.str(), L"WGS 84");
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);

  // A second call answers the same list (callers keep positions for the object's life).
  SAFEARRAY* again = nullptr;
  ASSERT_EQ(tool->GetDatumList(&again), S_OK);
  LONG upperAgain = -1;
  SafeArrayGetUBound(again, 1, &upperAgain);
  EXPECT_EQ(upperAgain, upper);
  SafeArrayDestroy(again);

  EXPECT_EQ(tool->GetDatumList(nullptr), E_POINTER);
}

TEST(CoordinateTool, EllipsoidOfEachIntegerKindOfDatumAndRefusals) {
  auto tool = NewTool();
  LONG byRef = kNad27Conus;
  Variant ref;
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &byRef;
  struct Case {
    const char* what;
    Variant datum;
    HRESULT hr;
    const wchar_t* ellipsoid;  // null: refused
  } cases[] = {
      {"I4 0", Variant(LONG{0}), S_OK, L"WGS 84"},
      {"I4 1", Variant(LONG{1}), S_OK, L"WGS 72"},
      {"I2 2", TypedInteger(VT_I2, 2), S_OK, L"Clarke 1880"},
      {"UI1 51", TypedInteger(VT_UI1, kEd50Mean), S_OK, L"International 1924"},
      {"I8 107", TypedInteger(VT_I8, kNad27Conus), S_OK, L"Clarke 1866"},
      {"INT 107", TypedInteger(VT_INT, kNad27Conus), S_OK, L"Clarke 1866"},
      {"UI4 107", TypedInteger(VT_UI4, kNad27Conus), S_OK, L"Clarke 1866"},
      {"I4 by reference", ref, S_OK, L"Clarke 1866"},
      {"I4 -1", Variant(LONG{-1}), E_INVALIDARG, nullptr},
      {"I4 past the list", Variant(LONG{CoordinateEngine::DatumCount()}), E_INVALIDARG, nullptr},
      {"UI4 all bits", TypedInteger(VT_UI4, 0xFFFFFFFFll), E_INVALIDARG, nullptr},
      {"I8 2^32 (would wrap to 0)", TypedInteger(VT_I8, 1ll << 32), E_INVALIDARG, nullptr},
      {"R8 1.0", Variant(1.0), E_INVALIDARG, nullptr},
      {"BSTR 1", Variant(L"1"), E_INVALIDARG, nullptr},
      {"BOOL", Variant(true), E_INVALIDARG, nullptr},
      {"EMPTY", Variant(), E_INVALIDARG, nullptr},
  };
  for (const Case& c : cases) {
    BSTR out = reinterpret_cast<BSTR>(0x1);  // an out slot is not read
    EXPECT_EQ(tool->GetDatumEllipsoid(c.datum, &out), c.hr) << c.what;
    if (c.ellipsoid) {
      EXPECT_EQ(velk::BstrToWstring(out), c.ellipsoid) << c.what;
    } else {
      EXPECT_EQ(out, nullptr) << c.what;
    }
    if (c.hr == S_OK) SysFreeString(out);
  }
  EXPECT_EQ(tool->GetDatumEllipsoid(Variant(LONG{0}), nullptr), E_POINTER);
}

// ---- conversions ---------------------------------------------------------------------------

// Each format through the component gives exactly what the engine gives for the same input:
// points as host points, texts as the engine writes them on the source datum.
TEST(CoordinateTool, ConvertLocationAnswersAsTheEngineForEachFormat) {
  auto tool = NewTool();
  CoordinateEngine engine;
  struct Place {
    GeoPoint p;
    int from, to;
    VARTYPE datumType;
  } places[] = {
      {{-73.9857, 40.7484}, 0, 0, VT_I4},
      {{-73.9857, 40.7484}, kNad27Conus, 0, VT_I4},
      {{2.2945, 48.8584}, 0, kEd50Mean, VT_I2},           // another integer type, converted
      {{-104.99, 39.74}, kNad27Conus, kEd50Mean, VT_I4},  // "AL" lettering on the source
      {{151.2093, -33.8688}, 0, 1, VT_UI1},
      {{45.0, 86.5}, 0, 0, VT_I4},     // UPS north
      {{-120.0, -85.0}, 0, 1, VT_I4},  // UPS south
  };
  for (const Place& pl : places) {
    ConvertedLocation source;
    ASSERT_EQ(engine.ConvertPoint(pl.p, pl.from, pl.from, &source), S_OK);
    const Variant from = TypedInteger(pl.datumType, pl.from);
    const Variant to = TypedInteger(pl.datumType, pl.to);

    struct Input {
      int format;
      Variant value;
      ConvertedLocation expected;
    };
    std::vector<Input> inputs;
    inputs.push_back(
        {1, Variant(static_cast<IUnknown*>(velk::host::NewPoint(pl.p.lon, pl.p.lat).get())), {}});
    inputs.push_back({2, Variant(source.dms), {}});
    inputs.push_back({3, Variant(source.utm), {}});
    inputs.push_back({4, Variant(source.mgrs), {}});
    ASSERT_EQ(engine.ConvertPoint(pl.p, pl.from, pl.to, &inputs[0].expected), S_OK);
    for (std::size_t i = 1; i < inputs.size(); ++i)
      ASSERT_EQ(engine.ConvertText(velk::BstrToWstring(inputs[i].value.bstrVal), inputs[i].format,
                                   pl.from, pl.to, &inputs[i].expected),
                S_OK);

    for (const Input& in : inputs) {
      const std::string what = "format " + std::to_string(in.format) + " at " +
                               std::to_string(pl.p.lon) + "," + std::to_string(pl.p.lat) +
                               " datum " + std::to_string(pl.from) + "->" + std::to_string(pl.to);
      Results r;
      ASSERT_EQ(Convert(tool.get(), in.value, in.format, from, to, r), S_OK) << what;
      ASSERT_TRUE(r.wgs84 && r.datum) << what;
      EXPECT_EQ(X(r.wgs84), in.expected.wgs84.lon) << what;
      EXPECT_EQ(Y(r.wgs84), in.expected.wgs84.lat) << what;
      EXPECT_EQ(X(r.datum), in.expected.datum.lon) << what;
      EXPECT_EQ(Y(r.datum), in.expected.datum.lat) << what;
      EXPECT_EQ(velk::BstrToWstring(r.dms), in.expected.dms) << what;
      EXPECT_EQ(velk::BstrToWstring(r.utm), in.expected.utm) << what;
      EXPECT_EQ(velk::BstrToWstring(r.mgrs), in.expected.mgrs) << what;
      ComPtr<ISpatialReference> sr;
      EXPECT_EQ(r.datum->get_SpatialReference(sr.put()), S_OK);
      EXPECT_FALSE(sr) << what;
    }
  }
}

// The caller's point members and strings are replaced: what came in is released or freed (the
// leak checker sees a string that is not), and the value may be one of the result points.
TEST(CoordinateTool, ConvertLocationReplacesTheCallersInOutArguments) {
  auto tool = NewTool();
  IPoint* oldWgs84 = velk::host::NewPoint(1.0, 2.0).Detach();
  IPoint* oldDatum = velk::host::NewPoint(3.0, 4.0).Detach();
  oldWgs84->AddRef();
  oldDatum->AddRef();
  Results r;
  r.wgs84 = oldWgs84;
  r.datum = oldDatum;
  r.dms = SysAllocString(L"old DMS");
  r.utm = SysAllocString(L"old UTM");
  r.mgrs = SysAllocString(L"");

  // The value is the caller's own WGS 84 point (as a dialog converting what it shows).
  const Variant value(static_cast<IUnknown*>(oldWgs84));
  ASSERT_EQ(Convert(tool.get(), value, 1, Variant(LONG{0}), Variant(LONG{0}), r), S_OK);
  EXPECT_NE(r.wgs84, oldWgs84);
  EXPECT_NE(r.datum, oldDatum);
  EXPECT_EQ(X(r.datum), 1.0);
  EXPECT_EQ(Y(r.datum), 2.0);
  EXPECT_EQ(velk::BstrToWstring(r.dms), L"020000.00N 0010000.00E");
  EXPECT_EQ(oldDatum->Release(), 0u);  // only this test's reference was left
  EXPECT_EQ(X(oldWgs84), 1.0);         // the value point itself is not changed
  EXPECT_EQ(oldWgs84->Release(), 1u);  // the VARIANT still holds one

  // Null points and null strings in are fine too.
  Results fresh;
  ASSERT_EQ(Convert(tool.get(), Variant(L"18TWL8562811322"), 4, Variant(LONG{0}), Variant(LONG{0}),
                    fresh),
            S_OK);
  EXPECT_TRUE(fresh.wgs84 && fresh.datum && fresh.dms && fresh.utm && fresh.mgrs);
  EXPECT_EQ(velk::BstrToWstring(fresh.mgrs), L"18TWL8562811322");
}

// Refusals: the failure code, both points empty, the three strings empty; never a stale or
// partial answer.
TEST(CoordinateTool, RefusalsGiveTheFailureAndEmptyResults) {
  auto tool = NewTool();
  const Variant wgs84(LONG{0});
  const Variant goodPoint(static_cast<IUnknown*>(velk::host::NewPoint(10.0, 50.0).get()));
  ComPtr<IEnvelope> envelope = velk::host::NewEnvelope(0, 0, 1, 1);
  struct Case {
    const char* what;
    Variant value;
    INT format;
    Variant from, to;
  } cases[] = {
      {"format 0", goodPoint, 0, wgs84, wgs84},
      {"format 5", goodPoint, 5, wgs84, wgs84},
      {"format -1", goodPoint, -1, wgs84, wgs84},
      {"point as text", Variant(L"10 50"), 1, wgs84, wgs84},
      {"null point", Variant(static_cast<IUnknown*>(nullptr)), 1, wgs84, wgs84},
      {"empty point", Variant(static_cast<IUnknown*>(velk::host::NewPoint().get())), 1, wgs84,
       wgs84},
      {"not a point", Variant(static_cast<IUnknown*>(envelope.get())), 1, wgs84, wgs84},
      {"latitude 91", Variant(static_cast<IUnknown*>(velk::host::NewPoint(10.0, 91.0).get())), 1,
       wgs84, wgs84},
      {"longitude 181", Variant(static_cast<IUnknown*>(velk::host::NewPoint(181.0, 10.0).get())), 1,
       wgs84, wgs84},
      {"NaN longitude",
       Variant(static_cast<IUnknown*>(velk::host::NewPoint(std::nan(""), 10.0).get())), 1, wgs84,
       wgs84},
      {"DMS as number", Variant(LONG{40}), 2, wgs84, wgs84},
      {"empty DMS", Variant(L""), 2, wgs84, wgs84},
      {"DMS latitude 91", Variant(L"91 10"), 2, wgs84, wgs84},
      {"DMS minutes 60", Variant(L"4060N 07315W"), 2, wgs84, wgs84},
      {"DMS localized east letter", Variant(L"403000,00N 0731500,00O"), 2, wgs84, wgs84},
      {"UTM northing missing", Variant(L"18T 585628"), 3, wgs84, wgs84},
      {"UTM band disagrees", Variant(L"18X 585628 4511322"), 3, wgs84, wgs84},
      {"UTM zone 61", Variant(L"61T 500000 4500000"), 3, wgs84, wgs84},
      {"MGRS odd digits", Variant(L"18TWL85611"), 4, wgs84, wgs84},
      {"MGRS letter I", Variant(L"18IWL123"), 4, wgs84, wgs84},
      {"MGRS null text", Variant(static_cast<const wchar_t*>(nullptr)), 4, wgs84, wgs84},
      {"from datum R8", goodPoint, 1, Variant(0.0), wgs84},
      {"from datum text", goodPoint, 1, Variant(L"0"), wgs84},
      {"from datum empty", goodPoint, 1, Variant(), wgs84},
      {"to datum -1", goodPoint, 1, wgs84, Variant(LONG{-1})},
      {"to datum past the list", goodPoint, 1, wgs84,
       Variant(LONG{CoordinateEngine::DatumCount()})},
  };
  for (const Case& c : cases) {
    Results r;
    // A previous answer in the caller's arguments must not survive a refusal.
    ASSERT_EQ(Convert(tool.get(), goodPoint, 1, wgs84, wgs84, r), S_OK);
    EXPECT_EQ(Convert(tool.get(), c.value, c.format, c.from, c.to, r), E_INVALIDARG) << c.what;
    ASSERT_TRUE(r.wgs84 && r.datum) << c.what;
    EXPECT_TRUE(IsEmpty(r.wgs84)) << c.what;
    EXPECT_TRUE(IsEmpty(r.datum)) << c.what;
    EXPECT_TRUE(std::isnan(X(r.datum)) && std::isnan(Y(r.datum))) << c.what;
    for (BSTR s : {r.dms, r.utm, r.mgrs}) {
      EXPECT_NE(s, nullptr) << c.what;
      EXPECT_EQ(SysStringLen(s), 0u) << c.what;
    }
  }
}

TEST(CoordinateTool, NullArgumentSlotGivesEPointerAndChangesNothing) {
  auto tool = NewTool();
  const Variant value(L"18TWL8562811322");
  const Variant wgs84(LONG{0});
  for (int missing = 0; missing < 5; ++missing) {
    Results r;
    r.dms = SysAllocString(L"kept");
    const BSTR kept = r.dms;
    IPoint** p1 = missing == 0 ? nullptr : &r.wgs84;
    IPoint** p2 = missing == 1 ? nullptr : &r.datum;
    BSTR* s1 = missing == 2 ? nullptr : &r.dms;
    BSTR* s2 = missing == 3 ? nullptr : &r.utm;
    BSTR* s3 = missing == 4 ? nullptr : &r.mgrs;
    EXPECT_EQ(tool->ConvertLocation(value, 4, wgs84, wgs84, p1, p2, s1, s2, s3), E_POINTER)
        << missing;
    EXPECT_EQ(r.wgs84, nullptr);
    EXPECT_EQ(r.datum, nullptr);
    EXPECT_EQ(r.dms, kept);
    EXPECT_EQ(r.utm, nullptr);
  }
}

// ---- creation by class identifier ------------------------------------------------------------

TEST(CoordinateTool, CreatableByClassIdentifierOnceRegistered) {
  ComPtr<ICoordinateTool> tool;
  EXPECT_EQ(CoCreateInstance(CLSID_CoordinateTool, nullptr, CLSCTX_ALL, IidOf<ICoordinateTool>(),
                             tool.put_void()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(tool);

  const DWORD cookie = velk::productline::RegisterCoordinateToolClass();
  ASSERT_EQ(CoCreateInstance(CLSID_CoordinateTool, nullptr, CLSCTX_ALL, IidOf<ICoordinateTool>(),
                             tool.put_void()),
            S_OK);
  ASSERT_TRUE(tool);
  BSTR ellipsoid = nullptr;
  EXPECT_EQ(tool->GetDatumEllipsoid(Variant(LONG{0}), &ellipsoid), S_OK);
  EXPECT_EQ(velk::BstrToWstring(ellipsoid), L"WGS 84");
  SysFreeString(ellipsoid);

  // Aggregation hands out the inner unknown only.
  ComPtr<ICoordinateTool> direct;
  EXPECT_EQ(CoCreateInstance(CLSID_CoordinateTool, tool.get(), CLSCTX_ALL, IidOf<ICoordinateTool>(),
                             direct.put_void()),
            CLASS_E_NOAGGREGATION);

  velk::RevokeProcessClass(cookie);
  ComPtr<ICoordinateTool> after;
  EXPECT_EQ(CoCreateInstance(CLSID_CoordinateTool, nullptr, CLSCTX_ALL, IidOf<ICoordinateTool>(),
                             after.put_void()),
            REGDB_E_CLASSNOTREG);
}

}  // namespace
