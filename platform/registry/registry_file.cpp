#include "platform/registry/registry_file.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "platform/com/text.h"

namespace velk::reg::detail {
namespace {

bool Printable(std::uint32_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c <= 0x10FFFF;
}

std::uint32_t Code(wchar_t c) { return static_cast<std::uint32_t>(c); }

void AppendHex(std::wstring& out, std::uint32_t c) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"%X", static_cast<unsigned>(c));
  out += buf;
}

std::wstring Quote(std::wstring_view s) {
  std::wstring out = L"\"";
  for (wchar_t wc : s) {
    switch (wc) {
      case L'"': out += L"\\\""; break;
      case L'\\': out += L"\\\\"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\t': out += L"\\t"; break;
      default:
        if (Printable(Code(wc))) {
          out += wc;
        } else {
          out += L"\\u{";
          AppendHex(out, Code(wc));
          out += L'}';
        }
    }
  }
  out += L'"';
  return out;
}

std::wstring EscapeKeyName(std::wstring_view s) {
  std::wstring out;
  for (wchar_t wc : s) {
    if (wc != L'%' && Printable(Code(wc))) {
      out += wc;
    } else {
      out += L"%{";
      AppendHex(out, Code(wc));
      out += L'}';
    }
  }
  return out;
}

std::wstring HexBytes(const std::string& bytes) {
  std::wstring out;
  wchar_t buf[4];
  for (unsigned char b : bytes) {
    std::swprintf(buf, 4, L" %02x", static_cast<unsigned>(b));
    out += buf;
  }
  return out;
}

std::wstring FormatValue(const std::wstring& name, const Value& v) {
  std::wstring line = name.empty() ? L"@" : Quote(name);
  line += L" = ";
  switch (v.type) {
    case REG_SZ: line += L"sz " + Quote(v.text); break;
    case REG_EXPAND_SZ: line += L"expand_sz " + Quote(v.text); break;
    case REG_MULTI_SZ: {
      line += L"multi_sz";
      std::size_t start = 0;
      while (start < v.text.size()) {
        std::size_t end = v.text.find(L'\0', start);
        if (end == std::wstring::npos) end = v.text.size();
        line += L' ';
        line += Quote(std::wstring_view(v.text).substr(start, end - start));
        start = end + 1;
        // A separator at the very end stands for one more, empty, string.
        if (end < v.text.size() && start == v.text.size()) line += L" \"\"";
      }
      break;
    }
    case REG_DWORD: line += L"dword " + std::to_wstring(v.number); break;
    case REG_BINARY: line += L"binary" + HexBytes(v.bytes); break;
    default: line += L"hex(" + std::to_wstring(v.type) + L")" + HexBytes(v.bytes); break;
  }
  return line;
}

void FormatNode(std::wstring& out, const std::wstring& path, const Node& node, bool root) {
  if (!root || !node.values.empty()) out += L"\n[" + path + L"]\n";
  for (const auto& [name, value] : node.values) out += FormatValue(name, value) + L'\n';
  for (const Node& child : node.children)
    FormatNode(out, path + L'\\' + EscapeKeyName(child.name), child, false);
}

// Reading, one line at a time.
class LineReader {
 public:
  explicit LineReader(std::wstring_view line) : s_(line) {}

