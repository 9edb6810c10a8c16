// The data-management run log: one file at most open at a time, one line per message with the
// UTC time of writing, flushed after every line. Module-wide, used from the user-interface
// thread by one run at a time.
#pragma once

#include <chrono>
#include <string>

namespace velk::corvane {

// Longest message written; longer ones are cut.
inline constexpr std::size_t kRunLogMessageLimit = 1023;

// Refused (false) while a log is open; else creates or empties the file.
bool OpenRunLog(const std::wstring& path);
void CloseRunLog();
bool RunLogOpen();
// Messages are written only while level 1 is on (set by the commands from the settings).
void SetRunLogLevel1(bool on);
void SetRunLogTimeStamps(bool on);
// Writes the message, cut to the limit, as one line (nothing while level 1 is off or no file is
// open).
void LogRunMessage(const std::wstring& message);

// One line as the log holds it: the time stamp prefix (when on), the message, and a line end
// unless the message ends with one; line feeds become CR LF. Text in the runtime's multibyte
// encoding.
std::string FormatRunLogLine(const std::wstring& message, std::chrono::system_clock::time_point at,
                             bool timeStamps);

}  // namespace velk::corvane
