// Dialogs built from dialog templates: modeless creation, modal runs, the default dialog
// procedure, dialog keys (IsDialogMessageW: Tab, Enter, Esc, arrows, mnemonics) and the dialog
// item helpers.
//
// A modal run pumps the thread's queue; when nothing is queued it asks the responder
// (responder.h) to act as the user. When the responder has nothing more to do, the user
// closes the dialog: the loop sends IDCANCEL, and ends the dialog with IDCANCEL itself when the
// dialog does not end on that.
#pragma once

#include "platform/win/dialog_template.h"
#include "platform/win/window.h"

HWND CreateDialogParamW(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM initParam);
INT_PTR DialogBoxParamW(HINSTANCE inst, LPCWSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam);
// The same from a template in memory (instance: where a control finds its images and texts).
INT_PTR DialogBoxIndirectParamW(HINSTANCE inst, const velk::win::DialogTemplate* tmpl, HWND owner,
                                DLGPROC proc, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
BOOL IsDialogMessageW(HWND dialog, MSG* msg);

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buf, int cch);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wp, LPARAM lp);
BOOL MapDialogRect(HWND dialog, RECT* r);

namespace velk::win {

// True for a window made by the dialog manager.
bool IsDialogWindow(HWND h);
// The template id a dialog was made from (0 for a template given by text name or in memory).
int DialogTemplateId(HWND dialog);
// True while a modal run of the dialog goes on.
bool IsModalDialog(HWND dialog);
// The resource module dialog objects take their templates from when they name none (set by a
// library at start-up; null until then).
void SetDefaultResourceInstance(HINSTANCE inst);
HINSTANCE DefaultResourceInstance();
// Hands a dialog object to the dialog procedure that receives the next dialog's first
// message (the windowing library's dialog templates use this to bind object and window).
void SetPendingDialogObject(void* object);
void* TakePendingDialogObject();
// Why the last dialog creation failed (template missing or malformed, control class unknown).
const std::string& LastDialogError();

}  // namespace velk::win
