#include "platform/win/dialog.h"

#include <cwctype>

#include "platform/com/text.h"
#include "platform/win/gdi.h"
#include "platform/win/message_queue.h"
#include "platform/win/responder.h"
#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace velk::win::detail {
namespace {

struct DialogData : WindowData {
  bool ended = false;
  INT_PTR result = 0;
  int defId = 0;
  HWND savedFocus = nullptr;
  int templateId = 0;
  bool modal = false;
};

std::string g_lastError;

LRESULT DialogWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  return DefDlgProcW(h, msg, wp, lp);
}

bool IsSpecialResult(UINT msg) {
  return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
         msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON ||
         msg == WM_INITDIALOG;
}

bool IsTabbable(HWND c) {
  DWORD st = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE));
  return (st & WS_TABSTOP) && (st & WS_VISIBLE) && !(st & WS_DISABLED);
}

// The dialog's controls in order, entering children that hold controls of their own.
void Flatten(HWND parent, std::vector<HWND>* out) {
  WindowPtr w = Find(parent);
  if (!w) return;
  for (HWND c : w->children) {
    DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_EXSTYLE));
    DWORD st = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE));
    if ((ex & WS_EX_CONTROLPARENT) && (st & WS_VISIBLE) && !(st & WS_DISABLED))
      Flatten(c, out);
    else
      out->push_back(c);
  }
}

bool IsPushButton(HWND c) {
  LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

void FocusControl(HWND c) {
  SetFocus(c);
  if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(c, EM_SETSEL, 0, -1);
}

// The control whose text holds the mnemonic '&c' (letter case ignored), or null.
HWND FindMnemonic(HWND dialog, wchar_t c) {
  std::vector<HWND> all;
  Flatten(dialog, &all);
  wchar_t want = static_cast<wchar_t>(std::towlower(c));
  for (HWND h : all) {
    std::wstring t = WindowText(h);
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
      if (t[i] != L'&') continue;
      if (t[i + 1] == L'&') {
        ++i;
        continue;
      }
      if (static_cast<wchar_t>(std::towlower(t[i + 1])) == want && IsWindowVisible(h) &&
          IsWindowEnabled(h))
        return h;
      break;
    }
  }
  return nullptr;
}

void PressCommand(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) {
    MessageBeep(0);
    return;
  }
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

