#include "platform/host/display/symbol_objects.h"

#include <cmath>
#include <string>

#include "platform/com/out_param.h"

namespace velk::host {

namespace {

class ColorObject : public ComObjectRoot<ColorObject, IColor> {
 public:
  HRESULT get_RGB(LONG* rgb) override { return Out(rgb, rgb_); }
  HRESULT put_RGB(LONG rgb) override {
    rgb_ = rgb & 0x00FFFFFF;
    return S_OK;
  }
  HRESULT get_Transparency(LONG* value) override { return Out(value, transparency_); }
  HRESULT put_Transparency(LONG value) override {
    if (value < 0 || value > 255) return E_INVALIDARG;
    transparency_ = value;
    return S_OK;
  }

 private:
  LONG rgb_ = 0;
  LONG transparency_ = 0;
};

// The colour every symbol has.
template <class Derived, class I>
class ColouredSymbol : public ComObjectRoot<Derived, I> {
 public:
  HRESULT get_Color(IColor** color) override {
    if (!color) return E_POINTER;
    *color = NewColor(rgb_).Detach();
    return S_OK;
  }
  HRESULT put_Color(IColor* color) override {
    if (!color) return E_POINTER;
    rgb_ = RgbOf(color, rgb_);
    return S_OK;
  }

 protected:
  LONG rgb_ = 0;
};

// Colour, size or width, style: what every simple symbol keeps.
template <class Derived, class I>
class SimpleSymbol : public ColouredSymbol<Derived, I> {
 public:
  HRESULT get_Style(LONG* style) override { return Out(style, style_); }
  HRESULT put_Style(LONG style) override {
    style_ = style;
    return S_OK;
  }

 protected:
  HRESULT SetSize(double v) {
    if (!std::isfinite(v) || v < 0) return E_INVALIDARG;
    size_ = v;
    return S_OK;
  }
  LONG style_ = 0;
  double size_ = 1.0;
};

class MarkerSymbolObject : public SimpleSymbol<MarkerSymbolObject, IMarkerSymbol> {
 public:
  MarkerSymbolObject() { size_ = 8.0; }
  HRESULT get_Size(double* size) override { return Out(size, size_); }
  HRESULT put_Size(double size) override { return SetSize(size); }
};

class LineSymbolObject : public SimpleSymbol<LineSymbolObject, ILineSymbol> {
 public:
  HRESULT get_Width(double* width) override { return Out(width, size_); }
  HRESULT put_Width(double width) override { return SetSize(width); }
};

class FillSymbolObject : public SimpleSymbol<FillSymbolObject, IFillSymbol> {
 public:
  HRESULT get_Outline(ILineSymbol** outline) override { return outline_.CopyTo(outline); }
  HRESULT put_Outline(ILineSymbol* outline) override {
    outline_ = outline;
    return S_OK;
  }

 private:
  ComPtr<ILineSymbol> outline_;
};

class TextSymbolObject : public ColouredSymbol<TextSymbolObject, ITextSymbol> {
 public:
  HRESULT get_Size(double* size) override { return Out(size, size_); }
  HRESULT put_Size(double size) override {
    if (!std::isfinite(size) || size < 0) return E_INVALIDARG;
    size_ = size;
    return S_OK;
  }
  HRESULT get_Text(BSTR* text) override {
    if (!text) return E_POINTER;
    *text = AllocBstr(text_);
    return S_OK;
  }
  HRESULT put_Text(BSTR text) override {
    text_ = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    return S_OK;
  }
  HRESULT get_HorizontalAlignment(LONG* align) override { return Out(align, horizontal_); }
  HRESULT put_HorizontalAlignment(LONG align) override { return SetAlign(align, horizontal_); }
  HRESULT get_VerticalAlignment(LONG* align) override { return Out(align, vertical_); }
  HRESULT put_VerticalAlignment(LONG align) override { return SetAlign(align, vertical_); }

 private:
  static HRESULT SetAlign(LONG v, LONG& to) {
    if (v < 0 || v > 2) return E_INVALIDARG;
    to = v;
    return S_OK;
  }
  double size_ = 10.0;
  std::wstring text_;
  LONG horizontal_ = kTextAlignLeft;
  LONG vertical_ = kTextAlignBaseline;
};

}  // namespace

HRESULT CreateColorObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<ColorObject>(outer, riid, ppv);
}
HRESULT CreateMarkerSymbolObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<MarkerSymbolObject>(outer, riid, ppv);
}
HRESULT CreateLineSymbolObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<LineSymbolObject>(outer, riid, ppv);
}
HRESULT CreateFillSymbolObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<FillSymbolObject>(outer, riid, ppv);
}

HRESULT CreateTextSymbolObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<TextSymbolObject>(outer, riid, ppv);
}

ComPtr<IColor> NewColor(LONG rgb) {
  auto c = MakeObjectPtr<ColorObject, IColor>();
  c->put_RGB(rgb);
  return c;
}

LONG RgbOf(IColor* color, LONG fallback) {
  LONG v = fallback;
  if (color) color->get_RGB(&v);
  return v;
}

}  // namespace velk::host
