#include "platform/registry/rgs_script.h"

#include <cwctype>

#include "platform/registry/registry_store.h"

namespace velk::reg::detail {
namespace {

struct Token {
  enum class Kind { Word, Quoted, Open, Close, Equals, End };
  Kind kind = Kind::End;
  std::wstring text;
  int line = 0;
};

// Thrown inside the parser, caught at its entry.
struct ScriptError {
  int line;
  std::wstring what;
};

bool IsSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' ||
         std::iswspace(static_cast<wint_t>(c));
}

class Tokenizer {
 public:
  Tokenizer(std::wstring_view text, const std::map<std::wstring, std::wstring>& replacements)
      : s_(text), replacements_(replacements) {}

  std::vector<Token> All() {
    std::vector<Token> tokens;
    while (true) {
      Token t = Next();
      tokens.push_back(t);
      if (t.kind == Token::Kind::End) return tokens;
    }
  }

 private:
  Token Next() {
    while (pos_ < s_.size() && IsSpace(s_[pos_])) {
      if (s_[pos_] == L'\n') ++line_;
      ++pos_;
    }
    Token t;
    t.line = line_;
    if (pos_ >= s_.size()) return t;
    wchar_t c = s_[pos_];
    if (c == L'\'') {
      t.kind = Token::Kind::Quoted;
      t.text = QuotedText();
      return t;
    }
    if (c == L'{') {
      // "{...}" written together is a name (a braced GUID); a lone '{' opens a block.
      std::size_t close = pos_ + 1;
      while (close < s_.size() && !IsSpace(s_[close]) && s_[close] != L'{' && s_[close] != L'}' &&
             s_[close] != L'\'')
        ++close;
      if (close < s_.size() && s_[close] == L'}' && close > pos_ + 1) {
        t.kind = Token::Kind::Word;
        t.text = Expand(s_.substr(pos_, close + 1 - pos_));
        pos_ = close + 1;
        return t;
      }
      ++pos_;
      t.kind = Token::Kind::Open;
      return t;
    }
    if (c == L'}' || c == L'=') {
      ++pos_;
      t.kind = c == L'}' ? Token::Kind::Close : Token::Kind::Equals;
      return t;
    }
    std::size_t start = pos_;
    while (pos_ < s_.size() && !IsSpace(s_[pos_]) && s_[pos_] != L'{' && s_[pos_] != L'}' &&
           s_[pos_] != L'=' && s_[pos_] != L'\'')
      ++pos_;
    t.kind = Token::Kind::Word;
    t.text = Expand(s_.substr(start, pos_ - start));
    return t;
  }

  // '...' with '' for a quote; the text may not run past the end of its line.
  std::wstring QuotedText() {
    ++pos_;
    std::size_t start = pos_;
    std::wstring raw;
    while (true) {
      if (pos_ >= s_.size() || s_[pos_] == L'\n')
        throw ScriptError{line_, L"missing closing quote"};
      if (s_[pos_] == L'\'') {
        if (pos_ + 1 < s_.size() && s_[pos_ + 1] == L'\'') {
          raw.append(s_.substr(start, pos_ + 1 - start));
          pos_ += 2;
          start = pos_;
          continue;
        }
        raw.append(s_.substr(start, pos_ - start));
        ++pos_;
        return Expand(raw);
      }
      ++pos_;
    }
  }

  std::wstring Expand(std::wstring_view raw) {
    std::wstring out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != L'%') {
        out += raw[i];
        continue;
      }
      std::size_t end = raw.find(L'%', i + 1);
      if (end == std::wstring_view::npos)
        throw ScriptError{line_, L"'%' without a closing '%' (write %% for a percent sign)"};
      if (end == i + 1) {
        out += L'%';
      } else {
        std::wstring_view name = raw.substr(i + 1, end - i - 1);
        const std::wstring* value = nullptr;
        for (const auto& [k, v] : replacements_)
          if (NamesEqual(k, name)) value = &v;
        if (!value) throw ScriptError{line_, L"no replacement for %" + std::wstring(name) + L"%"};
        out += *value;
      }
      i = end;
    }
    return out;
  }

  std::wstring_view s_;
  const std::map<std::wstring, std::wstring>& replacements_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

bool Is(const Token& t, const wchar_t* word) {
  return t.kind == Token::Kind::Word && NamesEqual(t.text, word);
}

