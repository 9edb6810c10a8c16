// GCC 12 reports a false "may be used uninitialized" inside <regex>'s compiler when built with
// the sanitizers; the pattern objects are fully built by the library itself.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "coordinates/validator.h"

namespace velk::corvane {

Validator::Validator() : pattern_(L"") {}

void Validator::Normalize(BSTR*) {}

void Validator::SetPattern(std::wstring text, std::unique_ptr<SequenceMatcher> matcher) {
  pattern_ = std::wregex(text);
  matcher_ = std::move(matcher);
  patternText_ = std::move(text);
}

void Validator::Store(BSTR* text, const std::wstring& value) {
  BSTR fresh = AllocBstr(value);
  SysFreeString(*text);
  *text = fresh;
}

bool Validator::Prepare(std::wstring& text) {
  subMatches_.clear();
  match_ = std::wsmatch();
  std::size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text.size() <= kMaxTextLength;
}

bool Validator::Validate(std::wstring text) {
  if (!matcher_) return ValidateWithPattern(std::move(text));
  if (!Prepare(text)) return false;
  return matcher_->Match(text, subMatches_);
}

bool Validator::ValidateWithPattern(std::wstring text) {
  if (!Prepare(text)) return false;
  lastText_ = std::move(text);
  if (!std::regex_match(lastText_, match_, pattern_)) return false;
  subMatches_.reserve(match_.size());
  for (std::size_t i = 0; i < match_.size(); ++i)
    subMatches_.push_back(match_[i].matched ? match_[i].str() : std::wstring());
  return true;
}

}  // namespace velk::corvane