  void SkipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == L' ' || s_[pos_] == L'\t')) ++pos_;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ >= s_.size();
  }
  bool Accept(wchar_t c) {
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Peek(wchar_t c) {
    SkipSpace();
    return pos_ < s_.size() && s_[pos_] == c;
  }
  std::wstring Word() {
    SkipSpace();
    std::size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] != L' ' && s_[pos_] != L'\t' && s_[pos_] != L'"' &&
           s_[pos_] != L'=')
      ++pos_;
    return std::wstring(s_.substr(start, pos_ - start));
  }
  // A quoted text; false with error set when malformed.
  bool Quoted(std::wstring& out, std::string& error) {
    SkipSpace();
    if (pos_ >= s_.size() || s_[pos_] != L'"') {
      error = "expected a quoted text";
      return false;
    }
    ++pos_;
    out.clear();
    while (pos_ < s_.size()) {
      wchar_t c = s_[pos_++];
      if (c == L'"') return true;
      if (c != L'\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) break;
      wchar_t e = s_[pos_++];
      switch (e) {
        case L'\\': out += L'\\'; break;
        case L'"': out += L'"'; break;
        case L'n': out += L'\n'; break;
        case L'r': out += L'\r'; break;
        case L't': out += L'\t'; break;
        case L'u': {
          std::uint32_t code = 0;
          if (!Braced(code, error)) return false;
          out += static_cast<wchar_t>(code);
          break;
        }
        default:
          error = "unknown escape \\" + ToUtf8(std::wstring(1, e)) + " in quoted text";
          return false;
      }
    }
    error = "missing closing quote";
    return false;
  }
  // "{hex}" after an escape character.
  bool Braced(std::uint32_t& code, std::string& error) {
    if (pos_ >= s_.size() || s_[pos_] != L'{') {
      error = "malformed \\u{...} or %{...} escape";
      return false;
    }
    ++pos_;
    std::size_t digits = 0;
    code = 0;
    while (pos_ < s_.size() && s_[pos_] != L'}') {
      wchar_t c = s_[pos_++];
      int h = (c >= 0 && c < 128) ? HexDigit(static_cast<char>(c)) : -1;
      if (h < 0 || ++digits > 8) {
        error = "malformed \\u{...} or %{...} escape";
        return false;
      }
      code = code * 16 + static_cast<std::uint32_t>(h);
    }
    if (pos_ >= s_.size() || digits == 0) {
      error = "malformed \\u{...} or %{...} escape";
      return false;
    }
    ++pos_;
    return true;
  }
  std::wstring_view Rest() {
    SkipSpace();
    return s_.substr(pos_);
  }

 private:
  std::wstring_view s_;
  std::size_t pos_ = 0;
};

