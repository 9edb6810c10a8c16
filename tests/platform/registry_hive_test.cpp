// Saved keys are registry hive files: hivex's own tools read what the registry saves, and a
// restore takes a hive only when the whole file reads.
#include <gtest/gtest.h>
#include <hivex.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/com/text.h"
#include "platform/registry/hive_file.h"
#include "platform/registry/registry_file.h"
#include "platform/registry/registry.h"
#include "tests/fixtures/requirement.h"
#include "tests/fixtures/tool_output.h"

namespace fs = std::filesystem;
using namespace velk::reg;
using velk::test::ToolOutput;

namespace {

class RegistryHiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velk-hive-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    SetHostRoot(root_.string());
  }
  void TearDown() override { fs::remove_all(root_); }

  static std::string Run(const std::string& command) { return ToolOutput(command); }
  static bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
  }
  static std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  HKEY OpenSettings() {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    return k;
  }

  static constexpr const wchar_t* kKey = L"Software\\Velk\\Tarvos\\10.0.0.0";
  fs::path root_;
};

TEST_F(RegistryHiveTest, HiveToolsReadTheSavedKey) {
  VELK_REQUIRE(HaveTool("hivexsh") && HaveTool("hivexget"), "hivex tools (libhivex-bin) missing");
  const std::wstring key = kKey;
  ASSERT_EQ(WriteDword(Hive::CurrentUser, key + L"\\General", L"GeneralDistanceUnits", 5),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, key + L"\\General", L"GeneralOutputWorkspacePath",
                        L"/data/out \u00e9"),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, key + L"\\Terrain", L"TerrainRefraction", L"0.25"),
            ERROR_SUCCESS);
  HKEY k = OpenSettings();
  const fs::path file = root_ / "saved.zelo";
  ASSERT_EQ(RegSaveKeyW(k, velk::FromUtf8(file.string()).c_str(), nullptr), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(ReadFile(file).substr(0, 4), "regf");

  // The shell lists the areas; hivexget gives each value as it was written.
  const std::string listing =
      Run("printf 'ls\\ncd General\\nlsval\\n' | hivexsh '" + file.string() + "' 2>&1");
  EXPECT_NE(listing.find("General"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Terrain"), std::string::npos) << listing;
  EXPECT_NE(listing.find("\"GeneralDistanceUnits\"=dword:00000005"), std::string::npos) << listing;
  EXPECT_EQ(Run("hivexget '" + file.string() + "' '\\General' GeneralOutputWorkspacePath"),
            "/data/out \u00e9\n");
  EXPECT_EQ(Run("hivexget '" + file.string() + "' '\\Terrain' TerrainRefraction"), "0.25\n");
}

TEST_F(RegistryHiveTest, ValueKindsComeBackFromTheHive) {
  const std::wstring key = kKey;
  Value multi;
  multi.type = REG_MULTI_SZ;
  multi.text = std::wstring(L"one") + L'\0' + L"two";
  Value binary;
  binary.type = REG_BINARY;
  binary.bytes = std::string("\x00\x01\xff\x7f", 4);
  Value expand;
  expand.type = REG_EXPAND_SZ;
  expand.text = L"%HOME%\\maps";
  ASSERT_EQ(WriteValue(Hive::CurrentUser, key, L"Multi", multi), ERROR_SUCCESS);
  ASSERT_EQ(WriteValue(Hive::CurrentUser, key, L"Binary", binary), ERROR_SUCCESS);
  ASSERT_EQ(WriteValue(Hive::CurrentUser, key, L"Expand", expand), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(Hive::CurrentUser, key, L"", L"default"), ERROR_SUCCESS);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, key + L"\\A\\B\\C", L"Deep", 0xFFFFFFFF), ERROR_SUCCESS);
  HKEY k = OpenSettings();
  const fs::path file = root_ / "kinds.zelo";
  ASSERT_EQ(RegSaveKeyW(k, velk::FromUtf8(file.string()).c_str(), nullptr), ERROR_SUCCESS);
  ASSERT_EQ(DeleteTree(Hive::CurrentUser, key), ERROR_SUCCESS);
  RegCloseKey(k);
  k = OpenSettings();
  ASSERT_EQ(RegRestoreKeyW(k, velk::FromUtf8(file.string()).c_str(), REG_FORCE_RESTORE),
            ERROR_SUCCESS);
  RegCloseKey(k);
  SetHostRoot(root_.string());
  Value v;
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"Multi", v));
  EXPECT_EQ(v.type, REG_MULTI_SZ);
  EXPECT_EQ(v.text, multi.text);
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"Binary", v));
  EXPECT_EQ(v.type, REG_BINARY);
  EXPECT_EQ(v.bytes, binary.bytes);
  ASSERT_TRUE(ReadValue(Hive::CurrentUser, key, L"Expand", v));
  EXPECT_EQ(v.type, REG_EXPAND_SZ);
  EXPECT_EQ(v.text, expand.text);
  std::wstring s;
  ASSERT_TRUE(ReadString(Hive::CurrentUser, key, L"", s));
  EXPECT_EQ(s, L"default");
  DWORD n = 0;
  ASSERT_TRUE(ReadDword(Hive::CurrentUser, key + L"\\A\\B\\C", L"Deep", n));
  EXPECT_EQ(n, 0xFFFFFFFFu);
}

