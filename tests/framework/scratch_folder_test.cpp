// The scratch folder rule, private work folders and numbered output names, on real folders
// made under a throwaway directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "framework/scratch_folder.h"
#include "platform/com/text.h"
#include "platform/com/unknown.h"
#include "platform/registry/registry.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;

class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "scratch-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    SetScratchFolderSources(nullptr, nullptr);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  std::wstring Root() const { return FromUtf8(root_.string()); }
  void UseRootAsScratch() {
    std::wstring root = Root();
    SetScratchFolderSources([root] { return root; }, [] { return std::wstring(); });
  }
  static void Touch(const fs::path& p) { std::ofstream(p).put('x'); }

  fs::path root_;
};

TEST_F(ScratchFolderTest, FirstSourceWithAPathWins) {
  struct Case {
    ScratchFolderSource first, second;
    std::wstring expected;
  };
  auto text = [](const std::wstring& s) { return [s] { return s; }; };
  const Case cases[] = {
      {text(L"/d/out"), text(L"/host/scratch"), L"/d/out/"},
      {text(L"/d/out/"), text(L""), L"/d/out/"},  // no second separator
      {text(L""), text(L"/host/scratch"), L"/host/scratch/"},
      {text(L""), text(L"/host/scratch/"), L"/host/scratch/"},
      {text(L""), text(L""), TemporaryFolder()},
      {nullptr, nullptr, TemporaryFolder()},  // built-in sources, no host running
  };
  for (const auto& c : cases) {
    SetScratchFolderSources(c.first, c.second);
    EXPECT_EQ(GetScratchFolder().str(), c.expected);
  }
  EXPECT_EQ(TemporaryFolder().back(), L'/');
}

TEST_F(ScratchFolderTest, TemporaryFolderLiesUnderTheHostRoot) {
  SetScratchFolderSources([] { return std::wstring(); }, [] { return std::wstring(); });
  std::string saved = velk::reg::HostRoot();
  velk::reg::SetHostRoot((root_ / "home").string());
  std::wstring folder = GetScratchFolder().str();
  velk::reg::SetHostRoot(saved);
  EXPECT_EQ(folder, Root() + L"/home/scratch/");
  EXPECT_TRUE(fs::is_directory(root_ / "home" / "scratch"));
}

