// The session examples of docs/session-scripts.md run as written: every fenced block that starts
// with a `host` line is played by `trevik run` in a fresh root and must run to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

const std::string kDoc = std::string(VELK_SOURCE_DIR) + "/docs/session-scripts.md";

struct Example {
  int line = 0;  // of the block's first line in the page
  std::string script;
};

std::vector<Example> ExamplesOf(const std::string& file) {
  std::ifstream in(file);
  std::vector<Example> examples;
  std::string text;
  bool inBlock = false;
  Example current;
  int number = 0;
  while (std::getline(in, text)) {
    ++number;
    if (text.rfind("```", 0) == 0) {
      if (inBlock && current.script.rfind("host ", 0) == 0) examples.push_back(current);
      inBlock = !inBlock;
      current = Example{number + 1, ""};
      continue;
    }
    if (inBlock) current.script += text + "\n";
  }
  return examples;
}

TEST(DocsSessions, EveryExampleOfThePageRuns) {
  std::vector<Example> examples = ExamplesOf(kDoc);
  ASSERT_GE(examples.size(), 2u) << "no examples found in " << kDoc;
  for (const Example& e : examples) {
    TempRoot root;
    // The page's examples name the library as it lies in the default build folder.
    std::string script =
        std::regex_replace(e.script, std::regex("build/lib/"), std::string(VELK_LIB_DIR) + "/");
    // The shared data beside the clone, wherever the test runs.
    if (script.find("../shared/data/") != std::string::npos) {
      VELK_REQUIRE(std::filesystem::exists(kSharedDtedCell),
                   "shared DTED cell not found: " + kSharedDtedCell);
      script = std::regex_replace(script, std::regex("\\.\\./shared/data/"),
                                  std::string(VELK_SHARED_DATA) + "/");
    }
    CommandResult r = RunSession(root, root.path(), "example.session", script);
    EXPECT_EQ(r.status, 0) << "the example at docs/session-scripts.md:" << e.line << "\n"
                           << r.err << r.out;
    // what the user sees at its end is there
    std::string last = script.substr(script.rfind('\n', script.size() - 2) + 1);
    last.pop_back();
    EXPECT_NE(r.out.find("> " + last), std::string::npos) << e.line << "\n" << r.out;
  }
}

}  // namespace
}  // namespace velk::test
