// Windows of the headless windowing layer: classes, creation and destruction, the parent and
// owner trees, text, styles, visibility, enabling, focus and activation, geometry, window
// longs and properties, subclassing, and synchronous message sending.
//
// All windows live in one process-wide table on the user-interface thread. Handles are
// allocated in increasing order and never reused, so a stale handle is never valid again.
#pragma once

#include <string>
#include <vector>

#include "platform/win/messages.h"
#include "platform/win/resource_module.h"
#include "platform/win/window_handle.h"
#include "platform/win/window_styles.h"

using SUBCLASSPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR idSubclass,
                                 DWORD_PTR refData);

struct CREATESTRUCTW {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCWSTR lpszName = nullptr;
  LPCWSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCTW = CREATESTRUCTW*;

struct WNDCLASSEXW {
  UINT cbSize = sizeof(WNDCLASSEXW);
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCWSTR lpszMenuName = nullptr;
  LPCWSTR lpszClassName = nullptr;
  HICON hIconSm = nullptr;
};

// Integer resource names travel as small pointer values, as the platform's callers expect.
inline LPCWSTR MAKEINTRESOURCEW(std::uintptr_t id) {
  return reinterpret_cast<LPCWSTR>(id & 0xFFFF);
}
inline bool IS_INTRESOURCE(LPCWSTR p) { return (reinterpret_cast<std::uintptr_t>(p) >> 16) == 0; }

// Class names of the standard controls.
inline constexpr const wchar_t* WC_STATIC = L"Static";
inline constexpr const wchar_t* WC_EDIT = L"Edit";
inline constexpr const wchar_t* WC_BUTTON = L"Button";
inline constexpr const wchar_t* WC_COMBOBOX = L"ComboBox";
inline constexpr const wchar_t* WC_LISTBOX = L"ListBox";
inline constexpr const wchar_t* WC_LISTVIEW = L"SysListView32";
inline constexpr const wchar_t* WC_TREEVIEW = L"SysTreeView32";
inline constexpr const wchar_t* WC_TABCONTROL = L"SysTabControl32";
inline constexpr const wchar_t* PROGRESS_CLASS = L"msctls_progress32";
inline constexpr const wchar_t* TRACKBAR_CLASS = L"msctls_trackbar32";
inline constexpr const wchar_t* TOOLTIPS_CLASS = L"tooltips_class32";
inline constexpr const wchar_t* WC_DIALOG = L"#32770";
// A plain window class whose procedure is the default one (main windows, window templates).
inline constexpr const wchar_t* WC_PLAINWINDOW = L"VelkWindow";

// Classes.
ATOM RegisterClassExW(const WNDCLASSEXW* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE inst);
BOOL GetClassInfoExW(HINSTANCE inst, LPCWSTR className, WNDCLASSEXW* out);

// Creation and destruction.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE inst,
                     void* param);
BOOL DestroyWindow(HWND h);
BOOL IsWindow(HWND h);

// Relations.
HWND GetParent(HWND h);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND h, UINT relation);
HWND GetAncestor(HWND h, UINT flags);
BOOL IsChild(HWND parent, HWND h);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND h);
HWND GetDesktopWindow();

// Text.
int GetWindowTextW(HWND h, LPWSTR buf, int cch);
int GetWindowTextLengthW(HWND h);
BOOL SetWindowTextW(HWND h, LPCWSTR text);

// Visibility, enabling, focus, activation and z-order.
BOOL ShowWindow(HWND h, int cmd);
BOOL IsWindowVisible(HWND h);
BOOL EnableWindow(HWND h, BOOL enable);
BOOL IsWindowEnabled(HWND h);
HWND SetFocus(HWND h);
HWND GetFocus();
HWND SetActiveWindow(HWND h);
HWND GetActiveWindow();
BOOL BringWindowToTop(HWND h);
HWND GetCapture();
HWND SetCapture(HWND h);
BOOL ReleaseCapture();

