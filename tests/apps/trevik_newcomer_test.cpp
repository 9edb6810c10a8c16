// The host program as a new user meets it: its help and version, exit codes a shell can use,
// errors that say in words what failed and on what, every class created as on a desktop, Esc
// during a catalog load, a hillshade that asks before it replaces a raster, and the resource
// compiler in front of stray files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/dted_fixture.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/lumeris_classes.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

TEST(TrevikNewcomer, HelpVersionAndWrongCommandLines) {
  TempRoot root;
  const CommandResult help = RunTrevik(root, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(Has(help.out, "usage: trevik")) << help.out;
  EXPECT_EQ(help.err, "");

  const CommandResult version = RunTrevik(root, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("trevik ", 0), 0u) << version.out;

  struct Case {
    const char* args;
    const char* says;
  };
  for (const Case& c : {Case{"frobnicate", "unknown command 'frobnicate'"},
                        Case{"--colour", "unknown option '--colour'"}, Case{"", "usage: trevik"}}) {
    const CommandResult r = RunTrevik(root, c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_TRUE(Has(r.err, c.says)) << c.args << "\n" << r.err;
  }
}

// Errors name the step (script and line), what failed and on what, in words; the code, if
// any, comes after them.
TEST(TrevikNewcomer, ErrorsSayInWordsWhatFailedOnWhat) {
  TempRoot root;
  ScratchDir dir;
  std::ofstream(dir / "table.csv") << "a,b\n1,2\n";
  struct Case {
    std::string script;
    std::vector<std::string> says;
  };
  const Case cases[] = {
      {"add-raster {dir}/cell.dt0 cell\n",
       {"s.session:1: no host is running (start one with: host map)"}},
      {"host catalog\ncatalog-new /nonexistent/dir/x.gpkg c dted\n",
       {"s.session:2: cannot open the database /nonexistent/dir/x.gpkg: does not exist"}},
      {"host catalog\ncatalog-load {dir}/table.csv c dted {dir}\n",
       {"s.session:2: cannot open the database " + dir / "table.csv" +
        ": cannot be read as data of that kind"}},
  };
  for (const Case& c : cases) {
    const CommandResult r = RunSession(root, dir.path(), "s.session", c.script);
    EXPECT_EQ(r.status, 1) << c.script;
    for (const std::string& s : c.says) EXPECT_TRUE(Has(r.err, s)) << c.script << "\n" << r.err;
    EXPECT_FALSE(Has(r.err, ": 0x")) << "a code before the words\n" << r.err;
  }
}

// An error box ends the session with 1 and its text on stderr, as a command-line tool would;
// a script that meant it says `expect error`.
TEST(TrevikNewcomer, ASessionWhoseRunEndsInAnErrorBoxFails) {
  TempRoot root;
  ScratchDir dir;
  const std::string refused =
      "host map\nregister {lib}\nextension Tarvos on\n"
      "click velkTarvosUI.ConvertCoords\npress 3023\nfile {dir}/none.shp\n";
  const CommandResult r = RunSession(root, dir.path(), "s.session", refused + "press Cancel\n");
  EXPECT_EQ(r.status, 1) << r.err << r.out;
  EXPECT_TRUE(Has(r.err, "s.session:6: Error: Could not open input dataset")) << r.err;
  EXPECT_TRUE(Has(r.err, "the session ended in an error")) << r.err;

  const CommandResult expected =
      RunSession(root, dir.path(), "s.session", refused + "expect error \"input dataset\"\n");
  EXPECT_EQ(expected.status, 0) << expected.err << expected.out;

  const CommandResult none = RunSession(root, dir.path(), "s.session", "host map\nexpect error\n");
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(Has(none.err, "expected an error message, none was shown")) << none.err;
}

// `create` sees the host's own classes, as a desktop with the host installed does.
TEST(TrevikNewcomer, EveryClassOfBothLibrariesIsCreated) {
  TempRoot root;
  ASSERT_EQ(RunTrevik(root, "register " + kCorvaneLibrary + " " + kLumerisLibrary).status, 0);
  std::string progIds;
  for (const ExpectedClass& c : kCorvaneClasses) progIds += std::string(" ") + c.progId;
  for (const ExpectedClass& c : kLumerisClasses) progIds += std::string(" ") + c.progId;
  const CommandResult r = RunTrevik(root, "create" + progIds);
  EXPECT_EQ(r.status, 0) << r.err;
  std::size_t created = 0;
  for (std::size_t at = r.out.find("\t0x00000000 S_OK\n"); at != std::string::npos;
       at = r.out.find("\t0x00000000 S_OK\n", at + 1))
    ++created;
  EXPECT_EQ(created, std::size(kCorvaneClasses) + std::size(kLumerisClasses)) << r.out;

  // `classes` lists the host's own classes after the libraries', as the registry of a desktop
  // with the host installed does: the extension manager and the running application among them.
  const CommandResult classes = RunTrevik(root, "classes");
  EXPECT_EQ(classes.status, 0) << classes.err;
  EXPECT_EQ(ClassLines(classes.out).size(),
            std::size(kCorvaneClasses) + std::size(kLumerisClasses));
  const std::vector<std::string> host = ClassLines(classes.out, true);
  for (const char* clsid :
       {"{6120BC0A-3D90-4274-97CA-713C41F1FAFF}", "{86D889B1-9840-40D8-A13A-5DBB6C20D733}"})
    EXPECT_NE(std::find(host.begin(), host.end(), std::string(clsid) + "\t\thost class\t"),
              host.end())
        << clsid << "\n"
        << classes.out;
}

// Esc while a catalog load runs stops it through the host's cancel tracker; the session says
// the user cancelled.
TEST(TrevikNewcomer, EscapeDuringACatalogLoad) {
  TempRoot root;
  ScratchDir dir;
  for (int lon = 0; lon < 12; ++lon)
    ASSERT_TRUE(MakeDtedCell(DtedCellPath(dir / "dted", lon, 0, 0), lon, 0, 0));
  const CommandResult r = RunSession(root, dir.path(), "s.session", R"(host catalog
catalog-new {dir}/zel.gpkg cells dted
escape-during-next 1
catalog-load {dir}/zel.gpkg cells dted {dir}/dted
)");
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "  event Loading was cancelled")) << r.out;
  EXPECT_TRUE(Has(r.out, "  event Cancelled: added ")) << r.out;
  EXPECT_FALSE(Has(r.out, "  event Added 12 ")) << r.out;
  EXPECT_TRUE(Has(r.err, "the user cancelled a run (Esc)")) << r.err;
}

