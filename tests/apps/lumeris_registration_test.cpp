// The host program registers Lumeris, alone and beside Corvane, and removes it again.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/lumeris_classes.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {
namespace {

const std::string kTrevik = VELK_BIN_DIR "/trevik";
const std::string kCorvane = VELK_LIB_DIR "/libCorvane.so";
const std::string kLumeris = VELK_LIB_DIR "/libLumeris.so";

CommandResult Trevik(const TempRoot& root, const std::string& args) {
  return RunCommand(kTrevik + " --root " + root.path() + " " + args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::string Listed(const ExpectedClass& c) {
  return std::string(c.clsid) + "\t" + c.progId + "\t" + c.description + "\t" + c.categories;
}

TEST(LumerisRegistration, ListsTheFiveLayersAndUnregistersThemAll) {
  TempRoot root;
  CommandResult reg = Trevik(root, "register " + kLumeris);
  ASSERT_EQ(reg.status, 0) << reg.err;

  CommandResult classes = Trevik(root, "classes");
  ASSERT_EQ(classes.status, 0) << classes.err;
  std::vector<std::string> lines = Lines(classes.out);
  ASSERT_EQ(lines.size(), std::size(kLumerisClasses));
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], Listed(kLumerisClasses[i])) << "class " << kLumerisClasses[i].name;

  // Created through the registry by either ProgID, the raster layers need the host's layer
  // classes, which a plain `create` lacks.
  CommandResult create =
      Trevik(root, "create velkDrevane.ZelRasterLayer Lumeris.ZelReferencedRpfLayer.1");
  EXPECT_EQ(create.out,
            "velkDrevane.ZelRasterLayer\t0x80040154 REGDB_E_CLASSNOTREG\n"
            "Lumeris.ZelReferencedRpfLayer.1\t0x80040154 REGDB_E_CLASSNOTREG\n");

  CommandResult unreg = Trevik(root, "unregister " + kLumeris);
  ASSERT_EQ(unreg.status, 0) << unreg.err;
  EXPECT_EQ(Trevik(root, "classes").out, "");
  std::string file = ReadFileText(root.path() + "/registry.txt");
  for (const ExpectedClass& c : kLumerisClasses) {
    EXPECT_EQ(file.find(c.clsid), std::string::npos) << c.name << " left a key behind";
    EXPECT_EQ(file.find(c.progId), std::string::npos) << c.name;
  }
}

TEST(LumerisRegistration, BothLibrariesRegisterSideBySide) {
  TempRoot root;
  ASSERT_EQ(Trevik(root, "register " + kCorvane).status, 0);
  ASSERT_EQ(Trevik(root, "register " + kLumeris).status, 0);
  std::vector<std::string> lines = Lines(Trevik(root, "classes").out);
  ASSERT_EQ(lines.size(), std::size(kCorvaneClasses) + std::size(kLumerisClasses));
  for (std::size_t i = 0; i < std::size(kCorvaneClasses); ++i)
    EXPECT_EQ(lines[i], Listed(kCorvaneClasses[i]));
  for (std::size_t i = 0; i < std::size(kLumerisClasses); ++i)
    EXPECT_EQ(lines[std::size(kCorvaneClasses) + i], Listed(kLumerisClasses[i]));

  // Removing one library leaves the other's classes as they were.
  ASSERT_EQ(Trevik(root, "unregister " + kLumeris).status, 0);
  lines = Lines(Trevik(root, "classes").out);
  ASSERT_EQ(lines.size(), std::size(kCorvaneClasses));
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], Listed(kCorvaneClasses[i]));
}

}  // namespace
}  // namespace velk::test
