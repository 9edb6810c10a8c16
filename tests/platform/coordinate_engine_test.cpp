// The coordinate engine against independent converters: GeographicLib's GeoConvert program for
// UTM/UPS and MGRS, the reference MGRS table of the shared data, and PROJ's Molodensky
// transformation for the datum shifts.
#include <gtest/gtest.h>
#include <proj.h>
#include <unistd.h>

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/productline/coordinate_engine.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

namespace {

using velk::productline::ConvertedLocation;
using velk::productline::CoordinateEngine;
using velk::productline::GeoPoint;
using velk::test::ProgramOnPath;
using velk::test::ShellQuote;
using velk::test::ToolOutput;

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

double DistanceMetres(GeoPoint a, GeoPoint b) {
  double s12 = 0.0;
  GeographicLib::Geodesic::WGS84().Inverse(a.lat, a.lon, b.lat, b.lon, s12);
  return s12;
}

int DatumIndex(const std::wstring& name) {
  const auto datums = CoordinateEngine::Datums();
  for (std::size_t i = 0; i < datums.size(); ++i)
    if (name == datums[i].name) return static_cast<int>(i);
  ADD_FAILURE() << "no datum " << Narrow(name);
  return 0;
}

// Runs a program once over a whole input file and returns its output lines.
std::vector<std::string> RunOverFile(const std::string& command, const std::string& input) {
  std::vector<std::string> lines;
  std::istringstream out(ToolOutput(command + " --input-file " + ShellQuote(input)));
  for (std::string s; std::getline(out, s);) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    lines.push_back(s);
  }
  return lines;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  std::string t;
  while (std::getline(ss, t, sep)) out.push_back(t);
  return out;
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream ss(s);
  std::string t;
  while (ss >> t) out.push_back(t);
  return out;
}

// ---- datum list -----------------------------------------------------------------------------

TEST(CoordinateEngineDatums, ListStartsWithWgs84AndNamesEveryDatumOnce) {
  CoordinateEngine engine;
  const auto names = engine.DatumNames();
  ASSERT_EQ(names.size(), 204u);
  EXPECT_EQ(names[0], L"WGS 84");
  EXPECT_EQ(names[1], L"WGS 72");
  EXPECT_EQ(names[2], L"Adindan, Mean Solution (Ethiopia, Sudan)");
  EXPECT_EQ(names[102], L"Montserrat Island Astro 1958, Montserrat, Leeward Islands");
  EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()).size(), names.size());

  std::wstring ellipsoid;
  EXPECT_EQ(engine.GetDatumEllipsoid(0, &ellipsoid), S_OK);
  EXPECT_EQ(ellipsoid, L"WGS 84");
  EXPECT_EQ(engine.GetDatumEllipsoid(DatumIndex(L"North American 1927, Mean Solution (CONUS)"),
                                     &ellipsoid),
            S_OK);
  EXPECT_EQ(ellipsoid, L"Clarke 1866");
  EXPECT_EQ(engine.GetDatumEllipsoid(-1, &ellipsoid), E_INVALIDARG);
  EXPECT_EQ(engine.GetDatumEllipsoid(204, &ellipsoid), E_INVALIDARG);
  EXPECT_EQ(engine.GetDatumEllipsoid(0, nullptr), E_POINTER);
}

// ---- UTM/UPS and MGRS against GeoConvert -----------------------------------------------------

struct Sample {
  std::string text;  // "lat lon" as handed to GeoConvert
  GeoPoint point;
};

// 10,000 points over the globe with a fixed seed: 8,000 spread evenly over the sphere and 1,000
// in each polar cap (north of 84 N, south of 80 S), where UPS applies.
std::vector<Sample> RandomSamples() {
  std::mt19937_64 rng(20240611);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  std::uniform_real_distribution<double> north(84.0, 90.0), south(-90.0, -80.0);
  std::vector<Sample> samples;
  for (int i = 0; i < 10000; ++i) {
    double lat;
    if (i < 8000)
      lat = std::asin(unit(rng)) * 180.0 / M_PI;
    else if (i < 9000)
      lat = north(rng);
    else
      lat = south(rng);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.12f %.12f", lat, lon(rng));
    Sample s;
    s.text = buf;
    std::sscanf(buf, "%lf %lf", &s.point.lat, &s.point.lon);
    samples.push_back(s);
  }
  return samples;
}

