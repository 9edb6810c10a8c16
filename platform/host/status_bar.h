// The application's status bar: text panes, pane 0 being the message pane.
#pragma once

#include <map>

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IStatusBar : IUnknown {
  VELK_INTERFACE_ID("{89E6441C-470F-414E-AC18-F5CC008336E1}")
  virtual HRESULT put_Message(LONG pane, BSTR text) = 0;
  // The pane's current text (empty when nothing was set).
  virtual HRESULT get_Message(LONG pane, BSTR* text) = 0;
};

namespace velk::host {

class StatusBar : public ComObjectRoot<StatusBar, IStatusBar> {
 public:
  HRESULT put_Message(LONG pane, BSTR text) override;
  HRESULT get_Message(LONG pane, BSTR* text) override;

 private:
  std::map<LONG, std::wstring> panes_;
};

}  // namespace velk::host
