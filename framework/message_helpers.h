// Talking to the user and the host: message boxes with string-table texts, hints on the host's
// status bar, and the message pump that keeps the user interface alive in long loops. Texts
// are shown as the string table holds them; a caller that needs inserts formats them first.
#pragma once

#include <exception>
#include <string>

#include "framework/hook_struct.h"
#include "platform/com/bstr.h"
#include "platform/win/window_handle.h"

namespace velk::corvane {

// The caption every caller passes, and the message-box types in use.
constexpr UINT kErrorCaptionId = 3576;
constexpr UINT kExclamationOk = 0x30;
constexpr UINT kStopOk = 0x10;
constexpr UINT kQuestionYesNo = 0x24;
// A question whose answer may destroy data: No is the default button (Enter, no answer).
constexpr UINT kQuestionYesNoDefaultNo = kQuestionYesNo | 0x100;

void ShowMessageBox(HWND owner, UINT textId, UINT captionId, UINT type);
// An error message (caption "Error", exclamation icon) whose text takes one insert (%1).
void ShowFormattedMessageBox(HWND owner, UINT textId, const std::wstring& insert);
// The button the user pressed (IDYES, IDNO, ...).
int AskMessageBox(HWND owner, UINT textId, UINT captionId, UINT type);
// The text of a COM error (the exception that stopped an operation) in an error message box.
void ShowComErrorBox(HWND owner, const std::exception_ptr& error);
// Owned by the host's window (none when the host has no window).
void ShowHostMessageBox(HookStruct& hook, UINT textId, UINT captionId, UINT type);

// Puts the text into the pane of the host's status bar; nothing without an application. A host
// without a status bar raises E_POINTER.
void ShowStatusText(HookStruct& hook, LONG pane, BSTR text);
void ShowStatusTextById(HookStruct& hook, LONG pane, UINT textId);

// Removes and dispatches every message waiting in the thread's queue.
void PumpWaitingMessages();

}  // namespace velk::corvane
