// The windowing library's window and dialog implementations: a message map per class
// (ProcessWindowMessage, written with the BEGIN_MSG_MAP macros), window objects that create or
// subclass a window and see its messages, and dialog objects run modally or modelessly from a
// dialog template. Notifications a parent reflects reach the control as OCM_* messages.
#pragma once

#include "platform/win/atl_window.h"
#include "platform/win/common_controls.h"
#include "platform/win/dialog.h"
#include "platform/win/painting.h"

namespace ATL {

class CMessageMap {
 public:
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& lResult, DWORD dwMsgMapID = 0) = 0;

 protected:
  ~CMessageMap() = default;
};

template <DWORD t_dwStyle = 0, DWORD t_dwExStyle = 0>
struct CWinTraits {
  static DWORD GetWndStyle(DWORD style) { return style == 0 ? t_dwStyle : style; }
  static DWORD GetWndExStyle(DWORD exStyle) { return exStyle == 0 ? t_dwExStyle : exStyle; }
};
using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0>;
using CFrameWinTraits = CWinTraits<WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                   WS_EX_APPWINDOW | WS_EX_WINDOWEDGE>;
using CNullTraits = CWinTraits<0, 0>;

// Shared by window and dialog objects: the message being handled, and notification reflection.
template <class TBase = CWindow>
class CWindowImplRoot : public TBase, public CMessageMap {
 public:
  const MSG* m_pCurrentMsg = nullptr;

  // Sends a notification back to the control it came from as OCM__BASE + the message.
  LRESULT ReflectNotifications(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    HWND child = nullptr;
    switch (uMsg) {
      case WM_COMMAND: child = reinterpret_cast<HWND>(lParam); break;
      case WM_NOTIFY:
        if (lParam) child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
      case WM_DRAWITEM:
        if (wParam && lParam) child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
      case WM_MEASUREITEM:
        if (wParam && lParam)
          child = ::GetDlgItem(
              this->m_hWnd,
              static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID));
        break;
      case WM_COMPAREITEM:
        if (wParam && lParam) child = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
        break;
      case WM_DELETEITEM:
        if (wParam && lParam) child = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC:
      case WM_HSCROLL:
      case WM_VSCROLL: child = reinterpret_cast<HWND>(lParam); break;
      default: break;
    }
    if (!child || !::IsWindow(child)) {
      bHandled = FALSE;
      return 1;
    }
    return ::SendMessageW(child, OCM__BASE + uMsg, wParam, lParam);
  }

  // Reflected messages nobody handled get the default handling of the original message.
  static BOOL DefaultReflectionHandler(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& lResult) {
    if (uMsg < OCM__BASE || uMsg > OCM__BASE + WM_CTLCOLORSTATIC) return FALSE;
    lResult = ::DefWindowProcW(hWnd, uMsg - OCM__BASE, wParam, lParam);
    return TRUE;
  }
};

// A window object bound to a window by subclassing it (or by creating one).
template <class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImplBaseT : public CWindowImplRoot<TBase> {
 public:
  WNDPROC m_pfnSuperWindowProc = ::DefWindowProcW;

  // An object that dies before its window lets the window go, so that no message reaches it.
  virtual ~CWindowImplBaseT() {
    if (this->m_hWnd && ::IsWindow(this->m_hWnd))
      ::RemoveWindowSubclass(this->m_hWnd, SubclassProc, Key());
  }
  virtual WNDPROC GetWindowProc() { return m_pfnSuperWindowProc; }
  virtual void OnFinalMessage(HWND) {}

  BOOL SubclassWindow(HWND h) {
    if (this->m_hWnd || !::IsWindow(h)) return FALSE;
    if (!::SetWindowSubclass(h, SubclassProc, Key(), reinterpret_cast<DWORD_PTR>(this)))
      return FALSE;
    m_pfnSuperWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC));
    this->m_hWnd = h;
    return TRUE;
  }
  HWND UnsubclassWindow(BOOL = FALSE) {
    HWND h = this->m_hWnd;
    if (h) ::RemoveWindowSubclass(h, SubclassProc, Key());
    this->m_hWnd = nullptr;
    return h;
  }
  // The handling the window would get without this object.
  LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(this->m_hWnd, uMsg, wParam, lParam);
  }
  LRESULT DefWindowProc() {
    const MSG* m = this->m_pCurrentMsg;
    return m ? DefWindowProc(m->message, m->wParam, m->lParam) : 0;
  }

 protected:
  UINT_PTR Key() const { return reinterpret_cast<UINT_PTR>(this); }

  HWND CreateWithClass(LPCWSTR className, HWND parent, const RECT& r, LPCWSTR name, DWORD style,
                       DWORD exStyle, UINT_PTR id, void* param) {
    if (this->m_hWnd) return nullptr;
    velk::win::SetCreationSubclass(SubclassProc, Key(), reinterpret_cast<DWORD_PTR>(this));
    HWND h =
        ::CreateWindowExW(exStyle, className ? className : WC_PLAINWINDOW, name, style, r.left,
                          r.top, r.right - r.left, r.bottom - r.top, parent,
                          reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, param);
    if (h) m_pfnSuperWindowProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC));
    return h;
  }

  static LRESULT SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWindowImplBaseT*>(ref);
    if (!self->m_hWnd) self->m_hWnd = h;
    MSG cur;
    cur.hwnd = h;
    cur.message = msg;
    cur.wParam = wp;
    cur.lParam = lp;
    const MSG* old = self->m_pCurrentMsg;
    self->m_pCurrentMsg = &cur;
    LRESULT r = 0;
    BOOL handled = self->ProcessWindowMessage(h, msg, wp, lp, r, 0);
    self->m_pCurrentMsg = old;
    if (!handled) r = ::DefSubclassProc(h, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
      ::RemoveWindowSubclass(h, SubclassProc, reinterpret_cast<UINT_PTR>(self));
      self->m_hWnd = nullptr;
      self->OnFinalMessage(h);
    }
    return r;
  }
};

