#include "platform/win/window.h"

#include "platform/win/thread.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

using WindowTest = WinTest;

TEST_F(WindowTest, HandlesIncreaseAndAreNeverReused) {
  HWND a = MakeTopWindow();
  HWND b = MakeTopWindow();
  EXPECT_LT(reinterpret_cast<std::uintptr_t>(a), reinterpret_cast<std::uintptr_t>(b));
  ASSERT_TRUE(DestroyWindow(a));
  EXPECT_FALSE(IsWindow(a));
  HWND c = MakeTopWindow();
  EXPECT_NE(c, a);
  EXPECT_LT(reinterpret_cast<std::uintptr_t>(b), reinterpret_cast<std::uintptr_t>(c));
  EXPECT_FALSE(DestroyWindow(a)) << "a destroyed handle stays invalid";
}

TEST_F(WindowTest, UnknownClassFailsWithItsError) {
  EXPECT_EQ(
      CreateWindowExW(0, L"NoSuchClass", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  EXPECT_EQ(GetLastError(), 1407u);
}

// Destruction: the parent sees WM_DESTROY before its children, WM_NCDESTROY after them.
TEST_F(WindowTest, DestroyOrderParentFirstThenChildrenNcDestroyLast) {
  HWND top = MakeTopWindow();
  HWND child = MakeChild(top, WC_STATIC, L"x", 0, 5);
  std::vector<std::pair<HWND, UINT>> seen;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) -> LRESULT {
    if (m == WM_DESTROY || m == WM_NCDESTROY)
      reinterpret_cast<std::vector<std::pair<HWND, UINT>>*>(ref)->push_back({h, m});
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(top, proc, 1, reinterpret_cast<DWORD_PTR>(&seen));
  SetWindowSubclass(child, proc, 1, reinterpret_cast<DWORD_PTR>(&seen));
  DestroyWindow(top);
  std::vector<std::pair<HWND, UINT>> want = {
      {top, WM_DESTROY}, {child, WM_DESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(seen, want);
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(WindowTest, OwnedWindowsDieWithTheirOwner) {
  HWND owner = MakeTopWindow();
  HWND owned = CreateWindowExW(0, WC_PLAINWINDOW, L"owned", WS_POPUP, 0, 0, 10, 10, owner, nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  EXPECT_EQ(GetParent(owned), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
}

TEST_F(WindowTest, SiblingChainFollowsCreationOrder) {
  HWND top = MakeTopWindow();
  HWND a = MakeChild(top, WC_STATIC, L"a", 0, 1);
  HWND b = MakeChild(top, WC_STATIC, L"b", 0, 2);
  HWND c = MakeChild(top, WC_STATIC, L"c", 0, 3);
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetDlgItem(top, 2), b);
  EXPECT_EQ(GetDlgCtrlID(c), 3);
}

TEST_F(WindowTest, VisibilityNeedsEveryAncestorVisible) {
  HWND top = MakeTopWindow();
  HWND child = MakeChild(top, WC_STATIC, L"x", 0, 1);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(top, SW_HIDE)) << "answers that it was visible";
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_TRUE(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) << "its own flag stays";
}

TEST_F(WindowTest, FocusMovesWithKillBeforeSet) {
  HWND top = MakeTopWindow();
  HWND a = MakeChild(top, WC_EDIT, L"", 0, 1);
  HWND b = MakeChild(top, WC_EDIT, L"", 0, 2);
  MessageLog log;
  log.Watch(top);
  SetFocus(a);
  SetFocus(b);
  EXPECT_EQ(GetFocus(), b);
  // The parent hears the edits' focus notifications: a gets, a loses, b gets.
  std::vector<std::pair<int, WORD>> notes;
  for (auto& e : log.entries)
    if (e.msg == WM_COMMAND) notes.push_back({LOWORD(e.wp), HIWORD(e.wp)});
  std::vector<std::pair<int, WORD>> want = {{1, EN_SETFOCUS}, {1, EN_KILLFOCUS}, {2, EN_SETFOCUS}};
  EXPECT_EQ(notes, want);
}

TEST_F(WindowTest, DisablingTheFocusWindowTakesTheFocusAway) {
  HWND top = MakeTopWindow();
  HWND a = MakeChild(top, WC_EDIT, L"", 0, 1);
  SetFocus(a);
  EXPECT_FALSE(EnableWindow(a, FALSE)) << "it was enabled";
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(a, TRUE)) << "it was disabled";
}

// Subclasses: the last installed runs first and passes on; removing one keeps the others.
TEST_F(WindowTest, SubclassChainRunsNewestFirst) {
  HWND top = MakeTopWindow();
  std::vector<int> order;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR ref) -> LRESULT {
    if (m == WM_USER + 7) reinterpret_cast<std::vector<int>*>(ref)->push_back(static_cast<int>(id));
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(top, proc, 1, reinterpret_cast<DWORD_PTR>(&order));
  SetWindowSubclass(top, proc, 2, reinterpret_cast<DWORD_PTR>(&order));
  SetWindowSubclass(top, proc, 3, reinterpret_cast<DWORD_PTR>(&order));
  SendMessageW(top, WM_USER + 7, 0, 0);
  EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
  order.clear();
  RemoveWindowSubclass(top, proc, 2);
  SendMessageW(top, WM_USER + 7, 0, 0);
  EXPECT_EQ(order, (std::vector<int>{3, 1}));
}

TEST_F(WindowTest, WindowProcReplacementReturnsThePrevious) {
  HWND top = MakeTopWindow();
  static WNDPROC previous = nullptr;
  auto mine = +[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) return 42;
    return CallWindowProcW(previous, h, m, w, l);
  };
  previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mine)));
  EXPECT_EQ(previous, &DefWindowProcW);
  EXPECT_EQ(SendMessageW(top, WM_USER, 0, 0), 42);
  SetWindowTextW(top, L"through");
  EXPECT_EQ(win::WindowText(top), L"through");
}

