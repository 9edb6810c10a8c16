// The host program used carelessly: scripts with odd line endings and blank characters, a
// user locale that writes numbers with a comma, output that cannot be written, a folder given
// as a script, no home folder, two registrations on one root at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

class TrevikCarelessUse : public ::testing::Test {
 protected:
  // env: variables for the program's environment ("NAME=value ...").
  CommandResult Run(const std::string& text, const std::string& env = "") {
    return RunSession(root, root.path(), "test.session", text, env);
  }
  TempRoot root;
};

TEST_F(TrevikCarelessUse, LineEndingsAndBlankCharactersReadAlike) {
  // The same three actions; the transcript of the plain LF text is the reference.
  const std::string plain = "host map\nadd-layer \"dted A\" IZelDtedLayer\n\nprint layers\n";
  CommandResult reference = Run(plain);
  ASSERT_EQ(reference.status, 0) << reference.err;
  ASSERT_NE(reference.out.find("  1. \"dted A\""), std::string::npos) << reference.out;

  const char* variants[] = {
      "host map\r\nadd-layer \"dted A\" IZelDtedLayer\r\n\r\nprint layers\r\n",
      "host map\radd-layer \"dted A\" IZelDtedLayer\r\rprint layers\r",
      "host map\r\r\nadd-layer \"dted A\" IZelDtedLayer\r\r\n\r\r\nprint layers\r\r\n",
      "host map\n\f\nadd-layer \"dted A\" IZelDtedLayer\n\v\nprint layers",
      "\r\nhost map\n\t \f\v\r\nadd-layer \"dted A\" IZelDtedLayer\f\nprint layers\n",
  };
  for (const char* v : variants) {
    CommandResult r = Run(v);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, reference.out) << "script bytes differ only in line ends and blanks";
  }
}

TEST_F(TrevikCarelessUse, ALineOfOnlyAFormFeedIsBlank) {
  for (const char* line : {"\f", "\v", "\r"}) {
    CommandResult r = Run(std::string("host map\n") + line + "\nprint layers\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  no layers"), std::string::npos) << r.out;
  }
}

// A German locale made for the test (numbers with a decimal comma): the script's numbers keep
// their '.' once the library has set the user's locale.
TEST_F(TrevikCarelessUse, ScriptNumbersIgnoreTheUsersLocale) {
  std::string locales = root.path() + "/locales";
  std::filesystem::create_directories(locales);
  CommandResult made = RunCommand("localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8");
  VELK_REQUIRE(made.status == 0 || made.status == 1,
               "localedef cannot make a German locale here: " + made.err);
  VELK_REQUIRE(std::filesystem::exists(locales + "/de_DE.UTF-8"), "no German locale was made");
  const std::string env = "LOCPATH=" + locales + " LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 ";
  // The locale really takes effect: its decimal symbol is a comma.
  CommandResult probe = RunCommand(env + "locale decimal_point");
  VELK_REQUIRE(probe.out == ",\n", "the German locale does not take effect: " + probe.out);

  CommandResult r = Run("host map\nregister " + kCorvaneLibrary +
                            "\nmap-reference 4326\nmap-extent -75 40 -73 41.6\nprint view\n",
                        env);
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("  view -75.000000 "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(','), std::string::npos) << "numbers are written with '.' too\n" << r.out;
}

TEST_F(TrevikCarelessUse, OutputThatCannotBeWrittenFailsTheRun) {
  VELK_REQUIRE(std::filesystem::exists("/dev/full"), "no /dev/full here");
  CommandResult save = Run("host map\nprint layers\nsave /dev/full\n");
  EXPECT_EQ(save.status, 1);
  EXPECT_NE(save.err.find("cannot write /dev/full: disk full"), std::string::npos) << save.err;

  ASSERT_EQ(RunTrevik(root, "register " + kCorvaneLibrary).status, 0);
  CommandResult classes = RunTrevik(root, "classes >/dev/full");
  EXPECT_NE(classes.status, 0);
  EXPECT_NE(classes.err.find("cannot write the output: disk full"), std::string::npos)
      << classes.err;

  // A save replaces an earlier transcript with the complete new one.
  std::string kept = root.path() + "/kept.txt";
  std::ofstream(kept) << "earlier transcript\n";
  CommandResult good = Run("host map\nsave " + kept + "\n");
  ASSERT_EQ(good.status, 0) << good.err;
  EXPECT_NE(ReadFileText(kept).find("> host map"), std::string::npos);
}

// Two `trevik register` runs on one root at once: each keeps the other's classes, round after
// round, and both succeed.
TEST_F(TrevikCarelessUse, TwoRegistrationsAtOnceKeepEachOthersClasses) {
  auto lines = [](const std::string& text) { return static_cast<int>(ClassLines(text).size()); };
  int expected = 0;
  for (const std::string& lib : {kCorvaneLibrary, kLumerisLibrary}) {
    TempRoot alone;
    ASSERT_EQ(RunTrevik(alone, "register " + lib).status, 0);
    expected += lines(RunTrevik(alone, "classes").out);
  }
  for (int round = 0; round < 5; ++round) {
    TempRoot shared;
    const std::string reg = TrevikCommand(shared) + " register ";
    CommandResult both =
        RunCommand("(" + reg + kCorvaneLibrary + " & a=$!; " + reg + kLumerisLibrary +
                   " & b=$!; wait $a || exit 1; wait $b || exit 2)");
    EXPECT_EQ(both.status, 0) << "round " << round << ": " << both.err;
    CommandResult classes = RunTrevik(shared, "classes");
    EXPECT_EQ(lines(classes.out), expected) << "round " << round;
  }
}

TEST_F(TrevikCarelessUse, AFolderIsNotAScript) {
  CommandResult r = RunTrevik(root, "run " + root.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("is a folder, not a session script"), std::string::npos) << r.err;
}

TEST_F(TrevikCarelessUse, WithoutAHomeNothingIsMadeInTheCurrentFolder) {
  std::string cwd = root.path() + "/cwd";
  std::filesystem::create_directories(cwd);
  CommandResult r =
      RunCommand("cd " + cwd + " && env -u HOME -u TREVIK_HOME " + kTrevikProgram + " classes");
  EXPECT_FALSE(std::filesystem::exists(cwd + "/.trevik"));
  EXPECT_FALSE(std::filesystem::exists(cwd + "/registry.txt"));
  if (r.status != 0) {
    EXPECT_NE(r.err.find("root"), std::string::npos) << "a refusal says why: " << r.err;
  }
}

}  // namespace
}  // namespace velk::test
