// File attributes, full paths and the C runtime's wide-character file calls (temporary names,
// rename, remove) over native paths.
#pragma once

#include "platform/com/base_types.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// INVALID_FILE_ATTRIBUTES (last error ERROR_FILE_NOT_FOUND) when nothing is at the path.
DWORD GetFileAttributesW(LPCWSTR path);
BOOL PathFileExistsW(LPCWSTR path);
// The absolute form of path (relative to the current folder); returns its length, or the size
// needed with the terminator when the buffer is too small.
DWORD GetFullPathNameW(LPCWSTR path, DWORD cch, LPWSTR buffer, LPWSTR* filePart);

// Replaces the trailing "XXXXXX" of the template, in place, so that no file has the name; null
// when the template does not end so or no free name is found.
wchar_t* _wmktemp(wchar_t* nameTemplate);
// 0 on success, else -1 with errno set.
int _wrename(const wchar_t* from, const wchar_t* to);
int _wremove(const wchar_t* path);
