// Reading session scripts: one action a line (LF, CR LF or CR), words separated by blanks,
// texts with blanks in double quotes (\" and \\ inside), '#' starts a comment line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace trevik {

struct ScriptLine {
  int number = 0;                  // 1-based line in the file
  std::string action;              // lower case
  std::vector<std::wstring> args;  // as written, quotes removed
  std::string text;                // the line as written, for messages
};

// Reads every action line; false with a message naming the line for an unterminated text.
bool ReadScript(std::istream& in, std::vector<ScriptLine>* lines, std::string* error);

// Splits one line into words; false for an unterminated text.
bool SplitWords(const std::string& line, std::vector<std::string>* words);

// Script numbers are written with a '.' whatever the user's locale: a finite number that fills
// the whole word.
bool ParseScriptNumber(const std::wstring& word, double* value);
// A number as scripts and transcripts write it ("none" for NaN), with that many decimals.
std::wstring FormatScriptNumber(double value, int decimals);

}  // namespace trevik
