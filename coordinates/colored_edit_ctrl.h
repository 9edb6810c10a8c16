// An edit control that paints its own text and background colours: a normal set (editable), a
// disabled set and a read-only set, answered to the colour messages its parent reflects to it.
#pragma once

#include "platform/win/control_wrappers.h"
#include "platform/win/window_impl.h"

namespace velk::corvane {

inline constexpr COLORREF kDefaultColor = 0xFFFFFFFF;

// A window implementation over the platform edit.
template <class T>
class CColoredEditImpl
    : public ATL::CWindowImpl<
          T, WTL::CEdit,
          ATL::CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0>> {};

class CColoredEditCtrl : public CColoredEditImpl<CColoredEditCtrl> {
 public:
  CColoredEditCtrl() = default;
  ~CColoredEditCtrl() override;
  CColoredEditCtrl(const CColoredEditCtrl&) = delete;
  CColoredEditCtrl& operator=(const CColoredEditCtrl&) = delete;

  BEGIN_MSG_MAP(CColoredEditCtrl)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(OCM_CTLCOLOREDIT, OnCtlColorEdit)
  MESSAGE_HANDLER(OCM_CTLCOLORMSGBOX, OnCtlColorEdit)
  MESSAGE_HANDLER(OCM_CTLCOLORSTATIC, OnCtlColorStatic)
  END_MSG_MAP()

  // Only while the control has a window. A text colour of kDefaultColor takes the set's
  // default; a background of kDefaultColor the default system colour and its system brush; any
  // other background a solid brush of its own (the set's earlier one is deleted). The control
  // is then invalidated with erasing.
  void SetNormalColors(COLORREF text, COLORREF background);
  void SetDisabledColors(COLORREF text, COLORREF background);
  void SetReadOnlyColors(COLORREF text, COLORREF background);
  void ResetColors();
  // Subclasses an edit of a dialog and, on success, resets the colours.
  BOOL SubclassWindow(HWND window);

  enum Set { kNormal = 0, kDisabled = 1, kReadOnly = 2 };
  COLORREF TextColor(Set s) const { return text_[s]; }
  COLORREF BackgroundColor(Set s) const { return back_[s]; }
  HBRUSH Brush(Set s) const { return brush_[s]; }

 protected:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnCtlColorEdit(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnCtlColorStatic(UINT, WPARAM wParam, LPARAM, BOOL&);

 private:
  void SetColors(Set s, COLORREF text, COLORREF background);
  LRESULT Paint(Set s, HDC dc);

  COLORREF text_[3] = {0, 0, 0};
  COLORREF back_[3] = {0, 0, 0};
  HBRUSH owned_[3] = {nullptr, nullptr, nullptr};
  HBRUSH brush_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace velk::corvane
