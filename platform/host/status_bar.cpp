#include "platform/host/status_bar.h"

#include "platform/host/track_cancel.h"

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

}  // namespace velk::host
