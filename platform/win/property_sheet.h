// The property sheet: a modal dialog with a tab per page, OK, Cancel, Apply (unless
// PSH_NOAPPLYNOW) and Help. A page's window is made from its template the first time it is
// shown; OK sends PSN_APPLY only to the pages whose windows exist, Cancel sends PSN_RESET; the
// page windows are destroyed in reverse order when the sheet closes.
#pragma once

#include "platform/win/dialog.h"

constexpr DWORD PSP_DEFAULT = 0x0000;
constexpr DWORD PSP_USETITLE = 0x0008;
constexpr DWORD PSP_USECALLBACK = 0x0080;
constexpr UINT PSPCB_RELEASE = 1;
constexpr UINT PSPCB_CREATE = 2;

constexpr DWORD PSH_DEFAULT = 0x0000;
constexpr DWORD PSH_PROPTITLE = 0x0001;
constexpr DWORD PSH_USEPSTARTPAGE = 0x0040;
constexpr DWORD PSH_NOAPPLYNOW = 0x0080;
constexpr DWORD PSH_USECALLBACK = 0x0100;
constexpr DWORD PSH_MODELESS = 0x0400;
constexpr int PSCB_INITIALIZED = 1;

constexpr int PSN_FIRST = -200;
constexpr int PSN_SETACTIVE = PSN_FIRST - 0;
constexpr int PSN_KILLACTIVE = PSN_FIRST - 1;
constexpr int PSN_APPLY = PSN_FIRST - 2;
constexpr int PSN_RESET = PSN_FIRST - 3;
constexpr int PSN_HELP = PSN_FIRST - 5;
constexpr int PSN_QUERYCANCEL = PSN_FIRST - 9;
constexpr LRESULT PSNRET_NOERROR = 0;
constexpr LRESULT PSNRET_INVALID = 1;
constexpr LRESULT PSNRET_INVALID_NOCHANGEPAGE = 2;

constexpr UINT PSM_SETCURSEL = WM_USER + 101;
constexpr UINT PSM_ADDPAGE = WM_USER + 103;
constexpr UINT PSM_PRESSBUTTON = WM_USER + 113;
constexpr UINT PSM_SETTITLEW = WM_USER + 120;
constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
constexpr UINT PSM_INDEXTOHWND = WM_USER + 130;
constexpr int PSBTN_OK = 1;
constexpr int PSBTN_APPLYNOW = 4;
constexpr int PSBTN_CANCEL = 5;
constexpr int IDAPPLY = 0x3021;  // the sheet's Apply button
constexpr int IDHELP_SHEET = 9;  // the sheet's Help button
constexpr int IDC_SHEET_TAB = 0x3020;

struct PROPSHEETPAGEW;
using LPFNPSPCALLBACKW = UINT (*)(HWND, UINT, PROPSHEETPAGEW*);

struct PROPSHEETPAGEW {
  DWORD dwSize = sizeof(PROPSHEETPAGEW);
  DWORD dwFlags = PSP_DEFAULT;
  HINSTANCE hInstance = nullptr;
  LPCWSTR pszTemplate = nullptr;
  LPCWSTR pszTitle = nullptr;
  DLGPROC pfnDlgProc = nullptr;
  LPARAM lParam = 0;
  LPFNPSPCALLBACKW pfnCallback = nullptr;
};

struct PSP;
using HPROPSHEETPAGE = PSP*;
using PFNPROPSHEETCALLBACK = int (*)(HWND, UINT, LPARAM);

struct PROPSHEETHEADERW {
  DWORD dwSize = sizeof(PROPSHEETHEADERW);
  DWORD dwFlags = PSH_DEFAULT;
  HWND hwndParent = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCWSTR pszCaption = nullptr;
  UINT nPages = 0;
  UINT nStartPage = 0;
  HPROPSHEETPAGE* phpage = nullptr;
  PFNPROPSHEETCALLBACK pfnCallback = nullptr;
};

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam = 0;
};

HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page);
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Runs the sheet modally (IDOK, IDCANCEL, -1 when it cannot be made); the responder acts as the
// user while it runs, as for any modal dialog.
INT_PTR PropertySheetW(const PROPSHEETHEADERW* header);

namespace velk::win {

// The sheet's pages in order and their windows (null for pages not yet shown).
std::vector<HWND> PropertySheetPageWindows(HWND sheet);

}  // namespace velk::win