TEST(CoordinateEngineGrid, UtmUpsAndMgrsEqualGeoConvertAtOneMetre) {
  const std::string geoConvert = ProgramOnPath("GeoConvert");
  VELK_REQUIRE(!geoConvert.empty(), "GeoConvert is not installed");
  const auto samples = RandomSamples();
  const std::filesystem::path input =
      std::filesystem::temp_directory_path() / ("engine_points_" + std::to_string(::getpid()));
  {
    std::ofstream f(input);
    for (const Sample& s : samples) f << s.text << '\n';
  }
  const auto utmLines = RunOverFile(geoConvert + " -u -p 0", input.string());
  const auto mgrsLines = RunOverFile(geoConvert + " -m -p 0", input.string());
  std::filesystem::remove(input);
  ASSERT_EQ(utmLines.size(), samples.size());
  ASSERT_EQ(mgrsLines.size(), samples.size());

  CoordinateEngine engine;
  int polar = 0, failures = 0;
  for (std::size_t i = 0; i < samples.size() && failures < 10; ++i) {
    ConvertedLocation r;
    ASSERT_EQ(engine.ConvertPoint(samples[i].point, 0, 0, &r), S_OK) << samples[i].text;
    const std::string mgrs = Narrow(r.mgrs);
    const auto ours = Words(Narrow(r.utm));
    const auto theirs = Words(utmLines[i]);
    ASSERT_EQ(ours.size(), 3u);
    ASSERT_EQ(theirs.size(), 3u);
    std::string zone, hemisphere, easting, northing;
    if (theirs[0] == "n" || theirs[0] == "s") {  // UPS: "n E N" against "E N letter"
      ++polar;
      hemisphere = theirs[0];
      const char letter = ours[2][0];
      EXPECT_EQ(hemisphere, (letter == 'Y' || letter == 'Z') ? "n" : "s");
      EXPECT_EQ(letter, mgrsLines[i][0]) << samples[i].text;
      easting = ours[0];
      northing = ours[1];
    } else {  // UTM: "18n E N" against "18T E N"
      zone = ours[0].substr(0, 2);
      EXPECT_EQ(ours[0][2], mgrs[2]) << "band as in the MGRS text";
      hemisphere = ours[0][2] >= 'N' ? "n" : "s";
      easting = ours[1];
      northing = ours[2];
      if (theirs[0].back() == 's' && theirs[2] == "10000000") {  // written from the north
        EXPECT_EQ(ours[0][2], 'N');
        EXPECT_EQ(northing, "0");
        hemisphere = "s";
        northing = "10000000";
      }
      EXPECT_EQ(zone + hemisphere, theirs[0]) << samples[i].text;
    }
    EXPECT_EQ(easting, theirs[1]) << samples[i].text;
    EXPECT_EQ(northing, theirs[2]) << samples[i].text;
    EXPECT_EQ(mgrs, mgrsLines[i]) << samples[i].text;
    if (::testing::Test::HasFailure()) ++failures;
  }
  EXPECT_GE(polar, 2000);
}

