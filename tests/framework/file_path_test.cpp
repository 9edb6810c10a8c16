#include <gtest/gtest.h>

#include <filesystem>

#include "framework/file_path.h"
#include "platform/com/text.h"

namespace velk::corvane {
namespace {

TEST(CFilePath, PartsOfAnAbsolutePath) {
  CFilePath p(L"/data/out/a.shp");
  EXPECT_EQ(p.Text(), L"/data/out/a.shp");
  EXPECT_EQ(p.GetFolder(true), L"/data/out/");
  EXPECT_EQ(p.GetFolder(false), L"/data/out");
  EXPECT_EQ(p.GetDrive(), L"");
  EXPECT_EQ(p.GetDirectory(), L"/data/out/");
  EXPECT_EQ(p.GetFileName(), L"a.shp");
  EXPECT_EQ(p.GetBaseName(), L"a");
  EXPECT_EQ(p.GetExtension(), L".shp");
}

TEST(CFilePath, MadeAbsoluteOnConstruction) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"\\data\\out\\a.shp", L"/data/out/a.shp"},  // back slashes are separators too
      {L"/a/./b/../c.txt", L"/a/c.txt"},
      {L"//a///b/", L"/a/b/"},  // a trailing separator is kept
      {L"/../x", L"/x"},
      {L"/", L"/"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CFilePath(in).Text(), out) << in;

  std::wstring cwd = FromUtf8(std::filesystem::current_path().string());
  EXPECT_EQ(CFilePath(L"x/y.txt").Text(), cwd + L"/x/y.txt");
  EXPECT_EQ(CFilePath(L"").Text(), L"");
}

TEST(CFilePath, FolderOfAFileAtTheRoot) {
  CFilePath p(L"/a.txt");
  EXPECT_EQ(p.GetFolder(false), L"");  // joined again with a separator this gives "/a.txt"
  EXPECT_EQ(p.GetFolder(true), L"/");
}

TEST(CFilePath, NamesWithoutOrWithSeveralDots) {
  CFilePath a(L"/d/archive.tar.gz"), b(L"/d/README"), c(L"/d/out/");
  EXPECT_EQ(a.GetBaseName(), L"archive.tar");
  EXPECT_EQ(a.GetExtension(), L".gz");
  EXPECT_EQ(b.GetBaseName(), L"README");
  EXPECT_EQ(b.GetExtension(), L"");
  EXPECT_EQ(c.GetFileName(), L"");
  EXPECT_EQ(c.GetFolder(false), L"/d/out");
}

TEST(CFilePath, SettersReplaceOnePart) {
  CFilePath p(L"/data/out/a.shp");
  EXPECT_EQ(CFilePath(p).SetExtension(L".dbf").Text(), L"/data/out/a.dbf");
  EXPECT_EQ(CFilePath(p).SetExtension(L"tif").Text(), L"/data/out/a.tif");
  EXPECT_EQ(CFilePath(p).SetFileName(L"b").Text(), L"/data/out/b.shp");
  EXPECT_EQ(CFilePath(p).SetDirectory(L"/other").Text(), L"/other/a.shp");
  EXPECT_EQ(CFilePath(p).SetDirectory(L"/other/").Text(), L"/other/a.shp");
  EXPECT_EQ(CFilePath(p).SetDrive(L"C:").Text(), L"/data/out/a.shp");
  EXPECT_EQ(CFilePath(p).SetExtension(L"").Text(), L"/data/out/a");
}

TEST(CFilePath, JoinsFolderAndName) {
  EXPECT_EQ(CFilePath(L"/d/out/", L"n.shp").Text(), L"/d/out/n.shp");
  EXPECT_EQ(CFilePath(L"/d/out", L"n.shp").Text(), L"/d/out/n.shp");
  EXPECT_EQ(CFilePath(L"/d/out\\", L"\\n.shp").Text(), L"/d/out/n.shp");
}

TEST(CFilePath, Exists) {
  auto dir = std::filesystem::temp_directory_path();
  EXPECT_TRUE(CFilePath(FromUtf8(dir.string())).Exists());
  EXPECT_FALSE(CFilePath(FromUtf8(dir.string()) + L"/no-such-file-7f3a9c").Exists());
  EXPECT_FALSE(CFilePath().Exists());
}

}  // namespace
}  // namespace velk::corvane
