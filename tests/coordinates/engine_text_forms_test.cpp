// The texts the coordinate engine writes pass the coordinate parsers unchanged, and the parsed
// texts lead the engine back to the same place.
#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

#include <random>
#include <string>

#include "platform/productline/coordinate_engine.h"
#include "tests/coordinates/coordinate_test_support.h"

namespace velk::corvane {
namespace {

using productline::ConvertedLocation;
using productline::CoordinateEngine;
using productline::GeoPoint;

TEST(EngineTextForms, ParsersAcceptTheEngineTextsAsTheyAre) {
  testing::DmsParser dms;
  testing::UtmParser utm;
  testing::MgrsParser mgrs;
  CoordinateEngine engine;
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> unit(-1.0, 1.0), lon(-180.0, 180.0);
  const int datums[] = {0, 1, 107, 204 - 1};
  for (int d : datums) {
    for (int i = 0; i < 300; ++i) {
      GeoPoint p{lon(rng), std::asin(unit(rng)) * 180.0 / M_PI};
      if (i % 10 == 0) p.lat = (i % 20 == 0 ? 1 : -1) * (85.0 + i % 5);  // polar
      ConvertedLocation r;
      ASSERT_EQ(engine.ConvertPoint(p, d, d, &r), S_OK);
      struct {
        std::wstring text;
        std::wstring parsed;
        bool valid;
        int format;
      } forms[3];
      forms[0].text = r.dms;
      forms[0].parsed = dms.Parse(r.dms, forms[0].valid);
      forms[0].format = 2;
      forms[1].text = r.utm;
      forms[1].parsed = utm.Parse(r.utm, forms[1].valid);
      forms[1].format = 3;
      forms[2].text = r.mgrs;
      forms[2].parsed = mgrs.Parse(r.mgrs, forms[2].valid);
      forms[2].format = 4;
      for (const auto& f : forms) {
        ASSERT_TRUE(f.valid) << std::string(f.text.begin(), f.text.end());
        if (f.format != 4) {
          EXPECT_EQ(f.parsed, f.text);  // MGRS gains its display spaces
        }
        ConvertedLocation again;
        ASSERT_EQ(engine.ConvertText(f.parsed, f.format, d, d, &again), S_OK)
            << std::string(f.parsed.begin(), f.parsed.end());
        double metres = 0;
        GeographicLib::Geodesic::WGS84().Inverse(p.lat, p.lon, again.datum.lat, again.datum.lon,
                                                 metres);
        EXPECT_LT(metres, 1.0) << std::string(f.parsed.begin(), f.parsed.end());
      }
    }
  }
}

}  // namespace
}  // namespace velk::corvane