TEST_F(WindowTest, HelpAndContextMenuClimbToTheParent) {
  HWND top = MakeTopWindow();
  HWND edit = MakeChild(top, WC_EDIT, L"", 0, 77);
  struct Seen {
    int helpId = 0;
    HWND menuWindow = nullptr;
  } seen;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) -> LRESULT {
    auto* s = reinterpret_cast<Seen*>(ref);
    if (m == WM_HELP) s->helpId = reinterpret_cast<HELPINFO*>(l)->iCtrlId;
    if (m == WM_CONTEXTMENU) s->menuWindow = reinterpret_cast<HWND>(w);
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(top, proc, 1, reinterpret_cast<DWORD_PTR>(&seen));
  SetFocus(edit);
  SendMessageW(edit, WM_KEYDOWN, VK_F1, 0);
  SendMessageW(edit, WM_RBUTTONUP, 0, MAKELPARAM(3, 4));
  RemoveWindowSubclass(top, proc, 1);
  EXPECT_EQ(seen.helpId, 77);
  EXPECT_EQ(seen.menuWindow, edit);
}

TEST_F(WindowTest, ScreenAndClientCoordinates) {
  HWND top = CreateWindowExW(0, WC_PLAINWINDOW, L"", WS_POPUP, 100, 50, 400, 300, nullptr, nullptr,
                             nullptr, nullptr);
  HWND child = MakeChild(top, WC_STATIC, L"", 0, 1, {10, 20, 60, 40});
  RECT r{};
  GetWindowRect(child, &r);
  EXPECT_EQ(r, (RECT{110, 70, 160, 90}));
  POINT p{115, 75};
  ScreenToClient(child, &p);
  EXPECT_EQ(p, (POINT{5, 5}));
  GetClientRect(child, &r);
  EXPECT_EQ(r, (RECT{0, 0, 50, 20}));
}

}  // namespace
}  // namespace velk::test