// A typed MGRS reference stands for its own square: the UTM text names the metre that holds the
// square's centre (GeoConvert's centre, with one decimal, truncated), and the MGRS text is the
// reference itself at 1 m (as GeoConvert writes it). Rounding the centre of a 1 m square would
// name its neighbour half the time ("18TWL8562811322" is not easting 585629).
TEST(CoordinateEngineGrid, ATypedMgrsReferenceKeepsItsOwnSquare) {
  const std::string geoConvert = ProgramOnPath("GeoConvert");
  VELK_REQUIRE(!geoConvert.empty(), "GeoConvert is not installed");
  CoordinateEngine engine;
  std::vector<std::string> refs = {"18TWL8562811322", "18TWL8562911323", "18TWL856113",
                                   "18TWL8561",       "18TWL",           "ZBA0611398202"};
  const auto samples = RandomSamples();
  for (std::size_t i = 0; i < samples.size(); i += 7) {
    ConvertedLocation r;
    ASSERT_EQ(engine.ConvertPoint(samples[i].point, 0, 0, &r), S_OK);
    std::string m = Narrow(r.mgrs);
    std::size_t digits = m.size() - 10;       // five plus five digits after the letters
    int pairs = static_cast<int>(i / 7 % 6);  // 5, 4, ..., 0 digit pairs
    int keep = 5 - pairs;
    refs.push_back(m.substr(0, digits) + m.substr(digits, keep) + m.substr(digits + 5, keep));
  }
  const std::filesystem::path input =
      std::filesystem::temp_directory_path() / ("engine_refs_" + std::to_string(::getpid()));
  {
    std::ofstream f(input);
    for (const auto& ref : refs) f << ref << '\n';
  }
  const auto centres = RunOverFile(geoConvert + " -u -p 1", input.string());
  const auto mgrsLines = RunOverFile(geoConvert + " -m -p 0", input.string());
  std::filesystem::remove(input);
  ASSERT_EQ(centres.size(), refs.size());
  ASSERT_EQ(mgrsLines.size(), refs.size());
  int failures = 0;
  for (std::size_t i = 0; i < refs.size() && failures < 10; ++i) {
    ConvertedLocation r;
    std::wstring ref(refs[i].begin(), refs[i].end());
    ASSERT_EQ(engine.ConvertText(ref, 4, 0, 0, &r), S_OK) << refs[i];
    EXPECT_EQ(Narrow(r.mgrs), mgrsLines[i]) << refs[i];
    const auto ours = Words(Narrow(r.utm));
    const auto theirs = Words(centres[i]);
    ASSERT_EQ(ours.size(), 3u);
    ASSERT_EQ(theirs.size(), 3u);
    const bool polar = theirs[0] == "n" || theirs[0] == "s";
    const std::string easting = polar ? ours[0] : ours[1];
    const std::string northing = polar ? ours[1] : ours[2];
    auto metre = [](const std::string& centre) {
      return std::to_string(static_cast<long long>(std::floor(std::stod(centre))));
    };
    EXPECT_EQ(easting, metre(theirs[1])) << refs[i] << " " << centres[i];
    EXPECT_EQ(northing, metre(theirs[2])) << refs[i] << " " << centres[i];
    // and the UTM metres are the MGRS digits
    const std::string m = Narrow(r.mgrs);
    EXPECT_EQ(m.substr(m.size() - 10, 5), easting.substr(easting.size() - 5)) << refs[i];
    if (::testing::Test::HasFailure()) ++failures;
  }
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertText(L"18TWL8562811322", 4, 0, 0, &r), S_OK);
  EXPECT_EQ(r.utm, L"18T 585628 4511322");
}

// ---- the reference MGRS table ---------------------------------------------------------------

// Rows whose calculated MGRS differs from the engine's and that lie on a knife edge: one point
// (40.596412 S, in every zone 1 to 30) whose UTM easting falls 0.48 mm short of a whole metre,
// so that truncation to the metre tips either way on the converters' last-digit differences.
std::set<std::string> KnifeEdgeRows() {
  std::set<std::string> ids;
  for (int k = 0; k < 30; ++k) ids.insert(std::to_string(8228 + 277 * k));
  return ids;
}

