// Moving a dataset's files as one: a move that fails on any file leaves every file where it was;
// written files are checked against what their headers announce.
#include "platform/host/data/dataset_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "tests/fixtures/tool_output.h"

namespace velk::host {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(DatasetFiles, AMoveThatFailsOnAnyFileLeavesEveryFileWhereItWas) {
  const char* parts[] = {".shp", ".shx", ".dbf", ".prj"};
  for (int failing = 0; failing < 4; ++failing) {
    velk::test::ScratchDir dir;
    std::vector<std::pair<fs::path, fs::path>> moves;
    for (const char* part : parts) {
      std::ofstream(dir / (std::string("old") + part)) << "old" << part;
      moves.emplace_back(dir / (std::string("old") + part), dir / (std::string("aside") + part));
    }
    // The file system refuses to move one file (an undeletable .shx, say).
    const fs::path refused = moves[failing].first;
    FileOps ops = SystemFileOps();
    ops.rename = [&](const fs::path& from, const fs::path& to) {
      return from == refused ? EPERM : SystemFileOps().rename(from, to);
    };
    fs::path failed;
    EXPECT_EQ(MoveAll(moves, failed, ops), EPERM);
    EXPECT_EQ(failed, refused);
    for (const char* part : parts) {
      EXPECT_EQ(Read(dir / (std::string("old") + part)), std::string("old") + part)
          << "failing at " << failing;
      EXPECT_FALSE(fs::exists(dir / (std::string("aside") + part)));
    }
  }
}

TEST(DatasetFiles, WrittenFilesMustHoldWhatTheirHeadersAnnounce) {
  velk::test::ScratchDir dir;
  // A dBASE header: 3 records of 11 bytes after a 65-byte header.
  std::string dbf(65 + 3 * 11 + 1, '\0');
  dbf[0] = 3;
  dbf[4] = 3;
  dbf[8] = 65;
  dbf[10] = 11;
  std::ofstream(dir / "a.dbf", std::ios::binary) << dbf;
  EXPECT_TRUE(FileComplete(dir / "a.dbf"));
  std::ofstream(dir / "a.dbf", std::ios::binary) << dbf.substr(0, 65 + 2 * 11);
  EXPECT_FALSE(FileComplete(dir / "a.dbf"));
  // A shape file whose header gives its length in 16-bit words.
  std::string shp(100, '\0');
  shp[2] = 0x27;
  shp[3] = 0x0A;
  shp[27] = 50;
  std::ofstream(dir / "a.shp", std::ios::binary) << shp;
  EXPECT_TRUE(FileComplete(dir / "a.shp"));
  std::ofstream(dir / "a.shp", std::ios::binary) << shp.substr(0, 60);
  EXPECT_FALSE(FileComplete(dir / "a.shp"));
  EXPECT_EQ(WriteFailureText(ENOSPC, dir.path()), "disk full");
}

}  // namespace
}  // namespace velk::host
