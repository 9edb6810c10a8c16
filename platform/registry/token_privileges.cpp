#include "platform/registry/token_privileges.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/win/thread.h"

namespace {

struct State {
  std::mutex lock;
  std::map<velk::reg::PrivilegeStep, DWORD> failures;
  std::set<std::uintptr_t> tokens;
  std::uintptr_t nextToken = 0x7000;
  std::map<DWORD, bool> enabled;  // by privilege number
};

State& S() {
  static auto* s = new State;
  return *s;
}

DWORD FailureOf(velk::reg::PrivilegeStep step) {
  auto it = S().failures.find(step);
  return it == S().failures.end() ? 0 : it->second;
}

const std::map<std::wstring, DWORD>& Privileges() {
  static const std::map<std::wstring, DWORD> m = {{L"SeBackupPrivilege", 17},
                                                  {L"SeRestorePrivilege", 18}};
  return m;
}

HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

}  // namespace

HANDLE GetCurrentProcess() { return kCurrentProcess; }

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
  std::lock_guard<std::mutex> g(S().lock);
  if (!token || process != kCurrentProcess) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (DWORD e = FailureOf(velk::reg::PrivilegeStep::OpenToken)) {
    SetLastError(e);
    return FALSE;
  }
  std::uintptr_t t = S().nextToken;
  S().nextToken += 4;
  S().tokens.insert(t);
  *token = reinterpret_cast<HANDLE>(t);
  return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR, LPCWSTR name, LUID* luid) {
  std::lock_guard<std::mutex> g(S().lock);
  if (DWORD e = FailureOf(velk::reg::PrivilegeStep::Lookup)) {
    SetLastError(e);
    return FALSE;
  }
  auto it = name ? Privileges().find(name) : Privileges().end();
  if (it == Privileges().end() || !luid) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  luid->LowPart = it->second;
  luid->HighPart = 0;
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previous, DWORD* returnLength) {
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().tokens.count(reinterpret_cast<std::uintptr_t>(token))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (DWORD e = FailureOf(velk::reg::PrivilegeStep::Adjust)) {
    SetLastError(e);
    return FALSE;
  }
  if (disableAll) {
    for (auto& [id, on] : S().enabled) on = false;
    SetLastError(0);
    return TRUE;
  }
  if (!newState) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD count = newState->PrivilegeCount;
  const DWORD needed =
      static_cast<DWORD>(sizeof(DWORD) + sizeof(LUID_AND_ATTRIBUTES) * (count ? count : 1));
  if (previous) {
    if (returnLength) *returnLength = needed;
    if (bufferLength < needed) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
  }
  // The entries follow one another in memory, as the caller laid them out.
  const LUID_AND_ATTRIBUTES* in = newState->Privileges;
  std::map<DWORD, bool> before = S().enabled;
  if (previous) previous->PrivilegeCount = 0;
  LUID_AND_ATTRIBUTES* out = previous ? previous->Privileges : nullptr;
  for (DWORD i = 0; i < count; ++i) {
    DWORD id = in[i].Luid.LowPart;
    if (previous) {
      out[previous->PrivilegeCount].Luid = in[i].Luid;
      out[previous->PrivilegeCount].Attributes = before[id] ? SE_PRIVILEGE_ENABLED : 0;
      ++previous->PrivilegeCount;
    }
    S().enabled[id] = (in[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetLastError(0);
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  std::lock_guard<std::mutex> g(S().lock);
  if (!S().tokens.erase(reinterpret_cast<std::uintptr_t>(handle))) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace velk::reg {

void SetPrivilegeFailure(PrivilegeStep step, DWORD error) {
  std::lock_guard<std::mutex> g(S().lock);
  if (error)
    S().failures[step] = error;
  else
    S().failures.erase(step);
}

void ClearPrivilegeFailures() {
  std::lock_guard<std::mutex> g(S().lock);
  S().failures.clear();
}

std::size_t OpenTokenCount() {
  std::lock_guard<std::mutex> g(S().lock);
  return S().tokens.size();
}

}  // namespace velk::reg
