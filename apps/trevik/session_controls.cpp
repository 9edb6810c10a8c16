#include "apps/trevik/session_controls.h"

#include <cstdio>
#include <cwctype>
#include <functional>
#include <vector>

#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/win/common_controls.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"

namespace trevik {

namespace {

// A control text as the user reads it: mnemonic marks removed.
std::wstring Plain(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&') {
      if (i + 1 < text.size() && text[i + 1] == L'&') out.push_back(L'&'), ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

std::wstring Quote(const std::wstring& s) {
  std::wstring out = L"\"";
  for (wchar_t c : s) {
    if (c == L'"' || c == L'\\') out.push_back(L'\\');
    if (c == L'\n') {
      out += L"\\n";
      continue;
    }
    if (c == L'\r') continue;
    out.push_back(c);
  }
  return out + L"\"";
}

bool IsClass(HWND h, const wchar_t* cls) {
  return velk::ToLower(velk::win::WindowClassName(h)) == velk::ToLower(cls);
}

std::wstring State(HWND h) {
  std::wstring s;
  if (GetFocus() == h) s += L" focused";
  if (!IsWindowVisible(h)) s += L" hidden";
  if (!IsWindowEnabled(h)) s += L" disabled";
  return s;
}

std::wstring Hex(COLORREF c) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

std::wstring Items(HWND h, UINT countMsg, UINT lenMsg, UINT textMsg) {
  int n = static_cast<int>(SendMessageW(h, countMsg, 0, 0));
  std::wstring out = L"[";
  for (int i = 0; i < n; ++i) {
    int len = static_cast<int>(SendMessageW(h, lenMsg, static_cast<WPARAM>(i), 0));
    std::wstring t(static_cast<std::size_t>(len < 0 ? 0 : len) + 1, L'\0');
    if (len >= 0)
      SendMessageW(h, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(t.data()));
    t.resize(static_cast<std::size_t>(len < 0 ? 0 : len));
    if (i) out += L", ";
    out += Quote(t);
  }
  return out + L"]";
}

}  // namespace

HWND FindControl(HWND dialog, const std::wstring& ref, std::wstring* why) {
  if (ref.empty()) {
    *why = L"no control named";
    return nullptr;
  }
  long long id = 0;
  bool numeric = ref.find_first_not_of(L"-0123456789") == std::wstring::npos;
  if (numeric) {
    try {
      id = std::stoll(ref);
    } catch (...) {
      numeric = false;
    }
  }
  // The dialog's own controls first, then those of a page shown inside it (a property sheet's).
  std::vector<HWND> owners{dialog};
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (velk::win::IsDialogWindow(c) && IsWindowVisible(c)) owners.push_back(c);
  if (numeric || velk::win::LookupTemplateName(velk::ToUtf8(ref), &id)) {
    for (HWND owner : owners)
      if (HWND c = GetDlgItem(owner, static_cast<int>(id))) return c;
    *why = L"no control " + ref + L" in " + DialogTitle(dialog);
    return nullptr;
  }
  std::wstring want = velk::ToLower(Plain(ref));
  for (HWND owner : owners)
    for (HWND c = GetWindow(owner, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if (velk::ToLower(Plain(velk::win::WindowText(c))) == want && !IsClass(c, WC_STATIC))
        return c;
  *why = L"no control \"" + ref + L"\" in " + DialogTitle(dialog);
  return nullptr;
}

std::wstring DialogTitle(HWND dialog) {
  return L"dialog " + std::to_wstring(velk::win::DialogTemplateId(dialog)) + L" " +
         Quote(velk::win::WindowText(dialog));
}

std::wstring DescribeControl(HWND h) {
  std::wstring line = std::to_wstring(GetDlgCtrlID(h)) + L" ";
  std::wstring text = velk::win::WindowText(h);
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
  if (IsClass(h, WC_EDIT)) {
    line += L"edit " + Quote(text);
    if (style & ES_READONLY) line += L" read-only";
    velk::win::PaintColors pc = velk::win::QueryControlColors(h);
    COLORREF normal = (style & ES_READONLY) ? GetSysColor(COLOR_BTNTEXT)
                      : IsWindowEnabled(h)  ? GetSysColor(COLOR_WINDOWTEXT)
                                            : GetSysColor(COLOR_GRAYTEXT);
    if (pc.text != normal) line += L" color " + Hex(pc.text);
  } else if (IsClass(h, WC_BUTTON)) {
    DWORD type = style & BS_TYPEMASK;
    LRESULT check = SendMessageW(h, BM_GETCHECK, 0, 0);
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
        type == BS_AUTO3STATE)
      line += L"check " + Quote(Plain(text)) +
              (check == BST_CHECKED         ? L" checked"
               : check == BST_INDETERMINATE ? L" mixed"
                                            : L" unchecked");
    else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
      line += L"radio " + Quote(Plain(text)) + (check == BST_CHECKED ? L" selected" : L"");
    else if (type == BS_GROUPBOX)
      line += L"group " + Quote(Plain(text));
    else
      line += L"button " + Quote(Plain(text)) + (type == BS_DEFPUSHBUTTON ? L" default" : L"");
  } else if (IsClass(h, WC_COMBOBOX)) {
    line += L"combo " + Quote(text) + L" items " +
            Items(h, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT) + L" selected " +
            std::to_wstring(SendMessageW(h, CB_GETCURSEL, 0, 0));
  } else if (IsClass(h, WC_LISTBOX)) {
    line += L"list items " + Items(h, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT) + L" selected " +
            std::to_wstring(SendMessageW(h, LB_GETCURSEL, 0, 0));
  } else if (IsClass(h, WC_LISTVIEW)) {
    WTL::CListViewCtrl lv(h);
    line += L"listview rows [";
    bool checks = (lv.GetExtendedListViewStyle() & LVS_EX_CHECKBOXES) != 0;
    for (int i = 0; i < lv.GetItemCount(); ++i) {
      if (i) line += L", ";
      line += Quote(lv.GetItemText(i, 0));
      if (checks) line += lv.GetCheckState(i) ? L" [x]" : L" [ ]";
      if (lv.GetItemState(i, LVIS_SELECTED)) line += L" selected";
    }
    line += L"]";
  } else if (IsClass(h, WC_TABCONTROL)) {
    line += L"tabs count " + std::to_wstring(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0)) +
            L" selected " + std::to_wstring(SendMessageW(h, TCM_GETCURSEL, 0, 0));
  } else if (IsClass(h, PROGRESS_CLASS)) {
    PBRANGE r;
    SendMessageW(h, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    line += L"progress " + std::to_wstring(SendMessageW(h, PBM_GETPOS, 0, 0)) + L" of " +
            std::to_wstring(r.iLow) + L"-" + std::to_wstring(r.iHigh);
  } else if (IsClass(h, TRACKBAR_CLASS)) {
    line += L"slider " + std::to_wstring(SendMessageW(h, TBM_GETPOS, 0, 0)) + L" of " +
            std::to_wstring(SendMessageW(h, TBM_GETRANGEMIN, 0, 0)) + L"-" +
            std::to_wstring(SendMessageW(h, TBM_GETRANGEMAX, 0, 0));
  } else if (IsClass(h, WC_TREEVIEW)) {
    WTL::CTreeViewCtrl tree(h);
    HTREEITEM sel = tree.GetSelectedItem();
    line += L"tree count " + std::to_wstring(tree.GetCount()) +
            (sel ? L" selected " + Quote(tree.GetItemText(sel)) : L"");
    // A tree of check boxes lists its items with their marks, indented by level.
    if (GetWindowLongPtrW(h, GWL_STYLE) & TVS_CHECKBOXES) {
      std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int level) {
        for (; item; item = tree.GetNextSiblingItem(item)) {
          line += L"\n    " + std::wstring(2 * level, L' ') +
                  (tree.GetCheckState(item) ? L"[x] " : L"[ ] ") + Quote(tree.GetItemText(item));
          walk(tree.GetChildItem(item), level + 1);
        }
      };
      walk(tree.GetRootItem(), 0);
    }
  } else if (IsClass(h, WC_STATIC)) {
    line += L"label " + Quote(Plain(text));
  } else {
    line += velk::win::WindowClassName(h) + L" " + Quote(text);
  }
  return line + State(h);
}

std::wstring DescribeDialog(HWND dialog) {
  std::wstring out =
      DialogTitle(dialog) + (velk::win::IsModalDialog(dialog) ? L" modal" : L"") + L"\n";
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsClass(c, WC_STATIC) && velk::win::WindowText(c).empty()) continue;  // frames and lines
    out += L"  " + DescribeControl(c) + L"\n";
  }
  return out;
}

