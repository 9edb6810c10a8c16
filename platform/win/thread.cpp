#include "platform/win/thread.h"

#include <atomic>

namespace {
thread_local DWORD t_lastError = 0;
thread_local DWORD t_threadId = 0;
std::atomic<DWORD> g_nextThreadId{1};
}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = g_nextThreadId++;
  return t_threadId;
}
