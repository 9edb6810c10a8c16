// What the three document classes share: the title, the parent application (not counted: the
// application owns its document) and the command bars.
#pragma once

#include <string>

#include "platform/host/shell/application.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/documents/document.h"

namespace velk::host {

class DocumentBase {
 public:
  DocumentBase();
  virtual ~DocumentBase() = default;

  // The application sets itself when it takes the document and clears itself at shutdown.
  void SetParent(IApplication* application);
  CommandBars& Bars() { return *bars_; }

 protected:
  HRESULT GetTitle(BSTR* title) const;
  HRESULT GetParent(IApplication** application) const;
  HRESULT GetCommandBars(ICommandBars** bars) const;

 private:
  std::wstring title_ = L"Untitled";
  IApplication* parent_ = nullptr;
  ComPtr<CommandBars> bars_;
};

}  // namespace velk::host
