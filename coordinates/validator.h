// Checks that a typed coordinate is well formed in one notation and splits it into its parts.
// Each kind is one ECMAScript pattern matched against the whole text, with a rewriting step
// (Normalize) that runs before it.
#pragma once

#include <cstddef>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "coordinates/localized_coordinate_symbols.h"
#include "coordinates/sequence_matcher.h"
#include "platform/com/bstr.h"

namespace velk::corvane {

class Validator {
 public:
  // Texts longer than this are refused without matching: no coordinate is that long, and the
  // backtracking matcher must not be run over unbounded input.
  static constexpr std::size_t kMaxTextLength = 512;

  Validator();
  virtual ~Validator() = default;
  Validator(const Validator&) = delete;
  Validator& operator=(const Validator&) = delete;

  // Rewrites the text in place before matching; an empty or null text is left as it is.
  virtual void Normalize(BSTR* text);

  // Matches the whole text (up to its first NUL). SubMatches is emptied first and, on a match,
  // holds the whole match and then every group in order (an empty text for a group that did
  // not take part).
  // A kind that has a matcher for its pattern uses it (the same texts and parts, without the
  // cost of the regular-expression engine); otherwise the compiled pattern decides.
  bool Validate(std::wstring text);
  // The same check by the compiled pattern itself, whatever the kind has.
  bool ValidateWithPattern(std::wstring text);

  const std::vector<std::wstring>& SubMatches() const { return subMatches_; }
  const std::wstring& PatternText() const { return patternText_; }
  const LocalizedCoordinateSymbols& Symbols() const { return symbols_; }

 protected:
  // Compiles the kind's pattern in place of the empty one; a pattern that does not compile
  // throws std::regex_error (a construction failure of the owner).
  // matcher, when given, accepts exactly the pattern's texts with the same groups.
  void SetPattern(std::wstring text, std::unique_ptr<SequenceMatcher> matcher = nullptr);
  // Replaces the BSTR's text.
  static void Store(BSTR* text, const std::wstring& value);

 private:
  // Empties the parts and cuts the text at its first NUL; false when it is too long to match.
  bool Prepare(std::wstring& text);

  std::wregex pattern_;
  std::unique_ptr<SequenceMatcher> matcher_;
  std::wsmatch match_;
  std::vector<std::wstring> subMatches_;
  LocalizedCoordinateSymbols symbols_;
  std::wstring patternText_;
  std::wstring lastText_;  // the text the match positions point into
};

}  // namespace velk::corvane