TEST(CoordinateEngineGrid, MgrsEqualsTheReferenceTableExceptKnifeEdgeRows) {
  std::ifstream table(VELK_SHARED_DATA "/mgrs/geoToMgrs_WE.txt");
  VELK_REQUIRE(table, "shared MGRS table not found");
  CoordinateEngine engine;
  const auto knifeEdge = KnifeEdgeRows();
  std::set<std::string> differing;
  int rows = 0;
  std::string line;
  while (std::getline(table, line)) {
    const auto c = Split(line, '\t');
    if (c.size() < 14 || c[1] != "WGE" || c[4] != "MGRS") continue;
    ++rows;
    GeoPoint p;
    p.lat = std::stod(c[7]);
    p.lon = std::stod(c[8]);
    ConvertedLocation r;
    ASSERT_EQ(engine.ConvertPoint(p, 0, 0, &r), S_OK) << c[0];
    if (Narrow(r.mgrs) != c[13]) {
      differing.insert(c[0]);
      // the knife edge: the exact easting or northing lies within 1 mm of a whole metre
      int zone;
      bool north;
      double x, y;
      GeographicLib::UTMUPS::Forward(p.lat, p.lon, zone, north, x, y);
      const double edge = std::min(std::fabs(x - std::round(x)), std::fabs(y - std::round(y)));
      EXPECT_LT(edge, 0.001) << "row " << c[0];
    }
  }
  EXPECT_EQ(rows, 16620);
  EXPECT_EQ(differing, knifeEdge);
}

// ---- datum shifts against PROJ --------------------------------------------------------------

class ProjMolodensky {
 public:
  explicit ProjMolodensky(const std::string& definition)
      : ctx_(proj_context_create()), pj_(proj_create(ctx_, definition.c_str())) {}
  ~ProjMolodensky() {
    if (pj_) proj_destroy(pj_);
    proj_context_destroy(ctx_);
  }
  bool Ok() const { return pj_ != nullptr; }
  GeoPoint Apply(GeoPoint p, PJ_DIRECTION direction) const {
    PJ_COORD c = proj_coord(proj_torad(p.lon), proj_torad(p.lat), 0.0, 0.0);
    c = proj_trans(pj_, direction, c);
    return {proj_todeg(c.lpz.lam), proj_todeg(c.lpz.phi)};
  }

 private:
  PJ_CONTEXT* ctx_;
  PJ* pj_;
};

std::string MolodenskyDefinition(double a, double rf, double da, double df, double dx, double dy,
                                 double dz) {
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "+proj=molodensky +a=%.17g +rf=%.17g +da=%.17g +df=%.17g +dx=%.17g +dy=%.17g "
                "+dz=%.17g",
                a, rf, da, df, dx, dy, dz);
  return buf;
}

TEST(CoordinateEngineDatumShift, AgreesWithProjMolodenskyWithinTenCentimetres) {
  const auto ellipsoids = CoordinateEngine::Ellipsoids();
  const auto& wgs = ellipsoids[0];
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> lat(-89.0, 89.0), lon(-180.0, 180.0);
  double worstTo = 0.0, worstFrom = 0.0;
  for (int d = 1; d < CoordinateEngine::DatumCount(); ++d) {
    const auto& datum = CoordinateEngine::Datums()[d];
    const auto& e = ellipsoids[datum.ellipsoid];
    const double f = 1.0 / e.inverseFlattening, fw = 1.0 / wgs.inverseFlattening;
    // the datum to WGS 84, and WGS 84 to the datum with the reversed parameters (the way the
    // definition report applies the shifts in that direction)
    const ProjMolodensky to(MolodenskyDefinition(e.a, e.inverseFlattening, wgs.a - e.a, fw - f,
                                                 datum.dx, datum.dy, datum.dz));
    const ProjMolodensky from(MolodenskyDefinition(wgs.a, wgs.inverseFlattening, e.a - wgs.a,
                                                   f - fw, -datum.dx, -datum.dy, -datum.dz));
    ASSERT_TRUE(to.Ok() && from.Ok());
    for (int i = 0; i < 25; ++i) {
      const GeoPoint p{lon(rng), lat(rng)};
      worstTo = std::max(worstTo,
                         DistanceMetres(CoordinateEngine::ShiftToWgs84(d, p), to.Apply(p, PJ_FWD)));
      worstFrom = std::max(
          worstFrom, DistanceMetres(CoordinateEngine::ShiftFromWgs84(d, p), from.Apply(p, PJ_FWD)));
    }
  }
  EXPECT_LT(worstTo, 0.1);
  EXPECT_LT(worstFrom, 0.1);
}

