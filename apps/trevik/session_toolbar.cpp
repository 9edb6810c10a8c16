// Session actions for a tool control in the host's toolbar and the mouse on the screen:
//   work-area LEFT TOP RIGHT BOTTOM   the desktop's work area, which popups must stay inside
//   toolbar PROGID X Y [vertical]     the host creates the tool control (handing it its hook)
//                                     and puts its window into a toolbar whose top-left corner
//                                     is at (X, Y) on the screen, wide or high
//   mouse move|down|up|right-down|right-up X Y
//                                     the mouse at a screen point; the window holding the
//                                     capture or the one under the point gets it, then the
//                                     host's message loop runs and it polls its controls
//   save-window CLASS FILE.png        the first visible window of that class as a PNG
//   print window CLASS                where the first visible window of that class is
#include "apps/trevik/session_action_table.h"

#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/host/shell/application.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bars.h"
#include "platform/win/gdi.h"
#include "platform/win/message_queue.h"
#include "platform/win/painting.h"
#include "platform/win/user_input.h"

namespace trevik {
namespace {

using velk::ComPtr;

std::wstring RectText(const RECT& r) {
  return L"(" + std::to_wstring(r.left) + L", " + std::to_wstring(r.top) + L")-(" +
         std::to_wstring(r.right) + L", " + std::to_wstring(r.bottom) + L")";
}

// The toolbar and the controls the host placed in it.
struct Toolbar : SessionState {
  explicit Toolbar(SessionContext&) {}
  ~Toolbar() override {
    if (IsWindow(window)) DestroyWindow(window);
  }
  HWND window = nullptr;
  int nextX = 2;
  std::vector<ComPtr<ICommand>> controls;

  // The host asks each control whether it is enabled, as its idle loop does.
  void Poll() {
    for (auto& c : controls) {
      VARIANT_BOOL enabled = VARIANT_FALSE;
      c->get_Enabled(&enabled);
    }
    velk::win::PumpMessages();
  }
};

HWND FindVisible(HWND h, const std::wstring& cls) {
  if (!IsWindowVisible(h)) return nullptr;
  if (velk::EqualsNoCase(velk::win::WindowClassName(h), cls)) return h;
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (HWND found = FindVisible(c, cls)) return found;
  return nullptr;
}

HWND FindVisible(const std::wstring& cls) {
  for (HWND top : velk::win::TopLevelWindows())
    if (HWND found = FindVisible(top, cls)) return found;
  return nullptr;
}

void WorkArea(SessionContext& s, const SessionLine& l) {
  RECT r{static_cast<LONG>(l.Int(0, L"the left edge")), static_cast<LONG>(l.Int(1, L"the top")),
         static_cast<LONG>(l.Int(2, L"the right edge")),
         static_cast<LONG>(l.Int(3, L"the bottom"))};
  if (IsRectEmpty(&r)) FailLine(L"the work area " + RectText(r) + L" is empty");
  SystemParametersInfoW(SPI_SETWORKAREA, 0, &r, 0);
  s.Print(L"  work area " + RectText(r));
}

void PlaceInToolbar(SessionContext& s, const SessionLine& l) {
  const std::wstring& progId = l.Arg(0, L"a tool control's ProgID");
  int x = static_cast<int>(l.Int(1, L"the toolbar's left edge"));
  int y = static_cast<int>(l.Int(2, L"the toolbar's top"));
  bool vertical = l.args.size() > 3 && l.args[3] == L"vertical";
  if (l.args.size() > 3 && !vertical) FailLine(L"toolbar takes vertical or nothing after X Y");
  ComPtr<ICommandItem> item;
  HRESULT hr = s.Session().CreateCommand(progId, 0, item.put());
  if (FAILED(hr) || !item) FailLine(L"cannot create " + progId);
  ComPtr<IUnknown> object;
  item->get_Command(object.put());
  auto control = velk::QueryAs<IToolControl>(object.get());
  if (!control) FailLine(progId + L" is no tool control");
  HWND h = nullptr;
  control->get_hWnd(&h);
  if (!IsWindow(h)) FailLine(progId + L" gives no window");
  Toolbar& bar = s.State<Toolbar>();
  if (!bar.window) {
    HWND main = nullptr;
    s.Session().Host().App().get_hWnd(&main);
    bar.window =
        CreateWindowExW(0, WC_PLAINWINDOW, L"", WS_POPUP | WS_VISIBLE, x, y, vertical ? 30 : 400,
                        vertical ? 400 : 30, main, nullptr, nullptr, nullptr);
  }
  RECT size{};
  GetClientRect(h, &size);
  SetParent(h, bar.window);
  MoveWindow(h, vertical ? 2 : bar.nextX, vertical ? bar.nextX : 4, size.right, size.bottom, TRUE);
  bar.nextX += (vertical ? size.bottom : size.right) + 2;
  bar.controls.push_back(velk::QueryAs<ICommand>(object.get()));
  bar.Poll();
  RECT r{};
  GetWindowRect(h, &r);
  s.Print(L"  " + progId + L" in the toolbar at " + RectText(r));
}

void Mouse(SessionContext& s, const SessionLine& l) {
  const std::wstring& what = l.Arg(0, L"move, down, up, right-down or right-up");
  UINT msg = 0;
  WPARAM keys = 0;
  if (what == L"move") {
    msg = WM_MOUSEMOVE;
  } else if (what == L"down") {
    msg = WM_LBUTTONDOWN;
    keys = MK_LBUTTON;
  } else if (what == L"up") {
    msg = WM_LBUTTONUP;
  } else if (what == L"right-down") {
    msg = WM_RBUTTONDOWN;
    keys = MK_RBUTTON;
  } else if (what == L"right-up") {
    msg = WM_RBUTTONUP;
  } else {
    FailLine(L"mouse takes move, down, up, right-down or right-up, not " + what);
  }
  POINT p{static_cast<LONG>(l.Int(1, L"a screen x")), static_cast<LONG>(l.Int(2, L"a screen y"))};
  velk::win::user::MouseAt(msg, p, keys);
  velk::win::PumpMessages();
  s.State<Toolbar>().Poll();
}

void SaveWindow(SessionContext& s, const SessionLine& l) {
  const std::wstring& cls = l.Arg(0, L"a window class");
  const std::wstring& path = l.Arg(1, L"a PNG file");
  HWND h = FindVisible(cls);
  if (!h) FailLine(L"no visible " + cls + L" window");
  if (!velk::win::WriteWindowPng(h, velk::ToUtf8(path))) FailLine(L"cannot write " + path);
  s.Print(L"  saved the " + cls + L" window as " + path);
}

void PrintWindow(SessionContext& s, const SessionLine& l) {
  const std::wstring& cls = ArgOrMissing(l.args, 1, L"a window class");
  HWND h = FindVisible(cls);
  if (!h) {
    s.Print(L"  no " + cls + L" window");
    return;
  }
  RECT r{};
  GetWindowRect(h, &r);
  s.Print(L"  " + cls + L" at " + RectText(r));
}

const SessionActions kRegistered({{"work-area", &WorkArea},
                                  {"toolbar", &PlaceInToolbar},
                                  {"mouse", &Mouse},
                                  {"save-window", &SaveWindow}},
                                 {{"window", &PrintWindow}});

}  // namespace
}  // namespace trevik