// A named hillshade output that exists is replaced only when the user says yes.
TEST(TrevikNewcomer, HillshadeAsksBeforeReplacingARaster) {
  TempRoot root;
  ScratchDir dir;
  ASSERT_TRUE(MakeDtedCell(dir / "cell.dt0", 6, 0, 0));
  fs::create_directories(dir / "out");
  const std::string start = R"(host map
register {lib}
extension Tarvos on
extension Quentara on
add-raster {dir}/cell.dt0 cell
click velkTarvosUI.Hillshade
pick 3542 cell
set 3099 {dir}/out/shade
)";
  CommandResult r = RunSession(root, dir.path(), "s.session", start + "press OK\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const std::string first = ReadFileText(dir / "out/shade.tif");
  ASSERT_FALSE(first.empty());

  r = RunSession(root, dir.path(), "s.session",
                 start + "set 3070 90\npress OK\nanswer No\nprint windows\npress Cancel\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_TRUE(Has(r.out, "\"Data with the same name exists. Overwrite?\" (question, Yes/No) -> No"))
      << r.out;
  EXPECT_EQ(ReadFileText(dir / "out/shade.tif"), first);

  r = RunSession(root, dir.path(), "s.session", start + "set 3070 90\npress OK\nanswer Yes\n");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(ReadFileText(dir / "out/shade.tif"), first);
  EXPECT_EQ(FilesIn(dir / "out"), std::vector<std::string>{"shade.tif"});
  // Nothing of the runs is left in the work folder: no copy of the named result, no claim.
  EXPECT_EQ(FilesIn(root.path() + "/scratch/Hillshade"), std::vector<std::string>{});
}

// The resource compiler takes the kinds it knows and leaves other files out; a file of a known
// kind it cannot place stops it with the file's name.
TEST(TrevikNewcomer, TheResourceCompilerTakesOnlyResourceKinds) {
  ScratchDir dir;
  const std::string res = dir / "res";
  fs::create_directories(res + "/bitmaps");
  fs::create_directories(res + "/dialogs");
  std::ofstream(res + "/strings.txt") << "100\tHello\n";
  std::ofstream(res + "/bitmaps/3021.bmp") << "BM-bitmap";
  std::ofstream(res + "/bitmaps/3021.bmp.aux.xml") << "<PAMDataset/>";  // GDAL's sidecar
  std::ofstream(res + "/dialogs/3053.dlg") << "dialog";
  std::ofstream(res + "/dialogs/3053.dlg~") << "editor backup";
  std::ofstream(res + "/dialogs/3053.dlg.orig") << "merge leftover";
  const std::string script = std::string(VELK_SOURCE_DIR) + "/cmake/EmbedResources.cmake";
  const std::string out = dir / "out.cpp";
  auto compile = [&] {
    return RunCommand("cmake -DDIR=" + ShellQuote(res) + " -DOUT=" + ShellQuote(out) +
                      " -DSYMBOL=test -P " + ShellQuote(script));
  };
  CommandResult r = compile();
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string table = ReadFileText(out);
  // Entries are {type, name, bytes, size}: the three resources and nothing else.
  EXPECT_TRUE(Has(table, "{\"strings\", \"\", d")) << table;
  EXPECT_TRUE(Has(table, "{\"BITMAPS\", \"3021\", d")) << table;
  EXPECT_TRUE(Has(table, "{\"DIALOGS\", \"3053\", d")) << table;
  std::size_t entries = 0;
  for (std::size_t at = table.find("  {\""); at != std::string::npos;
       at = table.find("  {\"", at + 1))
    ++entries;
  EXPECT_EQ(entries, 3u) << table;

  for (const char* misplaced : {"dialogs/3021.bmp", "bitmaps/x.y.bmp", "bitmaps/3021-copy.bmp"}) {
    std::ofstream(res + "/" + misplaced) << "BM";
    r = compile();
    EXPECT_NE(r.status, 0) << misplaced;
    EXPECT_TRUE(Has(r.err, misplaced)) << misplaced << "\n" << r.err;
    fs::remove(res + "/" + misplaced);
  }
}

}  // namespace
}  // namespace velk::test
