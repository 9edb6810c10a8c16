#include "platform/win/message_queue.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/win/thread.h"
#include "platform/win/window_internal.h"

namespace {

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  TIMERPROC proc;
  ULONGLONG due;
};

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
  DWORD thread;  // 0: every thread
};

struct Queue {
  std::deque<MSG> posted;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  UINT_PTR nextTimerId = 1;
  bool keys[256] = {};
  std::function<bool()> idle;
};

thread_local Queue t_queue;

// Hooks are process-wide (a thread id tells whose messages they see); newest first.
std::vector<Hook>& HookList() {
  static auto* hooks = new std::vector<Hook>();  // outlives the libraries that unhook at unload
  return *hooks;
}
std::uintptr_t g_nextHook = 0x100;
DWORD g_failInstall = 0;
DWORD g_failUnhook = 0;

bool InFilter(const MSG& m, HWND h, UINT lo, UINT hi) {
  if (h == reinterpret_cast<HWND>(-1)) {
    if (m.hwnd) return false;
  } else if (h && m.hwnd != h && !IsChild(h, m.hwnd)) {
    return false;
  }
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}

void CallGetMessageHooks(UINT removeFlag, MSG* msg) {
  DWORD me = GetCurrentThreadId();
  for (const Hook& hk : HookList()) {
    if (hk.thread != 0 && hk.thread != me) continue;
    // The first hook of the chain runs; it passes on through CallNextHookEx.
    hk.proc(HC_ACTION, removeFlag, reinterpret_cast<LPARAM>(msg));
    return;
  }
}

void TrackKeys(const MSG& m) {
  if (m.wParam >= 256) return;
  if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) t_queue.keys[m.wParam] = true;
  if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) t_queue.keys[m.wParam] = false;
}

}  // namespace

namespace velk::win::detail {
void DropWindowTimers(HWND h) {
  auto& t = t_queue.timers;
  t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.hwnd == h; }), t.end());
}
}  // namespace velk::win::detail

BOOL PostMessageW(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (h && !IsWindow(h)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MSG m;
  m.hwnd = h;
  m.message = msg;
  m.wParam = wp;
  m.lParam = lp;
  m.time = GetTickCount();
  t_queue.posted.push_back(m);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  t_queue.quit = true;
  t_queue.quitCode = exitCode;
}

BOOL PeekMessageW(MSG* msg, HWND h, UINT lo, UINT hi, UINT removeFlags) {
  if (!msg) return FALSE;
  Queue& q = t_queue;
  bool remove = (removeFlags & PM_REMOVE) != 0;
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!InFilter(*it, h, lo, hi)) continue;
    *msg = *it;
    if (remove) {
      q.posted.erase(it);
      TrackKeys(*msg);
    }
    CallGetMessageHooks(remove ? PM_REMOVE : PM_NOREMOVE, msg);
    return TRUE;
  }
  if (q.quit && (lo == 0 && hi == 0 ? true : (WM_QUIT >= lo && WM_QUIT <= hi))) {
    *msg = MSG{};
    msg->message = WM_QUIT;
    msg->wParam = static_cast<WPARAM>(q.quitCode);
    msg->time = GetTickCount();
    if (remove) q.quit = false;
    return TRUE;
  }
  ULONGLONG now = velk::win::Now();
  Timer* due = nullptr;
  for (Timer& t : q.timers) {
    if (t.due > now) continue;
    MSG probe;
    probe.hwnd = t.hwnd;
    probe.message = WM_TIMER;
    if (!InFilter(probe, h, lo, hi)) continue;
    if (!due || t.due < due->due) due = &t;
  }
  if (due) {
    *msg = MSG{};
    msg->hwnd = due->hwnd;
    msg->message = WM_TIMER;
    msg->wParam = due->id;
    msg->lParam = reinterpret_cast<LPARAM>(due->proc);
    msg->time = static_cast<DWORD>(now);
    if (remove) due->due = now + due->elapse;
    CallGetMessageHooks(remove ? PM_REMOVE : PM_NOREMOVE, msg);
    return TRUE;
  }
  return FALSE;
}

