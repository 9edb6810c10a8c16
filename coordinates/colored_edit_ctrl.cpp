#include "coordinates/colored_edit_ctrl.h"

#include "platform/win/gdi.h"

namespace velk::corvane {

namespace {
struct Defaults {
  int text;
  int background;
};
constexpr Defaults kDefaults[3] = {
    {COLOR_WINDOWTEXT, COLOR_WINDOW},  // normal
    {COLOR_GRAYTEXT, COLOR_BTNFACE},   // disabled
    {COLOR_BTNTEXT, COLOR_BTNFACE},    // read-only
};
}  // namespace

CColoredEditCtrl::~CColoredEditCtrl() {
  for (HBRUSH& b : owned_) {
    if (b) DeleteObject(b);
    b = nullptr;
  }
}

void CColoredEditCtrl::SetColors(Set s, COLORREF text, COLORREF background) {
  if (!m_hWnd) return;
  text_[s] = text == kDefaultColor ? GetSysColor(kDefaults[s].text) : text;
  if (owned_[s]) {
    DeleteObject(owned_[s]);
    owned_[s] = nullptr;
  }
  if (background == kDefaultColor) {
    back_[s] = GetSysColor(kDefaults[s].background);
    brush_[s] = GetSysColorBrush(kDefaults[s].background);
  } else {
    back_[s] = background;
    owned_[s] = CreateSolidBrush(background);
    brush_[s] = owned_[s];
  }
  Invalidate(TRUE);
}

void CColoredEditCtrl::SetNormalColors(COLORREF text, COLORREF background) {
  SetColors(kNormal, text, background);
}
void CColoredEditCtrl::SetDisabledColors(COLORREF text, COLORREF background) {
  SetColors(kDisabled, text, background);
}
void CColoredEditCtrl::SetReadOnlyColors(COLORREF text, COLORREF background) {
  SetColors(kReadOnly, text, background);
}

void CColoredEditCtrl::ResetColors() {
  SetNormalColors(kDefaultColor, kDefaultColor);
  SetDisabledColors(kDefaultColor, kDefaultColor);
  SetReadOnlyColors(kDefaultColor, kDefaultColor);
}

BOOL CColoredEditCtrl::SubclassWindow(HWND window) {
  BOOL ok = CColoredEditImpl<CColoredEditCtrl>::SubclassWindow(window);
  if (ok) ResetColors();
  return ok;
}

LRESULT CColoredEditCtrl::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  ResetColors();
  bHandled = FALSE;
  return 0;
}

LRESULT CColoredEditCtrl::Paint(Set s, HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text_[s]);
  SetBkColor(dc, back_[s]);
  return reinterpret_cast<LRESULT>(brush_[s]);
}

LRESULT CColoredEditCtrl::OnCtlColorEdit(UINT, WPARAM wParam, LPARAM, BOOL&) {
  return Paint(kNormal, reinterpret_cast<HDC>(wParam));
}

LRESULT CColoredEditCtrl::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&) {
  return Paint(IsWindowEnabled() ? kReadOnly : kDisabled, reinterpret_cast<HDC>(wParam));
}

}  // namespace velk::corvane
