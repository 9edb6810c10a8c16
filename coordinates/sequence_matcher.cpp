#include "coordinates/sequence_matcher.h"

#include <algorithm>

namespace velk::corvane {

SequenceMatcher::SequenceMatcher() {
  const wchar_t s[] = L"s", d[] = L"d";
  spaceClass_ = traits_.lookup_classname(s, s + 1);
  digitClass_ = traits_.lookup_classname(d, d + 1);
  for (unsigned c = 0; c < 256; ++c) {
    const wchar_t ch = static_cast<wchar_t>(c);
    low_[c] = static_cast<std::uint8_t>((traits_.isctype(ch, spaceClass_) ? 1 : 0) |
                                        (traits_.isctype(ch, digitClass_) ? 2 : 0));
  }
}

void SequenceMatcher::AddAlternative(std::vector<Step> steps) {
  for (const Step& s : steps) groupCount_ = std::max<std::size_t>(groupCount_, s.group);
  alternatives_.push_back(std::move(steps));
}

bool SequenceMatcher::IsSpace(wchar_t c) const {
  if (static_cast<unsigned>(c) < 256) return (low_[static_cast<unsigned>(c)] & 1) != 0;
  return traits_.isctype(c, spaceClass_);
}

bool SequenceMatcher::IsDigit(wchar_t c) const {
  if (static_cast<unsigned>(c) < 256) return (low_[static_cast<unsigned>(c)] & 2) != 0;
  return traits_.isctype(c, digitClass_);
}

bool SequenceMatcher::In(const Step& s, wchar_t c) const {
  switch (s.cls) {
    case Class::kSpace: return IsSpace(c);
    case Class::kDigit: return IsDigit(c);
    case Class::kSeparator: return c == L'/' || c == L'\\' || IsSpace(c);
    case Class::kSpaceOrComma: return c == L' ' || c == L',';
    case Class::kBand: return c >= L'A' && c <= L'Z' && c != L'I' && c != L'O';
    case Class::kPolar: return c == L'A' || c == L'B' || c == L'Y' || c == L'Z';
    case Class::kChars: return c == s.a || c == s.b;
  }
  return false;
}

bool SequenceMatcher::Walk(const std::vector<Step>& steps, std::size_t k, std::size_t pos) {
  if (k == steps.size()) return pos == text_.size();
  const std::size_t width = text_.size() + 1;
  const Step& s = steps[k];
  std::size_t run = 0;
  while (run < s.max && pos + run < text_.size() && In(s, text_[pos + run])) ++run;
  if (run < s.min) return false;
  // Greedy: the longest allowed count first.
  std::size_t count = s.min + (run - s.min) / s.step * s.step;
  for (;;) {
    std::uint8_t& known = failed_[(k + 1) * width + pos + count];
    if (!known) {
      if (s.group) spans_[s.group] = Span{pos, count, true};
      if (Walk(steps, k + 1, pos + count)) return true;
      known = 1;
    }
    if (count < s.min + s.step) break;
    count -= s.step;
  }
  return false;
}

bool SequenceMatcher::Match(std::wstring_view text, std::vector<std::wstring>& subMatches) {
  subMatches.clear();
  text_ = text;
  const std::size_t width = text.size() + 1;
  for (const auto& steps : alternatives_) {
    failed_.assign((steps.size() + 1) * width, 0);
    spans_.assign(groupCount_ + 1, Span{});
    if (!Walk(steps, 0, 0)) continue;
    subMatches.resize(groupCount_ + 1);
    subMatches[0].assign(text);
    for (std::size_t g = 1; g <= groupCount_; ++g)
      if (spans_[g].matched) subMatches[g].assign(text.substr(spans_[g].start, spans_[g].length));
    return true;
  }
  return false;
}

}  // namespace velk::corvane
