// Coordinate edits: colour edits that carry a parser of their notation. They never check text
// on their own; their owner asks them to (ParseWindowText) and shows the outcome.
#pragma once

#include "coordinates/colored_edit_ctrl.h"
#include "coordinates/dms_formatter.h"
#include "coordinates/dms_validator.h"
#include "coordinates/mgrs_formatter.h"
#include "coordinates/mgrs_validator.h"
#include "coordinates/parser.h"
#include "coordinates/utm_formatter.h"
#include "coordinates/utm_validator.h"

namespace velk::corvane {

inline constexpr COLORREF kInvalidTextColor = RGB(255, 0, 0);

class ValidatedEditCtrl : public CColoredEditCtrl {
 public:
  ValidatedEditCtrl() = default;

  // Cleans the edit's text with the parser: a valid text becomes its canonical form drawn in
  // the normal colour, any other the notation's mask drawn in red. Returns whether the text was
  // valid; an edit without a window or without a parser's members changes nothing and answers
  // false.
  bool ParseWindowText();

  Parser m_parser;
};

class DMSValidatedEditCtrl : public ValidatedEditCtrl {
 public:
  DMSValidatedEditCtrl() { m_parser = Parser(&m_validator, &m_formatter); }
  DMSValidator m_validator;
  DMSFormatter m_formatter;
};

class UTMValidatedEditCtrl : public ValidatedEditCtrl {
 public:
  UTMValidatedEditCtrl() { m_parser = Parser(&m_validator, &m_formatter); }
  UTMValidator m_validator;
  UTMFormatter m_formatter;
};

class MGRSValidatedEditCtrl : public ValidatedEditCtrl {
 public:
  MGRSValidatedEditCtrl() { m_parser = Parser(&m_validator, &m_formatter); }
  MGRSValidator m_validator;
  MGRSFormatter m_formatter;
};

}  // namespace velk::corvane
