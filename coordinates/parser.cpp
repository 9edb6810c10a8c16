#include "coordinates/parser.h"

#include "platform/com/plain_text.h"

#include <cwctype>

namespace velk::corvane {

namespace {

std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

}  // namespace

bool Parser::IsValid(const std::wstring& text) { return validator_ && validator_->Validate(text); }

bool Parser::FormatInPlace(std::wstring& text) {
  if (IsValid(UpToNul(text))) {
    std::wstring formatted;
    if (formatter_->Format(formatted, validator_->SubMatches())) {
      text = std::move(formatted);
      return true;
    }
  }
  text = formatter_->Template();
  return false;
}

bool Parser::Parse(BSTR* text) {
  if (!text) return false;
  std::wstring value = BstrToWstring(*text);
  bool ok = false;
  if (!validator_ || !formatter_) {
    value = kNoMembersText;
  } else {
    value = ToUpper(std::move(value));
    Bstr normalized(value);
    BSTR raw = normalized.Detach();
    validator_->Normalize(&raw);
    value = BstrToWstring(raw);
    SysFreeString(raw);
    ok = FormatInPlace(value);
  }
  BSTR fresh = AllocBstr(value);
  SysFreeString(*text);
  *text = fresh;
  return ok;
}

bool Parser::ParseText(std::wstring* text) {
  if (!text) return false;
  if (!validator_ || !formatter_) {
    *text = kNoMembersText;
    return false;
  }
  *text = ToUpper(std::move(*text));
  BSTR copy = AllocBstr(*text);
  validator_->Normalize(&copy);
  *text = BstrToWstring(copy);
  SysFreeString(copy);
  return FormatInPlace(*text);
}

bool Parser::CanParse(const std::wstring& text) {
  std::wstring copy = text;
  return ParseText(&copy);
}

}  // namespace velk::corvane
