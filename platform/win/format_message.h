// FormatMessageW with inserts ("%1", "%1!s!", "%2!d!", ...) from a text or a module's string
// table, and a checked C++ form that knows how many arguments it was given.
#pragma once

#include <cstdarg>
#include <string>
#include <variant>
#include <vector>

#include "platform/win/window.h"

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// source: the pattern (FROM_STRING) or the module (FROM_HMODULE, messageId = string id).
// arguments: a DWORD_PTR array with ARGUMENT_ARRAY, else a va_list*. With ALLOCATE_BUFFER,
// buffer is a LPWSTR* that receives a block to free with LocalFree. Returns the characters
// written (without the terminator), 0 on failure with the last error set.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     LPWSTR buffer, DWORD size, va_list* arguments);
void* LocalFree(void* block);

namespace velk::win {

using FormatArgument = std::variant<std::wstring, long long, unsigned long long>;

// Fills the inserts of a pattern. An insert with no argument, or whose format does not suit
// its argument (a text for %d, a number for %s), is an error: false, with the reason.
bool FormatInserts(std::wstring_view pattern, const std::vector<FormatArgument>& args,
                   std::wstring* out, std::string* error = nullptr);

}  // namespace velk::win
