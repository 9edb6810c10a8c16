// The user at the screen: message boxes, file dialogs and help calls are answered by a
// responder that a test or a session script installs, and every one of them, with beeps and
// window flashes, is recorded in order as what the user saw or heard.
#pragma once

#include <string>
#include <vector>

#include "platform/win/window.h"

// Message-box types and answers.
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONSTOP = 0x00000010;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFMASK = 0x00000F00;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
BOOL MessageBeep(UINT type);
BOOL FlashWindow(HWND h, BOOL invert);
// Help calls: recorded with their arguments; HELP_CONTEXTMENU's list of (control id, topic)
// pairs, ended by (0, 0), is copied into the record.
BOOL WinHelpW(HWND h, LPCWSTR helpFile, UINT command, ULONG_PTR data);

// File dialogs.
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr int MAX_PATH = 260;

struct OPENFILENAMEW {
  DWORD lStructSize = sizeof(OPENFILENAMEW);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCWSTR lpstrFilter = nullptr;  // pairs of NUL-ended texts, ended by an empty text
  LPWSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;
  LPWSTR lpstrFile = nullptr;  // in: initial name; out: the chosen path
  DWORD nMaxFile = 0;
  LPWSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCWSTR lpstrInitialDir = nullptr;
  LPCWSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCWSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  void* lpfnHook = nullptr;
  LPCWSTR lpTemplateName = nullptr;
};
using LPOPENFILENAMEW = OPENFILENAMEW*;

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn);
// The error of the last file dialog: 0 when the user cancelled, FNERR_BUFFERTOOSMALL when the
// chosen path did not fit the caller's buffer.
DWORD CommDlgExtendedError();
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

namespace velk::win {

struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::wstring title;
  std::vector<std::pair<std::wstring, std::wstring>> filters;  // (description, patterns)
  std::wstring initialDir;
  std::wstring initialName;
  std::wstring defaultExtension;
  DWORD flags = 0;
};

struct HelpRequest {
  HWND window = nullptr;
  std::wstring file;
  UINT command = 0;
  ULONG_PTR data = 0;
  std::vector<DWORD> pairs;  // HELP_CONTEXTMENU's list, without its (0, 0) end
};

// What the user would see or hear, in order.
struct UserEvent {
  enum class Kind { MessageBox, FileDialog, Help, Beep, Flash };
  Kind kind = Kind::MessageBox;
  HWND window = nullptr;  // owner, help window or flashed window
  std::wstring text;      // message text, chosen path, help file
  std::wstring caption;   // message caption, file dialog title
  UINT type = 0;          // message-box type, help command, beep type
  int answer = 0;         // message-box answer; file dialog: IDOK or IDCANCEL
  HelpRequest help;
};

class Responder {
 public:
  virtual ~Responder() = default;
  // The button the user presses; 0 takes the type's default button.
  virtual int OnMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                           UINT type);
  // The path the user chooses; false cancels.
  virtual bool OnFileDialog(const FileDialogRequest& request, std::wstring* path);
  virtual void OnHelp(const HelpRequest& request);
  // A modal loop has nothing queued: the user acts on the dialog (sets texts, presses buttons).
  // Return false when the user does nothing more; the loop then cancels the dialog.
  virtual bool OnModalIdle(HWND dialog);
  // A modal run ended with the result; its dialog is still there, about to be destroyed.
  virtual void OnModalEnd(HWND dialog, INT_PTR result);
};

// The installed responder (a default one that takes default buttons and cancels file dialogs
// when none is installed). The caller keeps ownership.
void SetResponder(Responder* responder);
Responder& CurrentResponder();

const std::vector<UserEvent>& UserEvents();
void ClearUserEvents();

// The buttons of a message-box type in order, and the default one.
std::vector<int> MessageBoxButtons(UINT type);
int DefaultMessageBoxButton(UINT type);
// The name of a button answer ("OK", "Cancel", "Yes", ...), and back (case ignored; 0 if none).
std::wstring ButtonName(int id);
int ButtonFromName(const std::wstring& name);

}  // namespace velk::win