template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplBaseT<TBase, TWinTraits> {
 public:
  HWND Create(HWND parent, RECT rect = RECT{}, LPCWSTR name = nullptr, DWORD style = 0,
              DWORD exStyle = 0, UINT_PTR id = 0, void* param = nullptr) {
    return this->CreateWithClass(T::GetWndClassName(), parent, rect, name,
                                 TWinTraits::GetWndStyle(style), TWinTraits::GetWndExStyle(exStyle),
                                 id, param);
  }
};

// A dialog object: its message map handles the dialog's messages; T names its template id
// as IDD. The template comes from m_hResourceInstance, else the default resource instance.
template <class TBase = CWindow>
class CDialogImplBaseT : public CWindowImplRoot<TBase> {
 public:
  HINSTANCE m_hResourceInstance = nullptr;

  // An object that dies before its window lets the window go, so that no message reaches it.
  virtual ~CDialogImplBaseT() { ReleaseWindowObject(); }

  // Unbinds the object from its window: the window's messages get default processing from now
  // on. A base class that destroys the window in its destructor calls this first, since the
  // derived parts of the object (its message map) are gone by then.
  void ReleaseWindowObject() {
    if (this->m_hWnd && ::IsWindow(this->m_hWnd)) {
      ::RemovePropW(this->m_hWnd, kObjectProp);
      ::SetWindowLongPtrW(this->m_hWnd, DWLP_DLGPROC, 0);
    }
    this->m_hWnd = nullptr;
  }
  virtual DLGPROC GetDialogProc() { return DialogProc; }
  virtual void OnFinalMessage(HWND) {}

  HINSTANCE ResourceInstance() const {
    return m_hResourceInstance ? m_hResourceInstance : velk::win::DefaultResourceInstance();
  }
  BOOL MapDialogRect(RECT* r) { return ::MapDialogRect(this->m_hWnd, r); }

  static INT_PTR StartDialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<CDialogImplBaseT*>(velk::win::TakePendingDialogObject());
    if (!self) return FALSE;
    self->m_hWnd = h;
    ::SetPropW(h, kObjectProp, self);
    DLGPROC proc = self->GetDialogProc();
    ::SetWindowLongPtrW(h, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    return proc(h, msg, wp, lp);
  }

  static INT_PTR DialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<CDialogImplBaseT*>(::GetPropW(h, kObjectProp));
    if (!self) return FALSE;
    MSG cur;
    cur.hwnd = h;
    cur.message = msg;
    cur.wParam = wp;
    cur.lParam = lp;
    const MSG* old = self->m_pCurrentMsg;
    self->m_pCurrentMsg = &cur;
    LRESULT res = 0;
    BOOL handled = self->ProcessWindowMessage(h, msg, wp, lp, res, 0);
    self->m_pCurrentMsg = old;
    if (msg == WM_NCDESTROY) {
      ::RemovePropW(h, kObjectProp);
      self->m_hWnd = nullptr;
      self->OnFinalMessage(h);
      return handled;
    }
    if (!handled) return FALSE;
    switch (msg) {
      case WM_COMPAREITEM:
      case WM_VKEYTOITEM:
      case WM_CHARTOITEM:
      case WM_INITDIALOG:
      case WM_QUERYDRAGICON:
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC: return static_cast<INT_PTR>(res);
      default:
        if (::IsWindow(h)) ::SetWindowLongPtrW(h, DWLP_MSGRESULT, res);
        return TRUE;
    }
  }

 protected:
  static constexpr const wchar_t* kObjectProp = L"velk.DialogObject";
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBaseT<TBase> {
 public:
  INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM initParam = 0) {
    if (this->m_hWnd) return -1;
    velk::win::SetPendingDialogObject(static_cast<CDialogImplBaseT<TBase>*>(this));
    INT_PTR r =
        ::DialogBoxParamW(this->ResourceInstance(), MAKEINTRESOURCEW(static_cast<UINT>(T::IDD)),
                          parent, CDialogImplBaseT<TBase>::StartDialogProc, initParam);
    velk::win::TakePendingDialogObject();
    return r;
  }
  HWND Create(HWND parent, LPARAM initParam = 0) {
    if (this->m_hWnd) return nullptr;
    velk::win::SetPendingDialogObject(static_cast<CDialogImplBaseT<TBase>*>(this));
    HWND h =
        ::CreateDialogParamW(this->ResourceInstance(), MAKEINTRESOURCEW(static_cast<UINT>(T::IDD)),
                             parent, CDialogImplBaseT<TBase>::StartDialogProc, initParam);
    velk::win::TakePendingDialogObject();
    return h;
  }
  BOOL EndDialog(INT_PTR code) { return ::EndDialog(this->m_hWnd, code); }
};

