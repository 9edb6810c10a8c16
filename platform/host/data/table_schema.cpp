#include "platform/host/data/table_core.h"

#include <cmath>

#include <ogrsf_frmts.h>

#include "platform/com/text.h"
#include "platform/host/data/data_errors.h"
#include "platform/host/geometry/geometry.h"

namespace velk::host {

namespace {

// Default width of a text field made without one.
constexpr LONG kDefaultTextLength = 50;
constexpr LONG kDbaseMaxNumberWidth = 24;
constexpr std::size_t kDbaseMaxNameBytes = 10;
constexpr std::size_t kDatabaseMaxName = 64;

bool AsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool AsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

LONG ShapeTypeOf(OGRwkbGeometryType type) {
  switch (wkbFlatten(type)) {
    case wkbNone: return kGeometryNull;
    case wkbPoint: return kGeometryPoint;
    case wkbMultiPoint: return kGeometryMultipoint;
    case wkbLineString:
    case wkbMultiLineString: return kGeometryPolyline;
    case wkbPolygon:
    case wkbMultiPolygon: return kGeometryPolygon;
    default: return kGeometryAny;
  }
}

OGRwkbGeometryType LayerTypeFor(LONG shapeType, bool hasZ, bool hasM, bool multi) {
  OGRwkbGeometryType t = wkbUnknown;
  switch (shapeType) {
    case kGeometryPoint: t = wkbPoint; break;
    case kGeometryMultipoint: t = wkbMultiPoint; break;
    case kGeometryPolyline: t = multi ? wkbMultiLineString : wkbLineString; break;
    case kGeometryPolygon: t = multi ? wkbMultiPolygon : wkbPolygon; break;
    default: return wkbUnknown;
  }
  return OGR_GT_SetModifier(t, hasZ, hasM);
}

HRESULT CheckFieldForFormat(const FieldSpec& spec, bool dbase) {
  const std::wstring& n = spec.name;
  if (n.empty()) return E_DATA_INVALID_NAME;
  if (dbase) {
    if (!AsciiLetter(n[0])) return E_DATA_INVALID_NAME;
    for (wchar_t c : n)
      if (!AsciiLetter(c) && !AsciiDigit(c) && c != L'_') return E_DATA_INVALID_NAME;
    if (n.size() > kDbaseMaxNameBytes) return E_DATA_INVALID_NAME;
  } else {
    if (n.size() > kDatabaseMaxName || !(AsciiLetter(n[0]) || n[0] == L'_'))
      return E_DATA_INVALID_NAME;
    for (wchar_t c : n)
      if (!AsciiLetter(c) && !AsciiDigit(c) && c != L'_') return E_DATA_INVALID_NAME;
  }
  switch (spec.type) {
    case kFieldSmallInteger:
    case kFieldInteger:
    case kFieldSingle:
    case kFieldDouble:
      if (dbase && (spec.precision > kDbaseMaxNumberWidth ||
                    (spec.scale > 0 && spec.precision > 0 && spec.scale + 2 > spec.precision)))
        return E_DATA_INVALID_FIELD;
      return S_OK;
    case kFieldString:
      if (dbase && spec.length > kDbaseMaxTextLength) return E_DATA_INVALID_FIELD;
      return S_OK;
    case kFieldDate: return S_OK;
    case kFieldBlob: return dbase ? E_DATA_INVALID_FIELD : S_OK;
    default: return E_DATA_INVALID_FIELD;  // OID and geometry fields are made with the class
  }
}

HRESULT CreateOgrField(OGRLayer* layer, const FieldSpec& spec, bool dbase) {
  HRESULT hr = CheckFieldForFormat(spec, dbase);
  if (FAILED(hr)) return hr;
  std::string name = ToUtf8(spec.name);
  OGRFieldDefn defn(name.c_str(), OFTString);
  switch (spec.type) {
    case kFieldSmallInteger:
      defn.SetType(OFTInteger);
      defn.SetSubType(OFSTInt16);
      defn.SetWidth(spec.precision > 0 ? spec.precision : (dbase ? 5 : 0));
      break;
    case kFieldInteger:
      defn.SetType(OFTInteger);
      defn.SetWidth(spec.precision > 0 ? spec.precision : (dbase ? 9 : 0));
      break;
    case kFieldSingle:
    case kFieldDouble:
      defn.SetType(OFTReal);
      if (spec.type == kFieldSingle) defn.SetSubType(OFSTFloat32);
      if (spec.precision > 0) {
        defn.SetWidth(spec.precision);
        defn.SetPrecision(spec.scale);
      } else if (dbase) {
        defn.SetWidth(spec.type == kFieldSingle ? 13 : 19);
        defn.SetPrecision(spec.type == kFieldSingle ? 6 : 11);
      }
      break;
    case kFieldString:
      defn.SetType(OFTString);
      defn.SetWidth(spec.length > 0 ? spec.length : kDefaultTextLength);
      break;
    case kFieldDate: defn.SetType(dbase ? OFTDate : OFTDateTime); break;
    case kFieldBlob: defn.SetType(OFTBinary); break;
    default: return E_DATA_INVALID_FIELD;
  }
  defn.SetNullable(spec.nullable ? TRUE : FALSE);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRErr err = layer->CreateField(&defn, FALSE);  // exact: no silent renaming or narrowing
  CPLPopErrorHandler();
  return err == OGRERR_NONE ? S_OK : E_DATA_WRITE_FAILED;
}

double DateFromParts(int y, int m, int d, int hour, int minute, double second) {
  // days from civil (proleptic Gregorian), then relative to 1899-12-30
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days =
      static_cast<long>(era) * 146097 + static_cast<long>(doe) - 719468;  // since 1970-01-01
  const long ole = days + 25569;
  double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  return ole >= 0 ? ole + frac : ole - frac;  // automation dates count the time away from zero
}

void PartsFromDate(double date, int& y, int& m, int& d, int& hour, int& minute, double& second) {
  double whole = std::trunc(date);
  double frac = std::fabs(date - whole);
  long z = static_cast<long>(whole) - 25569 + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe) + static_cast<int>(era) * 400 + (m <= 2);
  double secs = std::round(frac * 86400.0 * 1000.0) / 1000.0;
  hour = static_cast<int>(secs / 3600);
  minute = static_cast<int>((secs - hour * 3600) / 60);
  second = secs - hour * 3600 - minute * 60;
}

}  // namespace velk::host
