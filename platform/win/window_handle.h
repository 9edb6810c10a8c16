// Handles and plain value types of the headless windowing layer: window handles, message
// parameters, rectangles and points, colours, and the message record of the queue.
#pragma once

#include <cstdint>

#include "platform/com/base_types.h"

// A window handle is an opaque pointer; handles are allocated in increasing order and never
// dereferenced (the window table maps them to windows).
struct HWND__;
using HWND = HWND__*;

struct HMENU__;
using HMENU = HMENU__*;
struct HDC__;
using HDC = HDC__*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HHOOK__;
using HHOOK = HHOOK__*;
struct HIMAGELIST__;
using HIMAGELIST = HIMAGELIST__*;
struct HTREEITEM__;
using HTREEITEM = HTREEITEM__*;
using HGDIOBJ = void*;
using HANDLE = void*;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using ATOM = WORD;
using COLORREF = DWORD;
using LCID = DWORD;

struct POINT {
  LONG x = 0;
  LONG y = 0;
  friend constexpr bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
  friend constexpr bool operator==(const SIZE&, const SIZE&) = default;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  friend constexpr bool operator==(const RECT&, const RECT&) = default;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

// One queued message.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};
using LPMSG = MSG*;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
  return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(MAKELONG(lo, hi)); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr LONG GET_X_LPARAM(LPARAM lp) {
  return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lp)));
}
constexpr LONG GET_Y_LPARAM(LPARAM lp) {
  return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lp)));
}

// Window procedure and dialog procedure signatures.
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using HOOKPROC = LRESULT (*)(int code, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
