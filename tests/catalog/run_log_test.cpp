// The data-management run log: the line format (UTC stamp with milliseconds, CR LF, one line
// end, messages cut at 1023 characters and written as they stand) and the writer's switches.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalog/data/run_log.h"
#include "platform/com/text.h"
#include "tests/fixtures/tool_output.h"

namespace velk::corvane {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(RunLog, LinesCarryTheUtcTimeToTheMillisecond) {
  // 2026-03-01 04:05:06.789 UTC.
  const auto at = std::chrono::system_clock::from_time_t(1772337906) +
                  std::chrono::milliseconds(789);
  EXPECT_EQ(FormatRunLogLine(L"Starting the operation ...", at, true),
            "2026-03-01    04:05:06.789 > Starting the operation ...\r\n");
  EXPECT_EQ(FormatRunLogLine(L"no stamp", at, false), "no stamp\r\n");
}

TEST(RunLog, MessagesAreWrittenAsTheyStand) {
  const auto at = std::chrono::system_clock::time_point{};
  struct Case {
    std::wstring message;
    std::string line;
  } cases[] = {
      {L"ends with a line feed\n", "ends with a line feed\r\n"},
      {L"two\nlines", "two\r\nlines\r\n"},
      {L"100%s done %d", "100%s done %d\r\n"},
      {L"", "\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatRunLogLine(c.message, at, false), c.line);
}

TEST(RunLog, TheWriterCutsLongMessagesAndWritesOnlyWhenOnAndOpen) {
  test::ScratchDir dir;
  const std::string path = dir / "DtedError.log";
  SetRunLogTimeStamps(false);
  SetRunLogLevel1(true);
  LogRunMessage(L"nothing open: dropped");
  ASSERT_TRUE(OpenRunLog(FromUtf8(path)));
  EXPECT_FALSE(OpenRunLog(FromUtf8(dir / "second.log")));  // one log at a time
  LogRunMessage(std::wstring(1500, L'x'));
  SetRunLogLevel1(false);
  LogRunMessage(L"level 1 off: dropped");
  SetRunLogLevel1(true);
  LogRunMessage(L"last");
  // Flushed per line: readable before the log is closed.
  EXPECT_EQ(ReadAll(path), std::string(1023, 'x') + "\r\nlast\r\n");
  CloseRunLog();
  EXPECT_FALSE(RunLogOpen());
  EXPECT_FALSE(std::filesystem::exists(dir / "second.log"));
  // A path that cannot be opened: refused, nothing open.
  EXPECT_FALSE(OpenRunLog(FromUtf8(dir.path())));
  EXPECT_FALSE(RunLogOpen());
}

}  // namespace
}  // namespace velk::corvane
