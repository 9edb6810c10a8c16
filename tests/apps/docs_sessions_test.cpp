// The session examples of docs/session-scripts.md run as written: every fenced block that starts
// with a `host` line is played by `trevik run` in a fresh root and must run to its end; the
// examples that write data are checked by what they wrote, read back with GDAL's ogrinfo.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

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

namespace fs = std::filesystem;

// The feature count ogrinfo reads of a vector file; -1 when it reads none.
int OgrFeatureCount(const fs::path& file) {
  const std::string info = ToolOutput("ogrinfo -ro -so -al " + ShellQuote(file.string()));
  const std::size_t at = info.find("Feature Count: ");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 15));
}

// The threat domes: one finished run whose dome and wireframe hold a feature per observer, its
// group on the globe with both layers.
void CheckThreatDomes(const std::string& folder, const CommandResult& r) {
  EXPECT_NE(r.out.find("  status \"Done\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"Threat Dome of cell\"\n     1. \"Wireframe\" unlit\n     2. \"Dome\" unlit"),
            std::string::npos)
      << r.out;
  int runs = 0;
  for (const auto& run : fs::directory_iterator(fs::path(folder) / "scratch" / "ThreatDome")) {
    if (!fs::exists(run.path() / "Dome.shp")) continue;
    ++runs;
    EXPECT_EQ(OgrFeatureCount(run.path() / "Dome.shp"), 2) << run.path();
    EXPECT_EQ(OgrFeatureCount(run.path() / "Wireframe.shp"), 2) << run.path();
  }
  EXPECT_EQ(runs, 1);
}

// The VPF export: a shapefile per feature class of the product, each with the product's
// features (two towns, one city, one road), under the layer's folder.
void CheckVpfExport(const std::string& folder, const CommandResult& r) {
  std::map<std::string, int> counts;
  const fs::path top = fs::path(folder) / "products";
  ASSERT_TRUE(fs::is_directory(top)) << r.out;
  for (const auto& f : fs::recursive_directory_iterator(top))
    if (f.path().extension() == ".shp") counts[f.path().stem().string()] = OgrFeatureCount(f.path());
  const std::map<std::string, int> expected = {{"Population points [east6]", 2},
                                               {"Population areas [east6]", 1},
                                               {"Transportation lines [east6]", 1}};
  EXPECT_EQ(counts, expected) << r.out;
}

// What an example wrote, by a command it runs.
struct OutputCheck {
  const char* command;
  void (*check)(const std::string& folder, const CommandResult& r);
};
const OutputCheck kOutputChecks[] = {
    {"click velkTarvosUI.ThreatDome\n", &CheckThreatDomes},
    {"click velkTarvosUI.VpfExport\n", &CheckVpfExport},
};

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
    for (const OutputCheck& c : kOutputChecks) {
      if (script.find(c.command) == std::string::npos) continue;
      SCOPED_TRACE("the example at docs/session-scripts.md:" + std::to_string(e.line));
      VELK_REQUIRE(!ProgramOnPath("ogrinfo").empty(), "ogrinfo is not installed");
      c.check(root.path(), r);
    }
  }
}

}  // namespace
}  // namespace velk::test
