#include "platform/win/message_queue.h"

#include "platform/win/thread.h"
#include "platform/win/user_input.h"
#include "tests/platform/win_fixture.h"

namespace velk::test {
namespace {

using QueueTest = WinTest;

struct HookLog {
  std::vector<std::pair<UINT, UINT>> calls;  // (message, removal flag)
  HHOOK self = nullptr;
  UINT swallow = 0;  // a message id the hook empties
};
HookLog* g_hookLog = nullptr;

LRESULT LoggingHook(int code, WPARAM wp, LPARAM lp) {
  auto* m = reinterpret_cast<MSG*>(lp);
  g_hookLog->calls.push_back({m->message, static_cast<UINT>(wp)});
  if (code >= 0 && wp == PM_REMOVE && m->message == g_hookLog->swallow) {
    m->hwnd = nullptr;
    m->message = WM_NULL;
    m->wParam = 0;
    m->lParam = 0;
  }
  return CallNextHookEx(g_hookLog->self, code, wp, lp);
}

TEST_F(QueueTest, GetMessageHookSeesEveryRetrievalWithItsRemovalFlag) {
  HookLog log;
  g_hookLog = &log;
  log.self = SetWindowsHookExW(WH_GETMESSAGE, LoggingHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(log.self, nullptr);
  HWND top = MakeTopWindow();
  PostMessageW(top, WM_USER + 1, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
  std::vector<std::pair<UINT, UINT>> want = {{WM_USER + 1, PM_NOREMOVE}, {WM_USER + 1, PM_REMOVE}};
  EXPECT_EQ(log.calls, want);
  EXPECT_TRUE(UnhookWindowsHookEx(log.self));
}

TEST_F(QueueTest, HookCanEmptyAMessageBeforeTheLoopSeesIt) {
  HookLog log;
  g_hookLog = &log;
  log.swallow = WM_KEYDOWN;
  log.self = SetWindowsHookExW(WH_GETMESSAGE, LoggingHook, nullptr, GetCurrentThreadId());
  HWND top = MakeTopWindow();
  HWND edit = MakeChild(top, WC_EDIT, L"", 0, 1);
  SetFocus(edit);
  PostMessageW(edit, WM_KEYDOWN, 'A', 1);
  PostMessageW(edit, WM_CHAR, 'b', 1);
  MSG m;
  ASSERT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_NULL);
  EXPECT_EQ(m.hwnd, nullptr);
  win::PumpMessages();
  EXPECT_EQ(win::WindowText(edit), L"b") << "the emptied key press made no character";
  UnhookWindowsHookEx(log.self);
}

TEST_F(QueueTest, HooksChainNewestFirstAndOnlyForTheirThread) {
  static std::vector<int> order;
  static HHOOK first = nullptr, second = nullptr;
  order.clear();
  first = SetWindowsHookExW(
      WH_GETMESSAGE,
      +[](int c, WPARAM w, LPARAM l) -> LRESULT {
        order.push_back(1);
        return CallNextHookEx(first, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  second = SetWindowsHookExW(
      WH_GETMESSAGE,
      +[](int c, WPARAM w, LPARAM l) -> LRESULT {
        order.push_back(2);
        return CallNextHookEx(second, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  HHOOK other = SetWindowsHookExW(
      WH_GETMESSAGE,
      +[](int, WPARAM, LPARAM) -> LRESULT {
        order.push_back(99);
        return 0;
      },
      nullptr, GetCurrentThreadId() + 1000);
  PostMessageW(nullptr, WM_USER, 0, 0);
  MSG m;
  PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  UnhookWindowsHookEx(first);
  UnhookWindowsHookEx(second);
  UnhookWindowsHookEx(other);
}

TEST_F(QueueTest, HookInstallAndRemovalErrors) {
  EXPECT_EQ(SetWindowsHookExW(WH_KEYBOARD, LoggingHook, nullptr, GetCurrentThreadId()), nullptr);
  EXPECT_EQ(GetLastError(), 1426u);
  EXPECT_EQ(SetWindowsHookExW(WH_GETMESSAGE, LoggingHook, nullptr, 0), nullptr)
      << "a hook of every thread needs a module";
  win::testing::FailNextHookInstall(8);
  EXPECT_EQ(SetWindowsHookExW(WH_GETMESSAGE, LoggingHook, nullptr, GetCurrentThreadId()), nullptr);
  EXPECT_EQ(GetLastError(), 8u);
  HHOOK h = SetWindowsHookExW(WH_GETMESSAGE, LoggingHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(h, nullptr) << "only the next installation fails";
  EXPECT_TRUE(UnhookWindowsHookEx(h));
  EXPECT_FALSE(UnhookWindowsHookEx(h));
  EXPECT_EQ(GetLastError(), 1404u);
}

TEST_F(QueueTest, TranslateMakesCharactersFromKeysWithShift) {
  HWND top = MakeTopWindow();
  HWND edit = MakeChild(top, WC_EDIT, L"", 0, 1);
  SetFocus(edit);
  win::user::PostText(L"Ab1!-é");
  win::PumpMessages();
  EXPECT_EQ(win::WindowText(edit), L"Ab1!-é");
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000) << "shift was released";
}

TEST_F(QueueTest, FiltersByWindowAndRange) {
  HWND a = MakeTopWindow();
  HWND b = MakeTopWindow();
  HWND child = MakeChild(a, WC_STATIC, L"", 0, 1);
  PostMessageW(b, WM_USER + 1, 0, 0);
  PostMessageW(child, WM_USER + 2, 0, 0);
  PostMessageW(a, WM_TIMER + 0, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, a, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 2u) << "a child's message passes a parent filter";
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER + 1u);
  EXPECT_EQ(win::QueuedMessageCount(), 1u);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x7), WM_USER, 0, 0)) << "no such window";
}

TEST_F(QueueTest, QuitComesAfterPostedMessagesAndEndsGetMessage) {
  HWND a = MakeTopWindow();
  PostQuitMessage(3);
  PostMessageW(a, WM_USER, 0, 0);
  MSG m;
  EXPECT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_FALSE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(QueueTest, GetMessageWithoutInputAsksTheIdleHandlerThenEnds) {
  HWND a = MakeTopWindow();
  int asked = 0;
  win::SetIdleHandler([&] {
    ++asked;
    if (asked == 1) PostMessageW(a, WM_USER, 0, 0);
    return asked == 1;
  });
  MSG m;
  EXPECT_TRUE(GetMessageW(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_FALSE(GetMessageW(&m, nullptr, 0, 0)) << "no more input can come";
  EXPECT_EQ(asked, 2);
}

// A window timer fires at its own times as the clock runs; it stops when killed, and dies
// with its window.
TEST_F(QueueTest, TimersFireOnTheClock) {
  HWND a = MakeTopWindow();
  std::vector<ULONGLONG> fired;
  auto proc = +[](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) -> LRESULT {
    if (m == WM_TIMER && w == 2)
      reinterpret_cast<std::vector<ULONGLONG>*>(ref)->push_back(win::Now());
    return DefSubclassProc(h, m, w, l);
  };
  SetWindowSubclass(a, proc, 1, reinterpret_cast<DWORD_PTR>(&fired));
  EXPECT_EQ(SetTimer(a, 2, 50, nullptr), 2u);
  win::RunFor(49);
  EXPECT_TRUE(fired.empty());
  win::RunFor(201);
  EXPECT_EQ(fired, (std::vector<ULONGLONG>{50, 100, 150, 200, 250}));
  EXPECT_TRUE(KillTimer(a, 2));
  EXPECT_FALSE(KillTimer(a, 2));
  win::RunFor(500);
  EXPECT_EQ(fired.size(), 5u);
  SetTimer(a, 2, 50, nullptr);
  DestroyWindow(a);
  EXPECT_EQ(win::TimerCount(), 0u);
}

TEST_F(QueueTest, ThreadTimerCallsItsProcedure) {
  static int calls = 0;
  calls = 0;
  UINT_PTR id = SetTimer(
      nullptr, 0, 100, +[](HWND, UINT, UINT_PTR, DWORD) { ++calls; });
  EXPECT_NE(id, 0u);
  win::RunFor(350);
  EXPECT_EQ(calls, 3);
  KillTimer(nullptr, id);
}

TEST_F(QueueTest, SleepMovesTheClockWithoutRunningTimers) {
  HWND a = MakeTopWindow();
  SetTimer(a, 1, 10, nullptr);
  Sleep(500);
  EXPECT_EQ(GetTickCount(), 500u);
  EXPECT_EQ(win::SleptTime(), 500u);
  MSG m;
  // After the sleep one WM_TIMER is waiting, not fifty.
  int timers = 0;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
    if (m.message == WM_TIMER) ++timers;
  EXPECT_EQ(timers, 1);
}

}  // namespace
}  // namespace velk::test
