#include "platform/win/format_message.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "platform/win/thread.h"

namespace velk::win {

namespace {

// One parsed insert: its argument number and printf-like format ("s" when none is given).
struct Insert {
  int number = 0;
  std::wstring flags;   // flags, width and precision
  std::wstring length;  // l, h, ll, I64, w
  wchar_t conversion = L's';
};

// Formats one argument; false when the conversion does not suit it.
bool FormatOne(const Insert& ins, const FormatArgument& arg, std::wstring* out) {
  wchar_t c = ins.conversion;
  std::wstring spec = L"%" + ins.flags;
  wchar_t buf[512];
  if (c == L's' || c == L'S') {
    const std::wstring* s = std::get_if<std::wstring>(&arg);
    if (!s) return false;
    spec += L"ls";
    std::swprintf(buf, 512, spec.c_str(), s->c_str());
    // A text longer than the buffer is kept whole when no precision or width is asked.
    *out += (ins.flags.empty() ? *s : std::wstring(buf));
    return true;
  }
  if (c == L'c' || c == L'C') {
    if (std::holds_alternative<std::wstring>(arg)) return false;
    long long v = std::holds_alternative<long long>(arg)
                      ? std::get<long long>(arg)
                      : static_cast<long long>(std::get<unsigned long long>(arg));
    *out += static_cast<wchar_t>(v);
    return true;
  }
  if (std::holds_alternative<std::wstring>(arg)) return false;
  if (c == L'd' || c == L'i') {
    long long v = std::holds_alternative<long long>(arg)
                      ? std::get<long long>(arg)
                      : static_cast<long long>(std::get<unsigned long long>(arg));
    if (ins.length.empty() || ins.length == L"l" || ins.length == L"h") v = static_cast<int>(v);
    spec += L"lld";
    std::swprintf(buf, 512, spec.c_str(), v);
  } else if (c == L'u' || c == L'x' || c == L'X' || c == L'o') {
    unsigned long long v = std::holds_alternative<unsigned long long>(arg)
                               ? std::get<unsigned long long>(arg)
                               : static_cast<unsigned long long>(std::get<long long>(arg));
    if (ins.length.empty() || ins.length == L"l" || ins.length == L"h")
      v = static_cast<unsigned int>(v);
    spec += L"ll";
    spec += c;
    std::swprintf(buf, 512, spec.c_str(), v);
  } else {
    return false;
  }
  *out += buf;
  return true;
}

// Reads "%n" or "%n!fmt!" at s[i] (s[i] is the first digit); advances i past it.
bool ParseInsert(std::wstring_view s, std::size_t& i, Insert* ins) {
  int n = s[i] - L'0';
  ++i;
  if (i < s.size() && s[i] >= L'0' && s[i] <= L'9') n = n * 10 + (s[i++] - L'0');
  ins->number = n;
  if (i < s.size() && s[i] == L'!') {
    std::size_t end = s.find(L'!', i + 1);
    if (end == std::wstring_view::npos) return false;
    std::wstring_view f = s.substr(i + 1, end - i - 1);
    i = end + 1;
    if (f.empty()) return false;
    ins->conversion = f.back();
    f.remove_suffix(1);
    std::size_t k = 0;
    while (k < f.size() && std::wcschr(L"-+ #0123456789.", f[k])) ++k;
    ins->flags = std::wstring(f.substr(0, k));
    ins->length = std::wstring(f.substr(k));
    if (ins->length == L"I64") ins->length = L"ll";
  }
  return true;
}

// Collects the inserts of a pattern by number (the first format given for each number).
std::vector<Insert> ScanInserts(std::wstring_view s) {
  std::vector<Insert> found;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] != L'%' || i + 1 >= s.size()) {
      ++i;
      continue;
    }
    wchar_t n = s[i + 1];
    if (n >= L'1' && n <= L'9') {
      ++i;
      Insert ins;
      if (!ParseInsert(s, i, &ins)) break;
      if (static_cast<int>(found.size()) < ins.number)
        found.resize(static_cast<std::size_t>(ins.number));
      if (found[static_cast<std::size_t>(ins.number - 1)].number == 0)
        found[static_cast<std::size_t>(ins.number - 1)] = ins;
      continue;
    }
    i += 2;
  }
  return found;
}

