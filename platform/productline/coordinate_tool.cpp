#include "platform/productline/coordinate_tool.h"

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/productline/coordinate_engine.h"
#include "platform/registry/activation.h"

namespace velk::productline {

namespace {

// A datum number from an integer VARIANT (by value or by reference).
HRESULT ReadDatum(const VARIANT& v, int* datum) {
  Variant value;
  if (FAILED(VariantCopyInd(&value, &v))) return E_INVALIDARG;
  switch (value.vt) {
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: break;
    default: return E_INVALIDARG;
  }
  if (FAILED(value.ChangeType(VT_I4))) return E_INVALIDARG;  // out of range
  *datum = value.lVal;
  return S_OK;
}

// The longitude/latitude of a host point in a VT_UNKNOWN or VT_DISPATCH VARIANT.
HRESULT ReadPointValue(const VARIANT& v, GeoPoint* point) {
  Variant value;
  if (FAILED(VariantCopyInd(&value, &v))) return E_INVALIDARG;
  IUnknown* object = nullptr;
  if (value.vt == VT_UNKNOWN)
    object = value.punkVal;
  else if (value.vt == VT_DISPATCH)
    object = value.pdispVal;
  ComPtr<IPoint> p = QueryAs<IPoint>(object);
  if (!p) return E_INVALIDARG;
  double x = 0.0, y = 0.0;
  if (FAILED(p->QueryCoords(&x, &y))) return E_INVALIDARG;  // an empty point
  point->lon = x;
  point->lat = y;
  return S_OK;
}

HRESULT ReadTextValue(const VARIANT& v, std::wstring* text) {
  Variant value;
  if (FAILED(VariantCopyInd(&value, &v)) || value.vt != VT_BSTR) return E_INVALIDARG;
  *text = BstrToWstring(value.bstrVal);
  return S_OK;
}

HRESULT Convert(const CoordinateEngine& engine, const VARIANT& value, INT format,
                const VARIANT& fromDatum, const VARIANT& toDatum, ConvertedLocation* out) {
  int from = 0, to = 0;
  HRESULT hr = ReadDatum(fromDatum, &from);
  if (SUCCEEDED(hr)) hr = ReadDatum(toDatum, &to);
  if (FAILED(hr)) return hr;
  switch (format) {
    case kFormatPoint: {
      GeoPoint p;
      hr = ReadPointValue(value, &p);
      return SUCCEEDED(hr) ? engine.ConvertPoint(p, from, to, out) : hr;
    }
    case kFormatDms:
    case kFormatUtm:
    case kFormatMgrs: {
      std::wstring text;
      hr = ReadTextValue(value, &text);
      return SUCCEEDED(hr) ? engine.ConvertText(text, format, from, to, out) : hr;
    }
    default: return E_INVALIDARG;
  }
}

ComPtr<IPoint> MakePoint(GeoPoint p) {
  return p.IsEmpty() ? host::NewPoint() : host::NewPoint(p.lon, p.lat);
}

class CoordinateTool : public ComObjectRoot<CoordinateTool, ICoordinateTool> {
 public:
  HRESULT GetDatumList(SAFEARRAY** datums) override {
    if (!datums) return E_POINTER;
    *datums = nullptr;
    VELK_TRY
    const std::vector<std::wstring> names = engine_.DatumNames();
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size()));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
      Bstr name(names[static_cast<std::size_t>(i)]);
      const HRESULT hr = name ? SafeArrayPutElement(array, &i, name.get()) : E_OUTOFMEMORY;
      if (FAILED(hr)) {
        SafeArrayDestroy(array);
        return hr;
      }
    }
    *datums = array;
    return S_OK;
    VELK_CATCH
  }

  HRESULT GetDatumEllipsoid(VARIANT datum, BSTR* ellipsoid) override {
    if (!ellipsoid) return E_POINTER;
    *ellipsoid = nullptr;
    int number = 0;
    HRESULT hr = ReadDatum(datum, &number);
    if (FAILED(hr)) return hr;
    std::wstring name;
    hr = engine_.GetDatumEllipsoid(number, &name);
    if (FAILED(hr)) return hr;
    *ellipsoid = AllocBstr(name);
    return *ellipsoid ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT ConvertLocation(VARIANT value, INT format, VARIANT fromDatum, VARIANT toDatum,
                          IPoint** pointWgs84, IPoint** pointDatum, BSTR* dms, BSTR* utm,
                          BSTR* mgrs) override {
    if (!pointWgs84 || !pointDatum || !dms || !utm || !mgrs) return E_POINTER;
    VELK_TRY
    // The value is read completely before any in/out argument is touched: the caller may pass
    // the same point as value and as one of the results.
    ConvertedLocation r;
    const HRESULT hr = Convert(engine_, value, format, fromDatum, toDatum, &r);
    if (FAILED(hr)) r = ConvertedLocation{};  // empty points and texts, whatever was reached

    // Everything new is made first, so that a failure to make it leaves the caller's
    // arguments as they came.
    ComPtr<IPoint> wgs84 = MakePoint(r.wgs84);
    ComPtr<IPoint> onDatum = MakePoint(r.datum);
    Bstr dmsText(r.dms), utmText(r.utm), mgrsText(r.mgrs);
    if (!wgs84 || !onDatum || !dmsText || !utmText || !mgrsText) return E_OUTOFMEMORY;

    if (*pointWgs84) (*pointWgs84)->Release();
    *pointWgs84 = wgs84.Detach();
    if (*pointDatum) (*pointDatum)->Release();
    *pointDatum = onDatum.Detach();
    SysFreeString(*dms);
    *dms = dmsText.Detach();
    SysFreeString(*utm);
    *utm = utmText.Detach();
    SysFreeString(*mgrs);
    *mgrs = mgrsText.Detach();
    return hr;
    VELK_CATCH
  }

 private:
  CoordinateEngine engine_;
};

}  // namespace

HRESULT CreateCoordinateToolObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CoordinateTool>(outer, riid, ppv);
}

DWORD RegisterCoordinateToolClass() {
  return RegisterProcessClass(CLSID_CoordinateTool, &CreateCoordinateToolObject);
}

}  // namespace velk::productline