// A dialog that may host ActiveX controls; the templates of this system hold none.
template <class T, class TBase = CWindow>
class CAxDialogImpl : public CDialogImpl<T, TBase> {
 public:
  virtual HRESULT CreateActiveXControls(UINT /*resourceId*/) { return S_OK; }
};

}  // namespace ATL

// Message-map macros: BEGIN_MSG_MAP(class) ... END_MSG_MAP() defines ProcessWindowMessage.
#define BEGIN_MSG_MAP(theClass)                                                                   \
 public:                                                                                          \
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, \
                            DWORD dwMsgMapID = 0) override {                                      \
    BOOL bHandled = TRUE;                                                                         \
    (void)hWnd;                                                                                   \
    (void)uMsg;                                                                                   \
    (void)wParam;                                                                                 \
    (void)lParam;                                                                                 \
    (void)lResult;                                                                                \
    (void)bHandled;                                                                               \
    switch (dwMsgMapID) {                                                                         \
      case 0:

#define ALT_MSG_MAP(msgMapID) \
  break;                      \
  case msgMapID:

#define MESSAGE_HANDLER(msg, func)                  \
  if (uMsg == (msg)) {                              \
    bHandled = TRUE;                                \
    lResult = func(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                      \
  }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func) \
  if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {       \
    bHandled = TRUE;                                   \
    lResult = func(uMsg, wParam, lParam, bHandled);    \
    if (bHandled) return TRUE;                         \
  }

#define COMMAND_HANDLER(id, code, func)                                                       \
  if (uMsg == WM_COMMAND && (id) == LOWORD(wParam) && (code) == HIWORD(wParam)) {             \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define COMMAND_ID_HANDLER(id, func)                                                          \
  if (uMsg == WM_COMMAND && (id) == LOWORD(wParam)) {                                         \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define COMMAND_CODE_HANDLER(code, func)                                                      \
  if (uMsg == WM_COMMAND && (code) == HIWORD(wParam)) {                                       \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define NOTIFY_HANDLER(id, cd, func)                                                      \
  if (uMsg == WM_NOTIFY && lParam &&                                                      \
      static_cast<UINT_PTR>(id) == reinterpret_cast<NMHDR*>(lParam)->idFrom &&            \
      static_cast<UINT>(cd) == reinterpret_cast<NMHDR*>(lParam)->code) {                  \
    bHandled = TRUE;                                                                      \
    lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                            \
  }

#define NOTIFY_ID_HANDLER(id, func)                                                       \
  if (uMsg == WM_NOTIFY && lParam &&                                                      \
      static_cast<UINT_PTR>(id) == reinterpret_cast<NMHDR*>(lParam)->idFrom) {            \
    bHandled = TRUE;                                                                      \
    lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                            \
  }

#define NOTIFY_CODE_HANDLER(cd, func)                                                     \
  if (uMsg == WM_NOTIFY && lParam &&                                                      \
      static_cast<UINT>(cd) == reinterpret_cast<NMHDR*>(lParam)->code) {                  \
    bHandled = TRUE;                                                                      \
    lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                            \
  }

#define CHAIN_MSG_MAP(theChainClass) \
  if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define CHAIN_MSG_MAP_MEMBER(theChainMember) \
  if ((theChainMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define REFLECT_NOTIFICATIONS()                                           \
  {                                                                       \
    bHandled = TRUE;                                                      \
    lResult = this->ReflectNotifications(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                                            \
  }

#define DEFAULT_REFLECTION_HANDLER() \
  if (this->DefaultReflectionHandler(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define END_MSG_MAP() \
  break;              \
  default: break;     \
    }                 \
    return FALSE;     \
    }