bool Expand(std::wstring_view s, bool ignoreInserts, const std::vector<FormatArgument>& args,
            std::wstring* out, std::string* error) {
  out->clear();
  for (std::size_t i = 0; i < s.size();) {
    wchar_t c = s[i];
    if (c != L'%' || i + 1 >= s.size()) {
      out->push_back(c);
      ++i;
      continue;
    }
    wchar_t n = s[i + 1];
    if (n >= L'1' && n <= L'9') {
      std::size_t start = i;
      ++i;
      Insert ins;
      if (!ParseInsert(s, i, &ins)) {
        if (error) *error = "malformed insert";
        return false;
      }
      if (ignoreInserts) {
        out->append(s.substr(start, i - start));
        continue;
      }
      if (ins.number > static_cast<int>(args.size())) {
        if (error) *error = "no argument " + std::to_string(ins.number);
        return false;
      }
      if (!FormatOne(ins, args[static_cast<std::size_t>(ins.number - 1)], out)) {
        if (error) *error = "argument " + std::to_string(ins.number) + " does not suit its format";
        return false;
      }
      continue;
    }
    i += 2;
    switch (n) {
      case L'0': return true;  // ends the message
      case L'n': out->append(L"\r\n"); break;
      case L'r': out->push_back(L'\r'); break;
      case L't': out->push_back(L'\t'); break;
      case L'b': out->push_back(L' '); break;
      case L'%': out->push_back(L'%'); break;
      default: out->push_back(n); break;  // "%." gives ".", "%!" gives "!"
    }
  }
  return true;
}

bool IsText(const Insert& ins) { return ins.conversion == L's' || ins.conversion == L'S'; }
bool IsSigned(const Insert& ins) { return ins.conversion == L'd' || ins.conversion == L'i'; }
bool Is64(const Insert& ins) { return ins.length == L"ll"; }

}  // namespace

bool FormatInserts(std::wstring_view pattern, const std::vector<FormatArgument>& args,
                   std::wstring* out, std::string* error) {
  std::wstring result;
  bool ok = Expand(pattern, false, args, &result, error);
  if (ok && out) *out = std::move(result);
  return ok;
}

namespace detail {

DWORD FormatMessageImpl(DWORD flags, const void* source, DWORD messageId, LPWSTR buffer, DWORD size,
                        va_list* arguments) {
  std::wstring pattern;
  if (flags & FORMAT_MESSAGE_FROM_STRING) {
    if (!source) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    pattern = static_cast<LPCWSTR>(source);
  } else if (flags & FORMAT_MESSAGE_FROM_HMODULE) {
    auto* module = static_cast<HINSTANCE>(const_cast<void*>(source));
    if (!module || !module->LoadString(messageId, pattern)) {
      SetLastError(ERROR_MR_MID_NOT_FOUND);
      return 0;
    }
  } else {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  bool ignore = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0 || !arguments;
  std::vector<FormatArgument> args;
  if (!ignore) {
    std::vector<Insert> inserts = ScanInserts(pattern);
    bool array = (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0;
    for (std::size_t k = 0; k < inserts.size(); ++k) {
      const Insert& ins = inserts[k];
      if (array) {
        DWORD_PTR raw = reinterpret_cast<const DWORD_PTR*>(arguments)[k];
        if (IsText(ins))
          args.emplace_back(std::wstring(raw ? reinterpret_cast<LPCWSTR>(raw) : L"(null)"));
        else if (IsSigned(ins))
          args.emplace_back(static_cast<long long>(static_cast<std::intptr_t>(raw)));
        else
          args.emplace_back(static_cast<unsigned long long>(raw));
      } else if (ins.number == 0) {  // a number the text never names takes a pointer-sized slot
        args.emplace_back(static_cast<unsigned long long>(va_arg(*arguments, std::uintptr_t)));
      } else if (IsText(ins)) {
        const wchar_t* p = va_arg(*arguments, const wchar_t*);
        args.emplace_back(std::wstring(p ? p : L"(null)"));
      } else if (IsSigned(ins)) {
        args.emplace_back(Is64(ins) ? va_arg(*arguments, long long)
                                    : static_cast<long long>(va_arg(*arguments, int)));
      } else {
        args.emplace_back(Is64(ins)
                              ? va_arg(*arguments, unsigned long long)
                              : static_cast<unsigned long long>(va_arg(*arguments, unsigned int)));
      }
    }
  }
  std::wstring result;
  if (!Expand(pattern, ignore, args, &result, nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    if (!buffer) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    std::size_t n = std::max<std::size_t>(result.size() + 1, size);
    auto* block = static_cast<wchar_t*>(std::calloc(n, sizeof(wchar_t)));
    if (!block) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::wmemcpy(block, result.c_str(), result.size() + 1);
    *reinterpret_cast<LPWSTR*>(buffer) = block;
    return static_cast<DWORD>(result.size());
  }
  if (!buffer || result.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wmemcpy(buffer, result.c_str(), result.size() + 1);
  return static_cast<DWORD>(result.size());
}

}  // namespace detail

}  // namespace velk::win

DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD, LPWSTR buffer,
                     DWORD size, va_list* arguments) {
  return velk::win::detail::FormatMessageImpl(flags, source, messageId, buffer, size, arguments);
}

void* LocalFree(void* block) {
  std::free(block);
  return nullptr;
}
