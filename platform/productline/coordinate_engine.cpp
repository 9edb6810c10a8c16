#include "platform/productline/coordinate_engine.h"

#include <cmath>

#include "platform/com/number_text.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/Math.hpp>
#include <GeographicLib/PolarStereographic.hpp>
#include <GeographicLib/TransverseMercator.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <cstdio>
#include <cwctype>
#include <optional>

namespace velk::productline {

namespace {

constexpr double kUtmScale = 0.9996;
constexpr double kUpsScale = 0.994;
constexpr double kUtmFalseEasting = 500000.0;
constexpr double kUtmSouthFalseNorthing = 10000000.0;
constexpr double kUpsFalseOrigin = 2000000.0;
// How far a UTM position may lie outside the latitude band its text names.
constexpr double kBandSlopDegrees = 0.001;
// MGRS row letters; the "AL" lettering shifts them by ten.
constexpr std::wstring_view kRowLetters = L"ABCDEFGHJKLMNPQRSTUV";
// Latitude band letters from 80 S in 8-degree steps (X covers 72 N to 84 N).
constexpr std::wstring_view kBandLetters = L"CDEFGHJKLMNPQRSTUVWX";

struct GridProjections {
  GeographicLib::TransverseMercator utm;
  GeographicLib::PolarStereographic ups;
};

// One pair of projections per ellipsoid, made once (their set-up is the costly part).
const GridProjections& ProjectionsFor(int ellipsoid) {
  static const std::vector<GridProjections> all = [] {
    std::vector<GridProjections> v;
    for (const EngineEllipsoid& e : CoordinateEngine::Ellipsoids()) {
      const double f = 1.0 / e.inverseFlattening;
      v.push_back({GeographicLib::TransverseMercator(e.a, f, kUtmScale),
                   GeographicLib::PolarStereographic(e.a, f, kUpsScale)});
    }
    return v;
  }();
  return all[static_cast<std::size_t>(ellipsoid)];
}

bool ValidDatum(int datum) { return datum >= 0 && datum < CoordinateEngine::DatumCount(); }

bool ValidPoint(GeoPoint p) {
  return !p.IsEmpty() && p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0;
}

// Folds a latitude pushed over a pole back and brings the longitude into [-180, 180].
GeoPoint Normalized(GeoPoint p) {
  if (p.lat > 90.0) {
    p.lat = 180.0 - p.lat;
    p.lon += 180.0;
  } else if (p.lat < -90.0) {
    p.lat = -180.0 - p.lat;
    p.lon += 180.0;
  }
  p.lon = GeographicLib::Math::AngNormalize(p.lon);
  return p;
}

const EngineEllipsoid& EllipsoidOf(int datum) {
  return CoordinateEngine::Ellipsoids()[static_cast<std::size_t>(
      CoordinateEngine::Datums()[static_cast<std::size_t>(datum)].ellipsoid)];
}

// Shifts an MGRS row letter between the "AA" and "AL" letterings (the same shift both ways).
bool ShiftRowLetter(wchar_t& letter) {
  const auto i = kRowLetters.find(letter);
  if (i == std::wstring_view::npos) return false;
  letter = kRowLetters[(i + 10) % kRowLetters.size()];
  return true;
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Whole metres ("%.0f": ties to even); a value that rounds to zero is written "0", never "-0".
std::wstring FormatMetres(double v) {
  std::wstring out;
  AppendDecimal(out, static_cast<long long>(std::nearbyint(v)) + 0LL);
  return out;
}

// ---- DMS reading -------------------------------------------------------------------------

struct TextCursor {
  std::wstring_view s;
  std::size_t i = 0;
  bool AtEnd() const { return i >= s.size(); }
  wchar_t Peek() const { return AtEnd() ? L'\0' : s[i]; }
  std::size_t SkipSpace() {
    const std::size_t start = i;
    while (!AtEnd() && std::iswspace(s[i])) ++i;
    return i - start;
  }
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// The value of a digit run (at most nine digits are ever combined here).
long long DigitsValue(std::wstring_view d) {
  long long v = 0;
  for (wchar_t c : d) v = v * 10 + (c - L'0');
  return v;
}

double FractionValue(std::wstring_view d) {
  double v = 0.0, scale = 0.1;
  for (wchar_t c : d) {
    v += (c - L'0') * scale;
    scale /= 10.0;
  }
  return v;
}

struct DmsHalf {
  int sign = 1;
  std::wstring_view digits;
  std::wstring_view fraction;
  wchar_t letter = 0;
};

// sign? digits fraction? letter? with white space allowed around sign and letter.
bool ReadDmsHalf(TextCursor& c, std::wstring_view letters, DmsHalf* half) {
  c.SkipSpace();
  if (c.Peek() == L'+' || c.Peek() == L'-') {
    half->sign = c.Peek() == L'-' ? -1 : 1;
    ++c.i;
    c.SkipSpace();
  }
  const std::size_t start = c.i;
  while (IsDigit(c.Peek())) ++c.i;
  half->digits = c.s.substr(start, c.i - start);
  if (half->digits.empty() || half->digits.size() > 9) return false;
  if (c.Peek() == L'.' || c.Peek() == L',') {
    ++c.i;
    const std::size_t f = c.i;
    while (IsDigit(c.Peek())) ++c.i;
    half->fraction = c.s.substr(f, c.i - f);
  }
  const std::size_t beforeLetter = c.i;
  c.SkipSpace();
  const wchar_t u = Upper(c.Peek());
  if (u != 0 && letters.find(u) != std::wstring_view::npos) {
    half->letter = u;
    ++c.i;
  } else {
    c.i = beforeLetter;
  }
  return true;
}

// Degrees from grouped digits: unitDigits integer digits of whole degrees come first when the
// run is short; longer runs carry minutes (and seconds) in their last digits.
std::optional<double> DmsValue(const DmsHalf& h, bool latitude) {
  const std::size_t n = h.digits.size();
  const double frac = FractionValue(h.fraction);
  long long degrees = 0, minutes = 0;
  double seconds = 0.0, minuteFraction = 0.0, degreeFraction = 0.0;
  const long long whole = DigitsValue(h.digits);
  enum { kDegrees, kMinutes, kSeconds } form;
  if (latitude) {
    form = n <= 2 ? kDegrees : (n <= 4 ? kMinutes : kSeconds);
  } else {
    form = (n <= 3 && whole <= 180) ? kDegrees : (n <= 5 ? kMinutes : kSeconds);
  }
  switch (form) {
    case kDegrees:
      degrees = whole;
      degreeFraction = frac;
      break;
    case kMinutes:
      degrees = whole / 100;
      minutes = whole % 100;
      minuteFraction = frac;
      break;
    case kSeconds:
      degrees = whole / 10000;
      minutes = (whole / 100) % 100;
      seconds = static_cast<double>(whole % 100) + frac;
      break;
  }
  if (minutes >= 60 || seconds >= 60.0) return std::nullopt;
  const double value = static_cast<double>(degrees) + degreeFraction +
                       (static_cast<double>(minutes) + minuteFraction) / 60.0 + seconds / 3600.0;
  if (value > (latitude ? 90.0 : 180.0)) return std::nullopt;
  return value;
}

int SignOf(const DmsHalf& h, wchar_t negativeLetter) {
  if (h.letter != 0) return h.letter == negativeLetter ? -1 : 1;
  return h.sign;
}

// ---- grid reading ------------------------------------------------------------------------

struct GridText {
  int zone = 0;        // 0 for the polar form
  wchar_t letter = 0;  // band letter, or polar letter when zone is 0
  double easting = 0.0;
  double northing = 0.0;
};

bool IsPolarLetter(wchar_t c) { return c == L'A' || c == L'B' || c == L'Y' || c == L'Z'; }
bool IsBandLetter(wchar_t c) { return kBandLetters.find(c) != std::wstring_view::npos; }

bool AllDigits(std::wstring_view s) {
  if (s.empty()) return false;
  for (wchar_t c : s)
    if (!IsDigit(c)) return false;
  return true;
}

// digits with an optional fraction
std::optional<double> ReadMetres(std::wstring_view s) {
  const auto dot = s.find(L'.');
  const std::wstring_view whole = s.substr(0, dot);
  if (!AllDigits(whole) || whole.size() > 8) return std::nullopt;
  double v = static_cast<double>(DigitsValue(whole));
  if (dot != std::wstring_view::npos) {
    const std::wstring_view frac = s.substr(dot + 1);
    if (!frac.empty() && !AllDigits(frac)) return std::nullopt;
    v += FractionValue(frac);
  }
  return v;
}

// "18T" or "8T": zone 1-60 and a band letter.
bool ReadZoneBand(std::wstring_view s, GridText* g) {
  if (s.size() < 2 || s.size() > 3) return false;
  const std::wstring_view digits = s.substr(0, s.size() - 1);
  if (!AllDigits(digits) || !IsBandLetter(s.back())) return false;
  g->zone = static_cast<int>(DigitsValue(digits));
  g->letter = s.back();
  return g->zone >= 1 && g->zone <= 60;
}

bool SplitDigits(std::wstring_view d, GridText* g) {
  if (d.size() != 13 && d.size() != 14) return false;
  const std::size_t e = d.size() - 7;
  g->easting = static_cast<double>(DigitsValue(d.substr(0, e)));
  g->northing = static_cast<double>(DigitsValue(d.substr(e)));
  return true;
}

bool ReadCompactGrid(std::wstring_view s, GridText* g) {
  if (s.size() >= 2 && IsPolarLetter(s.back()) && AllDigits(s.substr(0, s.size() - 1))) {
    g->zone = 0;
    g->letter = s.back();
    return s.size() == 15 && SplitDigits(s.substr(0, 14), g);
  }
  if (!s.empty() && IsPolarLetter(s.front()) && AllDigits(s.substr(1))) {
    g->zone = 0;
    g->letter = s.front();
    return s.size() == 15 && SplitDigits(s.substr(1), g);
  }
  if (s.size() >= 3 && IsDigit(s[0]) && IsDigit(s[1]) && !IsDigit(s[2])) {
    return ReadZoneBand(s.substr(0, 3), g) && AllDigits(s.substr(3)) && SplitDigits(s.substr(3), g);
  }
  if (s.size() >= 3 && !IsDigit(s.back())) {
    const std::size_t n = s.size();
    return ReadZoneBand(s.substr(n - 3), g) && AllDigits(s.substr(0, n - 3)) &&
           SplitDigits(s.substr(0, n - 3), g);
  }
  return false;
}

bool ReadEastingNorthing(std::wstring_view e, std::wstring_view n, GridText* g) {
  const auto ev = ReadMetres(e);
  const auto nv = ReadMetres(n);
  if (!ev || !nv) return false;
  g->easting = *ev;
  g->northing = *nv;
  return true;
}

bool ParseGridText(std::wstring_view text, GridText* g) {
  std::vector<std::wstring> tokens;
  std::wstring cur;
  for (wchar_t c : text) {
    if (c == L',' || std::iswspace(c)) {
      if (!cur.empty()) tokens.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.push_back(Upper(c));
    }
  }
  if (!cur.empty()) tokens.push_back(std::move(cur));

  auto single = [](const std::wstring& t) { return t.size() == 1 && !IsDigit(t[0]); };
  switch (tokens.size()) {
    case 1: return ReadCompactGrid(tokens[0], g);
    case 3:
      if (single(tokens[2]) && IsPolarLetter(tokens[2][0])) {
        g->zone = 0;
        g->letter = tokens[2][0];
        return ReadEastingNorthing(tokens[0], tokens[1], g);
      }
      if (single(tokens[0]) && IsPolarLetter(tokens[0][0])) {
        g->zone = 0;
        g->letter = tokens[0][0];
        return ReadEastingNorthing(tokens[1], tokens[2], g);
      }
      if (ReadZoneBand(tokens[0], g)) return ReadEastingNorthing(tokens[1], tokens[2], g);
      if (ReadZoneBand(tokens[2], g)) return ReadEastingNorthing(tokens[0], tokens[1], g);
      return false;
    case 4:
      if (single(tokens[1])) {
        return ReadZoneBand(tokens[0] + tokens[1], g) &&
               ReadEastingNorthing(tokens[2], tokens[3], g);
      }
      if (single(tokens[3])) {
        return ReadZoneBand(tokens[2] + tokens[3], g) &&
               ReadEastingNorthing(tokens[0], tokens[1], g);
      }
      return false;
    default: return false;
  }
}

bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

double CentralMeridian(int zone) { return 6.0 * zone - 183.0; }

}  // namespace

// ---- datum list ---------------------------------------------------------------------------

std::vector<std::wstring> CoordinateEngine::DatumNames() const {
  std::vector<std::wstring> names;
  names.reserve(Datums().size());
  for (const EngineDatum& d : Datums()) names.emplace_back(d.name);
  return names;
}

HRESULT CoordinateEngine::GetDatumEllipsoid(int datum, std::wstring* ellipsoid) const {
  if (!ellipsoid) return E_POINTER;
  if (!ValidDatum(datum)) return E_INVALIDARG;
  *ellipsoid = EllipsoidOf(datum).name;
  return S_OK;
}

// ---- datum shifts -------------------------------------------------------------------------

GeoPoint CoordinateEngine::Molodensky(GeoPoint p, double* h, double a, double f, double da,
                                      double df, double dx, double dy, double dz) {
  using GeographicLib::Math;
  const double e2 = f * (2.0 - f);
  const double b = a * (1.0 - f);
  double sphi, cphi, slam, clam;
  Math::sincosd(p.lat, sphi, cphi);
  Math::sincosd(p.lon, slam, clam);
  const double w2 = 1.0 - e2 * sphi * sphi;
  const double w = std::sqrt(w2);
  const double nu = a / w;                       // prime vertical radius
  const double rho = a * (1.0 - e2) / (w2 * w);  // meridian radius
  const double height = h ? *h : 0.0;

  const double dphi =
      (-dx * sphi * clam - dy * sphi * slam + dz * cphi + da * nu * e2 * sphi * cphi / a +
       df * (rho * a / b + nu * b / a) * sphi * cphi) /
      (rho + height);
  // At a pole the longitude is arbitrary and stays as it is.
  const double lonRadius = (nu + height) * cphi;
  const double dlam = lonRadius > 1e-9 ? (-dx * slam + dy * clam) / lonRadius : 0.0;
  if (h) {
    *h += dx * cphi * clam + dy * cphi * slam + dz * sphi - da * a / nu +
          df * b / a * nu * sphi * sphi;
  }
  GeoPoint out;
  out.lat = p.lat + dphi / Math::degree();
  out.lon = p.lon + dlam / Math::degree();
  return Normalized(out);
}

GeoPoint CoordinateEngine::ShiftToWgs84(int datum, GeoPoint p) {
  if (datum == 0) return p;
  const EngineDatum& d = Datums()[static_cast<std::size_t>(datum)];
  const EngineEllipsoid& from = EllipsoidOf(datum);
  const EngineEllipsoid& wgs = Ellipsoids()[0];
  double h = 0.0;
  return Molodensky(p, &h, from.a, 1.0 / from.inverseFlattening, wgs.a - from.a,
                    1.0 / wgs.inverseFlattening - 1.0 / from.inverseFlattening, d.dx, d.dy, d.dz);
}

GeoPoint CoordinateEngine::ShiftFromWgs84(int datum, GeoPoint p) {
  if (datum == 0) return p;
  const EngineDatum& d = Datums()[static_cast<std::size_t>(datum)];
  const EngineEllipsoid& to = EllipsoidOf(datum);
  const EngineEllipsoid& wgs = Ellipsoids()[0];
  double h = 0.0;
  return Molodensky(p, &h, wgs.a, 1.0 / wgs.inverseFlattening, to.a - wgs.a,
                    1.0 / to.inverseFlattening - 1.0 / wgs.inverseFlattening, -d.dx, -d.dy, -d.dz);
}

// ---- notations ----------------------------------------------------------------------------

std::wstring CoordinateEngine::FormatDms(GeoPoint p) {
  auto half = [](double v, int degreeDigits, wchar_t positive, wchar_t negative) {
    const long long hundredths = std::llround(std::fabs(v) * 360000.0);
    const wchar_t letter = (v < 0.0 && hundredths != 0) ? negative : positive;
    const long long degrees = hundredths / 360000;
    const long long minutes = (hundredths / 6000) % 60;
    const long long seconds = (hundredths / 100) % 60;
    std::wstring out;
    AppendDecimal(out, static_cast<unsigned long long>(degrees),
                  static_cast<unsigned>(degreeDigits));
    AppendDecimal(out, static_cast<unsigned long long>(minutes), 2);
    AppendDecimal(out, static_cast<unsigned long long>(seconds), 2);
    out += L'.';
    AppendDecimal(out, static_cast<unsigned long long>(hundredths % 100), 2);
    out += letter;
    return out;
  };
  return half(p.lat, 2, L'N', L'S') + L" " + half(p.lon, 3, L'E', L'W');
}

namespace {

// The UTM (or UPS) and MGRS texts of a grid position (false easting and northing included) in
// a zone (0: polar), at latitude lat, on a datum's ellipsoid.
void WriteGridTexts(int zone, bool north, double x, double y, double lat, int datum,
                    std::wstring* utm, std::wstring* mgrs) {
  std::string m;
  GeographicLib::MGRS::Forward(zone, north, x, y, lat, 5, m);
  std::wstring grid = Widen(m);
  if (zone > 0 && EllipsoidOf(datum).alRowLettering && grid.size() > 4) ShiftRowLetter(grid[4]);

  const std::wstring easting = FormatMetres(x);
  std::wstring northing = FormatMetres(y);
  if (zone > 0) {
    wchar_t band = grid[2];
    if (!north && northing == L"10000000") {  // the equator, written from the north
      band = L'N';
      northing = L"0";
    }
    std::wstring text;
    AppendDecimal(text, static_cast<unsigned long long>(zone), 2);
    text += band;
    text += L' ';
    text += easting;
    text += L' ';
    text += northing;
    *utm = std::move(text);
  } else {
    *utm = easting + L" " + northing + L" " + grid[0];
  }
  *mgrs = std::move(grid);
}

// The grid square a typed MGRS reference names: zone, hemisphere and the position of its
// centre; false when the text is no reference on that datum.
bool ReadMgrsSquare(std::wstring_view text, int datum, int* zone, bool* north, double* x,
                    double* y) {
  std::wstring ref;
  for (wchar_t c : text) {
    if (std::iswspace(c)) continue;
    const wchar_t u = Upper(c);
    if (!IsDigit(u) && !(u >= L'A' && u <= L'Z')) return false;
    ref.push_back(u);
  }
  if (ref.empty() || ref.size() > 32) return false;
  std::size_t zoneDigits = 0;
  while (zoneDigits < ref.size() && IsDigit(ref[zoneDigits])) ++zoneDigits;
  if (zoneDigits > 0 && EllipsoidOf(datum).alRowLettering) {
    if (ref.size() < zoneDigits + 3 || !ShiftRowLetter(ref[zoneDigits + 2])) return false;
  }
  int prec = 0;
  try {
    GeographicLib::MGRS::Reverse(std::string(ref.begin(), ref.end()), *zone, *north, *x, *y, prec,
                                 true);
  } catch (const GeographicLib::GeographicErr&) {
    return false;
  }
  return !(prec < 0 || std::isnan(*x) || std::isnan(*y));  // a zone alone, "INV..."
}

}  // namespace

HRESULT CoordinateEngine::FormatGrid(GeoPoint p, int datum, std::wstring* utm, std::wstring* mgrs) {
  if (!utm || !mgrs) return E_POINTER;
  if (!ValidDatum(datum) || !ValidPoint(p)) return E_INVALIDARG;
  const GridProjections& proj = ProjectionsFor(Datums()[static_cast<std::size_t>(datum)].ellipsoid);
  try {
    const int zone = GeographicLib::UTMUPS::StandardZone(p.lat, p.lon);
    const bool north = !(p.lat < 0.0);
    double x, y;
    if (zone > 0) {
      proj.utm.Forward(CentralMeridian(zone), p.lat, p.lon, x, y);
      x += kUtmFalseEasting;
      if (!north) y += kUtmSouthFalseNorthing;
    } else {
      proj.ups.Forward(north, p.lat, p.lon, x, y);
      x += kUpsFalseOrigin;
      y += kUpsFalseOrigin;
    }
    // A grid position read from whole metres comes back from latitude/longitude a hair short
    // of its metre (583958.9999999); truncating that would write the metre below. Positions
    // within a micrometre of a metre line are taken as on it.
    auto snap = [](double v) {
      const double r = std::round(v);
      return std::fabs(v - r) < 1e-6 ? r : v;
    };
    WriteGridTexts(zone, north, snap(x), snap(y), p.lat, datum, utm, mgrs);
    return S_OK;
  } catch (const GeographicLib::GeographicErr&) {
    return E_FAIL;
  }
}

HRESULT CoordinateEngine::ReadDms(std::wstring_view text, GeoPoint* point) {
  if (!point) return E_POINTER;
  *point = GeoPoint{};
  TextCursor c{text};
  DmsHalf lat, lon;
  if (!ReadDmsHalf(c, L"NS", &lat)) return E_INVALIDARG;
  // separator: white space, "/" or "\"
  std::size_t consumed = c.SkipSpace();
  if (c.Peek() == L'/' || c.Peek() == L'\\') {
    ++c.i;
    ++consumed;
    c.SkipSpace();
  }
  if (consumed == 0) return E_INVALIDARG;
  if (!ReadDmsHalf(c, L"EW", &lon)) return E_INVALIDARG;
  c.SkipSpace();
  if (!c.AtEnd()) return E_INVALIDARG;

  const auto latValue = DmsValue(lat, true);
  const auto lonValue = DmsValue(lon, false);
  if (!latValue || !lonValue) return E_INVALIDARG;
  point->lat = SignOf(lat, L'S') * *latValue;
  point->lon = SignOf(lon, L'W') * *lonValue;
  return S_OK;
}

HRESULT CoordinateEngine::ReadUtm(std::wstring_view text, int datum, GeoPoint* point) {
  if (!point) return E_POINTER;
  *point = GeoPoint{};
  if (!ValidDatum(datum)) return E_INVALIDARG;
  GridText g;
  if (!ParseGridText(text, &g)) return E_INVALIDARG;
  const GridProjections& proj = ProjectionsFor(Datums()[static_cast<std::size_t>(datum)].ellipsoid);
  GeoPoint p;
  if (g.zone > 0) {
    const bool north = g.letter >= L'N';
    // the ranges of UTM positions allowed around a zone
    if (!InRange(g.easting, 0.0, 1000000.0) ||
        !(north ? InRange(g.northing, 0.0, 9600000.0) : InRange(g.northing, 900000.0, 10000000.0)))
      return E_INVALIDARG;
    proj.utm.Reverse(CentralMeridian(g.zone), g.easting - kUtmFalseEasting,
                     g.northing - (north ? 0.0 : kUtmSouthFalseNorthing), p.lat, p.lon);
    const double bandSouth = -80.0 + 8.0 * static_cast<double>(kBandLetters.find(g.letter));
    const double bandNorth = g.letter == L'X' ? 84.0 : bandSouth + 8.0;
    if (!InRange(p.lat, bandSouth - kBandSlopDegrees, bandNorth + kBandSlopDegrees))
      return E_INVALIDARG;
  } else {
    const bool north = g.letter == L'Y' || g.letter == L'Z';
    const bool west = g.letter == L'A' || g.letter == L'Y';
    const double lo = north ? 1200000.0 : 700000.0, hi = north ? 2800000.0 : 3300000.0;
    if (!InRange(g.easting, lo, hi) || !InRange(g.northing, lo, hi)) return E_INVALIDARG;
    // the letter names the half east or west of the 0/180 line (to the metre)
    if (west ? g.easting > kUpsFalseOrigin + 1.0 : g.easting < kUpsFalseOrigin - 1.0)
      return E_INVALIDARG;
    proj.ups.Reverse(north, g.easting - kUpsFalseOrigin, g.northing - kUpsFalseOrigin, p.lat,
                     p.lon);
    if (north ? p.lat < 83.5 : p.lat > -79.5) return E_INVALIDARG;
  }
  if (p.IsEmpty()) return E_INVALIDARG;
  *point = Normalized(p);
  return S_OK;
}

HRESULT CoordinateEngine::ReadMgrs(std::wstring_view text, int datum, GeoPoint* point) {
  if (!point) return E_POINTER;
  *point = GeoPoint{};
  if (!ValidDatum(datum)) return E_INVALIDARG;
  int zone = 0;
  bool north = true;
  double x = 0.0, y = 0.0;
  if (!ReadMgrsSquare(text, datum, &zone, &north, &x, &y)) return E_INVALIDARG;
  const GridProjections& proj = ProjectionsFor(Datums()[static_cast<std::size_t>(datum)].ellipsoid);
  GeoPoint p;
  if (zone > 0) {
    proj.utm.Reverse(CentralMeridian(zone), x - kUtmFalseEasting,
                     y - (north ? 0.0 : kUtmSouthFalseNorthing), p.lat, p.lon);
  } else {
    proj.ups.Reverse(north, x - kUpsFalseOrigin, y - kUpsFalseOrigin, p.lat, p.lon);
  }
  if (p.IsEmpty()) return E_INVALIDARG;
  *point = Normalized(p);
  return S_OK;
}

// ---- conversions --------------------------------------------------------------------------

HRESULT CoordinateEngine::ConvertPoint(GeoPoint point, int fromDatum, int toDatum,
                                       ConvertedLocation* out) const {
  if (!out) return E_POINTER;
  *out = ConvertedLocation{};
  if (!ValidDatum(fromDatum) || !ValidDatum(toDatum) || !ValidPoint(point)) return E_INVALIDARG;
  point.lon = GeographicLib::Math::AngNormalize(point.lon);

  ConvertedLocation r;
  r.wgs84 = ShiftToWgs84(fromDatum, point);
  // The same datum keeps the point exactly as given (no round trip through WGS 84).
  r.datum = toDatum == fromDatum ? point : ShiftFromWgs84(toDatum, r.wgs84);
  r.dms = FormatDms(r.datum);
  const HRESULT hr = FormatGrid(r.datum, toDatum, &r.utm, &r.mgrs);
  if (FAILED(hr)) return hr;
  *out = std::move(r);
  return S_OK;
}

HRESULT CoordinateEngine::ConvertText(std::wstring_view text, int format, int fromDatum,
                                      int toDatum, ConvertedLocation* out) const {
  if (!out) return E_POINTER;
  *out = ConvertedLocation{};
  if (!ValidDatum(fromDatum) || !ValidDatum(toDatum)) return E_INVALIDARG;
  GeoPoint p;
  HRESULT hr;
  switch (format) {
    case kFormatDms: hr = ReadDms(text, &p); break;
    case kFormatUtm: hr = ReadUtm(text, fromDatum, &p); break;
    case kFormatMgrs: hr = ReadMgrs(text, fromDatum, &p); break;
    default: return E_INVALIDARG;
  }
  if (FAILED(hr)) return hr;
  hr = ConvertPoint(p, fromDatum, toDatum, out);
  if (FAILED(hr) || format != kFormatMgrs || toDatum != fromDatum) return hr;
  // The location is the centre of the typed square, which lies half a metre inside a 1 m
  // square: the grid texts are written from the square itself (the metre its centre lies in),
  // so that they name that square and not a neighbour that rounding the centre would reach.
  int zone = 0;
  bool north = true;
  double x = 0.0, y = 0.0;
  if (ReadMgrsSquare(text, fromDatum, &zone, &north, &x, &y)) {
    try {
      WriteGridTexts(zone, north, std::floor(x), std::floor(y), out->datum.lat, toDatum, &out->utm,
                     &out->mgrs);
    } catch (const GeographicLib::GeographicErr&) {
      // the texts from the location stay
    }
  }
  return S_OK;
}

}  // namespace velk::productline
