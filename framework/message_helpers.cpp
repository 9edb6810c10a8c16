#include "framework/message_helpers.h"

#include "framework/corvane_module.h"
#include "platform/com/hresult_text.h"
#include "platform/win/format_message.h"
#include "platform/win/message_queue.h"
#include "platform/win/messages.h"
#include "platform/win/responder.h"

namespace velk::corvane {

void ShowMessageBox(HWND owner, UINT textId, UINT captionId, UINT type) {
  AskMessageBox(owner, textId, captionId, type);
}

void ShowFormattedMessageBox(HWND owner, UINT textId, const std::wstring& insert) {
  std::wstring text;
  if (!velk::win::FormatInserts(LoadResString(textId), {insert}, &text))
    text = LoadResString(textId);
  std::wstring caption = LoadResString(kErrorCaptionId);
  MessageBoxW(owner, text.c_str(), caption.c_str(), kExclamationOk);
}

int AskMessageBox(HWND owner, UINT textId, UINT captionId, UINT type) {
  std::wstring text = LoadResString(textId);
  std::wstring caption = LoadResString(captionId);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

void ShowComErrorBox(HWND owner, const std::exception_ptr& error) {
  HRESULT hr = E_FAIL;
  try {
    std::rethrow_exception(error);
  } catch (...) {
    hr = HresultFromCurrentException();
  }
  const std::wstring text = HresultText(hr);
  ::MessageBoxW(owner, text.c_str(), LoadResString(kErrorCaptionId).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ShowHostMessageBox(HookStruct& hook, UINT textId, UINT captionId, UINT type) {
  ShowMessageBox(hook.GetWindowHandle(), textId, captionId, type);
}

namespace {
void SetStatus(HookStruct& hook, LONG pane, const std::wstring* text, UINT textId) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) return;
  std::wstring loaded = text ? *text : LoadResString(textId);
  ComPtr<IStatusBar> bar;
  app->get_StatusBar(bar.put());
  if (!bar) ThrowComError(E_POINTER);
  bar->put_Message(pane, Bstr(loaded));
}
}  // namespace

void ShowStatusText(HookStruct& hook, LONG pane, BSTR text) {
  std::wstring t = BstrToWstring(text);
  SetStatus(hook, pane, &t, 0);
}

void ShowStatusTextById(HookStruct& hook, LONG pane, UINT textId) {
  SetStatus(hook, pane, nullptr, textId);
}

void PumpWaitingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace velk::corvane
