// The VPF export's output names: every level of a layer's tree path cleaned, so that no name
// leaves the chosen folder, and the name cleaner and text splitting of the export.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalog/vpf_export/export_names.h"

namespace velk::corvane {
namespace {

TEST(VpfExportNames, TheCleanerReplacesEachForbiddenCharacter) {
  EXPECT_EQ(MakeValidOutputName(L"", L"_"), L"autoname.txt");
  EXPECT_EQ(MakeValidOutputName(L"a/b:c\\d*e?f\"g>h<i|j", L"-x"), L"a-b-c-d-e-f-g-h-i-j");
  EXPECT_EQ(MakeValidOutputName(L"roads [lib1]", L"_"), L"roads [lib1]");
}

TEST(VpfExportNames, SplitFieldCountsDelimitersFromTheLeft) {
  EXPECT_EQ(SplitField(L"a|b|c", L'|', 0), L"a");
  EXPECT_EQ(SplitField(L"a|b|c", L'|', 1), L"b");
  EXPECT_EQ(SplitField(L"a|b|c", L'|', 2), L"c");
  EXPECT_EQ(SplitField(L"a|b|c", L'|', 3), L"");
  EXPECT_EQ(SplitField(L"a||c", L'|', 1), L"");
}

TEST(VpfExportNames, EveryLevelIsCleanedAndStaysInsideTheFolder) {
  struct Case {
    std::wstring path;
    std::wstring output;
  } cases[] = {
      {L"vmap|VMAP Level 0|Population|builtp [lib1]", L"/out/vmap/VMAP Level 0/Population/builtp [lib1]"},
      {L"vmap|VMAP|../a:b*", L"/out/vmap/VMAP/.._a_b_"},
      {L"vmap|..|..", L"/out/vmap/__/__"},
      {L"vmap|.|a/../../b", L"/out/vmap/_/a_.._.._b"},
      {L"v:1|x*y|name?", L"/out/v_1/x_y/name_"},
  };
  for (const auto& c : cases) {
    const FolderExportPlan plan = PlanFolderExport(L"/out", {c.path}, {true});
    ASSERT_EQ(plan.outputs.size(), 1u);
    const std::wstring& output = plan.outputs.begin()->first;
    EXPECT_EQ(output, c.output) << std::string(c.path.begin(), c.path.end());
    const auto normal = std::filesystem::path(output).lexically_normal().wstring();
    EXPECT_EQ(normal.rfind(L"/out/", 0), 0u) << std::string(normal.begin(), normal.end());
  }
}

// Entries whose names clean to one output each keep their own (none is dropped), and an output
// whose place holds a user's data already takes the next free name.
TEST(VpfExportNames, EveryEntryHasItsOwnOutputAndFoldersComeParentsFirst) {
  const FolderExportPlan plan = PlanFolderExport(
      L"/out", {L"v|a:b|x", L"v|a*b|x", L"v|c|y", L"v|c|z", L"v|c|Z", L"v|c|w"},
      {true, true, false, true, true, true},
      [](const std::wstring& path) { return path == L"/out/v/c/w"; });
  ASSERT_EQ(plan.outputs.size(), 5u);
  EXPECT_EQ(plan.outputs.at(L"/out/v/a_b/x"), 0u);
  EXPECT_EQ(plan.outputs.at(L"/out/v/a_b/x_2"), 1u);
  EXPECT_EQ(plan.outputs.at(L"/out/v/c/z"), 3u);
  EXPECT_EQ(plan.outputs.at(L"/out/v/c/Z_2"), 4u);
  EXPECT_EQ(plan.outputs.at(L"/out/v/c/w_2"), 5u);
  const std::vector<std::wstring> folders(plan.folders.begin(), plan.folders.end());
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"/out/v", L"/out/v/a_b", L"/out/v/c"}));
}

TEST(VpfExportNames, DatabaseNamesJoinDatasetAndClass) {
  EXPECT_EQ(DatabaseExportName(L"lib1:pop", L"builta"), L"lib1_pop_builta");
  EXPECT_EQ(DatabaseExportName(L"1lib:a b", L"c-d"), L"_1lib_a_b_c_d");
}

}  // namespace
}  // namespace velk::corvane
