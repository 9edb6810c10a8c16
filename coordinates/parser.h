// The single entry for checking and cleaning a typed coordinate: joins one validator and one
// formatter of the same notation. A valid text is replaced by its canonical display text, any
// other by the notation's edit mask.
#pragma once

#include <string>

#include "coordinates/formatter.h"
#include "coordinates/validator.h"
#include "platform/com/bstr.h"

namespace velk::corvane {

class Parser {
 public:
  // The text shown when the parser has no validator or no formatter.
  static constexpr const wchar_t* kNoMembersText = L"No members initialized!!!";

  Parser() = default;
  // Both borrowed: the owner keeps them alive as long as the parser.
  Parser(Validator* validator, Formatter* formatter)
      : validator_(validator), formatter_(formatter) {}
  virtual ~Parser() = default;

  // False without a validator; else the validator's check of the text as it is.
  bool IsValid(const std::wstring& text);
  // Upper-cases, normalizes, checks and formats the text in place. True when it was valid; an
  // invalid text becomes the formatter's template. A null *text counts as empty.
  bool Parse(BSTR* text);
  // The same for a window text.
  bool ParseText(std::wstring* text);
  // Whether ParseText would read the text: valid for the validator and showable by the
  // formatter (which refuses over-long degrees, a carry to 100 and texts past 39 characters).
  // The text itself is left as it is.
  bool CanParse(const std::wstring& text);

  Validator* GetValidator() const { return validator_; }
  Formatter* GetFormatter() const { return formatter_; }

 private:
  // Steps shared by both forms, on the normalized text.
  bool FormatInPlace(std::wstring& text);

  Validator* validator_ = nullptr;
  Formatter* formatter_ = nullptr;
};

}  // namespace velk::corvane
