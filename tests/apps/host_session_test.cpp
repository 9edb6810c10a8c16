// The host program starts a host of each kind and keeps settings across runs.
#include <gtest/gtest.h>

#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

TEST(TrevikSession, SettingsSurviveARestartOfTheHost) {
  TempRoot root;
  CommandResult first = RunTrevik(root, "session map -- TerrainRefraction=0.25");
  ASSERT_EQ(first.status, 0) << first.err;
  for (const char* kind : {"map", "globe", "catalog"}) {
    CommandResult again =
        RunTrevik(root, std::string("session ") + kind + " -- TerrainRefraction?");
    ASSERT_EQ(again.status, 0) << kind << ": " << again.err;
    EXPECT_NE(again.out.find("TerrainRefraction=0.25"), std::string::npos)
        << kind << ": " << again.out;
  }
}

TEST(TrevikSession, UnknownHostKindAndUnknownClassAreRefused) {
  TempRoot root;
  EXPECT_EQ(RunTrevik(root, "session atlas").status, 2);
  CommandResult r = RunTrevik(root, "session map -- velkTarvosUI.NoSuchCommand");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("velkTarvosUI.NoSuchCommand"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velk::test
