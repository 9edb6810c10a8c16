// The coordinate tool in a `trevik run` session with the real library: the window shown by a
// click, the readout on the clock, a snap to a point feature, a datum chosen, a typed MGRS text
// converted and the window hidden; the numbers shown are checked against the coordinate engine.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/com/text.h"
#include "platform/productline/coordinate_engine.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

using productline::ConvertedLocation;
using productline::CoordinateEngine;
using productline::GeoPoint;

const std::string kScript =
    std::string(VELK_SOURCE_DIR) + "/tests/apps/sessions/coord_tool.session";

std::string Fixed6(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

std::string Narrow(const std::wstring& s) { return ToUtf8(s); }

std::string WithoutSpaces(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
  return s;
}

// The session runs once; each test reads its part of the transcript.
class CoordToolSession : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root = new TempRoot;
    // The script names the library as it lies in the default build folder.
    const std::string script = std::regex_replace(
        ReadFileText(kScript), std::regex("build/lib/libCorvane\\.so"), kCorvaneLibrary);
    result = RunSession(*root, root->path(), "coord_tool.session", script);
  }
  static void TearDownTestSuite() {
    delete root;
    root = nullptr;
  }
  static bool Has(const std::string& what) { return result.out.find(what) != std::string::npos; }
  // The text a control showed at the n-th "print ID" after the line starting with `after`.
  static std::string Shown(const std::string& after, int id) {
    std::size_t from = result.out.find(after);
    if (from == std::string::npos) return "(no " + after + ")";
    std::string key = "  " + std::to_string(id) + " edit \"";
    std::size_t at = result.out.find(key, from);
    if (at == std::string::npos) return "(no " + key + ")";
    at += key.size();
    return result.out.substr(at, result.out.find('"', at) - at);
  }
  static std::string Event(const std::string& name, const std::string& after) {
    std::size_t from = result.out.find(after);
    std::size_t at = result.out.find("event " + name, from == std::string::npos ? 0 : from);
    if (at == std::string::npos) return "(no event " + name + ")";
    return result.out.substr(at, result.out.find('\n', at) - at);
  }

  static inline TempRoot* root = nullptr;
  static inline CommandResult result;
  CoordinateEngine engine;
};

TEST_F(CoordToolSession, RunsToTheEnd) {
  ASSERT_EQ(result.status, 0) << result.err << result.out;
  EXPECT_TRUE(Has("  velkTarvosUI.CoordToolDockable visible")) << result.out;
  EXPECT_TRUE(Has("event ToolActivated\nopened dialog 3047")) << result.out;
  EXPECT_TRUE(Has("  current tool velkTarvosUI.CoordTool")) << result.out;
}

TEST_F(CoordToolSession, TheReadoutFollowsTheMouseOnTheClockAndAgreesWithTheEngine) {
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Shown("> wait 49", 3110), "NONE") << "nothing before the tick";
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertPoint(GeoPoint{-74.5, 41.2}, 0, 0, &r), S_OK);
  EXPECT_EQ(Shown("> wait 1", 3110), Fixed6(r.datum.lat));
  EXPECT_EQ(Shown("> wait 1", 3109), Fixed6(r.datum.lon));
  EXPECT_EQ(Shown("> wait 1", 3074), Narrow(r.dms));
  EXPECT_EQ(Shown("> wait 1", 3106), Narrow(r.utm));
  EXPECT_EQ(WithoutSpaces(Shown("> wait 1", 3089)), Narrow(r.mgrs));
}

TEST_F(CoordToolSession, AClickNearATownSnapsToItAndTheListenerHearsThreePoints) {
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(
      Has("> map-click 502 549\nevent ActivePointChanged wgs84 (-74.000000, 40.500000) "
          "datum (-74.000000, 40.500000) map (-74.000000, 40.500000)\nbeep\n"))
      << result.out;

  // On North American 1927 the datum point moves; the WGS 84 and map points do not.
  std::vector<std::wstring> names = engine.DatumNames();
  auto it = std::find(names.begin(), names.end(), L"North American 1927, Mean Solution (CONUS)");
  ASSERT_NE(it, names.end());
  int nad27 = static_cast<int>(it - names.begin());
  std::wstring ellipsoid;
  engine.GetDatumEllipsoid(nad27, &ellipsoid);
  EXPECT_EQ(Shown("> print 3080", 3080), Narrow(ellipsoid));
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertPoint(GeoPoint{-73.5, 41.2}, 0, nad27, &r), S_OK);
  EXPECT_EQ(Event("ActivePointChanged", "> map-click 750 200"),
            "event ActivePointChanged wgs84 (-73.500000, 41.200000) datum (" + Fixed6(r.datum.lon) +
                ", " + Fixed6(r.datum.lat) + ") map (-73.500000, 41.200000)");
}

TEST_F(CoordToolSession, ATypedMgrsTextFillsTheOtherNotationsAndIsAnnounced) {
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Has("> print 3670\n  3670 button \"Convert\" default\n"))
      << "enabled by the valid text";
  ConvertedLocation r;
  ASSERT_EQ(engine.ConvertText(L"18TWL8562811322", 4, 0, 0, &r), S_OK);
  std::string w = "(" + Fixed6(r.wgs84.lon) + ", " + Fixed6(r.wgs84.lat) + ")";
  EXPECT_EQ(Event("NewPointEntered", "> press Convert"),
            "event NewPointEntered wgs84 " + w + " datum " + w + " map " + w);
  EXPECT_EQ(Shown("> press Convert", 3110), Fixed6(r.datum.lat));
  EXPECT_EQ(Shown("> press Convert", 3109), Fixed6(r.datum.lon));
  EXPECT_EQ(Shown("> press Convert", 3074), Narrow(r.dms));
  EXPECT_EQ(Shown("> press Convert", 3106), Narrow(r.utm));
  // the UTM text names the typed square itself, as GeoConvert's square centre 585628.5 lies in
  EXPECT_EQ(Shown("> press Convert", 3106), "18T 585628 4511322");
  EXPECT_EQ(WithoutSpaces(Shown("> press Convert", 3089)), Narrow(r.mgrs));
}

TEST_F(CoordToolSession, HidingTheWindowClearsTheHostsCurrentTool) {
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Has(
      "> dock hide velkTarvosUI.CoordToolDockable\nevent ToolDeactivated\nclosed dialog 3047 \"\"\n"
      "> print tool\n  current tool none\n"))
      << result.out;
  EXPECT_TRUE(Has("  velkTarvosUI.CoordToolDockable hidden")) << result.out;
}

}  // namespace
}  // namespace velk::test
