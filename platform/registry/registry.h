// The registry: HKCR, HKCU and HKLM key trees with typed values, kept in one text file under the
// host's root folder and rewritten atomically after every change. The functions follow the
// shapes the system's code calls (Win32 registry calls); the C++ class underneath is for the
// registrar, the host program and tests.
#pragma once

#include <string>
#include <vector>

#include "platform/com/base_types.h"

struct HKEY__;
using HKEY = HKEY__*;
using REGSAM = DWORD;
using LSTATUS = LONG;

// Predefined roots.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_BACKUP_RESTORE = 4;
constexpr DWORD REG_FORCE_RESTORE = 8;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// RegSaveKeyW does not overwrite an existing file.
constexpr LONG ERROR_ALREADY_EXISTS = 183;

// Key paths use back slashes ("Software\\Velk\\Tarvos\\10.0.0.0"); names ignore letter case
// and keep the case they were created with; a path with an empty part is ERROR_INVALID_PARAMETER.
// A null or empty value name is the default value. An opened key is a handle to its hive and
// path, looked up again on every use: once the key is deleted the handle answers
// ERROR_KEY_DELETED. Subkeys enumerate in creation order, values in the order first written.
// Values read back as the bytes the platform uses: REG_SZ and REG_EXPAND_SZ as wchar_t text with
// its terminator (cbData counts bytes), REG_MULTI_SZ with two terminators, REG_DWORD as 4 bytes.
// Every change is written to the registry file at once; when that write fails the change is
// undone and its error (e.g. ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_WRITE_FAULT, or
// ERROR_BADDB while the file failed to load) returned.
LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR cls, DWORD options,
                        REGSAM sam, void* security, HKEY* result, DWORD* disposition);
LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, HKEY* result);
LSTATUS RegCloseKey(HKEY key);
LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD cbData);
// data may be null to ask for the size; a too-small buffer gives ERROR_MORE_DATA and the size.
LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* cbData);
LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key that has no subkeys (else ERROR_ACCESS_DENIED).
LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
// Deletes a key with everything below it; a null or empty subKey empties the key itself.
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey);
// A short name buffer gives ERROR_MORE_DATA with *cchName set to the size needed, terminator
// included; on success *cchName is the name's length.
LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD* reserved,
                      LPWSTR cls, DWORD* cchClass, void* lastWrite);
LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* cchName, DWORD* reserved,
                      DWORD* type, BYTE* data, DWORD* cbData);
// Saves a key with its whole subtree to a new file (an existing file gives ERROR_ALREADY_EXISTS),
// and replaces a key's values and subkeys by a saved one (a file that is not a saved key gives
// ERROR_BADDB and leaves the key as it was). The file is a registry hive file (hive_file.h); a
// restore reads the whole file before it changes the key.
LSTATUS RegSaveKeyW(HKEY key, LPCWSTR file, void* security);
LSTATUS RegRestoreKeyW(HKEY key, LPCWSTR file, DWORD flags);

namespace velk::reg {

enum class Hive { ClassesRoot, CurrentUser, LocalMachine };

struct Value {
  DWORD type = REG_SZ;
  std::wstring text;  // REG_SZ, REG_EXPAND_SZ; REG_MULTI_SZ joined by L'\0'
  DWORD number = 0;   // REG_DWORD
  std::string bytes;  // REG_BINARY
};

// The root folder of the host program's state: --root, else $TREVIK_HOME, else
// ~/.trevik (the user's home from HOME, else from the user database). Empty when none of them
// is known; the registry then refuses to load. The registry file is <root>/registry.txt.
void SetHostRoot(const std::string& folder);
std::string HostRoot();

// Loads the registry file of the host root (once; again after SetHostRoot, which reloads even
// the same folder). A missing file is an empty registry. An unreadable or corrupt file is
// reported (LastLoadError names the file, and the line and fault) and left untouched on disk;
// the registry then starts empty and refuses every change (ERROR_BADDB) until it is reloaded or
// the root changes. Every registry call loads as needed.
bool EnsureLoaded();
std::string LastLoadError();

// Convenience reads and writes on a full path under a hive. ReadString takes REG_SZ and
// REG_EXPAND_SZ (not expanded), ReadDword only REG_DWORD; writes create the keys they need.
bool KeyExists(Hive hive, const std::wstring& path);
bool ReadString(Hive hive, const std::wstring& path, const std::wstring& name, std::wstring& out);
bool ReadDword(Hive hive, const std::wstring& path, const std::wstring& name, DWORD& out);
bool ReadValue(Hive hive, const std::wstring& path, const std::wstring& name, Value& out);
LSTATUS WriteString(Hive hive, const std::wstring& path, const std::wstring& name,
                    const std::wstring& value);
LSTATUS WriteDword(Hive hive, const std::wstring& path, const std::wstring& name, DWORD value);
LSTATUS WriteValue(Hive hive, const std::wstring& path, const std::wstring& name,
                   const Value& value);
std::vector<std::wstring> SubKeys(Hive hive, const std::wstring& path);  // in creation order
// The subkey names of the root of a hive file (as a restore would take them): ERROR_SUCCESS,
// ERROR_FILE_NOT_FOUND, or ERROR_BADDB for a file that does not read whole as a hive.
LSTATUS ReadHiveSubKeys(const std::wstring& file, std::vector<std::wstring>* names);
// Key and value names compare without regard to letter case.
bool NamesEqual(const std::wstring& a, const std::wstring& b);
LSTATUS DeleteTree(Hive hive, const std::wstring& path);  // an empty path empties the hive

}  // namespace velk::reg
