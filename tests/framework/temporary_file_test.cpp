// Temporary names held by a run: the marker keeps the name while the run works and goes when
// the claim ends; a name that a file of the folder carries is never handed out again.
#include "framework/temporary_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/com/text.h"
#include "tests/fixtures/host_data_fixture.h"
#include "tests/fixtures/tool_output.h"

namespace velk::corvane {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryNameClaim, TheMarkerStaysWhileHeldAndGoesWithTheClaim) {
  test::ScratchDir dir;
  const std::wstring folder = FromUtf8(dir.path());
  std::wstring marker;
  {
    TemporaryNameClaim claim(folder, L"rlos");
    marker = claim.Marker();
    EXPECT_EQ(claim.Folder(), folder + L"/");
    EXPECT_EQ(claim.Name().rfind(L"rlo", 0), 0u);
    EXPECT_EQ(fs::path(ToUtf8(marker)).filename(), ToUtf8(claim.Name()) + ".tmp");
    EXPECT_TRUE(fs::exists(ToUtf8(marker)));
    EXPECT_EQ(fs::file_size(ToUtf8(marker)), 0u);
    // A second claim meanwhile gets a name of its own.
    TemporaryNameClaim other(folder, L"rlos");
    EXPECT_NE(other.Name(), claim.Name());
  }
  EXPECT_FALSE(fs::exists(ToUtf8(marker)));
  EXPECT_TRUE(fs::is_empty(dir.path()));

  TemporaryNameClaim released(folder, L"hll");
  released.Release();
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// The number a name of the service carries ("abc2A7": 0x2A7).
unsigned NumberOf(const std::wstring& name) {
  return std::stoul(ToUtf8(name.substr(3)), nullptr, 16);
}

std::string NameNumbered(unsigned n) {
  char name[16];
  std::snprintf(name, sizeof name, "abc%X", ((n - 1) & 0xFFFFu) + 1);
  return name;
}

// A raster left under a given-up name (any extension, or a folder of that name) keeps the name
// from every later claim, as its marker did: the numbers that follow the last one handed out
// are all carried by files, so the claim takes the first number after them.
TEST(TemporaryNameClaim, NamesThatFilesOfTheFolderCarryArePassedOver) {
  test::ScratchDir dir;
  const std::wstring folder = FromUtf8(dir.path());
  unsigned last = 0;
  {
    TemporaryNameClaim probe(folder, L"abc");
    last = NumberOf(probe.Name());
  }
  const char* kinds[] = {".tif", ".aux.xml", ""};
  for (unsigned i = 1; i <= 200; ++i) {
    const std::string name = NameNumbered(last + i) + kinds[i % 3];
    if (i % 3 == 2)
      fs::create_directory(dir / name);
    else
      std::ofstream(dir / name).put('x');
  }
  const auto before = test::FilesIn(dir.path());
  {
    TemporaryNameClaim claim(folder, L"abcd");
    EXPECT_EQ(ToUtf8(claim.Name()), NameNumbered(last + 201));
  }
  EXPECT_EQ(test::FilesIn(dir.path()), before) << "the markers of the names passed over go too";
}

}  // namespace
}  // namespace velk::corvane
