// What a user does with the mouse and keyboard, as the messages it would cause: clicks on
// buttons and list rows, typing into the focus window, choosing a combo or list item, moving
// a track bar, choosing a tab or tree item, asking for help. Keys are posted to the thread's
// queue (they reach windows through the message loop and its hooks); clicks and choices are
// sent at once. Each action refuses a window the user could not reach: one that does not
// exist, is hidden, or is disabled (the reason is returned).
#pragma once

#include <string>

#include "platform/win/window.h"

namespace velk::win::user {

// Empty when the user can reach the window, else why not ("no such window", "hidden",
// "disabled").
std::wstring Unreachable(HWND h);

// A left click on a button (push, check, radio): focus moves to it and it acts.
std::wstring ClickButton(HWND button);
// Sets a check box or radio button to the state by clicking it when it differs.
std::wstring SetCheck(HWND button, bool checked);
// The user selects all of an edit's text and types the new text over it.
std::wstring SetEditText(HWND edit, const std::wstring& text);
// Moves the focus to a control, as a click on it would (the old focus gets its kill-focus).
std::wstring Focus(HWND control);
// Chooses a combo box item from its list: the list drops down, the item is chosen, it closes.
std::wstring SelectComboItem(HWND combo, int index);
// The same by the item's text (letter case ignored, whole text).
std::wstring SelectComboText(HWND combo, const std::wstring& text);
std::wstring SelectListBoxItem(HWND list, int index);
// A click on a list-view row's label or on its check box, with Ctrl or Shift held as asked.
std::wstring ClickListViewItem(HWND list, int index, bool onCheckBox, bool ctrl = false,
                               bool shift = false);
std::wstring SelectTab(HWND tab, int index);
std::wstring SelectTreeItem(HWND tree, HTREEITEM item);
std::wstring MoveTrackBar(HWND track, int position);
// A left or right click at a point of a window's client area.
std::wstring ClickAt(HWND h, POINT p, bool right = false);

// The mouse at a screen point: the cursor moves there and the message (WM_MOUSEMOVE,
// WM_LBUTTONDOWN, ...) is posted to the window holding the capture, else to the window under
// the point: in its client coordinates, or, where its hit test answers other than HTCLIENT, as
// the non-client message with the hit code and the screen point. Returns the window that gets
// it (null when there is none); the message loop delivers it.
HWND MouseAt(UINT msg, POINT screen, WPARAM keys);

// Posts a key press (down and up) to the focus window, with Shift or Ctrl held.
void PostKey(UINT vk, bool shift = false, bool ctrl = false);
// Posts the keys that type a text into the focus window; characters without a key on the
// keyboard layout are posted as WM_CHAR.
void PostText(const std::wstring& text);
// F1 on a window: the help request climbs to the dialog.
std::wstring PressHelp(HWND h);

}  // namespace velk::win::user
