// Option files: the settings key saved as a registry hive file and restored from one, with the
// backup and restore privileges held for the time of the call. Plain calls with no dialog; the
// General page's buttons run them.
#pragma once

#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/token_privileges.h"
#include "platform/win/window.h"

namespace velk::corvane {

// The privilege list the enabling step hands back: two entries.
struct BackupRestoreState {
  DWORD PrivilegeCount = 0;
  LUID_AND_ATTRIBUTES Privileges[2];
};

// Creates (or opens) the key for backup and saves it to the file; the Win32 error code.
LONG SaveRegistryKeyToFile(HKEY root, const wchar_t* subKey, const wchar_t* file);

// Opens the process token and enables the backup and restore privileges; false when a step
// fails (the token, when it was opened, is closed again and *token is null).
bool EnableBackupRestorePrivileges(HANDLE* token, BackupRestoreState* previous);
// Puts the privileges back and closes the token; false for a null token or a failed step.
bool RestorePrivileges(HANDLE token, BackupRestoreState* previous);

// Sends the message to each child in Z order; with deep, right after a child that has children
// its descendants get it the same way, before the next sibling.
void SendMessageToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool deep);

enum class OptionFileResult { Done, NoPrivileges, Failed, NotSettings, OutOfRange };

// Saves the settings key to path. The new file is written beside it under a working name and
// replaces an existing file only when whole; a failed or interrupted save leaves the old file.
OptionFileResult SaveSettingsToFile(const std::wstring& path);

// Replaces the settings key by the hive at path. The file must read whole as a hive that holds
// settings (one of the settings areas), each of whose values the options pages can show (a
// listed choice, a number in its control's range, on or off: else OutOfRange, with the first
// that is not in problem); otherwise the key is left exactly as it was.
OptionFileResult LoadSettingsFromFile(const std::wstring& path, std::wstring* problem = nullptr);

}  // namespace velk::corvane
