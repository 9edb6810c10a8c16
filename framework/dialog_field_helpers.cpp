#include "framework/dialog_field_helpers.h"

#include "framework/message_helpers.h"
#include "framework/numeric_field_helpers.h"
#include "platform/win/clock.h"
#include "platform/win/dialog.h"
#include "platform/win/responder.h"

namespace velk::corvane {

void FlashInputError(HWND window, bool setFocus) {
  if (!IsWindow(window)) return;
  FlashWindow(window, TRUE);
  Sleep(500);
  FlashWindow(window, TRUE);
  MessageBeep(MB_ICONEXCLAMATION);
  if (setFocus) SetFocus(window);
}

void SetDlgItemDouble(HWND dialog, int itemId, double value, int decimals,
                      const std::wstring& fallback) {
  SetDlgItemTextW(dialog, itemId, FormatFieldDouble(value, decimals, fallback).c_str());
}

double ReadWindowDouble(HWND window) {
  double v = 0.0;
  ParseLocaleDouble(win::WindowText(window), &v);
  return v;
}

bool ReadDlgItemDouble(HWND dialog, int itemId, double* value, bool errorShown) {
  HWND item = GetDlgItem(dialog, itemId);
  std::wstring text = win::WindowText(item);
  if (!text.empty()) {
    ParseLocaleDouble(text, value);
    return errorShown;
  }
  if (!errorShown) FlashInputError(item, true);
  return true;
}

bool CheckDlgItemNumbers(HWND dialog, std::initializer_list<NamedField> fields) {
  for (const NamedField& f : fields) {
    HWND item = GetDlgItem(dialog, f.id);
    const std::wstring text = win::WindowText(item);
    if (text.empty() || ParseFieldNumber(text, nullptr)) continue;
    FlashInputError(item, true);
    ShowFormattedMessageBox(dialog, kIdsFieldNotANumber, f.name);
    return false;
  }
  return true;
}

}  // namespace velk::corvane
