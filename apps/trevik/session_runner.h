// The session runner: plays a session script, one action a line, as a user at the host would
// (start a host, add data, click commands and tools, work in dialogs, answer message boxes and
// file dialogs, let time pass) and prints what the user would see. docs/session-scripts.md
// describes the format.
#pragma once

#include <iosfwd>
#include <string>

namespace trevik {

// Runs the script file; the transcript goes to standard output, errors to standard error.
// Returns 0 when every line ran, 1 when a line failed (the error names the line), 2 when the
// file cannot be read.
int RunSession(const std::string& path);

// The same over a stream; name is used in error messages.
int RunSessionScript(std::istream& script, const std::string& name, std::ostream& out,
                     std::ostream& err);

}  // namespace trevik