bool ParseNumber(std::wstring_view w, DWORD& out) {
  std::uint64_t v = 0;
  int base = 10;
  if (w.size() > 2 && w[0] == L'0' && (w[1] == L'x' || w[1] == L'X')) {
    base = 16;
    w.remove_prefix(2);
  }
  if (w.empty()) return false;
  for (wchar_t c : w) {
    int d = (c >= 0 && c < 128) ? HexDigit(static_cast<char>(c)) : -1;
    if (d < 0 || d >= base) return false;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  out = static_cast<DWORD>(v);
  return true;
}

bool ParseBytes(LineReader& r, std::string& out, std::string& error) {
  out.clear();
  while (!r.AtEnd()) {
    std::wstring w = r.Word();
    int hi = w.size() == 2 && w[0] < 128 && w[0] >= 0 ? HexDigit(static_cast<char>(w[0])) : -1;
    int lo = w.size() == 2 && w[1] < 128 && w[1] >= 0 ? HexDigit(static_cast<char>(w[1])) : -1;
    if (hi < 0 || lo < 0) {
      error = "expected two hex digits per byte, found '" + ToUtf8(w) + "'";
      return false;
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  return true;
}

bool ParseValueLine(std::wstring_view line, std::wstring& name, Value& v, std::string& error) {
  LineReader r(line);
  if (r.Accept(L'@')) {
    name.clear();
  } else if (!r.Quoted(name, error)) {
    error = "value line: " + error + " for the value name";
    return false;
  }
  if (!r.Accept(L'=')) {
    error = "expected '=' after the value name";
    return false;
  }
  std::wstring type = r.Word();
  v = Value{};
  if (type == L"sz" || type == L"expand_sz") {
    v.type = type == L"sz" ? REG_SZ : REG_EXPAND_SZ;
    if (!r.Quoted(v.text, error)) return false;
  } else if (type == L"multi_sz") {
    v.type = REG_MULTI_SZ;
    bool first = true;
    while (!r.AtEnd()) {
      std::wstring item;
      if (!r.Quoted(item, error)) return false;
      if (!first) v.text += L'\0';
      v.text += item;
      first = false;
    }
  } else if (type == L"dword") {
    v.type = REG_DWORD;
    std::wstring n = r.Word();
    if (!ParseNumber(n, v.number)) {
      error = "'" + ToUtf8(n) + "' is not a 32-bit number";
      return false;
    }
  } else if (type == L"binary") {
    v.type = REG_BINARY;
    if (!ParseBytes(r, v.bytes, error)) return false;
  } else if (type.size() > 5 && type.starts_with(L"hex(") && type.back() == L')') {
    DWORD t = 0;
    if (!ParseNumber(std::wstring_view(type).substr(4, type.size() - 5), t) || t == REG_SZ ||
        t == REG_EXPAND_SZ || t == REG_MULTI_SZ || t == REG_DWORD) {
      error = "bad value type '" + ToUtf8(type) + "'";
      return false;
    }
    v.type = t;
    if (!ParseBytes(r, v.bytes, error)) return false;
  } else {
    error = "unknown value type '" + ToUtf8(type) + "'";
    return false;
  }
  if (!r.AtEnd()) {
    error = "unexpected text after the value: '" + ToUtf8(r.Rest()) + "'";
    return false;
  }
  return true;
}

bool ParseKeyPath(std::wstring_view inner, std::wstring& root, Path& path, std::string& error) {
  path.clear();
  std::size_t start = 0;
  bool first = true;
  while (true) {
    std::size_t end = inner.find(L'\\', start);
    std::wstring_view part =
        inner.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    if (part.empty()) {
      error = "key path has an empty name";
      return false;
    }
    if (first) {
      root = std::wstring(part);
      first = false;
    } else {
      std::wstring name;
      for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] != L'%') {
          name += part[i];
          continue;
        }
        LineReader r(part.substr(i + 1));
        std::uint32_t code = 0;
        // Braced() needs a reader positioned on '{': count what it consumed.
        std::wstring_view rest = part.substr(i + 1);
        if (!r.Braced(code, error)) return false;
        std::size_t used = rest.find(L'}') + 1;
        if (code == L'\\') {
          error = "key name contains a back slash";
          return false;
        }
        name += static_cast<wchar_t>(code);
        i += used;
      }
      path.push_back(std::move(name));
    }
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string FormatTrees(std::string_view kind, const std::vector<RootTree>& trees) {
  std::wstring out = FromUtf8(kind) + L'\n';
  for (const RootTree& t : trees) FormatNode(out, t.root, *t.node, true);
  out += L"\nend\n";
  return ToUtf8(out);
}

bool ParseTrees(std::string_view text, std::string_view kind,
                const std::vector<std::wstring>& roots, std::vector<Node>& out,
                std::string& error) {
  out.assign(roots.size(), Node{});
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  bool ended = false;
  bool sawKind = false;
  Node* current = nullptr;
  // Where each key already read sits in its parent's children, by root and folded path, so
  // that a file of many keys loads in time linear in its size.
  std::unordered_map<std::wstring, std::size_t> childAt;
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(lineNo) + ": " + what;
    out.assign(roots.size(), Node{});
    return false;
  };
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string_view raw =
        text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    ++lineNo;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::wstring wline = FromUtf8(raw);
    if (ToUtf8(wline) != raw) return fail("not valid UTF-8 text");
    std::wstring_view line = wline;
    while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.remove_suffix(1);
    std::size_t lead = 0;
    while (lead < line.size() && (line[lead] == L' ' || line[lead] == L'\t')) ++lead;
    line.remove_prefix(lead);

    if (!sawKind) {
      if (ToUtf8(line) != kind)
        return fail("not a registry file of this kind (expected first line '" + std::string(kind) +
                    "')");
      sawKind = true;
      continue;
    }
    if (line.empty() || line.front() == L'#') continue;
    if (ended) return fail("text after the 'end' line");
    if (line == L"end") {
      ended = true;
      continue;
    }
    if (line.front() == L'[') {
      if (line.back() != L']' || line.size() < 3) return fail("key line without closing ']'");
      std::wstring root;
      Path path;
      std::string why;
      if (!ParseKeyPath(line.substr(1, line.size() - 2), root, path, why)) return fail(why);
      if (path.size() > kMaxKeyDepth)
        return fail("key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
      std::size_t r = 0;
      while (r < roots.size() && roots[r] != root) ++r;
      if (r == roots.size()) return fail("unknown root '" + ToUtf8(root) + "'");
      current = &out[r];
      std::wstring key = std::to_wstring(r);
      for (const auto& name : path) {
        key += L'\\';
        key += FoldedName(name);
        auto [at, added] = childAt.try_emplace(key, current->children.size());
        if (added) current->children.push_back(Node{name, {}, {}});
        current = &current->children[at->second];
      }
      continue;
    }
    if (!current) return fail("value line before any key line");
    std::wstring name;
    Value v;
    std::string why;
    if (!ParseValueLine(line, name, v, why)) return fail(why);
    if (current->FindValue(name))
      return fail("value '" + ToUtf8(name) + "' appears twice in its key");
    current->values.emplace_back(std::move(name), std::move(v));
  }
  ++lineNo;
  if (!sawKind) return fail("empty file (expected first line '" + std::string(kind) + "')");
  if (!ended) return fail("missing 'end' line: the file is incomplete");
  return true;
}

}  // namespace velk::reg::detail
