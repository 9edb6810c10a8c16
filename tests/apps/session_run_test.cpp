// `trevik run SESSION` as a user runs it: the transcript on standard output, errors naming the
// script line on standard error, the exit status.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

class TrevikRun : public ::testing::Test {
 protected:
  CommandResult Run(const std::string& script) {
    return RunSession(root, root.path(), "test.session", script);
  }
  TempRoot root;
};

TEST_F(TrevikRun, PrintsWhatTheUserSees) {
  CommandResult r = Run(R"(host map
add-layer "dted A" IZelDtedLayer
add-layer "chart B" IZelRasterLayer invalid
print layers
wait 120
print clock
print windows
)");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("host map (Trevik)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  1. \"chart B\" invalid\n  2. \"dted A\"\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  clock 120 ms"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  no dialogs"), std::string::npos) << r.out;
}

TEST_F(TrevikRun, StopsAtTheFailingLine) {
  struct Case {
    const char* script;
    const char* error;
  };
  const Case cases[] = {
      {"host map\n\nfly away\nprint layers\n", "test.session:3: unknown action 'fly'"},
      {"host map\npress OK\n", "test.session:2: no dialog is open"},
      {"host map\nclick velkTarvosUI.NoSuchCommand\n",
       "test.session:2: cannot create velkTarvosUI.NoSuchCommand"},
  };
  for (const Case& c : cases) {
    CommandResult r = Run(c.script);
    EXPECT_EQ(r.status, 1) << c.script;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << c.script << "\n" << r.err;
    EXPECT_EQ(r.out.find("> print layers"), std::string::npos)
        << "nothing runs after the failing line";
  }
}

TEST_F(TrevikRun, AMissingScriptIsReported) {
  CommandResult r = RunTrevik(root, "run " + root.path() + "/missing.session");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cannot read the session script"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velk::test