std::wstring Describe(const Token& t) {
  switch (t.kind) {
    case Token::Kind::Word: return L"'" + t.text + L"'";
    case Token::Kind::Quoted: return L"the quoted text '" + t.text + L"'";
    case Token::Kind::Open: return L"'{'";
    case Token::Kind::Close: return L"'}'";
    case Token::Kind::Equals: return L"'='";
    default: return L"the end of the script";
  }
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  void Script(std::vector<ScriptHive>& out) {
    while (Peek().kind != Token::Kind::End) {
      const Token& name = Take();
      if (name.kind == Token::Kind::Close)
        throw ScriptError{name.line, L"'}' without a matching '{'"};
      ScriptHive h{};
      if (!HiveOf(name, h.hive))
        throw ScriptError{name.line,
                          L"unknown hive " + Describe(name) + L" (expected HKCR, HKCU or HKLM)"};
      const Token& open = Take();
      if (open.kind != Token::Kind::Open)
        throw ScriptError{open.line, L"expected '{' after " + Describe(name)};
      h.root.flag = ScriptKey::Flag::NoRemove;
      Body(h.root, open.line);
      out.push_back(std::move(h));
    }
  }

 private:
  const Token& Peek() const { return t_[pos_]; }
  const Token& Take() {
    const Token& t = t_[pos_];
    if (pos_ + 1 < t_.size()) ++pos_;
    return t;
  }

  static bool HiveOf(const Token& t, Hive& hive) {
    if (t.kind != Token::Kind::Word) return false;
    if (Is(t, L"HKCR") || Is(t, L"HKEY_CLASSES_ROOT"))
      hive = Hive::ClassesRoot;
    else if (Is(t, L"HKCU") || Is(t, L"HKEY_CURRENT_USER"))
      hive = Hive::CurrentUser;
    else if (Is(t, L"HKLM") || Is(t, L"HKEY_LOCAL_MACHINE"))
      hive = Hive::LocalMachine;
    else
      return false;
    return true;
  }

  // The entries of a block up to its '}'.
  void Body(ScriptKey& key, int openLine) {
    while (true) {
      const Token& t = Take();
      switch (t.kind) {
        case Token::Kind::End: throw ScriptError{openLine, L"'{' has no matching '}'"};
        case Token::Kind::Close: return;
        case Token::Kind::Open: throw ScriptError{t.line, L"'{' without a key name before it"};
        case Token::Kind::Equals: throw ScriptError{t.line, L"'=' without a key name before it"};
        default: break;
      }
      if (Is(t, L"val"))
        key.values.push_back(ValueEntry());
      else
        key.children.push_back(KeyEntry(t));
    }
  }

  // val name = <typed value>, after the word val.
  ScriptValue ValueEntry() {
    ScriptValue v;
    const Token& name = Take();
    if (name.kind != Token::Kind::Word && name.kind != Token::Kind::Quoted)
      throw ScriptError{name.line, L"expected a value name after 'val', found " + Describe(name)};
    v.name = name.text;
    const Token& eq = Take();
    if (eq.kind != Token::Kind::Equals)
      throw ScriptError{eq.line, L"expected '=' after the value name '" + v.name + L"'"};
    v.value = TypedValue();
    return v;
  }

  // [NoRemove | ForceRemove | Delete] name [= <typed value>] [{ ... }], from its first token.
  ScriptKey KeyEntry(const Token& first) {
    ScriptKey child;
    const Token& name = KeyFlag(first, child);
    if (name.kind != Token::Kind::Word && name.kind != Token::Kind::Quoted)
      throw ScriptError{name.line, L"expected a key name, found " + Describe(name)};
    if (name.kind == Token::Kind::Word && Is(name, L"val"))
      throw ScriptError{name.line,
                        L"NoRemove, ForceRemove and Delete apply to keys, not to values"};
    Path parts;
    if (!SplitPath(name.text, parts) || parts.empty())
      throw ScriptError{name.line, L"bad key name '" + name.text + L"'"};
    child.name = name.text;
    if (Peek().kind == Token::Kind::Equals) {
      Take();
      child.hasDefault = true;
      child.defaultValue = TypedValue();
    }
    if (Peek().kind == Token::Kind::Open) {
      int line = Take().line;
      Body(child, line);
    }
    return child;
  }

  // Takes the key's flag words from first on into key.flag (at most one); the token after them.
  const Token& KeyFlag(const Token& first, ScriptKey& key) {
    const Token* name = &first;
    while (name->kind == Token::Kind::Word) {
      ScriptKey::Flag f = ScriptKey::Flag::None;
      if (Is(*name, L"NoRemove"))
        f = ScriptKey::Flag::NoRemove;
      else if (Is(*name, L"ForceRemove"))
        f = ScriptKey::Flag::ForceRemove;
      else if (Is(*name, L"Delete"))
        f = ScriptKey::Flag::Delete;
      else
        break;
      if (key.flag != ScriptKey::Flag::None)
        throw ScriptError{name->line,
                          L"more than one of NoRemove, ForceRemove and Delete on one key"};
      key.flag = f;
      name = &Take();
    }
    return *name;
  }

  // s 'text' | e 'text' | m 'a\0b' | d 'n' | d n | b 'hex'
  Value TypedValue() {
    const Token& type = Take();
    if (type.kind != Token::Kind::Word || type.text.size() != 1)
      throw ScriptError{type.line,
                        L"expected a value type (s, e, m, d or b), found " + Describe(type)};
    const Token& data = Take();
    Value v;
    wchar_t k = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(type.text[0])));
    if (k == L's' || k == L'e' || k == L'm') {
      if (data.kind != Token::Kind::Quoted)
        throw ScriptError{data.line, L"expected a quoted text after '" + type.text + L"', found " +
                                         Describe(data)};
      v.type = k == L's' ? REG_SZ : k == L'e' ? REG_EXPAND_SZ : REG_MULTI_SZ;
      v.text = data.text;
      if (k == L'm') {
        // Strings of a multi-string are parted by the two characters \0.
        for (std::size_t at; (at = v.text.find(L"\\0")) != std::wstring::npos;)
          v.text.replace(at, 2, 1, L'\0');
      }
      return v;
    }
    if (data.kind != Token::Kind::Quoted && data.kind != Token::Kind::Word)
      throw ScriptError{data.line,
                        L"expected data after '" + type.text + L"', found " + Describe(data)};
    if (k == L'd') {
      v.type = REG_DWORD;
      if (!Number(data.text, v.number))
        throw ScriptError{data.line, L"'" + data.text + L"' is not a number for a d value"};
      return v;
    }
    if (k == L'b') {
      v.type = REG_BINARY;
      const std::wstring& h = data.text;
      for (std::size_t i = 0; i < h.size(); i += 2) {
        int hi = h[i] >= 0 && h[i] < 128 ? HexDigit(static_cast<char>(h[i])) : -1;
        int lo = i + 1 < h.size() && h[i + 1] >= 0 && h[i + 1] < 128
                     ? HexDigit(static_cast<char>(h[i + 1]))
                     : -1;
        if (hi < 0 || lo < 0)
          throw ScriptError{data.line,
                            L"'" + h + L"' is not an even count of hex digits for a b value"};
        v.bytes.push_back(static_cast<char>(hi * 16 + lo));
      }
      return v;
    }
    throw ScriptError{type.line,
                      L"unknown value type '" + type.text + L"' (expected s, e, m, d or b)"};
  }

  // Decimal, or hexadecimal after 0x; at most 32 bits.
  static bool Number(std::wstring_view w, DWORD& out) {
    int base = 10;
    if (w.size() > 2 && w[0] == L'0' && (w[1] == L'x' || w[1] == L'X')) {
      base = 16;
      w.remove_prefix(2);
    }
    if (w.empty()) return false;
    std::uint64_t v = 0;
    for (wchar_t c : w) {
      int d = c >= 0 && c < 128 ? HexDigit(static_cast<char>(c)) : -1;
      if (d < 0 || d >= base) return false;
      v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    out = static_cast<DWORD>(v);
    return true;
  }

  std::vector<Token> t_;
  std::size_t pos_ = 0;
};

}  // namespace

bool ParseRegistryScript(std::wstring_view text,
                         const std::map<std::wstring, std::wstring>& replacements,
                         std::vector<ScriptHive>& out, std::wstring& error) {
  out.clear();
  try {
    Parser parser(Tokenizer(text, replacements).All());
    parser.Script(out);
    return true;
  } catch (const ScriptError& e) {
    out.clear();
    error = L"line " + std::to_wstring(e.line) + L": " + e.what;
    return false;
  }
}

}  // namespace velk::reg::detail
