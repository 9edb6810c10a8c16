#include "apps/trevik/session_script.h"

#include <cctype>
#include <istream>

#include "platform/com/text.h"

namespace trevik {

bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  words->clear();
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
          w.push_back(line[i++]);
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          w.push_back(c);
        }
      }
      if (!closed) return false;
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
        w.push_back(line[i++]);
    }
    words->push_back(w);
  }
  return true;
}

bool ReadScript(std::istream& in, std::vector<ScriptLine>* lines, std::string* error) {
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#') continue;
    std::vector<std::string> words;
    if (!SplitWords(raw, &words)) {
      *error = "line " + std::to_string(number) + ": a text in double quotes is not closed";
      return false;
    }
    ScriptLine l;
    l.number = number;
    l.text = raw.substr(first);
    l.action = words[0];
    for (char& c : l.action) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::size_t k = 1; k < words.size(); ++k) l.args.push_back(velk::FromUtf8(words[k]));
    lines->push_back(std::move(l));
  }
  return true;
}

}  // namespace trevik
