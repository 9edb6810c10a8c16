#include "platform/host/shell/status_bar.h"

#include "platform/com/out_param.h"
#include "platform/host/data/track_cancel.h"

namespace velk::host {

HRESULT StatusBar::put_Message(LONG pane, BSTR text) {
  panes_[pane] = BstrToWstring(text);
  if (pane == 0) NoteStatusMessage(panes_[pane]);
  return S_OK;
}

HRESULT StatusBar::get_Message(LONG pane, BSTR* text) {
  if (!text) return E_POINTER;
  auto it = panes_.find(pane);
  *text = AllocBstr(it == panes_.end() ? std::wstring() : it->second);
  return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT StatusBar::get_ProgressBar(IStepProgressor** bar) {
  if (!bar) return E_POINTER;
  *bar = static_cast<IStepProgressor*>(this);
  (*bar)->AddRef();
  return S_OK;
}
HRESULT StatusBar::put_MinRange(LONG value) {
  min_ = value;
  return S_OK;
}
HRESULT StatusBar::put_MaxRange(LONG value) {
  max_ = value;
  return S_OK;
}
HRESULT StatusBar::put_Position(LONG value) {
  position_ = value;
  return S_OK;
}
HRESULT StatusBar::get_Position(LONG* value) {
  if (!value) return E_POINTER;
  *value = position_;
  return S_OK;
}
HRESULT StatusBar::Step() {
  if (position_ < min_) position_ = min_;
  if (position_ < max_) ++position_;
  return S_OK;
}
HRESULT StatusBar::put_Message(BSTR text) {
  progressMessage_ = BstrToWstring(text);
  return S_OK;
}
HRESULT StatusBar::get_Message(BSTR* text) {
  if (!text) return E_POINTER;
  *text = AllocBstr(progressMessage_);
  return S_OK;
}
HRESULT StatusBar::Show() {
  shown_ = true;
  return S_OK;
}
HRESULT StatusBar::Hide() {
  shown_ = false;
  return S_OK;
}
HRESULT StatusBar::get_Visible(VARIANT_BOOL* visible) {
  if (!visible) return E_POINTER;
  *visible = ToVariantBool(shown_);
  return S_OK;
}

}  // namespace velk::host
