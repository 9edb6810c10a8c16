#include "coordinates/validated_edit_ctrl.h"

namespace velk::corvane {

bool ValidatedEditCtrl::ParseWindowText() {
  if (!m_hWnd || !m_parser.GetValidator() || !m_parser.GetFormatter()) return false;
  std::wstring text = GetWindowText();
  bool valid = m_parser.ParseText(&text);
  SetWindowText(text.c_str());
  SetNormalColors(valid ? kDefaultColor : kInvalidTextColor, kDefaultColor);
  return valid;
}

}  // namespace velk::corvane
