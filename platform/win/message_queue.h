// The thread message queue: posting, peeking and getting with the WH_GETMESSAGE hook,
// translation of keys into characters, dispatch, window timers on the test clock, and the
// keyboard state seen by GetKeyState.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/win/clock.h"
#include "platform/win/window.h"

BOOL PostMessageW(HWND h, UINT msg, WPARAM wp, LPARAM lp);
void PostQuitMessage(int exitCode);
// Looks at the first message in the filter (hwnd null: any; 0, 0: any id). Posted messages come
// first, then WM_QUIT, then WM_TIMER of a due timer. The WH_GETMESSAGE hooks of the thread see
// the message (with the removal flag) before it is returned and may change it.
BOOL PeekMessageW(MSG* msg, HWND h, UINT filterMin, UINT filterMax, UINT removeFlags);
// Like PeekMessageW with removal. When nothing is waiting, the thread's idle handler is asked
// to provide input; without one (or when it has none) GetMessageW answers FALSE with WM_QUIT,
// since no further input can come in a headless process.
BOOL GetMessageW(MSG* msg, HWND h, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
SHORT GetKeyState(int vk);

// Window timers. The minimum period is 10 ms. A timer of a window dies with the window.
UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND h, UINT_PTR id);

// Hooks: WH_GETMESSAGE only. A thread id of 0 needs a module and hooks every thread.
HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wp, LPARAM lp);

namespace velk::win {

// The host's message loop body: removes, translates and dispatches every waiting message
// (WM_QUIT stays posted and ends the pump). Returns the number dispatched.
int PumpMessages();
// Moves the clock forward by ms, firing every timer that falls due on the way at its own time
// and pumping the queue after each step.
void RunFor(ULONGLONG ms);
// Supplies input to GetMessageW when the queue is empty; returns false when it has none.
void SetIdleHandler(std::function<bool()> handler);
// Holds or releases a key as GetKeyState sees it (modifiers for scripted clicks).
void SetKeyState(UINT vk, bool down);
// The character a key gives on a US keyboard layout (0 for keys that give none), and back.
wchar_t CharForKey(UINT vk, bool shift);
bool KeyForChar(wchar_t ch, UINT* vk, bool* shift);
std::size_t QueuedMessageCount();
// Forgets queued messages, the quit flag, timers and the key state of this thread (hooks stay
// with whoever installed them).
void ResetMessageQueue();
std::size_t TimerCount();

namespace testing {
// The next hook installation (or removal) fails with the given last error.
void FailNextHookInstall(DWORD error);
void FailNextUnhook(DWORD error);
std::size_t InstalledHookCount();
}  // namespace testing

}  // namespace velk::win
