#include "catalog/data/run_log.h"

#include <cstdio>
#include <cwchar>
#include <ctime>

#include "platform/com/text.h"

namespace velk::corvane {
namespace {

struct RunLog {
  std::FILE* file = nullptr;
  bool level1 = false;
  bool timeStamps = false;
};

RunLog& State() {
  static RunLog log;
  return log;
}

// One character in the runtime's multibyte encoding; '?' for one it cannot encode.
void AppendChar(std::string& out, wchar_t c) {
  if (c == L'\n') {
    out += "\r\n";
    return;
  }
  char buffer[16];
  std::mbstate_t state{};
  const std::size_t n = std::wcrtomb(buffer, c, &state);
  if (n == static_cast<std::size_t>(-1))
    out += '?';
  else
    out.append(buffer, n);
}

}  // namespace

std::string FormatRunLogLine(const std::wstring& message, std::chrono::system_clock::time_point at,
                             bool timeStamps) {
  std::string line;
  if (timeStamps) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02d    %02d:%02d:%02d.%03d > ",
                  utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                  utc.tm_sec, static_cast<int>(ms.count() % 1000));
    line = prefix;
  }
  for (wchar_t c : message) AppendChar(line, c);
  if (message.empty() || message.back() != L'\n') line += "\r\n";
  return line;
}

bool OpenRunLog(const std::wstring& path) {
  RunLog& log = State();
  if (log.file) return false;
  log.file = std::fopen(ToUtf8(path).c_str(), "wb");
  return log.file != nullptr;
}

void CloseRunLog() {
  RunLog& log = State();
  if (!log.file) return;
  std::fclose(log.file);
  log.file = nullptr;
}

bool RunLogOpen() { return State().file != nullptr; }
void SetRunLogLevel1(bool on) { State().level1 = on; }
void SetRunLogTimeStamps(bool on) { State().timeStamps = on; }

void LogRunMessage(const std::wstring& message) {
  RunLog& log = State();
  if (!log.level1 || !log.file) return;
  const std::string line =
      FormatRunLogLine(message.substr(0, kRunLogMessageLimit), std::chrono::system_clock::now(),
                       log.timeStamps);
  std::fwrite(line.data(), 1, line.size(), log.file);
  std::fflush(log.file);
}

}  // namespace velk::corvane
