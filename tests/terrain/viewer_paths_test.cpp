// The 3-D viewer's plain parts: safe unique file names for layers, the look-around circle and
// its walk, the line path's densification and walk, and the dome steps the settings give.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "platform/com/text.h"
#include "terrain/viewer3d/ddd_viewer_dlg.h"
#include "terrain/viewer3d/flight_path.h"
#include "terrain/viewer3d/viewer_file_names.h"
#include "tests/fixtures/tool_output.h"

namespace velk::corvane {
namespace {

using test::ScratchDir;

TEST(ViewerFileNames, DisplayNamesBecomeSafeNamesInsideTheFolder) {
  ScratchDir dir;
  const std::wstring folder = FromUtf8(dir.path());
  struct Case {
    const wchar_t* display;
    const wchar_t* expected;
  } cases[] = {
      {L"../x:y", L"_x_y"},
      {L"..\\..\\etc\\passwd", L"_.._etc_passwd"},
      {L"Roads <main>", L"Roads _main_"},
      {L"  .hidden. ", L"hidden"},
      {L"", L"layer"},
      {L"...", L"layer"},
      {L"tab\there", L"tab_here"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeUniqueBaseName(c.display, folder), c.expected) << ToUtf8(c.display);
  ViewerFileNameOptions shortNames;
  shortNames.maxLength = 4;
  EXPECT_EQ(SafeUniqueBaseName(L"abcdefgh", folder, shortNames), L"abcd");
}

TEST(ViewerFileNames, ANameTakenInTheFolderGetsANumberWhateverItsCase) {
  ScratchDir dir;
  const std::wstring folder = FromUtf8(dir.path());
  std::ofstream(dir / "_x_y.shp") << "";
  std::ofstream(dir / "roads.dbf") << "";
  std::ofstream(dir / "roads_1.shp") << "";
  EXPECT_EQ(SafeUniqueBaseName(L"../x:y", folder), L"_x_y_1");
  EXPECT_EQ(SafeUniqueBaseName(L"Roads", folder), L"Roads_2");
  EXPECT_EQ(SafeUniqueBaseName(L"rivers", folder), L"rivers");
}

TEST(LookAround, ACircleOfFiveDegreeStepsClosesOnItsFirstPoint) {
  const auto points = LookAroundCircle({100, 200, 50});
  ASSERT_EQ(points.size(), 73u);
  EXPECT_DOUBLE_EQ(points.front().x, points.back().x);
  EXPECT_DOUBLE_EQ(points.front().y, points.back().y);
  for (const auto& p : points) {
    EXPECT_NEAR(std::hypot(p.x - 100, p.y - 200), 1000.0, 1e-9);
    EXPECT_EQ(p.z, 50);
  }
  EXPECT_NEAR(points[18].x, 100, 1e-9);  // 90 degrees: north of the centre
  EXPECT_NEAR(points[18].y, 1200, 1e-9);
  LookAroundOptions zero;
  zero.radius = 0;
  EXPECT_TRUE(LookAroundCircle({0, 0, 0}, zero).empty());
  LookAroundOptions noStep;
  noStep.stepRadians = -1;
  EXPECT_TRUE(LookAroundCircle({0, 0, 0}, noStep).empty());
}

TEST(LookAround, TheWalkTurnsAtBothEndsAndNeverVisitsTheRepeatedLastPoint) {
  PathWalk walk;
  std::vector<int> seen;
  for (int i = 0; i < 9; ++i) seen.push_back(StepLookAround(walk, 5));
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 3, 2, 1, 0, 0, 1}));
  PathWalk ten;
  for (int i = 0; i < 10; ++i) StepLookAround(ten, 73);
  EXPECT_EQ(ten.index, 10);
  PathWalk empty;
  EXPECT_EQ(StepLookAround(empty, 0), -1);
  EXPECT_EQ(StepLookAround(empty, 1), -1);
  EXPECT_EQ(empty.index, 0);
}

TEST(LinePath, DensifiedByTheLengthOverTheSmallerOfItsPointsAndFifty) {
  LinePath path;
  std::string why;
  ASSERT_TRUE(MakeLinePath({{0, 0, 0}, {100, 0, 0}}, {}, &path, &why));
  ASSERT_EQ(path.points.size(), 3u);  // 100 / min(2, 50) = 50 a segment
  EXPECT_DOUBLE_EQ(path.points[1].x, 50);
  EXPECT_NEAR(path.start.x, -0.01, 1e-12);  // 0.0001 of the length before the start
  EXPECT_NEAR(path.end.x, 100.01, 1e-12);

  std::vector<FlightPoint> many;
  for (int i = 0; i <= 100; ++i) many.push_back({i * 10.0, 0, 0});  // 101 points, 1000 long
  ASSERT_TRUE(MakeLinePath(many, {}, &path, &why));
  EXPECT_EQ(path.points.size(), 101u);  // 1000 / 50 = 20: every 10 m segment is short enough

  for (const auto& bad : {std::vector<FlightPoint>{}, std::vector<FlightPoint>{{1, 1, 0}},
                          std::vector<FlightPoint>{{1, 1, 0}, {1, 1, 0}}}) {
    why.clear();
    EXPECT_FALSE(MakeLinePath(bad, {}, &path, &why));
    EXPECT_FALSE(why.empty());
  }
}

TEST(LinePath, TheWalkGoesToTheEndPointBeyondTheLineAndBack) {
  LinePath path;
  std::string why;
  ASSERT_TRUE(MakeLinePath({{0, 0, 0}, {100, 0, 0}}, {}, &path, &why));
  PathWalk walk;
  FlightPoint current, next;
  std::vector<std::pair<double, double>> seen;
  for (int i = 0; i < 6; ++i) {
    StepLinePath(walk, path, &current, &next);
    seen.push_back({current.x, next.x});
  }
  const std::vector<std::pair<double, double>> expected = {
      {0, 50}, {50, 100}, {100, 100.01}, {100, 50}, {50, 0}, {0, -0.01}};
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_NEAR(seen[i].first, expected[i].first, 1e-9) << i;
    EXPECT_NEAR(seen[i].second, expected[i].second, 1e-9) << i;
  }
}

TEST(ViewerDomeSteps, SettingsThatWouldDivideByZeroOrGoNegativeFallBackToTenDegrees) {
  struct Case {
    double value, limit, expected;
  } cases[] = {{7, 360, 7},    {0, 360, 10},   {-5, 360, 10}, {NAN, 90, 10},
               {400, 360, 10}, {90, 90, 90},   {INFINITY, 90, 10}};
  for (const Case& c : cases) EXPECT_EQ(ViewerDomeStep(c.value, c.limit), c.expected) << c.value;
}

}  // namespace
}  // namespace velk::corvane
