// The inside of the product line's coordinate engine (`CoordinateTool`): its datum list, the
// three-parameter datum shifts and the conversions between geographic coordinates and the DMS,
// UTM/UPS and MGRS notations. Plain C++; the component wrapper hands VARIANTs and host points to
// it and back.
//
// Datums are passed by position in the list (0 = WGS 84). A location is a longitude/latitude pair
// in degrees on one datum.
//
// Text forms written by the engine (the forms that the coordinate validators accept):
//   DMS   "DDMMSS.ssH DDDMMSS.ssH": latitude first, two degree digits, then longitude with three,
//         minutes and seconds two digits each, hundredths of a second, hemisphere letters N/S
//         and E/W; e.g. "403000.00N 0731500.00W". A value that rounds to zero takes N or E.
//   UTM   "ZZB EEEEEE NNNNNNN": two-digit zone with its MGRS latitude band letter, easting and
//         northing in whole metres (rounded), e.g. "18T 585628 4511322". A point so close
//         south of the equator that its northing rounds to 10000000 is written as the equator
//         in band N ("31N 500000 0"), since a band letter cannot say "south" with that northing.
//   UPS   "EEEEEEE NNNNNNN L": easting and northing in whole metres and the polar letter
//         (A/B south, Y/Z north; A/Y west of the 0/180 meridian line, B/Z east), e.g.
//         "2106113 1398202 Z". UPS is used north of 84 N and south of 80 S.
//   MGRS  zone, band, square letters and five plus five digits (1 m, truncated), no spaces,
//         e.g. "18TWL8562811322"; UPS references have no zone, e.g. "ZBA0611398202".
// Grid texts of a datum are computed on that datum's ellipsoid (transverse Mercator with scale
// 0.9996, polar stereographic with 0.994, standard zones). MGRS on the Clarke 1866, Clarke 1880,
// Bessel 1841 and Bessel 1841 (Namibia) ellipsoids uses the older "AL" row lettering (row letters
// shifted by ten), as the MGRS definition prescribes for them.
//
// Text forms read by the engine:
//   DMS   two halves, latitude first, separated by white space, "/" or "\": an optional sign,
//         digits with an optional fraction ("." or ","), an optional hemisphere letter (N/S, then
//         E/W; a letter wins over a sign). The digits are grouped as the DMS formatter groups
//         them: latitude with 1-2 integer digits is degrees, 3-4 degrees and minutes, 5 or more
//         degrees, minutes and seconds (the last four digits are minutes and seconds); longitude
//         with up to 3 digits and at most 180 is degrees, else up to 5 digits degrees and
//         minutes, else degrees, minutes and seconds. The fraction belongs to the last unit.
//   UTM   zone and band ("18T" or "18 T") before or after easting and northing, separated by
//         spaces or commas; the polar form easting, northing and letter (the letter may also
//         come first); compact forms of zone+band followed or preceded by 6+7 or 7+7 digits, and
//         7+7 digits followed by a polar letter. Eastings and northings may carry a fraction.
//         The band must agree with the latitude the position gives (within 0.001 degree).
//   MGRS  any reference of 0 to 5 digit pairs, upper or lower case, spaces ignored; the centre
//         of the referenced square is taken.
// Refusals (E_INVALIDARG, never a guessed result): latitude beyond 90, longitude beyond 180,
// minutes or seconds of 60 or more, a degree value out of range, NaN, malformed text, an
// unknown datum number or format code, a grid position outside its zone's allowed range.
#pragma once

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/base_types.h"

namespace velk::productline {

struct EngineEllipsoid {
  const wchar_t* name;
  double a;                  // semi-major axis, metres
  double inverseFlattening;  // 1/f
  bool alRowLettering;       // MGRS uses the "AL" row letters on this ellipsoid
};

struct EngineDatum {
  const wchar_t* name;  // the text offered in the datum list
  int ellipsoid;        // index into CoordinateEngine::Ellipsoids()
  double dx, dy, dz;    // three-parameter shift from this datum to WGS 84, metres
};

// Input format codes of ConvertLocation.
enum LocationFormat : int {
  kFormatPoint = 1,  // a longitude/latitude point
  kFormatDms = 2,
  kFormatUtm = 3,  // UTM or UPS text
  kFormatMgrs = 4,
};

struct GeoPoint {
  double lon = std::numeric_limits<double>::quiet_NaN();  // degrees, x
  double lat = std::numeric_limits<double>::quiet_NaN();  // degrees, y
  bool IsEmpty() const { return std::isnan(lon) || std::isnan(lat); }
};

// The answer of one conversion. After a refusal both points are empty (NaN) and the texts empty.
struct ConvertedLocation {
  GeoPoint wgs84;               // the location on WGS 84 (datum 0)
  GeoPoint datum;               // the location on the target datum
  std::wstring dms, utm, mgrs;  // the location on the target datum in the three notations
};

class CoordinateEngine {
 public:
  static std::span<const EngineEllipsoid> Ellipsoids();
  static std::span<const EngineDatum> Datums();
  static int DatumCount() { return static_cast<int>(Datums().size()); }

  // The names of the datum list, in list order (position 0 is WGS 84).
  std::vector<std::wstring> DatumNames() const;
  // The name of a datum's ellipsoid; E_INVALIDARG for an unknown datum number.
  HRESULT GetDatumEllipsoid(int datum, std::wstring* ellipsoid) const;

  // Converts a point given on fromDatum to toDatum and into all notations.
  HRESULT ConvertPoint(GeoPoint point, int fromDatum, int toDatum, ConvertedLocation* out) const;
  // The same for a text in format kFormatDms, kFormatUtm or kFormatMgrs, read on fromDatum.
  HRESULT ConvertText(std::wstring_view text, int format, int fromDatum, int toDatum,
                      ConvertedLocation* out) const;

  // The pieces, each on one datum. Readers answer S_OK or E_INVALIDARG.
  static HRESULT ReadDms(std::wstring_view text, GeoPoint* point);
  static HRESULT ReadUtm(std::wstring_view text, int datum, GeoPoint* point);
  static HRESULT ReadMgrs(std::wstring_view text, int datum, GeoPoint* point);
  static std::wstring FormatDms(GeoPoint point);
  // UTM (or UPS) and MGRS texts of a valid point; E_FAIL when the grid cannot be formed.
  static HRESULT FormatGrid(GeoPoint point, int datum, std::wstring* utm, std::wstring* mgrs);

  // Standard Molodensky shift of a point at ellipsoidal height h (updated) between two
  // ellipsoids: (dx, dy, dz) is the translation from the source datum to the target datum,
  // da and df the target's semi-major axis and flattening less the source's.
  static GeoPoint Molodensky(GeoPoint point, double* h, double a, double f, double da, double df,
                             double dx, double dy, double dz);
  // The datum's point on WGS 84 and back (height 0 on the source).
  static GeoPoint ShiftToWgs84(int datum, GeoPoint point);
  static GeoPoint ShiftFromWgs84(int datum, GeoPoint point);
};

}  // namespace velk::productline
