// The coordinate tool in a `trevik run` session of the globe host with the real library:
// clicks and drags located on the globe, Convert with centring moving the camera, and the
// readout of the camera once the tool is no longer current, checked against the engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/com/text.h"
#include "platform/host/display/globe_display.h"
#include "platform/productline/coordinate_engine.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

using productline::ConvertedLocation;
using productline::CoordinateEngine;

const std::string kScript =
    std::string(VELK_SOURCE_DIR) + "/tests/apps/sessions/coord_tool_globe.session";

std::string Fixed6(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

class CoordToolGlobeSession : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempRoot;
    // The script names the library as it lies in the default build folder.
    const std::string script = std::regex_replace(
        ReadFileText(kScript), std::regex("build/lib/libCorvane\\.so"), kCorvaneLibrary);
    result = RunSession(*root, root->path(), "coord_tool_globe.session", script);
  }
  static void TearDownTestSuite() {
    delete root;
    root = nullptr;
  }
  static bool Has(const std::string& what) { return result.out.find(what) != std::string::npos; }

  static inline TempRoot* root = nullptr;
  static inline CommandResult result;
  CoordinateEngine engine;
};

TEST_F(CoordToolGlobeSession, ClicksAndDragsAreLocatedOnTheGlobe) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  // The first camera: 20000 km above (0, 0), so 100 pixels right of the centre.
  std::string lon = Fixed6(100 * host::GlobeDegreesPerPixel(20000.0));
  EXPECT_TRUE(Has("> globe-click 600 400\nevent ActivePointChanged wgs84 (" + lon +
                  ", 0.000000) datum (" + lon + ", 0.000000) map (" + lon + ", 0.000000)"))
      << result.out;
  EXPECT_TRUE(Has("  3109 edit \"" + lon + "\"")) << result.out;
  EXPECT_TRUE(Has("  globe lat 41.900000 lon 12.500000 alt 0.000000 km at 500 400")) << result.out;
  std::string dragged = Fixed6(12.5 + 111 * host::GlobeDegreesPerPixel(1000.0));
  EXPECT_TRUE(
      Has("> globe-move 611 400 left\nevent ActivePointChanged wgs84 (" + dragged + ", 41.900000)"))
      << result.out;
}

TEST_F(CoordToolGlobeSession, ConvertWithCentringPutsTheCameraOverThePoint) {
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertText(L"33TTG9171941574", productline::kFormatMgrs, 0, 0, &r), S_OK);
  std::string lat = Fixed6(r.wgs84.lat), lon = Fixed6(r.wgs84.lon);
  EXPECT_TRUE(Has("event NewPointEntered wgs84 (" + lon + ", " + lat + ")")) << result.out;
  EXPECT_TRUE(Has("  camera observer lat " + lat + " lon " + lon +
                  " alt 1000.000000 km target lat " + lat + " lon " + lon + " alt 0.000000 km"))
      << result.out;
}

TEST_F(CoordToolGlobeSession, WithAnotherToolTheReadoutShowsTheCamera) {
  EXPECT_TRUE(Has("  current tool none")) << result.out;
  EXPECT_TRUE(Has("> wait 50\n> print 3110\n  3110 edit \"-33.868800\"")) << result.out;
  EXPECT_TRUE(Has("  3109 edit \"151.209300\"")) << result.out;
}

}  // namespace
}  // namespace velk::test