TEST(CoordinateEngineDatumShift, ConvertsBetweenDatumsThroughWgs84) {
  CoordinateEngine engine;
  const int nad27 = DatumIndex(L"North American 1927, Mean Solution (CONUS)");
  const int ed50 = DatumIndex(L"European 1950, Mean Solution");
  const GeoPoint p{-77.0365, 38.8977};

  ConvertedLocation same;
  ASSERT_EQ(engine.ConvertPoint(p, nad27, nad27, &same), S_OK);
  EXPECT_EQ(same.datum.lon, p.lon);  // the same datum keeps the point as given
  EXPECT_EQ(same.datum.lat, p.lat);
  const GeoPoint wgs = CoordinateEngine::ShiftToWgs84(nad27, p);
  EXPECT_NEAR(DistanceMetres(same.wgs84, wgs), 0.0, 1e-6);
  EXPECT_GT(DistanceMetres(wgs, p), 10.0);  // NAD27 lies tens of metres off WGS 84 here

  ConvertedLocation across;
  ASSERT_EQ(engine.ConvertPoint(p, nad27, ed50, &across), S_OK);
  EXPECT_LT(DistanceMetres(across.datum, CoordinateEngine::ShiftFromWgs84(ed50, wgs)), 1e-6);
  ConvertedLocation back;
  ASSERT_EQ(engine.ConvertPoint(across.datum, ed50, nad27, &back), S_OK);
  EXPECT_LT(DistanceMetres(back.datum, p), 0.05);
}

TEST(CoordinateEngineDatumShift, PointsPushedOverAPoleFoldBack) {
  // WGS 72 moves points 4.5 m along the axis: at the north pole that is northwards of 90 N.
  const GeoPoint near{10.0, 89.99999};
  const GeoPoint shifted = CoordinateEngine::ShiftToWgs84(1, near);
  EXPECT_LE(shifted.lat, 90.0);
  EXPECT_GE(shifted.lon, -180.0);
  EXPECT_LE(shifted.lon, 180.0);
}

// ---- grids on other ellipsoids ---------------------------------------------------------------

TEST(CoordinateEngineGrid, OtherDatumsUseTheirEllipsoidAndLettering) {
  const int nad27 = DatumIndex(L"North American 1927, Mean Solution (CONUS)");
  const int ed50 = DatumIndex(L"European 1950, Mean Solution");
  // The same grid square: "AA" row L on WGS 84 and International 1924, "AL" row A on Clarke 1866.
  GeoPoint onNad27, onEd50;
  ASSERT_EQ(CoordinateEngine::ReadMgrs(L"18TWA8562811322", nad27, &onNad27), S_OK);
  ASSERT_EQ(CoordinateEngine::ReadMgrs(L"18TWL8562811322", ed50, &onEd50), S_OK);

  // PROJ's UTM on the same ellipsoids puts both at the centre of that 1 m square.
  PJ_CONTEXT* ctx = proj_context_create();
  for (const auto& [definition, point] : {std::pair{"+proj=utm +zone=18 +ellps=clrk66", onNad27},
                                          std::pair{"+proj=utm +zone=18 +ellps=intl", onEd50}}) {
    PJ* pj = proj_create(ctx, definition);
    ASSERT_NE(pj, nullptr);
    PJ_COORD c =
        proj_trans(pj, PJ_FWD, proj_coord(proj_torad(point.lon), proj_torad(point.lat), 0, 0));
    EXPECT_NEAR(c.xy.x, 585628.5, 1e-3) << definition;
    EXPECT_NEAR(c.xy.y, 4511322.5, 1e-3) << definition;
    proj_destroy(pj);
  }
  proj_context_destroy(ctx);

  std::wstring utm, mgrs;
  ASSERT_EQ(CoordinateEngine::FormatGrid(onNad27, nad27, &utm, &mgrs), S_OK);
  EXPECT_EQ(mgrs, L"18TWA8562811322");
  int zone = 0;
  wchar_t band = 0;
  double easting = 0, northing = 0;
  ASSERT_EQ(std::swscanf(utm.c_str(), L"%2d%lc %lf %lf", &zone, &band, &easting, &northing), 4);
  EXPECT_EQ(zone, 18);
  EXPECT_EQ(band, L'T');
  EXPECT_LE(std::fabs(easting - 585628.5), 0.5);  // the centre rounds either way
  EXPECT_LE(std::fabs(northing - 4511322.5), 0.5);
  ASSERT_EQ(CoordinateEngine::FormatGrid(onEd50, ed50, &utm, &mgrs), S_OK);
  EXPECT_EQ(mgrs, L"18TWL8562811322");
}

