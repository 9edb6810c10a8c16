#include "platform/win/dialog_template.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/com/plain_text.h"
#include "platform/com/text.h"
#include "platform/win/common_controls.h"

namespace velk::win {

namespace {

const std::map<std::string, long long>& Names() {
  static const std::map<std::string, long long> names = {
      // window styles
      {"WS_OVERLAPPED", WS_OVERLAPPED},
      {"WS_POPUP", WS_POPUP},
      {"WS_CHILD", WS_CHILD},
      {"WS_MINIMIZE", WS_MINIMIZE},
      {"WS_VISIBLE", WS_VISIBLE},
      {"WS_DISABLED", WS_DISABLED},
      {"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
      {"WS_CLIPCHILDREN", WS_CLIPCHILDREN},
      {"WS_MAXIMIZE", WS_MAXIMIZE},
      {"WS_CAPTION", WS_CAPTION},
      {"WS_BORDER", WS_BORDER},
      {"WS_DLGFRAME", WS_DLGFRAME},
      {"WS_VSCROLL", WS_VSCROLL},
      {"WS_HSCROLL", WS_HSCROLL},
      {"WS_SYSMENU", WS_SYSMENU},
      {"WS_THICKFRAME", WS_THICKFRAME},
      {"WS_GROUP", WS_GROUP},
      {"WS_TABSTOP", WS_TABSTOP},
      {"WS_MINIMIZEBOX", WS_MINIMIZEBOX},
      {"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX},
      {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW},
      {"WS_POPUPWINDOW", WS_POPUPWINDOW},
      {"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME},
      {"WS_EX_NOPARENTNOTIFY", WS_EX_NOPARENTNOTIFY},
      {"WS_EX_TOPMOST", WS_EX_TOPMOST},
      {"WS_EX_TRANSPARENT", WS_EX_TRANSPARENT},
      {"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW},
      {"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE},
      {"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE},
      {"WS_EX_CONTEXTHELP", WS_EX_CONTEXTHELP},
      {"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
      {"WS_EX_STATICEDGE", WS_EX_STATICEDGE},
      {"WS_EX_APPWINDOW", WS_EX_APPWINDOW},
      // dialog styles
      {"DS_ABSALIGN", DS_ABSALIGN},
      {"DS_SYSMODAL", DS_SYSMODAL},
      {"DS_3DLOOK", DS_3DLOOK},
      {"DS_FIXEDSYS", DS_FIXEDSYS},
      {"DS_NOFAILCREATE", DS_NOFAILCREATE},
      {"DS_SETFONT", DS_SETFONT},
      {"DS_MODALFRAME", DS_MODALFRAME},
      {"DS_NOIDLEMSG", DS_NOIDLEMSG},
      {"DS_SETFOREGROUND", DS_SETFOREGROUND},
      {"DS_CONTROL", DS_CONTROL},
      {"DS_CENTER", DS_CENTER},
      {"DS_CENTERMOUSE", DS_CENTERMOUSE},
      {"DS_CONTEXTHELP", DS_CONTEXTHELP},
      {"DS_SHELLFONT", DS_SHELLFONT},
      // edit
      {"ES_LEFT", ES_LEFT},
      {"ES_CENTER", ES_CENTER},
      {"ES_RIGHT", ES_RIGHT},
      {"ES_MULTILINE", ES_MULTILINE},
      {"ES_UPPERCASE", ES_UPPERCASE},
      {"ES_LOWERCASE", ES_LOWERCASE},
      {"ES_PASSWORD", ES_PASSWORD},
      {"ES_AUTOVSCROLL", ES_AUTOVSCROLL},
      {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
      {"ES_NOHIDESEL", ES_NOHIDESEL},
      {"ES_OEMCONVERT", ES_OEMCONVERT},
      {"ES_READONLY", ES_READONLY},
      {"ES_WANTRETURN", ES_WANTRETURN},
      {"ES_NUMBER", ES_NUMBER},
      // button
      {"BS_PUSHBUTTON", BS_PUSHBUTTON},
      {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
      {"BS_CHECKBOX", BS_CHECKBOX},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
      {"BS_RADIOBUTTON", BS_RADIOBUTTON},
      {"BS_3STATE", BS_3STATE},
      {"BS_AUTO3STATE", BS_AUTO3STATE},
      {"BS_GROUPBOX", BS_GROUPBOX},
      {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
      {"BS_OWNERDRAW", BS_OWNERDRAW},
      {"BS_LEFTTEXT", BS_LEFTTEXT},
      {"BS_TEXT", BS_TEXT},
      {"BS_ICON", BS_ICON},
      {"BS_BITMAP", BS_BITMAP},
      {"BS_PUSHLIKE", BS_PUSHLIKE},
      {"BS_MULTILINE", BS_MULTILINE},
      {"BS_NOTIFY", BS_NOTIFY},
      {"BS_FLAT", BS_FLAT},
      // static
      {"SS_LEFT", SS_LEFT},
      {"SS_CENTER", SS_CENTER},
      {"SS_RIGHT", SS_RIGHT},
      {"SS_ICON", SS_ICON},
      {"SS_BLACKRECT", SS_BLACKRECT},
      {"SS_GRAYRECT", SS_GRAYRECT},
      {"SS_WHITERECT", SS_WHITERECT},
      {"SS_BLACKFRAME", SS_BLACKFRAME},
      {"SS_SIMPLE", SS_SIMPLE},
      {"SS_LEFTNOWORDWRAP", SS_LEFTNOWORDWRAP},
      {"SS_OWNERDRAW", SS_OWNERDRAW},
      {"SS_BITMAP", SS_BITMAP},
      {"SS_ETCHEDHORZ", SS_ETCHEDHORZ},
      {"SS_ETCHEDVERT", SS_ETCHEDVERT},
      {"SS_ETCHEDFRAME", SS_ETCHEDFRAME},
      {"SS_NOPREFIX", SS_NOPREFIX},
      {"SS_NOTIFY", SS_NOTIFY},
      {"SS_CENTERIMAGE", SS_CENTERIMAGE},
      {"SS_SUNKEN", SS_SUNKEN},
      // combo box and list box
      {"CBS_SIMPLE", CBS_SIMPLE},
      {"CBS_DROPDOWN", CBS_DROPDOWN},
      {"CBS_DROPDOWNLIST", CBS_DROPDOWNLIST},
      {"CBS_OWNERDRAWFIXED", CBS_OWNERDRAWFIXED},
      {"CBS_OWNERDRAWVARIABLE", CBS_OWNERDRAWVARIABLE},
      {"CBS_AUTOHSCROLL", CBS_AUTOHSCROLL},
      {"CBS_OEMCONVERT", CBS_OEMCONVERT},
      {"CBS_SORT", CBS_SORT},
      {"CBS_HASSTRINGS", CBS_HASSTRINGS},
      {"CBS_NOINTEGRALHEIGHT", CBS_NOINTEGRALHEIGHT},
      {"CBS_DISABLENOSCROLL", CBS_DISABLENOSCROLL},
      {"CBS_UPPERCASE", CBS_UPPERCASE},
      {"CBS_LOWERCASE", CBS_LOWERCASE},
      {"LBS_NOTIFY", LBS_NOTIFY},
      {"LBS_SORT", LBS_SORT},
      {"LBS_NOREDRAW", LBS_NOREDRAW},
      {"LBS_MULTIPLESEL", LBS_MULTIPLESEL},
      {"LBS_HASSTRINGS", LBS_HASSTRINGS},
      {"LBS_USETABSTOPS", LBS_USETABSTOPS},
      {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
      {"LBS_EXTENDEDSEL", LBS_EXTENDEDSEL},
      {"LBS_DISABLENOSCROLL", LBS_DISABLENOSCROLL},
      {"LBS_NOSEL", LBS_NOSEL},
      {"LBS_STANDARD", LBS_STANDARD},
      // common controls
      {"LVS_ICON", LVS_ICON},
      {"LVS_REPORT", LVS_REPORT},
      {"LVS_SMALLICON", LVS_SMALLICON},
      {"LVS_LIST", LVS_LIST},
      {"LVS_SINGLESEL", LVS_SINGLESEL},
      {"LVS_SHOWSELALWAYS", LVS_SHOWSELALWAYS},
      {"LVS_SORTASCENDING", LVS_SORTASCENDING},
      {"LVS_SORTDESCENDING", LVS_SORTDESCENDING},
      {"LVS_NOCOLUMNHEADER", LVS_NOCOLUMNHEADER},
      {"LVS_NOSORTHEADER", LVS_NOSORTHEADER},
      {"TVS_HASBUTTONS", TVS_HASBUTTONS},
      {"TVS_HASLINES", TVS_HASLINES},
      {"TVS_LINESATROOT", TVS_LINESATROOT},
      {"TVS_SHOWSELALWAYS", TVS_SHOWSELALWAYS},
      {"TVS_CHECKBOXES", TVS_CHECKBOXES},
      {"TCS_TABS", 0x0000},
      {"TCS_BUTTONS", 0x0100},
      {"TCS_MULTILINE", 0x0200},
      {"TCS_FIXEDWIDTH", 0x0400},
      {"TCS_FOCUSNEVER", 0x8000},
      {"PBS_SMOOTH", PBS_SMOOTH},
      {"PBS_VERTICAL", PBS_VERTICAL},
      {"PBS_MARQUEE", PBS_MARQUEE},
      {"TBS_AUTOTICKS", TBS_AUTOTICKS},
      {"TBS_VERT", TBS_VERT},
      {"TBS_HORZ", TBS_HORZ},
      {"TBS_NOTICKS", TBS_NOTICKS},
      {"TTS_ALWAYSTIP", TTS_ALWAYSTIP},
      {"TTS_NOPREFIX", TTS_NOPREFIX},
      {"TTS_BALLOON", TTS_BALLOON},
      // ids
      {"IDOK", IDOK},
      {"IDCANCEL", IDCANCEL},
      {"IDABORT", IDABORT},
      {"IDRETRY", IDRETRY},
      {"IDIGNORE", IDIGNORE},
      {"IDYES", IDYES},
      {"IDNO", IDNO},
      {"IDCLOSE", IDCLOSE},
      {"IDHELP", IDHELP},
      {"IDC_STATIC", -1},
  };
  return names;
}

// Splits at commas outside quotes; a quoted field keeps its quotes for ReadString.
bool SplitFields(std::string_view s, std::vector<std::string>* out, std::string* err) {
  std::string cur;
  bool inQuote = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (inQuote) {
      cur.push_back(c);
      if (c == '\\' && i + 1 < s.size()) {
        cur.push_back(s[++i]);
      } else if (c == '"') {
        if (i + 1 < s.size() && s[i + 1] == '"')
          cur.push_back(s[++i]);
        else
          inQuote = false;
      }
    } else if (c == '"') {
      inQuote = true;
      cur.push_back(c);
    } else if (c == ',') {
      out->push_back(std::string(Trim(cur)));
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  if (inQuote) {
    *err = "unterminated text";
    return false;
  }
  out->push_back(std::string(Trim(cur)));
  return true;
}

bool ReadString(std::string_view field, std::wstring* out, std::string* err) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
    *err = "expected a text in double quotes, found '" + std::string(field) + "'";
    return false;
  }
  std::string s;
  for (std::size_t i = 1; i + 1 < field.size(); ++i) {
    char c = field[i];
    if (c == '"' && field[i + 1] == '"') {
      s.push_back('"');
      ++i;
    } else if (c == '\\' && i + 2 < field.size()) {
      char n = field[++i];
      s.push_back(n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n);
    } else {
      s.push_back(c);
    }
  }
  *out = FromUtf8(s);
  return true;
}

bool ReadNumber(std::string_view field, long long* out) {
  std::string s(Trim(field));
  if (s.empty()) return false;
  try {
    std::size_t used = 0;
    long long v = std::stoll(s, &used, 0);
    if (used != s.size()) return false;
    *out = v;
    return true;
  } catch (...) {
    return false;
  }
}

bool ReadValue(std::string_view field, long long* out, std::string* err) {
  if (ReadNumber(field, out)) return true;
  if (LookupTemplateName(Trim(field), out)) return true;
  *err = "unknown name or number '" + std::string(Trim(field)) + "'";
  return false;
}

bool ReadStyle(std::string_view field, DWORD start, DWORD* out, std::string* err) {
  DWORD v = start;
  std::size_t pos = 0;
  std::string f(field);
  while (pos <= f.size()) {
    std::size_t bar = f.find('|', pos);
    std::string term(Trim(
        std::string_view(f).substr(pos, bar == std::string::npos ? std::string::npos : bar - pos)));
    bool negate = false;
    if (ToUpper(term).rfind("NOT ", 0) == 0) {
      negate = true;
      term = std::string(Trim(std::string_view(term).substr(4)));
    }
    if (term.empty()) {
      *err = "empty term in style '" + f + "'";
      return false;
    }
    long long bits = 0;
    if (!ReadValue(term, &bits, err)) return false;
    if (negate)
      v &= ~static_cast<DWORD>(bits);
    else
      v |= static_cast<DWORD>(bits);
    if (bar == std::string::npos) break;
    pos = bar + 1;
  }
  *out = v;
  return true;
}

bool ReadInts(const std::vector<std::string>& f, std::size_t from, int count, int* out,
              std::string* err) {
  for (int i = 0; i < count; ++i) {
    long long v = 0;
    if (!ReadValue(f[from + static_cast<std::size_t>(i)], &v, err)) return false;
    out[i] = static_cast<int>(v);
  }
  return true;
}

}  // namespace

bool LookupTemplateName(std::string_view name, long long* value) {
  auto& m = Names();
  auto it = m.find(ToUpper(name));
  if (it == m.end()) return false;
  *value = it->second;
  return true;
}

int DialogUnitsToPixelsX(int x) { return MulDiv(x, kDialogBaseUnitX, 4); }
int DialogUnitsToPixelsY(int y) { return MulDiv(y, kDialogBaseUnitY, 8); }

bool ParseDialogTemplate(std::string_view text, DialogTemplate* out, std::string* error) {
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  bool haveFrame = false;
  int lineNo = 0;
  std::size_t pos = 0;
  auto fail = [&](const std::string& msg) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + msg;
    return false;
  };
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF)
    text.remove_prefix(3);  // UTF-8 mark
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string_view line =
        text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    ++lineNo;
    line = Trim(line);
    if (line.empty() || line.front() == '#' || line.substr(0, 2) == "//") continue;
    std::size_t sp = 0;
    while (sp < line.size() && !std::isspace(static_cast<unsigned char>(line[sp]))) ++sp;
    std::string keyword = ToUpper(line.substr(0, sp));
    std::string_view rest = Trim(line.substr(sp));
    std::string err;
    if (keyword == "BEGIN" || keyword == "END" || keyword == "{" || keyword == "}") continue;
    if (keyword == "DIALOG" || keyword == "DIALOGEX") {
      std::vector<std::string> f;
      if (!SplitFields(rest, &f, &err)) return fail(err);
      if (f.size() < 4) return fail("DIALOG needs x, y, width and height");
      int v[4];
      if (!ReadInts(f, 0, 4, v, &err)) return fail(err);
      t.x = v[0];
      t.y = v[1];
      t.cx = v[2];
      t.cy = v[3];
      haveFrame = true;
    } else if (keyword == "STYLE") {
      if (!ReadStyle(rest, 0, &t.style, &err)) return fail(err);
    } else if (keyword == "EXSTYLE") {
      if (!ReadStyle(rest, 0, &t.exStyle, &err)) return fail(err);
    } else if (keyword == "CAPTION") {
      if (!ReadString(rest, &t.caption, &err)) return fail(err);
    } else if (keyword == "FONT") {
      std::vector<std::string> f;
      if (!SplitFields(rest, &f, &err)) return fail(err);
      long long size = 0;
      if (f.size() < 2 || !ReadNumber(f[0], &size) || !ReadString(f[1], &t.fontName, &err))
        return fail("FONT needs a size and a quoted name");
      t.fontSize = static_cast<int>(size);
    } else if (keyword == "CONTROL") {
      std::vector<std::string> f;
      if (!SplitFields(rest, &f, &err)) return fail(err);
      if (f.size() != 8 && f.size() != 9)
        return fail("CONTROL needs text, id, class, style, x, y, width, height [, exstyle]");
      DialogItemTemplate item;
      if (!ReadString(f[0], &item.text, &err)) return fail(err);
      long long id = 0;
      if (!ReadValue(f[1], &id, &err)) return fail(err);
      item.id = static_cast<int>(id);
      if (!ReadString(f[2], &item.className, &err)) return fail(err);
      if (item.className.empty()) return fail("empty control class");
      if (!ReadStyle(f[3], WS_CHILD | WS_VISIBLE, &item.style, &err)) return fail(err);
      int v[4];
      if (!ReadInts(f, 4, 4, v, &err)) return fail(err);
      item.x = v[0];
      item.y = v[1];
      item.cx = v[2];
      item.cy = v[3];
      if (f.size() == 9 && !ReadStyle(f[8], 0, &item.exStyle, &err)) return fail(err);
      t.items.push_back(std::move(item));
    } else {
      return fail("unknown statement '" + std::string(line.substr(0, sp)) + "'");
    }
  }
  if (!haveFrame) {
    lineNo = 0;
    return fail("no DIALOG statement");
  }
  if (out) *out = std::move(t);
  return true;
}

std::shared_ptr<const DialogTemplate> FindDialogTemplate(HINSTANCE module, LPCWSTR name,
                                                         std::string* error) {
  if (!module || !name) {
    if (error) *error = "no resource module";
    return nullptr;
  }
  std::string key =
      IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name)) : ToUtf8(name);
  const std::string* text = module->Find("DIALOGS", key);
  if (!text) {
    if (error) *error = "dialog " + key + " is not in module " + ToUtf8(module->Name());
    return nullptr;
  }
  auto t = std::make_shared<DialogTemplate>();
  std::string err;
  if (!ParseDialogTemplate(*text, t.get(), &err)) {
    if (error) *error = "dialog " + key + ": " + err;
    return nullptr;
  }
  return t;
}

}  // namespace velk::win
