// The host program registers Lumeris, alone and beside Corvane, and removes it again.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/lumeris_classes.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

std::string Listed(const ExpectedClass& c) {
  return std::string(c.clsid) + "\t" + c.progId + "\t" + c.description + "\t" + c.categories;
}

TEST(LumerisRegistration, ListsTheFiveLayersAndUnregistersThemAll) {
  TempRoot root;
  CommandResult reg = RunTrevik(root, "register " + kLumerisLibrary);
  ASSERT_EQ(reg.status, 0) << reg.err;

  CommandResult classes = RunTrevik(root, "classes");
  ASSERT_EQ(classes.status, 0) << classes.err;
  std::vector<std::string> lines = ClassLines(classes.out);
  ASSERT_EQ(lines.size(), std::size(kLumerisClasses));
  for (std::size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i], Listed(kLumerisClasses[i])) << "class " << kLumerisClasses[i].name;

  // Created through the registry by either ProgID: the host's own layer classes they build on
  // are there, as on a desktop where the host is installed.
  CommandResult create =
      RunTrevik(root, "create velkDrevane.ZelRasterLayer Lumeris.ZelReferencedRpfLayer.1");
  EXPECT_EQ(create.status, 0) << create.err;
  EXPECT_EQ(create.out,
            "velkDrevane.ZelRasterLayer\t0x00000000 S_OK\n"
            "Lumeris.ZelReferencedRpfLayer.1\t0x00000000 S_OK\n");

  CommandResult unreg = RunTrevik(root, "unregister " + kLumerisLibrary);
  ASSERT_EQ(unreg.status, 0) << unreg.err;
  EXPECT_EQ(ClassLines(RunTrevik(root, "classes").out), std::vector<std::string>{});
  std::string file = ReadFileText(root.path() + "/registry.txt");
  for (const ExpectedClass& c : kLumerisClasses) {
    EXPECT_EQ(file.find(c.clsid), std::string::npos) << c.name << " left a key behind";
    EXPECT_EQ(file.find(c.progId), std::string::npos) << c.name;
  }
}

TEST(LumerisRegistration, BothLibrariesRegisterSideBySide) {
  TempRoot root;
  ASSERT_EQ(RunTrevik(root, "register " + kCorvaneLibrary).status, 0);
  ASSERT_EQ(RunTrevik(root, "register " + kLumerisLibrary).status, 0);
  std::vector<std::string> lines = ClassLines(RunTrevik(root, "classes").out);
  ASSERT_EQ(lines.size(), std::size(kCorvaneClasses) + std::size(kLumerisClasses));
  for (std::size_t i = 0; i < std::size(kCorvaneClasses); ++i)
    EXPECT_EQ(lines[i], Listed(kCorvaneClasses[i]));
  for (std::size_t i = 0; i < std::size(kLumerisClasses); ++i)
    EXPECT_EQ(lines[std::size(kCorvaneClasses) + i], Listed(kLumerisClasses[i]));

  // Removing one library leaves the other's classes as they were.
  ASSERT_EQ(RunTrevik(root, "unregister " + kLumerisLibrary).status, 0);
  lines = ClassLines(RunTrevik(root, "classes").out);
  ASSERT_EQ(lines.size(), std::size(kCorvaneClasses));
  for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], Listed(kCorvaneClasses[i]));
}

}  // namespace
}  // namespace velk::test
