// The host program starts a host of each kind and keeps settings across runs.
#include <gtest/gtest.h>

#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

const std::string kTrevik = VELK_BIN_DIR "/trevik";

TEST(TrevikSession, SettingsSurviveARestartOfTheHost) {
  TempRoot root;
  CommandResult first =
      RunCommand(kTrevik + " --root " + root.path() + " session map -- TerrainRefraction=0.25");
  ASSERT_EQ(first.status, 0) << first.err;
  for (const char* kind : {"map", "globe", "catalog"}) {
    CommandResult again = RunCommand(kTrevik + " --root " + root.path() + " session " + kind +
                                     " -- TerrainRefraction?");
    ASSERT_EQ(again.status, 0) << kind << ": " << again.err;
    EXPECT_NE(again.out.find("TerrainRefraction=0.25"), std::string::npos)
        << kind << ": " << again.out;
  }
}

TEST(TrevikSession, UnknownHostKindAndUnknownClassAreRefused) {
  TempRoot root;
  EXPECT_EQ(RunCommand(kTrevik + " --root " + root.path() + " session atlas").status, 2);
  CommandResult r =
      RunCommand(kTrevik + " --root " + root.path() + " session map -- velkTarvosUI.NoSuchCommand");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("velkTarvosUI.NoSuchCommand"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velk::test
