// A matcher for the validators' whole-text patterns without a regular-expression engine. Each
// pattern is a choice of alternatives, each a sequence of runs of one character class with a
// counted repeat, some of them captured. The matcher walks the alternatives and the repeat
// counts in the order an ECMAScript backtracking matcher tries them (alternatives left to
// right, greedy repeats longest first), so it accepts the same texts and yields the same
// sub-matches; a memo of failed (step, position) states keeps it linear in practice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace velk::corvane {

class SequenceMatcher {
 public:
  enum class Class : std::uint8_t {
    kSpace,         // \s
    kDigit,         // \d
    kSeparator,     // \s, "/" or "\"
    kSpaceOrComma,  // [ ,]
    kBand,          // [A-HJ-NP-Z]
    kPolar,         // [ABYZ]
    kChars          // one of the literal characters a and b
  };

  static constexpr std::uint16_t kMany = 0xFFFF;

  // A run of count characters of the class, count in min, min + step, ..., max. group 0: not
  // captured.
  struct Step {
    Class cls;
    std::uint16_t min;
    std::uint16_t max;  // kMany: no bound
    std::uint16_t step = 1;
    std::uint16_t group = 0;
    wchar_t a = 0;
    wchar_t b = 0;
  };

  // The character classes \s and \d are taken as the regular-expression traits of the current
  // global locale see them (as a pattern compiled now would).
  SequenceMatcher();

  void AddAlternative(std::vector<Step> steps);
  std::size_t GroupCount() const { return groupCount_; }

  // Whole-text match. On success subMatches holds the whole text and then every group (empty
  // when it did not take part); on failure it is emptied.
  bool Match(std::wstring_view text, std::vector<std::wstring>& subMatches);

 private:
  bool In(const Step& s, wchar_t c) const;
  bool IsSpace(wchar_t c) const;
  bool IsDigit(wchar_t c) const;
  bool Walk(const std::vector<Step>& steps, std::size_t k, std::size_t pos);

  std::vector<std::vector<Step>> alternatives_;
  std::size_t groupCount_ = 0;
  std::regex_traits<wchar_t> traits_;
  std::regex_traits<wchar_t>::char_class_type spaceClass_{}, digitClass_{};
  std::uint8_t low_[256] = {};  // bit 0: \s, bit 1: \d, for the first 256 characters

  // State of one match.
  std::wstring_view text_;
  std::vector<std::uint8_t> failed_;  // (step, position) states known to fail
  struct Span {
    std::size_t start = 0, length = 0;
    bool matched = false;
  };
  std::vector<Span> spans_;
};

}  // namespace velk::corvane