BOOL GetMessageW(MSG* msg, HWND h, UINT lo, UINT hi) {
  if (!msg) return -1;
  for (;;) {
    if (PeekMessageW(msg, h, lo, hi, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
    if (!t_queue.idle || !t_queue.idle()) {
      *msg = MSG{};
      msg->message = WM_QUIT;
      return FALSE;
    }
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  wchar_t ch = velk::win::CharForKey(static_cast<UINT>(msg->wParam), shift);
  if (!ch) return FALSE;
  MSG c = *msg;
  c.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  c.wParam = static_cast<WPARAM>(ch);
  t_queue.posted.push_front(c);
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
    proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
    return 0;
  }
  if (!msg->hwnd) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

SHORT GetKeyState(int vk) {
  if (vk < 0 || vk >= 256) return 0;
  return t_queue.keys[vk] ? static_cast<SHORT>(0x8000) : 0;
}

UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (h && !IsWindow(h)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (elapse < 10) elapse = 10;
  Queue& q = t_queue;
  ULONGLONG due = velk::win::Now() + elapse;
  if (!h) {
    for (Timer& t : q.timers)
      if (!t.hwnd && t.id == id && id != 0) {
        t.elapse = elapse;
        t.proc = proc;
        t.due = due;
        return id;
      }
    id = q.nextTimerId++;
  } else {
    for (Timer& t : q.timers)
      if (t.hwnd == h && t.id == id) {
        t.elapse = elapse;
        t.proc = proc;
        t.due = due;
        return id ? id : 1;
      }
  }
  q.timers.push_back({h, id, elapse, proc, due});
  return h ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
  auto& t = t_queue.timers;
  auto it =
      std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == h && x.id == id; });
  if (it == t.end()) return FALSE;
  t.erase(it);
  return TRUE;
}

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId) {
  if (idHook != WH_GETMESSAGE || !proc) {
    SetLastError(ERROR_INVALID_HOOK_FILTER);
    return nullptr;
  }
  if (threadId == 0 && !module) {
    SetLastError(ERROR_HOOK_NEEDS_HMOD);
    return nullptr;
  }
  if (g_failInstall) {
    SetLastError(g_failInstall);
    g_failInstall = 0;
    return nullptr;
  }
  HHOOK h = reinterpret_cast<HHOOK>(g_nextHook);
  g_nextHook += 4;
  HookList().insert(HookList().begin(), Hook{h, proc, threadId});
  return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  if (g_failUnhook) {
    SetLastError(g_failUnhook);
    g_failUnhook = 0;
    return FALSE;
  }
  auto it = std::find_if(HookList().begin(), HookList().end(),
                         [hook](const Hook& x) { return x.handle == hook; });
  if (it == HookList().end()) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  HookList().erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wp, LPARAM lp) {
  DWORD me = GetCurrentThreadId();
  auto it = std::find_if(HookList().begin(), HookList().end(),
                         [hook](const Hook& x) { return x.handle == hook; });
  if (it == HookList().end()) return 0;
  for (++it; it != HookList().end(); ++it) {
    if (it->thread != 0 && it->thread != me) continue;
    return it->proc(code, wp, lp);
  }
  return 0;
}

namespace velk::win {

int PumpMessages() {
  int n = 0;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
    ++n;
  }
  PaintPendingWindows();
  return n;
}

void RunFor(ULONGLONG ms) {
  ULONGLONG target = Now() + ms;
  PumpMessages();
  for (;;) {
    ULONGLONG next = 0;
    bool any = false;
    for (const Timer& t : t_queue.timers)
      if (!any || t.due < next) {
        next = t.due;
        any = true;
      }
    if (!any || next > target) break;
    if (next > Now()) AdvanceClock(next - Now());
    if (PumpMessages() == 0) {
      // A timer whose messages nobody takes (filtered out) must not stall the clock.
      for (Timer& t : t_queue.timers)
        if (t.due <= Now()) t.due = Now() + t.elapse;
    }
  }
  if (target > Now()) AdvanceClock(target - Now());
  PumpMessages();
}

void SetIdleHandler(std::function<bool()> handler) { t_queue.idle = std::move(handler); }

void SetKeyState(UINT vk, bool down) {
  if (vk < 256) t_queue.keys[vk] = down;
}

wchar_t CharForKey(UINT vk, bool shift) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<wchar_t>(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9') {
    static const wchar_t shifted[] = L")!@#$%^&*(";
    return shift ? shifted[vk - '0'] : static_cast<wchar_t>(vk);
  }
  switch (vk) {
    case VK_SPACE: return L' ';
    case VK_RETURN: return L'\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return L'\b';
    case VK_TAB: return L'\t';
    case 0xBA: return shift ? L':' : L';';
    case 0xBB: return shift ? L'+' : L'=';
    case 0xBC: return shift ? L'<' : L',';
    case 0xBD: return shift ? L'_' : L'-';
    case 0xBE: return shift ? L'>' : L'.';
    case 0xBF: return shift ? L'?' : L'/';
    case 0xC0: return shift ? L'~' : L'`';
    case 0xDB: return shift ? L'{' : L'[';
    case 0xDC: return shift ? L'|' : L'\\';
    case 0xDD: return shift ? L'}' : L']';
    case 0xDE: return shift ? L'"' : L'\'';
    default: return 0;
  }
}

bool KeyForChar(wchar_t ch, UINT* vk, bool* shift) {
  for (UINT k = 1; k < 256; ++k)
    for (int s = 0; s < 2; ++s)
      if (CharForKey(k, s != 0) == ch) {
        if (vk) *vk = k;
        if (shift) *shift = s != 0;
        return true;
      }
  return false;
}

std::size_t QueuedMessageCount() { return t_queue.posted.size(); }

void ResetMessageQueue() {
  t_queue.posted.clear();
  t_queue.quit = false;
  t_queue.timers.clear();
  for (bool& k : t_queue.keys) k = false;
  t_queue.idle = nullptr;
  g_failInstall = g_failUnhook = 0;
}

std::size_t TimerCount() { return t_queue.timers.size(); }

namespace testing {
void FailNextHookInstall(DWORD error) { g_failInstall = error; }
void FailNextUnhook(DWORD error) { g_failUnhook = error; }
std::size_t InstalledHookCount() { return HookList().size(); }
}  // namespace testing

}  // namespace velk::win
