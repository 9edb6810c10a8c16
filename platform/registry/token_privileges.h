// The process token and its privileges, as far as saving and restoring registry keys needs them:
// opening the token, looking up the backup and restore privileges, and enabling them with the
// previous state handed back. Every step succeeds unless a test makes it fail.
#pragma once

#include <cstddef>

#include "platform/com/base_types.h"
#include "platform/win/window_handle.h"

struct LUID {
  DWORD LowPart = 0;
  LONG HighPart = 0;
};

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes = 0;
};

// A privilege list: PrivilegeCount entries, of which the struct declares the first.
struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount = 0;
  LUID_AND_ATTRIBUTES Privileges[1];
};

constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
#define SE_BACKUP_NAME L"SeBackupPrivilege"
#define SE_RESTORE_NAME L"SeRestorePrivilege"

HANDLE GetCurrentProcess();
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, LUID* luid);
// Sets the listed privileges' states; when previous is given (bufferLength bytes) it receives
// the earlier states of the changed privileges (ERROR_INSUFFICIENT_BUFFER when it is too small).
// Sets the last error to 0 on success.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                           DWORD bufferLength, TOKEN_PRIVILEGES* previous, DWORD* returnLength);
BOOL CloseHandle(HANDLE handle);

namespace velk::reg {

enum class PrivilegeStep { OpenToken, Lookup, Adjust };

// Makes the step fail with the error from now on (0: succeed again).
void SetPrivilegeFailure(PrivilegeStep step, DWORD error);
void ClearPrivilegeFailures();
// Tokens opened and not yet closed.
std::size_t OpenTokenCount();

}  // namespace velk::reg