TEST(CoordinateEngineGrid, OwnTextsReadBackToTheSamePlaceOnEveryDatum) {
  CoordinateEngine engine;
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  for (int d = 0; d < CoordinateEngine::DatumCount(); ++d) {
    for (int i = 0; i < 20; ++i) {
      GeoPoint p{lon(rng), std::asin(unit(rng)) * 180.0 / M_PI};
      if (i == 0) p.lat = 86.5;    // UPS north
      if (i == 1) p.lat = -83.25;  // UPS south
      ConvertedLocation r;
      ASSERT_EQ(engine.ConvertPoint(p, d, d, &r), S_OK);
      for (const auto& [text, format, tolerance] :
           {std::tuple{r.dms, 2, 0.3}, std::tuple{r.utm, 3, 1.0}, std::tuple{r.mgrs, 4, 1.0}}) {
        ConvertedLocation again;
        ASSERT_EQ(engine.ConvertText(text, format, d, d, &again), S_OK) << Narrow(text);
        EXPECT_LT(DistanceMetres(again.datum, p), tolerance) << Narrow(text) << " datum " << d;
      }
    }
  }
}

// ---- texts ----------------------------------------------------------------------------------

TEST(CoordinateEngineText, DmsFormsWithHundredthsOfASecond) {
  struct Case {
    GeoPoint point;
    const wchar_t* dms;
  } cases[] = {
      {{-73.25, 40.5}, L"403000.00N 0731500.00W"},
      {{0.0, 0.0}, L"000000.00N 0000000.00E"},
      {{-1e-9, -1e-9}, L"000000.00N 0000000.00E"},  // rounds to zero: no south or west
      {{180.0, 90.0}, L"900000.00N 1800000.00E"},
      {{-180.0, -90.0}, L"900000.00S 1800000.00W"},
      {{10.0, 40.99999999}, L"410000.00N 0100000.00E"},  // carries into the degrees
      {{-0.5, -0.5}, L"003000.00S 0003000.00W"},
      {{151.2093, -33.8688}, L"335207.68S 1511233.48E"},
  };
  for (const Case& c : cases) EXPECT_EQ(CoordinateEngine::FormatDms(c.point), c.dms);
}

TEST(CoordinateEngineText, ReadsTheAcceptedForms) {
  CoordinateEngine engine;
  struct Case {
    const wchar_t* text;
    int format;
    double lat, lon;  // expected, within 1e-6 degree
  } cases[] = {
      {L"403000.00N 0731500.00W", 2, 40.5, -73.25},
      {L"40.5N 73.25W", 2, 40.5, -73.25},
      {L"-40.5 -73.25", 2, -40.5, -73.25},
      {L"4030N/07315W", 2, 40.5, -73.25},
      {L"4030.5 \\ 07315", 2, 40.0 + 30.5 / 60.0, 73.25},
      {L"403015,5n 0731520w", 2, 40.0 + 30.0 / 60.0 + 15.5 / 3600.0,
       -(73.0 + 15.0 / 60 + 20.0 / 3600)},
      {L"-40.5N 73.25", 2, 40.5, 73.25},  // a letter wins over a sign
      {L"035959.99S 1795959.99W", 2, -(3.0 + 59.0 / 60 + 59.99 / 3600),
       -(179.0 + 59.0 / 60 + 59.99 / 3600)},
      // expected values of the grid texts from GeoConvert -g -p 6
      {L"18T 585628 4511322", 3, 40.74839601189, -73.98570490632},
      {L"18 T 585628 4511322", 3, 40.74839601189, -73.98570490632},
      {L"585628,4511322,18T", 3, 40.74839601189, -73.98570490632},
      {L"18T5856284511322", 3, 40.74839601189, -73.98570490632},
      {L"585628451132218T", 3, 40.74839601189, -73.98570490632},
      {L"2106113 1398202 Z", 3, 84.49999722171, 9.99997928549},
      {L"21061131398202Z", 3, 84.49999722171, 9.99997928549},
      {L"18TWL8562811322", 4, 40.74840046345, -73.98569891609},  // centre of the 1 m square
      {L"18t wl 85628 11322", 4, 40.74840046345, -73.98569891609},
      {L"18TWL", 4, 41.09973970860, -74.40458350756},  // centre of the 100 km square
      {L"ZBA0611398202", 4, 84.50000086672, 10.00003359465},
  };
  for (const Case& c : cases) {
    ConvertedLocation r;
    ASSERT_EQ(engine.ConvertText(c.text, c.format, 0, 0, &r), S_OK) << Narrow(c.text);
    const double tolerance = 1e-9;
    EXPECT_NEAR(r.datum.lat, c.lat, tolerance) << Narrow(c.text);
    EXPECT_NEAR(r.datum.lon, c.lon, tolerance) << Narrow(c.text);
    EXPECT_EQ(r.wgs84.lat, r.datum.lat);
  }
}

