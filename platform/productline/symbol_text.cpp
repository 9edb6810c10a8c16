#include "platform/productline/symbol_text.h"

#include <charconv>
#include <cmath>
#include <cwchar>
#include <vector>

#include "platform/host/display/symbol.h"
#include "platform/host/display/symbol_objects.h"

namespace velk::productline {
namespace {

std::vector<std::wstring> Split(const std::wstring& text) {
  std::vector<std::wstring> out;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t next = text.find(L' ', pos);
    if (next == std::wstring::npos) next = text.size();
    out.push_back(text.substr(pos, next - pos));
    pos = next + 1;
  }
  return out;
}

std::string Narrow(const std::wstring& w, bool& ok) {
  std::string s;
  for (wchar_t c : w) {
    if (c <= 0 || c > 127) ok = false;
    s.push_back(static_cast<char>(c));
  }
  return s;
}

bool ParseColour(const std::wstring& w, LONG& out) {
  if (w.size() != 8 || w[0] != L'0' || (w[1] != L'x' && w[1] != L'X')) return false;
  bool ok = true;
  std::string s = Narrow(w.substr(2), ok);
  unsigned v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (!ok || ec != std::errc() || end != s.data() + s.size()) return false;
  out = static_cast<LONG>(v);
  return true;
}

bool ParseSize(const std::wstring& w, double& out) {
  bool ok = true;
  std::string s = Narrow(w, ok);
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (!ok || s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v) ||
      v < 0)
    return false;
  out = v;
  return true;
}

bool ParseStyle(const std::wstring& w, LONG& out) {
  bool ok = true;
  std::string s = Narrow(w, ok);
  long v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (!ok || s.empty() || ec != std::errc() || end != s.data() + s.size() || v < -2147483647L - 1 ||
      v > 2147483647L)
    return false;
  out = static_cast<LONG>(v);
  return true;
}

std::wstring Colour(LONG rgb) {
  wchar_t buf[16];
  std::swprintf(buf, 16, L"0x%06X", static_cast<unsigned>(rgb) & 0xFFFFFFu);
  return buf;
}

std::wstring Real(double v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return L"0";
  return std::wstring(buf, end);
}

template <class S>
HRESULT Create(HRESULT (*create)(IUnknown*, REFIID, void**), ComPtr<S>& out) {
  return create(nullptr, IidOf<S>(), out.put_void());
}

ComPtr<ILineSymbol> MakeLine(const std::wstring& colour, const std::wstring& width,
                             const std::wstring& style) {
  LONG rgb = 0, st = 0;
  double w = 0;
  if (!ParseColour(colour, rgb) || !ParseSize(width, w) || !ParseStyle(style, st)) return nullptr;
  ComPtr<ILineSymbol> line;
  if (FAILED(Create(&host::CreateLineSymbolObject, line))) return nullptr;
  line->put_Color(host::NewColor(rgb).get());
  line->put_Width(w);
  line->put_Style(st);
  return line;
}

std::wstring LineText(ILineSymbol* line) {
  ComPtr<IColor> colour;
  line->get_Color(colour.put());
  double width = 0;
  LONG style = 0;
  line->get_Width(&width);
  line->get_Style(&style);
  return Colour(host::RgbOf(colour.get())) + L" " + Real(width) + L" " + std::to_wstring(style);
}

}  // namespace

ComPtr<IUnknown> SymbolFromText(const std::wstring& text) {
  std::vector<std::wstring> t = Split(text);
  if (t.size() == 4 && t[0] == L"marker") {
    LONG rgb = 0, style = 0;
    double size = 0;
    if (!ParseColour(t[1], rgb) || !ParseSize(t[2], size) || !ParseStyle(t[3], style))
      return nullptr;
    ComPtr<IMarkerSymbol> marker;
    if (FAILED(Create(&host::CreateMarkerSymbolObject, marker))) return nullptr;
    marker->put_Color(host::NewColor(rgb).get());
    marker->put_Size(size);
    marker->put_Style(style);
    return marker.As<IUnknown>();
  }
  if (t.size() == 4 && t[0] == L"line") {
    auto line = MakeLine(t[1], t[2], t[3]);
    return line ? line.As<IUnknown>() : nullptr;
  }
  if ((t.size() == 3 || t.size() == 6) && t[0] == L"fill") {
    LONG rgb = 0, style = 0;
    if (!ParseColour(t[1], rgb) || !ParseStyle(t[2], style)) return nullptr;
    ComPtr<ILineSymbol> outline;
    if (t.size() == 6 && !(outline = MakeLine(t[3], t[4], t[5]))) return nullptr;
    ComPtr<IFillSymbol> fill;
    if (FAILED(Create(&host::CreateFillSymbolObject, fill))) return nullptr;
    fill->put_Color(host::NewColor(rgb).get());
    fill->put_Style(style);
    fill->put_Outline(outline.get());
    return fill.As<IUnknown>();
  }
  if (t.size() == 3 && t[0] == L"text") {
    LONG rgb = 0;
    double size = 0;
    if (!ParseColour(t[1], rgb) || !ParseSize(t[2], size)) return nullptr;
    ComPtr<ITextSymbol> textSymbol;
    if (FAILED(Create(&host::CreateTextSymbolObject, textSymbol))) return nullptr;
    textSymbol->put_Color(host::NewColor(rgb).get());
    textSymbol->put_Size(size);
    return textSymbol.As<IUnknown>();
  }
  return nullptr;
}

bool SymbolToText(IUnknown* symbol, std::wstring& text) {
  if (auto marker = QueryAs<IMarkerSymbol>(symbol)) {
    ComPtr<IColor> colour;
    marker->get_Color(colour.put());
    double size = 0;
    LONG style = 0;
    marker->get_Size(&size);
    marker->get_Style(&style);
    text = L"marker " + Colour(host::RgbOf(colour.get())) + L" " + Real(size) + L" " +
           std::to_wstring(style);
    return true;
  }
  if (auto line = QueryAs<ILineSymbol>(symbol)) {
    text = L"line " + LineText(line.get());
    return true;
  }
  if (auto fill = QueryAs<IFillSymbol>(symbol)) {
    ComPtr<IColor> colour;
    fill->get_Color(colour.put());
    LONG style = 0;
    fill->get_Style(&style);
    text = L"fill " + Colour(host::RgbOf(colour.get())) + L" " + std::to_wstring(style);
    ComPtr<ILineSymbol> outline;
    fill->get_Outline(outline.put());
    if (outline) text += L" " + LineText(outline.get());
    return true;
  }
  if (auto textSymbol = QueryAs<ITextSymbol>(symbol)) {
    ComPtr<IColor> colour;
    textSymbol->get_Color(colour.put());
    double size = 0;
    textSymbol->get_Size(&size);
    text = L"text " + Colour(host::RgbOf(colour.get())) + L" " + Real(size);
    return true;
  }
  return false;
}

}  // namespace velk::productline