HWND Create(HINSTANCE inst, const velk::win::DialogTemplate& t, HWND parent, DLGPROC proc,
            LPARAM initParam, int templateId, bool modal) {
  RegisterStandardClasses();
  g_lastError.clear();
  bool child = (t.style & WS_CHILD) != 0;
  int px = velk::win::DialogUnitsToPixelsX(t.x), py = velk::win::DialogUnitsToPixelsY(t.y);
  int pw = velk::win::DialogUnitsToPixelsX(t.cx), ph = velk::win::DialogUnitsToPixelsY(t.cy);
  if (!child) {
    if (t.style & DS_CENTER) {
      px = (GetSystemMetrics(SM_CXSCREEN) - pw) / 2;
      py = (GetSystemMetrics(SM_CYSCREEN) - ph) / 2;
    } else if (parent) {
      POINT o{0, 0};
      ClientToScreen(parent, &o);
      px += o.x;
      py += o.y;
    }
  }
  HWND h = CreateWindowExW(t.exStyle, WC_DIALOG, t.caption.c_str(), t.style & ~WS_VISIBLE, px, py,
                           pw, ph, parent, nullptr, inst, nullptr);
  if (!h) {
    g_lastError = "the dialog window could not be created";
    return nullptr;
  }
  auto* d = DataOf<DialogData>(h);
  d->templateId = templateId;
  d->modal = modal;
  SetWindowLongPtrW(h, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  for (const auto& item : t.items) {
    int x = velk::win::DialogUnitsToPixelsX(item.x), y = velk::win::DialogUnitsToPixelsY(item.y);
    int w = velk::win::DialogUnitsToPixelsX(item.cx), ht = velk::win::DialogUnitsToPixelsY(item.cy);
    HWND c = CreateWindowExW(
        item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD, x, y, w, ht,
        h, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(item.id)), inst, nullptr);
    if (!c) {
      if (t.style & DS_NOFAILCREATE) continue;
      g_lastError = "control " + std::to_string(item.id) + " of class '" + ToUtf8(item.className) +
                    "' could not be created";
      DWORD err = GetLastError();
      DestroyWindow(h);
      SetLastError(err);
      return nullptr;
    }
    // A static showing a bitmap names the bitmap resource in its text.
    if (EqualsNoCase(item.className, WC_STATIC) && (item.style & SS_TYPEMASK) == SS_BITMAP &&
        inst && !item.text.empty()) {
      bool numeric = item.text.find_first_not_of(L"0123456789") == std::wstring::npos;
      HBITMAP bmp = numeric ? LoadBitmapW(inst, MAKEINTRESOURCEW(std::stoul(item.text)))
                            : LoadBitmapW(inst, item.text.c_str());
      if (bmp) SendMessageW(c, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
    }
  }
  HWND first = GetNextDlgTabItem(h, nullptr, FALSE);
  d->savedFocus = first;
  LRESULT r = SendMessageW(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if (!IsWindow(h)) return nullptr;
  if (!r) d->savedFocus = nullptr;
  HWND f = GetFocus();
  if (f && IsChild(h, f)) d->savedFocus = f;
  if ((t.style & WS_VISIBLE) && !d->ended) {
    ShowWindow(h, SW_SHOWNORMAL);
    if (child && d->savedFocus) FocusControl(d->savedFocus);
  }
  return h;
}

INT_PTR RunModal(HINSTANCE inst, const velk::win::DialogTemplate& t, int templateId, HWND owner,
                 DLGPROC proc, LPARAM initParam) {
  HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  HWND dlg = Create(inst, t, root, proc, initParam, templateId, true);
  if (!dlg) return -1;
  WindowPtr keep = Find(dlg);
  auto* d = dynamic_cast<DialogData*>(keep->data.get());
  bool ownerEnabled = root && IsWindowEnabled(root);
  if (!d->ended) {
    ShowWindow(dlg, SW_SHOWNORMAL);
    if (ownerEnabled) EnableWindow(root, FALSE);
  }
  bool cancelSent = false;
  while (IsWindow(dlg) && !d->ended) {
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      if (!IsDialogMessageW(dlg, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      continue;
    }
    if (velk::win::CurrentResponder().OnModalIdle(dlg)) {
      cancelSent = false;
      continue;
    }
    if (!cancelSent) {
      cancelSent = true;
      PressCommand(dlg, IDCANCEL);
      continue;
    }
    d->ended = true;
    d->result = IDCANCEL;
  }
  INT_PTR result = d->ended ? d->result : IDCANCEL;
  velk::win::CurrentResponder().OnModalEnd(dlg, result);
  if (ownerEnabled && IsWindow(root)) EnableWindow(root, TRUE);
  if (IsWindow(dlg)) DestroyWindow(dlg);
  if (root && IsWindow(root) && IsWindowVisible(root)) SetActiveWindow(root);
  return result;
}

LRESULT DefDlgDefault(HWND h, DialogData* d, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      if (WindowPtr w = Find(h)) w->data = std::make_unique<DialogData>();
      return DefWindowProcW(h, msg, wp, lp);
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(h, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_ACTIVATE:
      if (!d) return 0;
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(h, f)) d->savedFocus = f;
      } else {
        HWND f = GetFocus();
        if (f && IsChild(h, f)) return 0;
        HWND to = IsWindow(d->savedFocus) && IsChild(h, d->savedFocus)
                      ? d->savedFocus
                      : GetNextDlgTabItem(h, nullptr, FALSE);
        if (to)
          FocusControl(to);
        else
          SetFocus(h);
      }
      return 0;
    case WM_SETFOCUS: {
      if (!d) return 0;
      HWND to = IsWindow(d->savedFocus) && IsChild(h, d->savedFocus)
                    ? d->savedFocus
                    : GetNextDlgTabItem(h, nullptr, FALSE);
      if (to) SetFocus(to);
      return 0;
    }
    case DM_GETDEFID: {
      if (d && d->defId) return MAKELONG(static_cast<WORD>(d->defId), DC_HASDEFID);
      std::vector<HWND> all;
      Flatten(h, &all);
      for (HWND c : all)
        if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
          return MAKELONG(static_cast<WORD>(GetDlgCtrlID(c)), DC_HASDEFID);
      return 0;
    }
    case DM_SETDEFID: {
      if (!d) return FALSE;
      LRESULT old = SendMessageW(h, DM_GETDEFID, 0, 0);
      if (HIWORD(static_cast<std::uintptr_t>(old)) == DC_HASDEFID)
        if (HWND b = GetDlgItem(h, LOWORD(static_cast<std::uintptr_t>(old))))
          if (SendMessageW(b, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            SendMessageW(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      d->defId = static_cast<int>(wp);
      if (HWND b = GetDlgItem(h, static_cast<int>(wp)))
        if (SendMessageW(b, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
          SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
      return TRUE;
    }
    case WM_NEXTDLGCTL: {
      HWND to = LOWORD(static_cast<std::uintptr_t>(lp)) ? reinterpret_cast<HWND>(wp)
                                                        : GetNextDlgTabItem(h, GetFocus(), wp != 0);
      if (to) FocusControl(to);
      return 0;
    }
    default: return DefWindowProcW(h, msg, wp, lp);
  }
}

}  // namespace

void RegisterDialogClass() {
  WNDCLASSEXW wc;
  wc.lpfnWndProc = DialogWindowProc;
  wc.lpszClassName = WC_DIALOG;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  RegisterClassExW(&wc);
}

}  // namespace velk::win::detail

using namespace velk::win::detail;

LRESULT DefDlgProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = DataOf<DialogData>(h);
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(h, DWLP_DLGPROC));
  if (proc && msg != WM_NCCREATE) {
    SetWindowLongPtrW(h, DWLP_MSGRESULT, 0);
    INT_PTR r = proc(h, msg, wp, lp);
    if (r) {
      if (IsSpecialResult(msg)) return r;
      return IsWindow(h) ? GetWindowLongPtrW(h, DWLP_MSGRESULT) : 0;
    }
    if (!IsWindow(h) && msg != WM_NCDESTROY && msg != WM_DESTROY) return 0;
  }
  return DefDlgDefault(h, d, msg, wp, lp);
}

HWND CreateDialogParamW(HINSTANCE inst, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM initParam) {
  std::string err;
  auto t = velk::win::FindDialogTemplate(inst, name, &err);
  if (!t) {
    g_lastError = err;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  int id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<std::uintptr_t>(name)) : 0;
  return Create(inst, *t, parent, proc, initParam, id, false);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE inst, const velk::win::DialogTemplate* tmpl, HWND owner,
                                DLGPROC proc, LPARAM initParam) {
  if (!tmpl) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  return RunModal(inst, *tmpl, 0, owner, proc, initParam);
}

INT_PTR DialogBoxParamW(HINSTANCE inst, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM initParam) {
  std::string err;
  auto t = velk::win::FindDialogTemplate(inst, name, &err);
  if (!t) {
    g_lastError = err;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  int id = IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<std::uintptr_t>(name)) : 0;
  return RunModal(inst, *t, id, owner, proc, initParam);
}

BOOL EndDialog(HWND h, INT_PTR result) {
  auto* d = DataOf<DialogData>(h);
  if (!d) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  d->ended = true;
  d->result = result;
  if (!d->modal) ShowWindow(h, SW_HIDE);
  return TRUE;
}

BOOL IsDialogMessageW(HWND dlg, MSG* msg) {
  if (!msg || !IsWindow(dlg)) return FALSE;
  if (msg->hwnd != dlg && !IsChild(dlg, msg->hwnd)) return FALSE;
  HWND target = msg->hwnd;
  switch (msg->message) {
    case WM_KEYDOWN: {
      LRESULT code =
          SendMessageW(target, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
      if (code & DLGC_WANTALLKEYS) break;
      switch (msg->wParam) {
        case VK_TAB: {
          if (code & DLGC_WANTTAB) break;
          bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
          HWND next = GetNextDlgTabItem(dlg, GetFocus(), back ? TRUE : FALSE);
          if (next) FocusControl(next);
          return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if (code & DLGC_WANTARROWS) break;
          bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
          HWND next = GetNextDlgGroupItem(dlg, GetFocus(), back ? TRUE : FALSE);
          if (next && next != GetFocus()) {
            SetFocus(next);
            LRESULT nc = SendMessageW(next, WM_GETDLGCODE, 0, 0);
            if ((nc & DLGC_RADIOBUTTON) &&
                (GetWindowLongPtrW(next, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
              SendMessageW(next, BM_CLICK, 0, 0);
          }
          return TRUE;
        }
        case VK_RETURN: {
          HWND f = GetFocus();
          int id = IDOK;
          if (f && IsChild(dlg, f) && IsPushButton(f)) {
            id = GetDlgCtrlID(f);
          } else {
            LRESULT def = SendMessageW(dlg, DM_GETDEFID, 0, 0);
            if (HIWORD(static_cast<std::uintptr_t>(def)) == DC_HASDEFID)
              id = LOWORD(static_cast<std::uintptr_t>(def));
          }
          PressCommand(dlg, id);
          return TRUE;
        }
        case VK_ESCAPE: PressCommand(dlg, IDCANCEL); return TRUE;
        default: break;
      }
      break;
    }
    case WM_CHAR: {
      LRESULT code =
          SendMessageW(target, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
      if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) break;
      wchar_t c = static_cast<wchar_t>(msg->wParam);
      if (c == L'\t' || c == L'\r' || c == 0x1B) return TRUE;
      [[fallthrough]];
    }
    case WM_SYSCHAR: {
      HWND hit = FindMnemonic(dlg, static_cast<wchar_t>(msg->wParam));
      if (!hit) {
        if (msg->message == WM_SYSCHAR) MessageBeep(0);
        return TRUE;
      }
      LRESULT hc = SendMessageW(hit, WM_GETDLGCODE, 0, 0);
      if (hc & DLGC_STATIC) {
        HWND next = GetNextDlgTabItem(dlg, hit, FALSE);
        if (next) FocusControl(next);
      } else if (hc & DLGC_BUTTON) {
        SetFocus(hit);
        SendMessageW(hit, BM_CLICK, 0, 0);
      } else {
        FocusControl(hit);
      }
      return TRUE;
    }
    default: break;
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> all;
  Flatten(dialog, &all);
  int n = static_cast<int>(all.size());
  if (n == 0) return nullptr;
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (all[static_cast<std::size_t>(i)] == control) at = i;
  for (int k = 1; k <= n; ++k) {
    int i = previous ? ((at < 0 ? n : at) - k) : (at + k);
    i = ((i % n) + n) % n;
    if (IsTabbable(all[static_cast<std::size_t>(i)])) return all[static_cast<std::size_t>(i)];
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  if (!control || !IsChild(dialog, control)) return GetNextDlgTabItem(dialog, nullptr, FALSE);
  WindowPtr parent = Find(GetParent(control));
  if (!parent) return control;
  const auto& sib = parent->children;
  std::size_t at = 0;
  for (std::size_t i = 0; i < sib.size(); ++i)
    if (sib[i] == control) at = i;
  std::size_t start = at;
  while (start > 0 && !(GetWindowLongPtrW(sib[start], GWL_STYLE) & WS_GROUP)) --start;
  std::size_t end = at + 1;
  while (end < sib.size() && !(GetWindowLongPtrW(sib[end], GWL_STYLE) & WS_GROUP)) ++end;
  std::size_t n = end - start;
  for (std::size_t k = 1; k < n; ++k) {
    std::size_t i = previous ? start + (at - start + n - k) % n : start + (at - start + k) % n;
    DWORD st = static_cast<DWORD>(GetWindowLongPtrW(sib[i], GWL_STYLE));
    if ((st & WS_VISIBLE) && !(st & WS_DISABLED)) return sib[i];
  }
  return control;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buf, int cch) {
  if (buf && cch > 0) buf[0] = L'\0';
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(GetWindowTextW(c, buf, cch)) : 0;
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  std::wstring s = isSigned ? std::to_wstring(static_cast<int>(value)) : std::to_wstring(value);
  return SetDlgItemTextW(dialog, id, s.c_str());
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  HWND c = GetDlgItem(dialog, id);
  if (!c) return 0;
  std::wstring s = velk::win::WindowText(c);
  std::size_t a = s.find_first_not_of(L" \t");
  std::size_t b = s.find_last_not_of(L" \t");
  if (a == std::wstring::npos) return 0;
  s = s.substr(a, b - a + 1);
  bool neg = false;
  std::size_t i = 0;
  if (isSigned && i < s.size() && s[i] == L'-') {
    neg = true;
    ++i;
  }
  if (i >= s.size()) return 0;
  unsigned long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < L'0' || s[i] > L'9') return 0;
    v = v * 10 + static_cast<unsigned>(s[i] - L'0');
    if (v > (isSigned ? 0x80000000ull : 0xFFFFFFFFull)) return 0;
  }
  if (isSigned && !neg && v > 0x7FFFFFFFull) return 0;
  if (translated) *translated = TRUE;
  return neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? static_cast<UINT>(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  for (int id = firstId; id <= lastId; ++id)
    if (HWND c = GetDlgItem(dialog, id))
      SendMessageW(c, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wp, LPARAM lp) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageW(c, msg, wp, lp) : 0;
}

BOOL MapDialogRect(HWND, RECT* r) {
  if (!r) return FALSE;
  r->left = velk::win::DialogUnitsToPixelsX(r->left);
  r->right = velk::win::DialogUnitsToPixelsX(r->right);
  r->top = velk::win::DialogUnitsToPixelsY(r->top);
  r->bottom = velk::win::DialogUnitsToPixelsY(r->bottom);
  return TRUE;
}

namespace velk::win {

bool IsDialogWindow(HWND h) { return DataOf<DialogData>(h) != nullptr; }

int DialogTemplateId(HWND dialog) {
  auto* d = DataOf<DialogData>(dialog);
  return d ? d->templateId : 0;
}

bool IsModalDialog(HWND dialog) {
  auto* d = DataOf<DialogData>(dialog);
  return d && d->modal && !d->ended;
}

const std::string& LastDialogError() { return g_lastError; }

namespace {
HINSTANCE g_defaultResources = nullptr;
thread_local void* t_pendingDialog = nullptr;
}  // namespace

void SetDefaultResourceInstance(HINSTANCE inst) { g_defaultResources = inst; }
HINSTANCE DefaultResourceInstance() { return g_defaultResources; }
void SetPendingDialogObject(void* object) { t_pendingDialog = object; }
void* TakePendingDialogObject() {
  void* o = t_pendingDialog;
  t_pendingDialog = nullptr;
  return o;
}

}  // namespace velk::win
