// What a session sees of dialogs: controls found by id, name or text, one-line descriptions of
// controls and dialogs, and keys by name.
#pragma once

#include <string>

#include "platform/win/window.h"

namespace trevik {

// A dialog's control by reference: a number, a standard id name (IDOK, IDCANCEL, ...), or the
// control's text (letter case and the '&' of mnemonics ignored). Null with the reason.
HWND FindControl(HWND dialog, const std::wstring& ref, std::wstring* why);
// "dialog 3064 \"Caption\"" (the template id is 0 for dialogs not made from a numbered template).
std::wstring DialogTitle(HWND dialog);
// One line per control: id, kind, text and state.
std::wstring DescribeControl(HWND control);
// The title line, then the controls, each line indented by two blanks.
std::wstring DescribeDialog(HWND dialog);
// tab, shift+tab, enter, escape, space, up, down, left, right, home, end, delete, backspace,
// f1 .. f12, ctrl+<key>, a single letter or digit. False for any other name.
bool KeyByName(const std::wstring& name, UINT* vk, bool* shift, bool* ctrl);

}  // namespace trevik
