// The edit control: text with a selection, case and digit styles, a length limit, a read-only
// state, and the EN_* notifications to its parent.
#include <algorithm>
#include <cwctype>

#include "platform/win/responder.h"
#include "platform/com/plain_text.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

constexpr int kDefaultLimit = 0x7FFFFFFE;

struct EditData : WindowData {
  int selStart = 0;
  int selEnd = 0;
  int limit = kDefaultLimit;
  bool modified = false;
  wchar_t password = 0;
};

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }

std::wstring CaseOf(HWND h, std::wstring s) {
  DWORD st = StyleOf(h);
  if (st & ES_UPPERCASE)
    s = ToUpper(std::move(s));
  else if (st & ES_LOWERCASE)
    s = ToLower(std::move(s));
  return s;
}

void Changed(HWND h) {
  InvalidateRect(h, nullptr, TRUE);
  NotifyParentCommand(h, EN_UPDATE);
  NotifyParentCommand(h, EN_CHANGE);
}

// Replaces the selection by text; false when nothing could be inserted.
bool Replace(HWND h, EditData& d, std::wstring text, bool byUser) {
  WindowPtr w = Find(h);
  if (!w) return false;
  text = CaseOf(h, std::move(text));
  int a = std::min(d.selStart, d.selEnd), b = std::max(d.selStart, d.selEnd);
  a = std::clamp(a, 0, static_cast<int>(w->text.size()));
  b = std::clamp(b, 0, static_cast<int>(w->text.size()));
  long long room =
      static_cast<long long>(d.limit) - (static_cast<long long>(w->text.size()) - (b - a));
  if (room < static_cast<long long>(text.size())) {
    NotifyParentCommand(h, EN_MAXTEXT);
    if (room <= 0) return false;
    text.resize(static_cast<std::size_t>(room));
  }
  w->text.replace(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a), text);
  d.selStart = d.selEnd = a + static_cast<int>(text.size());
  if (byUser) d.modified = true;
  Changed(h);
  return true;
}

void OnChar(HWND h, EditData& d, wchar_t c) {
  DWORD st = StyleOf(h);
  bool multi = (st & ES_MULTILINE) != 0;
  if (st & ES_READONLY) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  if (c == L'\b') {
    WindowPtr w = Find(h);
    if (d.selStart == d.selEnd) {
      if (d.selStart == 0) return;
      d.selStart -= 1;
    }
    Replace(h, d, L"", true);
    (void)w;
    return;
  }
  if (c == L'\r') {
    if (multi) Replace(h, d, L"\r\n", true);
    return;
  }
  if (c < 0x20) return;
  if ((st & ES_NUMBER) && !(c >= L'0' && c <= L'9')) {
    MessageBeep(0xFFFFFFFF);
    return;
  }
  Replace(h, d, std::wstring(1, c), true);
}

LRESULT EditProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    WindowPtr w = Find(h);
    if (w) w->data = std::make_unique<EditData>();
    DefWindowProcW(h, msg, wp, lp);
    if (w) w->text = CaseOf(h, w->text);
    return TRUE;
  }
  auto* d = DataOf<EditData>(h);
  WindowPtr w = Find(h);
  if (!d || !w) return DefWindowProcW(h, msg, wp, lp);
  int len = static_cast<int>(w->text.size());
  switch (msg) {
    case WM_SETTEXT: {
      w->text = CaseOf(h, lp ? reinterpret_cast<LPCWSTR>(lp) : L"");
      d->selStart = d->selEnd = 0;
      d->modified = false;
      Changed(h);
      return TRUE;
    }
    case WM_CHAR: OnChar(h, *d, static_cast<wchar_t>(wp)); return 0;
    case WM_KEYDOWN:
      switch (wp) {
        case VK_DELETE:
          if (StyleOf(h) & ES_READONLY) return 0;
          if (d->selStart == d->selEnd) {
            if (d->selEnd >= len) return 0;
            d->selEnd += 1;
          }
          Replace(h, *d, L"", true);
          return 0;
        case VK_LEFT:
          d->selStart = d->selEnd =
              std::max(0, std::min(d->selStart, d->selEnd) - (d->selStart == d->selEnd ? 1 : 0));
          return 0;
        case VK_RIGHT:
          d->selStart = d->selEnd =
              std::min(len, std::max(d->selStart, d->selEnd) + (d->selStart == d->selEnd ? 1 : 0));
          return 0;
        case VK_HOME: d->selStart = d->selEnd = 0; return 0;
        case VK_END: d->selStart = d->selEnd = len; return 0;
        default: return DefWindowProcW(h, msg, wp, lp);
      }
    case EM_GETSEL: {
      if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(d->selStart);
      if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(d->selEnd);
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min(d->selStart, 0xFFFF)),
                                           static_cast<WORD>(std::min(d->selEnd, 0xFFFF))));
    }
    case EM_SETSEL: {
      int a = static_cast<int>(static_cast<std::intptr_t>(wp));
      int b = static_cast<int>(lp);
      if (a == -1) {
        d->selStart = d->selEnd;
        return 0;
      }
      if (b == -1 || b > len) b = len;
      a = std::clamp(a, 0, len);
      b = std::clamp(b, 0, len);
      d->selStart = std::min(a, b);
      d->selEnd = std::max(a, b);
      return 0;
    }
    case EM_REPLACESEL: Replace(h, *d, lp ? reinterpret_cast<LPCWSTR>(lp) : L"", true); return 0;
    case EM_LIMITTEXT:
      d->limit = wp ? static_cast<int>(std::min<WPARAM>(wp, kDefaultLimit)) : kDefaultLimit;
      return 0;
    case EM_GETLIMITTEXT: return d->limit;
    case EM_SETREADONLY: {
      DWORD st = StyleOf(h);
      SetWindowLongPtrW(h, GWL_STYLE,
                        static_cast<LONG_PTR>(wp ? (st | ES_READONLY) : (st & ~ES_READONLY)));
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    case EM_GETMODIFY: return d->modified ? TRUE : FALSE;
    case EM_SETMODIFY: d->modified = wp != 0; return 0;
    case EM_SETPASSWORDCHAR: d->password = static_cast<wchar_t>(wp); return 0;
    case EM_GETLINECOUNT: return 1 + std::count(w->text.begin(), w->text.end(), L'\n');
    case EM_CANUNDO: return FALSE;
    case WM_CLEAR:
    case WM_CUT:
      if (!(StyleOf(h) & ES_READONLY) && d->selStart != d->selEnd) Replace(h, *d, L"", true);
      return 0;
    case WM_SETFOCUS: NotifyParentCommand(h, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS:
      d->selStart = d->selEnd;
      NotifyParentCommand(h, EN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(h);
      d->selStart = d->selEnd = len;
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      if ((StyleOf(h) & ES_MULTILINE) && (StyleOf(h) & ES_WANTRETURN) && m &&
          m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterEditClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = EditProc;
  wc.lpszClassName = WC_EDIT;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail
