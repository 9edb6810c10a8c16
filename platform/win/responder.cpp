#include "platform/win/responder.h"

#include <algorithm>
#include <cwchar>

#include "platform/win/window_internal.h"

namespace velk::win {

namespace {

Responder g_default;
Responder* g_responder = nullptr;
std::vector<UserEvent>& Events() {
  static auto* v = new std::vector<UserEvent>();
  return *v;
}
DWORD g_dlgError = 0;

std::vector<std::pair<std::wstring, std::wstring>> SplitFilter(LPCWSTR f) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  if (!f) return out;
  while (*f) {
    std::wstring desc = f;
    f += desc.size() + 1;
    if (!*f) {
      out.emplace_back(desc, L"");
      break;
    }
    std::wstring pat = f;
    f += pat.size() + 1;
    out.emplace_back(desc, pat);
  }
  return out;
}

BOOL RunFileDialog(OPENFILENAMEW* ofn, bool save) {
  g_dlgError = 0;
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    g_dlgError = 0xFFFF;  // a dialog that cannot start: bad structure
    return FALSE;
  }
  FileDialogRequest r;
  r.save = save;
  r.owner = ofn->hwndOwner;
  if (ofn->lpstrTitle) r.title = ofn->lpstrTitle;
  r.filters = SplitFilter(ofn->lpstrFilter);
  if (ofn->lpstrInitialDir) r.initialDir = ofn->lpstrInitialDir;
  r.initialName = ofn->lpstrFile;
  if (ofn->lpstrDefExt) r.defaultExtension = ofn->lpstrDefExt;
  r.flags = ofn->Flags;
  std::wstring path;
  bool ok = CurrentResponder().OnFileDialog(r, &path);
  if (ok && !r.defaultExtension.empty()) {
    auto slash = path.find_last_of(L"/\\");
    auto dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
      path += L"." + r.defaultExtension;
  }
  UserEvent e;
  e.kind = UserEvent::Kind::FileDialog;
  e.window = ofn->hwndOwner;
  e.caption = r.title;
  // Several picks (folder, then names, NUL between them) are shown with blanks between them.
  e.text = ok ? path : std::wstring();
  std::replace(e.text.begin(), e.text.end(), L'\0', L' ');
  e.type = save ? 1 : 0;
  e.answer = ok ? IDOK : IDCANCEL;
  Events().push_back(e);
  if (!ok) return FALSE;
  if (path.size() + 1 > ofn->nMaxFile) {
    g_dlgError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::wmemcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  auto slash = path.find_last_of(L"/\\");
  ofn->nFileOffset = static_cast<WORD>(slash == std::wstring::npos ? 0 : slash + 1);
  auto dot = path.find_last_of(L'.');
  ofn->nFileExtension = static_cast<WORD>(
      (dot == std::wstring::npos || dot < ofn->nFileOffset) ? path.size() : dot + 1);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle)
    detail::CopyToBuffer(path.substr(ofn->nFileOffset), ofn->lpstrFileTitle,
                         static_cast<int>(ofn->nMaxFileTitle));
  return TRUE;
}

}  // namespace

int Responder::OnMessageBox(HWND, const std::wstring&, const std::wstring&, UINT) { return 0; }
bool Responder::OnFileDialog(const FileDialogRequest&, std::wstring*) { return false; }
void Responder::OnHelp(const HelpRequest&) {}
bool Responder::OnModalIdle(HWND) { return false; }
void Responder::OnModalEnd(HWND, INT_PTR) {}

void SetResponder(Responder* responder) { g_responder = responder; }
Responder& CurrentResponder() { return g_responder ? *g_responder : g_default; }

const std::vector<UserEvent>& UserEvents() { return Events(); }
void ClearUserEvents() { Events().clear(); }

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}

int DefaultMessageBoxButton(UINT type) {
  std::vector<int> b = MessageBoxButtons(type);
  std::size_t i = (type & MB_DEFMASK) >> 8;
  return i < b.size() ? b[i] : b.front();
}

std::wstring ButtonName(int id) {
  switch (id) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    case IDCLOSE: return L"Close";
    case IDHELP: return L"Help";
    case IDTRYAGAIN: return L"Try Again";
    case IDCONTINUE: return L"Continue";
    default: return std::to_wstring(id);
  }
}

int ButtonFromName(const std::wstring& name) {
  for (int id = IDOK; id <= IDCONTINUE; ++id)
    if (detail::EqualsNoCase(ButtonName(id), name)) return id;
  if (detail::EqualsNoCase(name, L"TryAgain")) return IDTRYAGAIN;
  return 0;
}

}  // namespace velk::win

using namespace velk::win;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  UserEvent e;
  e.kind = UserEvent::Kind::MessageBox;
  e.window = owner;
  e.text = text ? text : L"";
  e.caption = caption ? caption : L"Error";
  e.type = type;
  int answer = CurrentResponder().OnMessageBox(owner, e.text, e.caption, type);
  std::vector<int> buttons = MessageBoxButtons(type);
  // An answer the box has no button for is not possible for a user; the default stands.
  if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end())
    answer = DefaultMessageBoxButton(type);
  e.answer = answer;
  Events().push_back(e);
  return answer;
}

BOOL MessageBeep(UINT type) {
  UserEvent e;
  e.kind = UserEvent::Kind::Beep;
  e.type = type;
  Events().push_back(e);
  return TRUE;
}

BOOL FlashWindow(HWND h, BOOL invert) {
  if (!IsWindow(h)) return FALSE;
  UserEvent e;
  e.kind = UserEvent::Kind::Flash;
  e.window = h;
  e.type = invert ? 1 : 0;
  Events().push_back(e);
  return FALSE;
}

BOOL WinHelpW(HWND h, LPCWSTR helpFile, UINT command, ULONG_PTR data) {
  HelpRequest r;
  r.window = h;
  r.file = helpFile ? helpFile : L"";
  r.command = command;
  r.data = data;
  if (command == HELP_CONTEXTMENU || command == HELP_WM_HELP) {
    const DWORD* p = reinterpret_cast<const DWORD*>(data);
    // The list is read up to its (0, 0) end; a list without one is cut at 1024 pairs.
    for (int i = 0; p && i < 1024; ++i, p += 2) {
      if (p[0] == 0 && p[1] == 0) break;
      r.pairs.push_back(p[0]);
      r.pairs.push_back(p[1]);
    }
  }
  UserEvent e;
  e.kind = UserEvent::Kind::Help;
  e.window = h;
  e.text = r.file;
  e.type = command;
  e.help = r;
  Events().push_back(e);
  CurrentResponder().OnHelp(r);
  return TRUE;
}

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return RunFileDialog(ofn, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return RunFileDialog(ofn, true); }
DWORD CommDlgExtendedError() { return g_dlgError; }