TEST_F(ScratchFolderTest, SourceErrorsReachTheCaller) {
  SetScratchFolderSources([]() -> std::wstring { ThrowComError(E_POINTER); },
                          [] { return std::wstring(); });
  try {
    GetScratchFolder();
    FAIL() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

TEST_F(ScratchFolderTest, WorkFoldersAreNewAndDistinct) {
  UseRootAsScratch();
  std::set<std::wstring> seen;
  for (int i = 0; i < 5; ++i) {
    std::wstring folder = MakeUniqueWorkFolder(Bstr(L"ThreatDome"), L"glb", L"tdm").str();
    EXPECT_TRUE(seen.insert(folder).second) << "folder handed out twice";
    fs::path p(ToUtf8(folder));
    EXPECT_TRUE(fs::is_directory(p));
    EXPECT_TRUE(fs::is_empty(p));
    EXPECT_EQ(p.parent_path(), root_ / "ThreatDome");
    std::string name = p.filename().string();
    ASSERT_EQ(name.rfind("tdm", 0), 0u) << name;
    // the claim file with the same number is gone once the folder holds the number
    EXPECT_FALSE(fs::exists(p.parent_path() / ("glb" + name.substr(3) + ".tmp"))) << name;
    EXPECT_NE(folder.back(), L'/');
  }
}

TEST_F(ScratchFolderTest, FolderLeftByAnEarlierRunIsNotReused) {
  UseRootAsScratch();
  fs::path first(ToUtf8(MakeUniqueWorkFolder(Bstr(L"DDDViewer"), L"vwr", L"ddd").str()));
  unsigned number = std::stoul(first.filename().string().substr(3), nullptr, 16);
  unsigned next = number % 0xFFFF + 1;  // the number the next call tries first
  char hex[8];
  std::snprintf(hex, sizeof hex, "%X", next);
  // An earlier run's folder with that number, its claim file gone.
  fs::path leftover = first.parent_path() / (std::string("ddd") + hex);
  fs::create_directory(leftover);
  Touch(leftover / "result.shp");

  fs::path second(ToUtf8(MakeUniqueWorkFolder(Bstr(L"DDDViewer"), L"vwr", L"ddd").str()));
  EXPECT_NE(second, leftover);
  EXPECT_NE(second, first);
  EXPECT_TRUE(fs::is_empty(second));
  EXPECT_TRUE(fs::exists(leftover / "result.shp"));
  EXPECT_FALSE(fs::exists(first.parent_path() / (std::string("vwr") + hex + ".tmp")));
}

TEST_F(ScratchFolderTest, WorkFolderInAMissingScratchFolderIsAnError) {
  std::wstring missing = Root() + L"/no/such/place";
  SetScratchFolderSources([missing] { return missing; }, [] { return std::wstring(); });
  try {
    MakeUniqueWorkFolder(Bstr(L"ThreatDome"), L"glb", L"tdm");
    FAIL() << "no error";
  } catch (const ComError& e) {
    EXPECT_EQ(e.Error(), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_NE(e.Description().find(L"ThreatDome"), std::wstring::npos);
  }
}

// A run's work folder: made once and found again, in a scratch folder given with or without a
// trailing separator; a file in its place or a missing scratch folder is an error naming it.
TEST_F(ScratchFolderTest, RunWorkFolderIsMadeOnceOrRefusedByName) {
  for (const std::wstring suffix : {L"", L"/"}) {
    const std::wstring scratch = Root() + suffix;
    SetScratchFolderSources([scratch] { return scratch; }, [] { return std::wstring(); });
    const std::wstring expected = Root() + L"/LinearLOS";
    EXPECT_EQ(ScratchWorkFolder(L"LinearLOS"), expected);
    EXPECT_TRUE(fs::is_directory(ToUtf8(expected)));
    EXPECT_EQ(ScratchWorkFolder(L"LinearLOS"), expected);  // an existing folder is no error
  }
  Touch(root_ / "Hillshade");
  const std::wstring missing = Root() + L"/no/such/place";
  const struct {
    std::wstring scratch;
    const wchar_t* name;
    HRESULT error;
  } refused[] = {
      {Root(), L"Hillshade", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {missing, L"RadialLOS", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
  };
  for (const auto& c : refused) {
    const std::wstring scratch = c.scratch;
    SetScratchFolderSources([scratch] { return scratch; }, [] { return std::wstring(); });
    try {
      ScratchWorkFolder(c.name);
      ADD_FAILURE() << "no error for " << ToUtf8(c.name);
    } catch (const ComError& e) {
      EXPECT_EQ(e.Error(), c.error) << ToUtf8(c.name);
      EXPECT_NE(e.Description().find(c.name), std::wstring::npos) << ToUtf8(e.Description());
    }
  }
}

TEST_F(ScratchFolderTest, NumberedNames) {
  struct Case {
    std::vector<const char*> present;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {{}, L"x0000.shp"},
      {{"x0000.shp", "x0001.shp"}, L"x0002.shp"},
      {{"x0001.shp"}, L"x0000.shp"},  // a gap is filled
      {{"x0000.shp", "x0000.dbf", "y0001.shp"}, L"x0001.shp"},
  };
  int i = 0;
  for (const auto& c : cases) {
    fs::path dir = root_ / std::to_string(i++);
    fs::create_directory(dir);
    for (const char* name : c.present) Touch(dir / name);
    std::wstring folder = FromUtf8(dir.string());
    EXPECT_EQ(NextFreeNumberedFileName(folder, L"x", L".shp").str(), c.expected);
    EXPECT_EQ(NextFreeNumberedFileName(folder + L"/", L"x", L".shp").str(), c.expected);
  }
  // A folder of that name takes the number too; nothing is created by asking.
  fs::create_directory(root_ / "x0000.shp");
  EXPECT_EQ(NextFreeNumberedFileName(Root(), L"x", L".shp").str(), L"x0001.shp");
  EXPECT_EQ(NextFreeNumberedFileName(Root(), L"x", L".shp").str(), L"x0001.shp");
}

TEST_F(ScratchFolderTest, LongFolderPaths) {
  // A folder path well beyond 500 characters that exists and holds the first name.
  fs::path deep = root_;
  for (int i = 0; i < 6; ++i) deep /= std::string(120, static_cast<char>('a' + i));
  fs::create_directories(deep);
  Touch(deep / "los0000.shp");
  std::wstring folder = FromUtf8(deep.string());
  ASSERT_GT(folder.size(), 700u);
  EXPECT_EQ(NextFreeNumberedFileName(folder, L"los", L".shp").str(), L"los0001.shp");

  // A folder path too long for the file system gives an answer at once instead of looping.
  std::wstring tooLong = Root();
  for (int i = 0; i < 40; ++i) tooLong += L"/" + std::wstring(200, L'z');
  EXPECT_EQ(NextFreeNumberedFileName(tooLong, L"los", L".shp").str(), L"los0000.shp");

  // Work folders under a scratch folder that long are refused with an error.
  SetScratchFolderSources([tooLong] { return tooLong; }, [] { return std::wstring(); });
  EXPECT_THROW(MakeUniqueWorkFolder(Bstr(L"ThreatDome"), L"glb", L"tdm"), ComError);
}

}  // namespace
}  // namespace velk::corvane
