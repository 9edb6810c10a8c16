#include "apps/trevik/session_script.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <istream>

#include "platform/com/plain_text.h"
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

namespace {

// The next line of the text, ended by LF, CR LF or CR alone; false at the end.
bool NextLine(std::istream& in, std::string& line) {
  line.clear();
  int c = in.get();
  if (c == std::char_traits<char>::eof()) return false;
  for (; c != std::char_traits<char>::eof(); c = in.get()) {
    if (c == '\n') break;
    if (c == '\r') {
      if (in.peek() == '\n') in.get();
      break;
    }
    line.push_back(static_cast<char>(c));
  }
  return true;
}

bool Blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool ReadScript(std::istream& in, std::vector<ScriptLine>* lines, std::string* error) {
  std::string raw;
  int number = 0;
  while (NextLine(in, raw)) {
    ++number;
    // Any blank character (space, tab, form feed, vertical tab, a stray CR) separates words,
    // so a line of only such characters is an empty line.
    std::size_t first = 0;
    while (first < raw.size() && Blank(raw[first])) ++first;
    if (first == raw.size() || raw[first] == '#') continue;
    std::vector<std::string> words;
    if (!SplitWords(raw, &words)) {
      *error = "line " + std::to_string(number) + ": a text in double quotes is not closed";
      return false;
    }
    if (words.empty()) continue;
    std::size_t last = raw.size();
    while (last > first && Blank(raw[last - 1])) --last;
    ScriptLine l;
    l.number = number;
    l.text = raw.substr(first, last - first);
    l.action = velk::ToLower(words[0]);
    for (std::size_t k = 1; k < words.size(); ++k) l.args.push_back(velk::FromUtf8(words[k]));
    lines->push_back(std::move(l));
  }
  if (in.bad()) {
    *error = "line " + std::to_string(number + 1) + ": the script could not be read";
    return false;
  }
  return true;
}

bool ParseScriptNumber(const std::wstring& word, double* value) {
  std::string text;
  for (wchar_t c : word) {
    if (c <= 0 || c > 127) return false;
    text.push_back(static_cast<char>(c));
  }
  // from_chars reads the C locale's form and takes no leading '+'.
  const char* begin = text.data();
  if (!text.empty() && text[0] == '+') {
    ++begin;
    if (text.size() > 1 && text[1] == '-') return false;
  }
  double v = 0.0;
  auto [end, ec] = std::from_chars(begin, text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::wstring FormatScriptNumber(double value, int decimals) {
  if (std::isnan(value)) return L"none";
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return L"none";
  return std::wstring(buf, end);
}

}  // namespace trevik
