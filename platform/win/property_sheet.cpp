#include "platform/win/property_sheet.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win/common_controls.h"
#include "platform/win/message_queue.h"
#include "platform/win/window_internal.h"

struct PSP {
  PROPSHEETPAGEW page;
};

namespace {

constexpr const wchar_t* kSheetProp = L"velk.PropertySheet";

struct SheetData {
  PROPSHEETHEADERW header;
  std::vector<HPROPSHEETPAGE> pages;
  std::vector<std::wstring> titles;
  std::vector<HWND> windows;
  int current = -1;
  RECT pageArea{};
};

SheetData* DataOf(HWND sheet) { return static_cast<SheetData*>(GetPropW(sheet, kSheetProp)); }

std::wstring PageTitle(const PROPSHEETPAGEW& p) {
  if ((p.dwFlags & PSP_USETITLE) && p.pszTitle && !IS_INTRESOURCE(p.pszTitle)) return p.pszTitle;
  std::string error;
  auto t = velk::win::FindDialogTemplate(p.hInstance, p.pszTemplate, &error);
  return t ? t->caption : std::wstring();
}

LRESULT Notify(HWND sheet, HWND page, int code) {
  PSHNOTIFY n;
  n.hdr.hwndFrom = sheet;
  n.hdr.idFrom = 0;
  n.hdr.code = static_cast<UINT>(code);
  n.lParam = code == PSN_APPLY ? TRUE : 0;
  return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
}

// Makes the page's window the first time it is shown, then shows it in place of the current one.
bool ShowPage(HWND sheet, SheetData* d, int index) {
  if (index < 0 || index >= static_cast<int>(d->pages.size())) return false;
  if (index == d->current) return true;
  PROPSHEETPAGEW& p = d->pages[index]->page;
  if (!d->windows[index]) {
    if ((p.dwFlags & PSP_USECALLBACK) && p.pfnCallback) p.pfnCallback(nullptr, PSPCB_CREATE, &p);
    HWND w = CreateDialogParamW(p.hInstance, p.pszTemplate, sheet, p.pfnDlgProc,
                                reinterpret_cast<LPARAM>(&p));
    if (!w) return false;
    d->windows[index] = w;
    MoveWindow(w, d->pageArea.left, d->pageArea.top, d->pageArea.right - d->pageArea.left,
               d->pageArea.bottom - d->pageArea.top, FALSE);
  }
  if (d->current >= 0 && d->windows[d->current]) ShowWindow(d->windows[d->current], SW_HIDE);
  d->current = index;
  SendDlgItemMessageW(sheet, IDC_SHEET_TAB, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  Notify(sheet, d->windows[index], PSN_SETACTIVE);
  ShowWindow(d->windows[index], SW_SHOW);
  return true;
}

// PSN_APPLY to every page that has a window, in order; false when one refuses.
bool ApplyPages(HWND sheet, SheetData* d) {
  for (std::size_t i = 0; i < d->windows.size(); ++i) {
    if (!d->windows[i]) continue;
    LRESULT r = Notify(sheet, d->windows[i], PSN_APPLY);
    if (r == PSNRET_INVALID || r == PSNRET_INVALID_NOCHANGEPAGE) {
      ShowPage(sheet, d, static_cast<int>(i));
      return false;
    }
  }
  return true;
}

INT_PTR SheetProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  SheetData* d = DataOf(h);
  switch (msg) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<SheetData*>(lp);
      SetPropW(h, kSheetProp, d);
      HWND tab = GetDlgItem(h, IDC_SHEET_TAB);
      for (std::size_t i = 0; i < d->pages.size(); ++i) {
        TCITEMW item;
        item.mask = TCIF_TEXT;
        item.pszText = d->titles[i].data();
        SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
      }
      if ((d->header.dwFlags & PSH_USECALLBACK) && d->header.pfnCallback)
        d->header.pfnCallback(h, PSCB_INITIALIZED, 0);
      ShowPage(h, d, static_cast<int>(d->header.nStartPage));
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      if (d && hdr && hdr->idFrom == static_cast<UINT_PTR>(IDC_SHEET_TAB) &&
          static_cast<int>(hdr->code) == TCN_SELCHANGE) {
        ShowPage(h, d,
                 static_cast<int>(SendDlgItemMessageW(h, IDC_SHEET_TAB, TCM_GETCURSEL, 0, 0)));
        return TRUE;
      }
      return FALSE;
    }
    case PSM_SETCURSEL:
      if (!d) return FALSE;
      SetWindowLongPtrW(h, DWLP_MSGRESULT, ShowPage(h, d, static_cast<int>(wp)));
      return TRUE;
    case PSM_GETCURRENTPAGEHWND:
      SetWindowLongPtrW(
          h, DWLP_MSGRESULT,
          reinterpret_cast<LONG_PTR>(d && d->current >= 0 ? d->windows[d->current] : nullptr));
      return TRUE;
    case PSM_INDEXTOHWND:
      SetWindowLongPtrW(
          h, DWLP_MSGRESULT,
          reinterpret_cast<LONG_PTR>(d && wp < d->windows.size() ? d->windows[wp] : nullptr));
      return TRUE;
    case PSM_GETTABCONTROL:
      SetWindowLongPtrW(h, DWLP_MSGRESULT,
                        reinterpret_cast<LONG_PTR>(GetDlgItem(h, IDC_SHEET_TAB)));
      return TRUE;
    case PSM_PRESSBUTTON: {
      int id = wp == PSBTN_OK         ? IDOK
               : wp == PSBTN_CANCEL   ? IDCANCEL
               : wp == PSBTN_APPLYNOW ? IDAPPLY
                                      : 0;
      if (id) PostMessageW(h, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (!d) return FALSE;
      switch (LOWORD(wp)) {
        case IDOK:
          if (ApplyPages(h, d)) EndDialog(h, IDOK);
          return TRUE;
        case IDAPPLY: ApplyPages(h, d); return TRUE;
        case IDCANCEL:
          for (HWND w : d->windows)
            if (w) Notify(h, w, PSN_RESET);
          EndDialog(h, IDCANCEL);
          return TRUE;
        default: return FALSE;
      }
    case WM_DESTROY:
      if (d) {
        for (auto it = d->windows.rbegin(); it != d->windows.rend(); ++it)
          if (*it && IsWindow(*it)) DestroyWindow(*it);
        RemovePropW(h, kSheetProp);
      }
      return FALSE;
    default: return FALSE;
  }
}

}  // namespace

HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page) {
  if (!page) return nullptr;
  auto* p = new PSP{*page};
  return p;
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page) {
  if (!page) return FALSE;
  if ((page->page.dwFlags & PSP_USECALLBACK) && page->page.pfnCallback)
    page->page.pfnCallback(nullptr, PSPCB_RELEASE, &page->page);
  delete page;
  return TRUE;
}

INT_PTR PropertySheetW(const PROPSHEETHEADERW* header) {
  if (!header || (header->nPages && !header->phpage)) return -1;
  SheetData d;
  d.header = *header;
  d.pages.assign(header->phpage, header->phpage + header->nPages);
  d.windows.assign(d.pages.size(), nullptr);
  // The sheet is sized for its largest page.
  int cx = 100, cy = 60;
  for (HPROPSHEETPAGE p : d.pages) {
    std::string error;
    auto t = velk::win::FindDialogTemplate(p->page.hInstance, p->page.pszTemplate, &error);
    if (!t) return -1;
    cx = std::max(cx, t->cx);
    cy = std::max(cy, t->cy);
    d.titles.push_back(PageTitle(p->page));
  }
  velk::win::DialogTemplate t;
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = cx + 16;
  t.cy = cy + 44;
  std::wstring caption = header->pszCaption ? header->pszCaption : L"";
  t.caption = (header->dwFlags & PSH_PROPTITLE) ? L"Properties for " + caption : caption;
  velk::win::DialogItemTemplate tab;
  tab.className = WC_TABCONTROL;
  tab.id = IDC_SHEET_TAB;
  tab.style = WS_VISIBLE | WS_TABSTOP;
  tab.x = 4;
  tab.y = 4;
  tab.cx = cx + 8;
  tab.cy = cy + 18;
  t.items.push_back(tab);
  struct Button {
    int id;
    const wchar_t* text;
  };
  std::vector<Button> buttons = {{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}};
  if (!(header->dwFlags & PSH_NOAPPLYNOW)) buttons.push_back({IDAPPLY, L"&Apply"});
  int x = t.cx - 4 - 54 * static_cast<int>(buttons.size());
  for (const Button& b : buttons) {
    velk::win::DialogItemTemplate item;
    item.className = WC_BUTTON;
    item.id = b.id;
    item.text = b.text;
    item.style = WS_VISIBLE | WS_TABSTOP | (b.id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    item.x = x;
    item.y = t.cy - 18;
    item.cx = 50;
    item.cy = 14;
    t.items.push_back(item);
    x += 54;
  }
  d.pageArea = {velk::win::DialogUnitsToPixelsX(8), velk::win::DialogUnitsToPixelsY(4) + 24,
                velk::win::DialogUnitsToPixelsX(8 + cx),
                velk::win::DialogUnitsToPixelsY(4) + 24 + velk::win::DialogUnitsToPixelsY(cy)};
  return DialogBoxIndirectParamW(header->hInstance, &t, header->hwndParent, SheetProc,
                                 reinterpret_cast<LPARAM>(&d));
}

namespace velk::win {

std::vector<HWND> PropertySheetPageWindows(HWND sheet) {
  SheetData* d = DataOf(sheet);
  return d ? d->windows : std::vector<HWND>{};
}

}  // namespace velk::win