bool KeyByName(const std::wstring& nameIn, UINT* vk, bool* shift, bool* ctrl) {
  std::wstring name = velk::ToLower(nameIn);
  *shift = *ctrl = false;
  for (;;) {
    if (name.rfind(L"shift+", 0) == 0) {
      *shift = true;
      name = name.substr(6);
    } else if (name.rfind(L"ctrl+", 0) == 0) {
      *ctrl = true;
      name = name.substr(5);
    } else {
      break;
    }
  }
  struct Named {
    const wchar_t* name;
    UINT vk;
  };
  const Named keys[] = {
      {L"tab", VK_TAB},       {L"enter", VK_RETURN},   {L"return", VK_RETURN},
      {L"escape", VK_ESCAPE}, {L"esc", VK_ESCAPE},     {L"space", VK_SPACE},
      {L"up", VK_UP},         {L"down", VK_DOWN},      {L"left", VK_LEFT},
      {L"right", VK_RIGHT},   {L"home", VK_HOME},      {L"end", VK_END},
      {L"delete", VK_DELETE}, {L"backspace", VK_BACK}, {L"pageup", VK_PRIOR},
      {L"pagedown", VK_NEXT},
  };
  for (const Named& k : keys)
    if (name == k.name) {
      *vk = k.vk;
      return true;
    }
  if (name.size() >= 2 && name[0] == L'f') {
    try {
      int n = std::stoi(name.substr(1));
      if (n >= 1 && n <= 12 && name.find_first_not_of(L"0123456789", 1) == std::wstring::npos) {
        *vk = VK_F1 + static_cast<UINT>(n - 1);
        return true;
      }
    } catch (...) {
    }
  }
  if (name.size() == 1 && std::iswalnum(name[0]) && name[0] < 128) {
    *vk = static_cast<UINT>(std::towupper(name[0]));
    return true;
  }
  return false;
}

}  // namespace trevik
