#include "platform/host/display/graphics_objects.h"

#include <algorithm>

#include "platform/host/display/display.h"
#include "platform/host/geometry/geometry_data.h"
#include "platform/host/geometry/geometry_objects.h"
#include "platform/host/display/symbol.h"

namespace velk::host {

namespace {

// Points of a symbol size on a 96 dpi screen.
constexpr double kPixelsPerPoint = 96.0 / 72.0;

template <class Derived, class KindIface, class SymbolIface>
class ElementBase
    : public ComObjectRoot<Derived, IElement, IElementProperties, IElementSymbol, KindIface> {
 public:
  using IElement::QueryInterface;
  // IElement
  HRESULT get_Geometry(IGeometry** geometry) override { return geometry_.CopyTo(geometry); }
  HRESULT put_Geometry(IGeometry* geometry) override {
    geometry_ = geometry;
    return S_OK;
  }
  HRESULT QueryBounds(IDisplay* display, IPolygon* bounds) override {
    GeomData* out = DataOf(bounds);
    if (!out || out->type != kGeometryPolygon) return E_POINTER;
    GeomData* g = DataOf(geometry_.get());
    GeomData result = GeomData::Empty(kGeometryPolygon);
    double x0, y0, x1, y1;
    if (g && g->Extent(x0, y0, x1, y1)) {
      double grow = 0;
      ComPtr<IDisplayTransformation> t;
      if (display && SUCCEEDED(display->get_DisplayTransformation(t.put())) && t) {
        double perPixel = 0;
        t->ToMapDistance(1, &perPixel);
        grow = static_cast<Derived*>(this)->SymbolSize() * kPixelsPerPoint / 2.0 * perPixel;
      }
      x0 -= grow;
      y0 -= grow;
      x1 += grow;
      y1 += grow;
      result.parts = {
          {Vertex{x0, y0}, Vertex{x0, y1}, Vertex{x1, y1}, Vertex{x1, y0}, Vertex{x0, y0}}};
      result.sr = g->sr;
    }
    *out = std::move(result);
    return S_OK;
  }
  // IElementProperties
  HRESULT get_Name(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = name_.Copy();
    if (!*name) *name = AllocBstr(L"");
    return S_OK;
  }
  HRESULT put_Name(BSTR name) override {
    name_ = Bstr(BstrToWstring(name));
    return S_OK;
  }
  // Kind-specific symbol slot
  HRESULT get_Symbol(SymbolIface** symbol) override { return symbol_.CopyTo(symbol); }
  HRESULT put_Symbol(SymbolIface* symbol) override {
    symbol_ = symbol;
    return S_OK;
  }
  // IElementSymbol
  HRESULT get_Symbol(IUnknown** symbol) override {
    if (!symbol) return E_POINTER;
    *symbol = nullptr;
    return symbol_ ? symbol_->QueryInterface(IidOf<IUnknown>(), reinterpret_cast<void**>(symbol))
                   : S_OK;
  }
  HRESULT put_Symbol(IUnknown* symbol) override {
    if (!symbol) {
      symbol_.Reset();
      return S_OK;
    }
    auto s = QueryAs<SymbolIface>(symbol);
    if (!s) return E_INVALIDARG;
    symbol_ = s;
    return S_OK;
  }

 protected:
  ComPtr<IGeometry> geometry_;
  Bstr name_{L""};
  ComPtr<SymbolIface> symbol_;
};

class LineElementObject : public ElementBase<LineElementObject, ILineElement, ILineSymbol> {
 public:
  double SymbolSize() {
    double w = 0;
    if (symbol_) symbol_->get_Width(&w);
    return w;
  }
};

class MarkerElementObject : public ElementBase<MarkerElementObject, IMarkerElement, IMarkerSymbol> {
 public:
  double SymbolSize() {
    double s = 0;
    if (symbol_) symbol_->get_Size(&s);
    return s;
  }
};

class PolygonElementObject
    : public ElementBase<PolygonElementObject, IFillShapeElement, IFillSymbol> {
 public:
  double SymbolSize() {
    double w = 0;
    ComPtr<ILineSymbol> outline;
    if (symbol_ && SUCCEEDED(symbol_->get_Outline(outline.put())) && outline)
      outline->get_Width(&w);
    return w;
  }
};

}  // namespace

HRESULT CreateLineElementObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<LineElementObject>(outer, riid, ppv);
}
HRESULT CreateMarkerElementObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<MarkerElementObject>(outer, riid, ppv);
}
HRESULT CreatePolygonElementObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<PolygonElementObject>(outer, riid, ppv);
}

HRESULT GraphicsList::AddElement(IElement* element, LONG zOrder) {
  if (!element) return E_POINTER;
  for (const auto& e : items_)
    if (IsSameObject(e.get(), element)) return S_FALSE;
  std::size_t at =
      zOrder <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(zOrder), items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), ComPtr<IElement>(element));
  if (at < pos_) ++pos_;
  return S_OK;
}

bool GraphicsList::Contains(IElement* element) const {
  for (const auto& e : items_)
    if (IsSameObject(e.get(), element)) return true;
  return false;
}

HRESULT GraphicsList::DeleteElement(IElement* element) {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (IsSameObject(items_[i].get(), element)) {
      items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
      if (i < pos_) --pos_;
      return S_OK;
    }
  return S_FALSE;
}

HRESULT GraphicsList::DeleteAllElements() {
  items_.clear();
  pos_ = 0;
  return S_OK;
}

HRESULT GraphicsList::Reset() {
  pos_ = 0;
  return S_OK;
}

HRESULT GraphicsList::Next(IElement** element) {
  if (!element) return E_POINTER;
  *element = nullptr;
  if (pos_ >= items_.size()) return S_FALSE;
  return items_[pos_++].CopyTo(element);
}

HRESULT GraphicsList::get_ElementCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(items_.size());
  return S_OK;
}

}  // namespace velk::host
