// What every page of the options sheet shares: reading its settings at WM_INITDIALOG (again
// after an option file is loaded), writing them at PSN_APPLY and, unless the page says
// otherwise, at the private "apply now" message; and the conventions of its controls.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "framework/corvane_module.h"
#include "framework/extension_lookup.h"
#include "platform/com/out_param.h"
#include "platform/win/property_sheet_impl.h"

namespace velk::corvane {

// Asks an open page to write its values at once.
constexpr UINT kApplyNowMessage = WM_USER + 102;

// A list entry: the string id of its text and the value it stands for.
struct ListEntry {
  UINT textId;
  LONG value;
};

// T: the page, with InitFromSettings() and ApplySettings(); kAppliesNow false for a page that
// writes only on OK.
template <class T>
class OptionsPage : public WTL::CPropertyPageImpl<T> {
 public:
  OptionsPage() { this->m_hResourceInstance = ResourceInstance(); }

  BEGIN_MSG_MAP(OptionsPage)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(kApplyNowMessage, OnApplyNow)
  CHAIN_MSG_MAP(WTL::CPropertyPageImpl<T>)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    try {
      m_settings = RequireZelSettings();
      static_cast<T*>(this)->InitFromSettings();
    } catch (const ComError&) {
      // The pages rely on the extension and its settings; without them they stay empty.
    }
    return TRUE;
  }
  LRESULT OnApplyNow(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    if (!T::kAppliesNow) {
      bHandled = FALSE;
      return 0;
    }
    Apply();
    return 0;
  }
  int OnApply() {
    Apply();
    return TRUE;
  }

  static constexpr bool kAppliesNow = true;

 protected:
  void Apply() {
    if (!m_settings) return;
    try {
      static_cast<T*>(this)->ApplySettings();
    } catch (const ComError&) {
    }
  }
  template <class I>
  ComPtr<I> Area() const {
    ComPtr<I> p = QueryAs<I>(m_settings.get());
    if (!p) ThrowComError(E_POINTER);
    return p;
  }

  // A box shows checked exactly for VARIANT_TRUE (low 16 bits all set).
  void ShowBool(int id, VARIANT_BOOL v) {
    ::CheckDlgButton(this->m_hWnd, id,
                     (static_cast<unsigned>(v) & 0xFFFF) == 0xFFFF ? BST_CHECKED : BST_UNCHECKED);
  }
  VARIANT_BOOL ReadBool(int id) const {
    return ToVariantBool(::IsDlgButtonChecked(this->m_hWnd, id) == BST_CHECKED);
  }
  // The first 19 characters of the edit, as the narrow text atoi and atof read.
  std::string ReadNumberText(int id) const {
    wchar_t buf[20] = L"";
    ::GetDlgItemTextW(this->m_hWnd, id, buf, 20);
    char narrow[21] = "";
    std::wcstombs(narrow, buf, 20);
    narrow[20] = '\0';
    return narrow;
  }
  LONG ReadInt(int id) const { return std::atoi(ReadNumberText(id).c_str()); }
  double ReadReal(int id) const { return std::atof(ReadNumberText(id).c_str()); }
  std::wstring ReadText(int id) const {
    return velk::win::WindowText(::GetDlgItem(this->m_hWnd, id));
  }
  void ShowText(int id, const std::wstring& text) {
    ::SetDlgItemTextW(this->m_hWnd, id, text.c_str());
  }
  void ShowFormatted(int id, const wchar_t* format, double v) {
    wchar_t buf[64];
    std::swprintf(buf, 64, format, v);
    ShowText(id, buf);
  }

  // Empties the combo, adds the entries with their values as item data and selects the one
  // whose value matches (else the first).
  void FillList(int id, const std::vector<ListEntry>& entries, LONG value) {
    HWND combo = ::GetDlgItem(this->m_hWnd, id);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int select = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      std::wstring text = LoadResString(entries[i].textId);
      LRESULT at = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), entries[i].value);
      if (entries[i].value == value) select = static_cast<int>(i);
    }
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
  }
  LONG SelectedData(int id) const {
    HWND combo = ::GetDlgItem(this->m_hWnd, id);
    LRESULT sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return static_cast<LONG>(::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
  }
  LONG SelectedIndex(int id) const {
    return static_cast<LONG>(::SendDlgItemMessageW(this->m_hWnd, id, CB_GETCURSEL, 0, 0));
  }

  // What the controls of the settings show just after the page read them. A page that keeps
  // this writes a setting only when the user changed its control, so a stored value the control
  // cannot show (a boolean stored as 1, an index outside the list) stays as it was.
  void RememberShown(std::initializer_list<int> ids) {
    m_shown.clear();
    for (int id : ids) m_shown.emplace_back(id, ControlState(id));
  }
  bool Changed(int id) const {
    for (const auto& [shownId, state] : m_shown)
      if (shownId == id) return state != ControlState(id);
    return true;
  }

  ComPtr<IZelSettings> m_settings;

 private:
  // The text, check state and list selection of a control.
  std::wstring ControlState(int id) const {
    HWND control = ::GetDlgItem(this->m_hWnd, id);
    return ReadText(id) + L"|" + std::to_wstring(::IsDlgButtonChecked(this->m_hWnd, id)) + L"|" +
           std::to_wstring(::SendMessageW(control, CB_GETCURSEL, 0, 0));
  }

  std::vector<std::pair<int, std::wstring>> m_shown;
};

}  // namespace velk::corvane