TEST(CoordinateEngineText, SouthOfTheEquatorByAHairIsWrittenFromTheNorth) {
  CoordinateEngine engine;
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertPoint({3.0, -1e-9}, 0, 0, &r), S_OK);
  EXPECT_EQ(r.utm, L"31N 500000 0");
  EXPECT_EQ(r.mgrs, L"31MEV0000099999");
}

// A negative zero is written as zero is, and the texts read back.
TEST(CoordinateEngineText, NegativeZeroIsWrittenAsZero) {
  CoordinateEngine engine;
  const GeoPoint cases[][2] = {
      {{3.0, -0.0}, {3.0, 0.0}},
      {{-0.0, -0.0}, {0.0, 0.0}},
      {{-0.0, 10.0}, {0.0, 10.0}},
      {{-0.0, 84.5}, {0.0, 84.5}},  // polar grid
  };
  for (const auto& c : cases) {
    ConvertedLocation negative, positive;
    ASSERT_EQ(engine.ConvertPoint(c[0], 0, 0, &negative), S_OK);
    ASSERT_EQ(engine.ConvertPoint(c[1], 0, 0, &positive), S_OK);
    EXPECT_EQ(negative.utm, positive.utm);
    EXPECT_EQ(negative.mgrs, positive.mgrs);
    EXPECT_EQ(negative.dms, positive.dms);
    EXPECT_EQ(negative.utm.find(L'-'), std::wstring::npos) << Narrow(negative.utm);
    ConvertedLocation back;
    EXPECT_EQ(engine.ConvertText(negative.utm, 3, 0, 0, &back), S_OK) << Narrow(negative.utm);
    EXPECT_EQ(engine.ConvertText(negative.dms, 2, 0, 0, &back), S_OK) << Narrow(negative.dms);
  }
}