TEST_F(RegistryHiveTest, ACutHiveIsRefusedWhole) {
  const std::wstring key = kKey;
  // Enough values to take the hive past its first bin, so a cut can fall between bins.
  for (int i = 0; i < 150; ++i)
    ASSERT_EQ(WriteString(Hive::CurrentUser, key + L"\\Area" + std::to_wstring(i % 7),
                          L"Value" + std::to_wstring(i), std::wstring(40, L'x')),
              ERROR_SUCCESS);
  HKEY k = OpenSettings();
  const fs::path file = root_ / "big.zelo";
  ASSERT_EQ(RegSaveKeyW(k, velk::FromUtf8(file.string()).c_str(), nullptr), ERROR_SUCCESS);
  const std::string full = ReadFile(file);
  ASSERT_GT(full.size(), 0x3000u);
  ASSERT_EQ(WriteDword(Hive::CurrentUser, key, L"Marker", 7), ERROR_SUCCESS);
  const std::string before = ReadFile(root_ / "registry.txt");
  for (std::size_t cut : {std::size_t{100}, std::size_t{0x1000}, std::size_t{0x2000},
                          full.size() - 0x1000, full.size() - 1}) {
    const fs::path part = root_ / "part.zelo";
    std::ofstream(part, std::ios::binary | std::ios::trunc) << full.substr(0, cut);
    EXPECT_EQ(RegRestoreKeyW(k, velk::FromUtf8(part.string()).c_str(), REG_FORCE_RESTORE),
              ERROR_BADDB)
        << "cut at " << cut;
  }
  EXPECT_EQ(ReadFile(root_ / "registry.txt"), before);
  RegCloseKey(k);
}

// A hive whose keys nest `levels` deep below its root, built with hivex one level at a time.
bool WriteNestedHive(const fs::path& file, int levels) {
  velk::reg::detail::Node root;
  root.name = L"ROOT";
  std::string bytes, why;
  if (!velk::reg::detail::FormatHive(root, bytes, why)) return false;
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  hive_h* h = hivex_open(file.c_str(), HIVEX_OPEN_WRITE);
  if (!h) return false;
  hive_node_h at = hivex_root(h);
  for (int i = 0; i < levels && at; ++i) at = hivex_node_add_child(h, at, "General");
  const bool ok = at && hivex_commit(h, nullptr, 0) == 0;
  hivex_close(h);
  return ok;
}

// A hive nested deeper than the registry can hold below the key is refused at load, whatever
// its depth, and the registry file stays readable; one that fits is taken whole. A FIFO under
// the file's name is refused at once instead of waited on.
TEST_F(RegistryHiveTest, HostileHivesAreRefusedAtLoad) {
  const std::wstring key = kKey;  // four levels below the user's hive
  HKEY k = OpenSettings();
  const struct {
    int levels;
    LSTATUS expected;
  } cases[] = {{509, ERROR_BADDB}, {508, ERROR_SUCCESS}, {600, ERROR_BADDB}, {20000, ERROR_BADDB}};
  for (const auto& c : cases) {
    const fs::path file = root_ / ("nested" + std::to_string(c.levels) + ".zelo");
    ASSERT_TRUE(WriteNestedHive(file, c.levels)) << c.levels;
    const std::string before = ReadFile(root_ / "registry.txt");
    EXPECT_EQ(RegRestoreKeyW(k, velk::FromUtf8(file.string()).c_str(), REG_FORCE_RESTORE),
              c.expected)
        << c.levels;
    if (c.expected != ERROR_SUCCESS) {
      EXPECT_TRUE(ReadFile(root_ / "registry.txt") == before) << c.levels;
      continue;
    }
    std::wstring deepest = key;
    for (int i = 0; i < c.levels; ++i) deepest += L"\\General";
    EXPECT_TRUE(KeyExists(Hive::CurrentUser, deepest));
    // The registry file with the restored keys reads back on the next start.
    std::vector<velk::reg::detail::Node> trees;
    std::string error;
    EXPECT_TRUE(velk::reg::detail::ParseTrees(ReadFile(root_ / "registry.txt"), "trevik-registry 1",
                                              {L"HKCR", L"HKCU", L"HKLM"}, trees, error))
        << error;
  }
  const fs::path fifo = root_ / "fifo.zelo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RegRestoreKeyW(k, velk::FromUtf8(fifo.string()).c_str(), REG_FORCE_RESTORE),
            ERROR_BADDB);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  RegCloseKey(k);
}

}  // namespace
