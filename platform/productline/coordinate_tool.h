// The product line's coordinate engine as a component: `CoordinateTool`, reached through
// `ICoordinateTool`. It wraps CoordinateEngine (coordinate_engine.h), which fixes the datum
// list, the shifts and the text forms it reads and writes.
//
// Datums are VARIANTs holding the datum's position in GetDatumList's list (0 = WGS 84); VT_I4 is
// the usual type, other integer types (also by reference) are converted, anything else refused.
#pragma once

#include "platform/com/base_types.h"
#include "platform/com/bstr.h"
#include "platform/com/safearray.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"
#include "platform/host/geometry/geometry.h"

struct ICoordinateTool : IUnknown {
  VELK_INTERFACE_ID("{DD67314B-4685-4256-8F20-88FD3DC6EA50}")
  // A new one-dimensional BSTR array (lower bound 0) of the datum names in list order; element i
  // is datum number i. The order is fixed for the life of the program.
  virtual HRESULT GetDatumList(SAFEARRAY** datums) = 0;
  // A new BSTR naming the datum's ellipsoid; null and E_INVALIDARG for an unknown datum.
  virtual HRESULT GetDatumEllipsoid(VARIANT datum, BSTR* ellipsoid) = 0;
  // Converts value, in notation format (1 a host point in a VT_UNKNOWN or VT_DISPATCH VARIANT,
  // x longitude and y latitude in degrees; 2 DMS, 3 UTM or UPS, 4 MGRS text in a VT_BSTR VARIANT),
  // given on fromDatum, to toDatum.
  // The five last arguments are in/out: what the caller passes in (null or not) is released or
  // freed and replaced by a new point or string. pointWgs84 receives the location on WGS 84,
  // pointDatum the location on toDatum (x longitude, y latitude, degrees, no spatial reference);
  // dms, utm and mgrs its texts on toDatum.
  // On failure (E_INVALIDARG for a refused value, format or datum) the two points are replaced
  // by empty points (NaN coordinates) and the three strings by empty strings. A null argument
  // slot gives E_POINTER and changes nothing.
  virtual HRESULT ConvertLocation(VARIANT value, INT format, VARIANT fromDatum, VARIANT toDatum,
                                  IPoint** pointWgs84, IPoint** pointDatum, BSTR* dms, BSTR* utm,
                                  BSTR* mgrs) = 0;
};

namespace velk::productline {

inline constexpr CLSID CLSID_CoordinateTool = MakeGuid("{7082F637-CB88-47ED-87E3-E1ACDEBBAF0E}");

// The creation routine of CoordinateTool (plain or aggregated).
HRESULT CreateCoordinateToolObject(IUnknown* outer, REFIID riid, void** ppv);

// Makes CoordinateTool creatable by class identifier in this process (CoCreateInstance);
// returns the cookie for RevokeProcessClass.
DWORD RegisterCoordinateToolClass();

}  // namespace velk::productline