TEST(CoordinateEngineText, RefusesBadInputWithAFailureCode) {
  CoordinateEngine engine;
  const double nan = std::nan("");
  const GeoPoint badPoints[] = {{0.0, 90.000001}, {0.0, -90.5}, {180.000001, 0.0},
                                {-181.0, 0.0},    {nan, 10.0},  {10.0, nan}};
  for (const GeoPoint& p : badPoints) {
    ConvertedLocation r;
    EXPECT_EQ(engine.ConvertPoint(p, 0, 0, &r), E_INVALIDARG) << p.lat << " " << p.lon;
    EXPECT_TRUE(r.wgs84.IsEmpty());
    EXPECT_TRUE(r.datum.IsEmpty());
    EXPECT_TRUE(r.dms.empty() && r.utm.empty() && r.mgrs.empty());
  }
  ConvertedLocation r;
  EXPECT_EQ(engine.ConvertPoint({0, 0}, -1, 0, &r), E_INVALIDARG);
  EXPECT_EQ(engine.ConvertPoint({0, 0}, 0, 204, &r), E_INVALIDARG);
  EXPECT_EQ(engine.ConvertPoint({0, 0}, 0, 0, nullptr), E_POINTER);
  EXPECT_EQ(engine.ConvertText(L"403000.00N 0731500.00W", 1, 0, 0, &r), E_INVALIDARG);
  EXPECT_EQ(engine.ConvertText(L"403000.00N 0731500.00W", 5, 0, 0, &r), E_INVALIDARG);

  const struct {
    const wchar_t* text;
    int format;
  } badTexts[] = {
      {L"", 2},
      {L"abc", 2},
      {L"403000.00N", 2},              // one half
      {L"910000.00N 0000000.00E", 2},  // latitude beyond 90
      {L"900000.01N 0000000.00E", 2},
      {L"91 0", 2},
      {L"400000.00N 1800000.01E", 2},  // longitude beyond 180
      {L"10 181.5", 2},
      {L"406000.00N 0731500.00W", 2},  // minutes of 60
      {L"403060.00N 0731500.00W", 2},  // seconds of 60
      {L"403000.00N 0736000.00W", 2},
      {L"4060.5N 07315W", 2},
      {L"40.5E 73.25W", 2},  // east letter on the latitude
      {L"40.5N 73.25N", 2},
      {L"40.5N 73.25W x", 2},
      {L"40.5N73.25W", 2},  // no separator
      {L"", 3},
      {L"18T 585628", 3},
      {L"61T 585628 4511322", 3},  // zone 61
      {L"00T 585628 4511322", 3},
      {L"18I 585628 4511322", 3},   // I is no band
      {L"18C 585628 4511322", 3},   // band far from the latitude the position gives
      {L"18S 585628 4511322", 3},   // the next band down
      {L"18T 1585628 4511322", 3},  // easting outside the zone's range
      {L"18T 585628 9900000", 3},
      {L"18T -585628 4511322", 3},
      {L"18T 585628 4511322 9", 3},
      {L"1000000 1000000 Z", 3},  // outside the north polar range
      {L"2500000 2000000 Y", 3},  // Y is the west half
      {L"2000000 2000000 C", 3},  // not a polar letter
      {L"00I II 0000000000", 3},
      {L"", 4},
      {L"18T", 4},             // a grid zone alone is no location
      {L"18TWL856211322", 4},  // odd number of digits
      {L"18IWL8562811322", 4},
      {L"18TWL8562811322X", 4},
      {L"18TWL85628-11322", 4},
      {L"00I II 0000000000", 4},
      {L"INVALID", 4},
  };
  for (const auto& c : badTexts) {
    ConvertedLocation out;
    EXPECT_EQ(engine.ConvertText(c.text, c.format, 0, 0, &out), E_INVALIDARG)
        << Narrow(c.text) << " format " << c.format;
    EXPECT_TRUE(out.datum.IsEmpty());
  }
}

}  // namespace

TEST(CoordinateEngineText, WholeMetreUtmKeepsItsMetresInMgrs) {
  // Read through latitude/longitude, a whole-metre position comes back a hair either side of
  // its metre; the MGRS digits must still be the metres typed.
  CoordinateEngine engine;
  int checked = 0;
  for (double lat = -79.5; lat < 84; lat += 3.7) {
    for (double lon = -179.5; lon < 180; lon += 11.3) {
      ConvertedLocation first;
      ASSERT_EQ(engine.ConvertPoint({lon, lat}, 0, 0, &first), S_OK);
      ConvertedLocation again;
      ASSERT_EQ(engine.ConvertText(first.utm, 3, 0, 0, &again), S_OK) << Narrow(first.utm);
      std::wistringstream in(first.utm);
      std::wstring zone;
      long e = 0, n = 0;
      in >> zone >> e >> n;
      wchar_t digits[16];
      std::swprintf(digits, 16, L"%05ld%05ld", e % 100000, n % 100000);
      EXPECT_EQ(again.mgrs.substr(again.mgrs.size() - 10), digits)
          << Narrow(first.utm) << " -> " << Narrow(again.mgrs);
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000);
}
