// The host program registers Corvane, lists its classes and removes them again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fixtures/corvane_classes.h"
#include "tests/fixtures/session_runner.h"
#include "tests/fixtures/temp_root.h"
#include "tests/fixtures/tool_output.h"

namespace velk::test {
namespace {

TEST(TrevikRegistration, ListsTheClassesInMapOrderAndUnregistersThemAll) {
  TempRoot root;
  CommandResult reg = RunTrevik(root, "register " + kCorvaneLibrary);
  ASSERT_EQ(reg.status, 0) << reg.err;

  CommandResult classes = RunTrevik(root, "classes");
  ASSERT_EQ(classes.status, 0) << classes.err;
  std::vector<std::string> lines = ClassLines(classes.out);
  ASSERT_EQ(lines.size(), std::size(kCorvaneClasses));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ExpectedClass& c = kCorvaneClasses[i];
    EXPECT_EQ(lines[i],
              std::string(c.clsid) + "\t" + c.progId + "\t" + c.description + "\t" + c.categories)
        << "class " << c.name;
  }

  // A registered class is created through the registry.
  CommandResult create = RunTrevik(root, "create velkTarvosUI.CreateZelLayer");
  EXPECT_NE(create.out.find("S_OK"), std::string::npos) << create.out;

  CommandResult unreg = RunTrevik(root, "unregister " + kCorvaneLibrary);
  ASSERT_EQ(unreg.status, 0) << unreg.err;
  EXPECT_EQ(ClassLines(RunTrevik(root, "classes").out), std::vector<std::string>{});
  std::string file = ReadFileText(root.path() + "/registry.txt");
  for (const ExpectedClass& c : kCorvaneClasses) {
    EXPECT_EQ(file.find(c.clsid), std::string::npos) << c.name << " left a key behind";
    EXPECT_EQ(file.find(std::string(c.progId) + "\n"), std::string::npos) << c.name;
  }
}

TEST(TrevikRegistration, RegistersOnlyTheMappedScripts) {
  TempRoot root;
  ASSERT_EQ(RunTrevik(root, "register " + kCorvaneLibrary).status, 0);
  std::string file = ReadFileText(root.path() + "/registry.txt");
  // Scripts the library carries but no class runs.
  for (const char* absent : {"{71941EBA-C9D5-4265-8F4D-F5C08F2AA63A}", "velkTarvosUI.Options\t",
                             "velkTarvosUI.SelectedLayerDdd", "Corvane.OptionsDlgGeneralTab"})
    EXPECT_EQ(file.find(absent), std::string::npos) << absent;
  // The embedded type library is not registered.
  EXPECT_EQ(file.find("TypeLib\\{07D46293"), std::string::npos);
}

TEST(TrevikRegistration, BadLibrariesAreReportedByName) {
  TempRoot root;
  ASSERT_EQ(RunTrevik(root, "register " + kCorvaneLibrary).status, 0);
  std::string before = ReadFileText(root.path() + "/registry.txt");

  CommandResult missing = RunTrevik(root, "register /nonexistent/libNothing.so");
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.err.find("/nonexistent/libNothing.so"), std::string::npos) << missing.err;

  // A real library without the registration entry point.
  CommandResult noExport = RunTrevik(root, "register " VELK_LIB_DIR "/libplatform.so");
  EXPECT_NE(noExport.status, 0);
  EXPECT_NE(noExport.err.find("velkDllRegisterServer"), std::string::npos) << noExport.err;

  EXPECT_EQ(ReadFileText(root.path() + "/registry.txt"), before);
}

TEST(TrevikRegistration, CorruptRegistryFileIsReportedAndKept) {
  TempRoot root;
  std::string path = root.path() + "/registry.txt";
  { std::ofstream(path) << "this is not a registry file\n{{{\n"; }
  std::string before = ReadFileText(path);
  CommandResult r = RunTrevik(root, "register " + kCorvaneLibrary);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("registry.txt"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileText(path), before);
}

}  // namespace
}  // namespace velk::test
