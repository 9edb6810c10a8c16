// Session actions of the user at a dialog: typing into edits, keys, picking list and tree items,
// check boxes, buttons, list-view rows, tabs, track bars, help, closing, and the dialog as a
// picture; the print targets `dialog` and `windows`. They work on the session's current dialog
// (SessionContext::CurrentDialog); a control the user could not reach fails the line.
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_controls.h"
#include "platform/com/text.h"
#include "platform/win/common_controls.h"
#include "platform/win/control_wrappers.h"
#include "platform/win/dialog.h"
#include "platform/win/painting.h"
#include "platform/win/user_input.h"

namespace trevik {
namespace {

namespace win = velk::win;

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// The control a line names in its argument arg, of the current dialog.
HWND DialogControl(SessionContext& s, const SessionLine& l, std::size_t arg) {
  if (l.args.size() <= arg) throw SessionError{velk::FromUtf8(l.action) + L" needs a control"};
  std::wstring why;
  HWND c = FindControl(s.CurrentDialog(), l.args[arg], &why);
  if (!c) throw SessionError{why};
  return c;
}

// What the user's input at a control came to: empty, or why the control could not be used.
void UserResult(const std::wstring& why, HWND control) {
  if (!why.empty()) throw SessionError{L"cannot use " + DescribeControl(control) + L": " + why};
}

void Set(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::SetEditText(c, l.Arg(1, L"a text")), c);
}

void Type(SessionContext&, const SessionLine& l) { win::user::PostText(l.Arg(0, L"a text")); }

void Key(SessionContext&, const SessionLine& l) {
  UINT vk = 0;
  bool shift = false, ctrl = false;
  const std::wstring& name = l.Arg(0, L"a key name");
  if (!KeyByName(name, &vk, &shift, &ctrl)) throw SessionError{L"unknown key " + name};
  win::user::PostKey(vk, shift, ctrl);
}

void Pick(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  const std::wstring& which = l.Arg(1, L"an item number or text");
  long long index = 0;
  if (velk::win::WindowClassName(c) == WC_TREEVIEW) {
    // A tree item by the texts of its path from the root: "a|b|c".
    WTL::CTreeViewCtrl tree(c);
    HTREEITEM item = nullptr;
    std::size_t start = 0;
    for (;;) {
      const std::size_t bar = which.find(L'|', start);
      const std::wstring part = which.substr(start, bar == std::wstring::npos ? bar : bar - start);
      HTREEITEM next = item ? tree.GetChildItem(item) : tree.GetRootItem();
      while (next && tree.GetItemText(next) != part) next = tree.GetNextSiblingItem(next);
      if (!next) throw SessionError{L"no item " + Quote(which) + L" in " + DescribeControl(c)};
      item = next;
      if (bar == std::wstring::npos) break;
      start = bar + 1;
    }
    UserResult(win::user::SelectTreeItem(c, item), c);
    return;
  }
  bool isList = velk::win::WindowClassName(c) == L"ListBox";
  if (ParseInt(which, &index)) {
    UserResult(isList ? win::user::SelectListBoxItem(c, static_cast<int>(index))
                      : win::user::SelectComboItem(c, static_cast<int>(index)),
               c);
  } else {
    if (isList) {
      LRESULT i = SendMessageW(c, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(which.c_str()));
      if (i == LB_ERR)
        throw SessionError{L"no item " + Quote(which) + L" in " + DescribeControl(c)};
      UserResult(win::user::SelectListBoxItem(c, static_cast<int>(i)), c);
    } else {
      UserResult(win::user::SelectComboText(c, which), c);
    }
  }
}

void Check(SessionContext& s, const SessionLine& l) {
  const std::string& a = l.action;
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::SetCheck(c, a == "check"), c);
}

void Press(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::ClickButton(c), c);
}

void Focus(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::Focus(c), c);
}

void Row(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  int index = static_cast<int>(l.Int(1, L"a row number"));
  bool onCheck = false, ctrl = false, shift = false;
  for (std::size_t k = 2; k < l.args.size(); ++k) {
    if (l.args[k] == L"check")
      onCheck = true;
    else if (l.args[k] == L"ctrl")
      ctrl = true;
    else if (l.args[k] == L"shift")
      shift = true;
    else
      throw SessionError{L"row takes check, ctrl or shift, not " + l.args[k]};
  }
  UserResult(win::user::ClickListViewItem(c, index, onCheck, ctrl, shift), c);
}

void Tab(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::SelectTab(c, static_cast<int>(l.Int(1, L"a tab number"))), c);
}

void Slide(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::MoveTrackBar(c, static_cast<int>(l.Int(1, L"a position"))), c);
}

void Help(SessionContext& s, const SessionLine& l) {
  HWND c = DialogControl(s, l, 0);
  UserResult(win::user::PressHelp(c), c);
}

void Close(SessionContext& s, const SessionLine&) {
  SendMessageW(s.CurrentDialog(), WM_CLOSE, 0, 0);
}

// The current dialog as the user sees it, with the controls it shows (a property sheet with
// its open page), as a PNG.
void SaveDialog(SessionContext& s, const SessionLine& l) {
  const std::wstring& path = l.Arg(0, L"a PNG file");
  HWND dialog = s.CurrentDialog();
  if (!win::WriteWindowPng(dialog, velk::ToUtf8(path))) throw SessionError{L"cannot write " + path};
  s.Print(L"saved " + DialogTitle(dialog) + L" as " + path);
}

void Dialog(SessionContext& s, const SessionLine&) {
  std::wstring d = DescribeDialog(s.CurrentDialog());
  d.pop_back();
  s.Print(d);
}

void Windows(SessionContext& s, const SessionLine&) {
  int n = 0;
  for (HWND h : win::TopLevelWindows())
    if (win::IsDialogWindow(h) && IsWindowVisible(h)) {
      s.Print(L"  " + DialogTitle(h) + (win::IsModalDialog(h) ? L" modal" : L""));
      ++n;
    }
  if (!n) s.Print(L"  no dialogs");
}

const SessionActions kRegistered(
    {
        {"set", &Set},
        {"type", &Type},
        {"key", &Key},
        {"pick", &Pick},
        {"check", &Check},
        {"uncheck", &Check},
        {"press", &Press},
        {"focus", &Focus},
        {"row", &Row},
        {"tab", &Tab},
        {"slide", &Slide},
        {"help", &Help},
        {"close", &Close},
        {"save-dialog", &SaveDialog},
    },
    {
        {"dialog", &Dialog},
        {"windows", &Windows},
    });

}  // namespace
}  // namespace trevik
