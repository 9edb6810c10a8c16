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

// The status bar's progress bar: a range, a position that steps, a message, shown or hidden.
struct IStepProgressor : IUnknown {
  VELK_INTERFACE_ID("{2A6C8E0B-4D1F-4B3A-9C5E-7F8A9B0C1D22}")
  virtual HRESULT put_MinRange(LONG value) = 0;
  virtual HRESULT put_MaxRange(LONG value) = 0;
  virtual HRESULT put_Position(LONG value) = 0;
  virtual HRESULT get_Position(LONG* value) = 0;
  // One step up, never past the maximum.
  virtual HRESULT Step() = 0;
  virtual HRESULT put_Message(BSTR text) = 0;
  virtual HRESULT get_Message(BSTR* text) = 0;
  virtual HRESULT Show() = 0;
  virtual HRESULT Hide() = 0;
  virtual HRESULT get_Visible(VARIANT_BOOL* visible) = 0;
};

struct IStatusBarProgress : IUnknown {
  VELK_INTERFACE_ID("{3B7D9F1C-5E20-4C4B-8D6F-809A1B2C3E33}")
  virtual HRESULT get_ProgressBar(IStepProgressor** bar) = 0;
};

namespace velk::host {

class StatusBar : public ComObjectRoot<StatusBar, IStatusBar, IStatusBarProgress, IStepProgressor> {
 public:
  using IStatusBar::QueryInterface;
  HRESULT put_Message(LONG pane, BSTR text) override;
  HRESULT get_Message(LONG pane, BSTR* text) override;
  HRESULT get_ProgressBar(IStepProgressor** bar) override;
  HRESULT put_MinRange(LONG value) override;
  HRESULT put_MaxRange(LONG value) override;
  HRESULT put_Position(LONG value) override;
  HRESULT get_Position(LONG* value) override;
  HRESULT Step() override;
  HRESULT put_Message(BSTR text) override;
  HRESULT get_Message(BSTR* text) override;
  HRESULT Show() override;
  HRESULT Hide() override;
  HRESULT get_Visible(VARIANT_BOOL* visible) override;

 private:
  std::map<LONG, std::wstring> panes_;
  LONG min_ = 0, max_ = 100, position_ = 0;
  std::wstring progressMessage_;
  bool shown_ = false;
};

}  // namespace velk::host
