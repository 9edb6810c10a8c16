// The window table behind the public windowing calls: window records, classes and the
// per-window data of controls and dialogs. Used by the platform's own windowing sources only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/window.h"
#include "platform/com/plain_text.h"

namespace velk::win::detail {

// State a control or a dialog keeps beside its window record.
struct WindowData {
  virtual ~WindowData() = default;
};

struct SubclassEntry {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR refData = 0;
};

struct WindowClassRecord {
  std::wstring name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  ATOM atom = 0;
};

struct Window {
  HWND handle = nullptr;
  std::wstring className;
  WNDPROC proc = nullptr;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  LONG_PTR id = 0;
  HWND parent = nullptr;       // child windows only
  HWND owner = nullptr;        // top-level windows only
  std::vector<HWND> children;  // z-order, topmost first
  RECT rect{};                 // in the parent's client coordinates (screen for top-level)
  HINSTANCE instance = nullptr;
  LONG_PTR userData = 0;
  std::map<int, LONG_PTR> extra;          // window extra bytes by offset (dialogs: DWLP_*)
  std::vector<SubclassEntry> subclasses;  // installation order; the last one runs first
  std::map<std::wstring, HANDLE> props;
  HFONT font = nullptr;
  bool destroying = false;
  bool destroyed = false;
  int invalidations = 0;
  bool needsPaint = true;  // WM_PAINT is due (made, shown or invalidated since the last paint)
  std::unique_ptr<WindowData> data;
};

using WindowPtr = std::shared_ptr<Window>;

// The window table: every live window, the registered classes and the input state.
struct State {
  std::map<std::uintptr_t, WindowPtr> windows;
  std::vector<WindowClassRecord> classes;
  std::vector<HWND> topLevels;  // front first
  std::uintptr_t nextHandle = 0x10000;
  ATOM nextAtom = 0xC000;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
};

State& S();
inline std::uintptr_t Key(HWND h) { return reinterpret_cast<std::uintptr_t>(h); }

// A subclass procedure running on this thread: DefSubclassProc goes on below it.
struct Frame {
  HWND h;
  std::size_t remaining;  // subclass entries below the one running
};
extern thread_local std::vector<Frame> t_frames;

// The subclass the next created window gets before its first message (SetCreationSubclass).
struct PendingSubclass {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR refData = 0;
};
extern thread_local PendingSubclass t_pending;

// The class registered under a name or atom, or null.
WindowClassRecord* FindClass(LPCWSTR name);
// Runs a message through the window's subclasses below `count`, then its procedure.
LRESULT RunFrom(const WindowPtr& w, std::size_t count, UINT msg, WPARAM wp, LPARAM lp);
void RemoveFromList(std::vector<HWND>& list, HWND h);
// The screen position of a window's top-left corner.
POINT ScreenOrigin(const Window& w);
// WM_DESTROY to the window and its children, then WM_NCDESTROY from the children up.
void SendDestroy(HWND h);
void SendNcDestroy(HWND h);

// The live window of a handle, or null.
WindowPtr Find(HWND h);
// The control or dialog data of a window cast to its kind, or null.
template <class T>
T* DataOf(HWND h) {
  WindowPtr w = Find(h);
  return w ? dynamic_cast<T*>(w->data.get()) : nullptr;
}

// Sends WM_COMMAND (id, code, control) to the control's parent.
void NotifyParentCommand(HWND control, WORD code);
// Sends WM_NOTIFY to the control's parent with the header filled in; returns the answer.
LRESULT NotifyParent(HWND control, NMHDR* header, UINT code);
// Records the screen position that GetMessagePos gives (a control's mouse button message).
void SetLastMessagePos(POINT screen);

// Registers the classes of the standard controls (idempotent).
void RegisterStandardClasses();
void RegisterStaticClass();
void RegisterEditClass();
void RegisterButtonClass();
void RegisterComboBoxClass();
void RegisterListBoxClass();
void RegisterListViewClass();
void RegisterTreeViewClass();
void RegisterTabClass();
void RegisterProgressClass();
void RegisterTrackBarClass();
void RegisterToolTipClass();
void RegisterDialogClass();

// The default colours of a control colour message (text and background set into the device
// context, the background brush returned), as the default window procedure answers them.
HBRUSH DefaultControlColors(UINT msg, HDC dc);

// The default hit test of a screen point (WM_NCHITTEST).
inline constexpr int kCaptionHeight = 20;
LRESULT DefaultHitTest(const Window& w, POINT screen);
// The work area and the mouse position back to their defaults.
void ResetScreen();
// Forgets the pixels of a window being destroyed (drawing).
void DropWindowPixels(HWND h);
// Forgets the timers of a window being destroyed (message queue).
void DropWindowTimers(HWND h);
// Resets the window table (tests): destroys every window.
void DestroyAllWindows();

// Case-insensitive comparison of texts (class names, list searches).
using velk::CompareNoCase;
using velk::EqualsNoCase;
using velk::StartsWithNoCase;

// Copies text into a caller buffer of cch characters (cut to fit, always terminated when
// cch > 0); returns the characters copied.
int CopyToBuffer(const std::wstring& text, LPWSTR buf, int cch);

}  // namespace velk::win::detail