// Geometry. Windows have no non-client area: the client area fills the window rectangle.
BOOL GetWindowRect(HWND h, RECT* r);
BOOL GetClientRect(HWND h, RECT* r);
BOOL MoveWindow(HWND h, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND h, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL ScreenToClient(HWND h, POINT* p);
BOOL ClientToScreen(HWND h, POINT* p);
// The screen position of the last mouse button message a control took (x low word, y high).
DWORD GetMessagePos();
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
// The deepest visible window under a screen point (topmost windows first, then front to back).
HWND WindowFromPoint(POINT p);
// The mouse position on the screen (moved by SetCursorPos and by the user's mouse).
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);
// Hit-test codes of WM_NCHITTEST.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTBORDER = 18;
BOOL InvalidateRect(HWND h, const RECT* r, BOOL erase);
BOOL UpdateWindow(HWND h);
int GetSystemMetrics(int index);
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYMENU = 15;
constexpr int SM_CYCAPTION = 4;
constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_SETWORKAREA = 0x002F;
// The desktop's work area (the screen less its task bar), which SPI_SETWORKAREA changes.
BOOL SystemParametersInfoW(UINT action, UINT param, void* out, UINT winIni);
BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL IsRectEmpty(const RECT* r);
BOOL EqualRect(const RECT* a, const RECT* b);
// The common part of a and b; FALSE (and an empty out) when they do not overlap.
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
// a less b: only when b spans a fully in one direction is the rest a smaller rectangle; else
// it is a itself. FALSE when nothing is left.
BOOL SubtractRect(RECT* out, const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* r, POINT p);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL InflateRect(RECT* r, int dx, int dy);
int MulDiv(int number, int numerator, int denominator);

// Window longs and properties.
LONG_PTR GetWindowLongPtrW(HWND h, int index);
LONG_PTR SetWindowLongPtrW(HWND h, int index, LONG_PTR value);
inline LONG GetWindowLongW(HWND h, int index) {
  return static_cast<LONG>(GetWindowLongPtrW(h, index));
}
BOOL SetPropW(HWND h, LPCWSTR name, HANDLE value);
HANDLE GetPropW(HWND h, LPCWSTR name);
HANDLE RemovePropW(HWND h, LPCWSTR name);

// Messages sent synchronously through the window's subclass chain and window procedure.
LRESULT SendMessageW(HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CallWindowProcW(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefWindowProcW(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// Subclassing by procedure and reference data: the last installed runs first and passes on
// with DefSubclassProc.
BOOL SetWindowSubclass(HWND h, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData);
BOOL RemoveWindowSubclass(HWND h, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

// Common controls start-up: registers the control classes.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize = sizeof(INITCOMMONCONTROLSEX);
  DWORD dwICC = 0;
};
constexpr DWORD ICC_LISTVIEW_CLASSES = 0x0001;
constexpr DWORD ICC_TREEVIEW_CLASSES = 0x0002;
constexpr DWORD ICC_BAR_CLASSES = 0x0004;
constexpr DWORD ICC_TAB_CLASSES = 0x0008;
constexpr DWORD ICC_PROGRESS_CLASS = 0x0020;
constexpr DWORD ICC_WIN95_CLASSES = 0x00FF;
constexpr DWORD ICC_STANDARD_CLASSES = 0x4000;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

namespace velk::win {

// Text of a window as a string (WM_GETTEXT).
std::wstring WindowText(HWND h);
// Class name of a window; empty for a handle that is no window.
std::wstring WindowClassName(HWND h);
// How often the window was invalidated (a headless stand-in for repainting).
int InvalidationCount(HWND h);
// Every live top-level window, front first.
std::vector<HWND> TopLevelWindows();
// Destroys every window and forgets focus and activation (for tests that start afresh); the
// work area and the mouse position go back to their defaults.
void ResetWindows();
// Sends WM_PAINT to every visible window whose paint is due (the message loop does this when
// no other message waits).
void PaintPendingWindows();
// The next window created on this thread gets this subclass before its first message, so
// that a window object sees WM_NCCREATE and WM_CREATE of the window it creates.
void SetCreationSubclass(SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR refData);

}  // namespace velk::win
