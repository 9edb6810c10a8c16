// Dialog templates: a small text format read from a resource module's DIALOGS resources
// (resources/<library>/dialogs/<id>.dlg), and the mapping of dialog units to pixels.
//
// The format, one statement a line (blank lines, '#' and '//' comments, BEGIN and END are
// ignored):
//   DIALOG x, y, width, height          the frame, in dialog units (DIALOGEX is the same)
//   STYLE style-expression              default: WS_POPUP | WS_CAPTION | WS_SYSMENU
//   EXSTYLE style-expression
//   CAPTION "text"
//   FONT size, "name"
//   CONTROL "text", id, "class", style-expression, x, y, width, height [, exstyle-expression]
// A style expression joins names or numbers with '|'; "NOT name" removes bits. A control's
// style starts as WS_CHILD | WS_VISIBLE. Ids are numbers or IDOK, IDCANCEL, IDYES, IDNO,
// IDABORT, IDRETRY, IDIGNORE, IDCLOSE, IDHELP, IDC_STATIC (-1). Texts are in double quotes;
// "" stands for a quote and \n, \t, \\ and \" are escapes. Statements are upper or lower case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/window.h"

namespace velk::win {

struct DialogItemTemplate {
  std::wstring text;
  int id = 0;
  std::wstring className;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::wstring caption;
  std::wstring fontName;
  int fontSize = 0;
  std::vector<DialogItemTemplate> items;
};

// Parses template text; on failure returns false and a message naming the line.
bool ParseDialogTemplate(std::string_view text, DialogTemplate* out, std::string* error);

// The template of a module by name (an integer resource or a text); null with an error message
// when the module has none or it is malformed.
std::shared_ptr<const DialogTemplate> FindDialogTemplate(HINSTANCE module, LPCWSTR name,
                                                         std::string* error);

// Dialog units to pixels, by one fixed rule: a horizontal unit is 6/4 pixel, a vertical one
// 13/8 pixel (a 6 x 13 pixel average character), rounded to the nearest pixel.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
int DialogUnitsToPixelsX(int x);
int DialogUnitsToPixelsY(int y);

// A named style, id or constant of the template format (false when the name is unknown).
bool LookupTemplateName(std::string_view name, long long* value);

}  // namespace velk::win
