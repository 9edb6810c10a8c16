// Turns the parts a validator found into the canonical display text of its notation.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "coordinates/localized_coordinate_symbols.h"

namespace velk::corvane {

class Formatter {
 public:
  // A display text has at most this many characters.
  static constexpr std::size_t kMaxDisplayLength = 39;

  Formatter() = default;
  virtual ~Formatter() = default;
  Formatter(const Formatter&) = delete;
  Formatter& operator=(const Formatter&) = delete;

  // Builds the display text from a validator's SubMatches into out. False, with out left as
  // it was, when the parts cannot be shown as a sound coordinate (the parser then shows the
  // template and reports the text invalid).
  virtual bool Format(std::wstring& out, const std::vector<std::wstring>& subMatches) = 0;

  // The edit mask of the notation, shown for a text that is not valid.
  const std::wstring& Template() const { return template_; }
  const LocalizedCoordinateSymbols& Symbols() const { return symbols_; }

 protected:
  // Sub-match i, or an empty text when the list is shorter.
  static const std::wstring& Part(const std::vector<std::wstring>& subMatches, std::size_t i);

  std::wstring template_;
  LocalizedCoordinateSymbols symbols_;
};

}  // namespace velk::corvane
