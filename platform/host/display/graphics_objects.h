// The host's element classes (line, marker, polygon) and GraphicsList, the element list every
// graphics container of the host keeps.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/display/graphics.h"

namespace velk::host {

HRESULT CreateLineElementObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreateMarkerElementObject(IUnknown* outer, REFIID riid, void** ppv);
HRESULT CreatePolygonElementObject(IUnknown* outer, REFIID riid, void** ppv);

// The elements of a graphics container, first = on top.
class GraphicsList {
 public:
  HRESULT AddElement(IElement* element, LONG zOrder);
  HRESULT DeleteElement(IElement* element);
  HRESULT DeleteAllElements();
  HRESULT Reset();
  HRESULT Next(IElement** element);
  HRESULT get_ElementCount(LONG* count);
  // Whether the list holds the element (the enumeration position is not touched).
  bool Contains(IElement* element) const;

 private:
  std::vector<ComPtr<IElement>> items_;
  std::size_t pos_ = 0;
};

// The forwarding of IGraphicsContainer to a GraphicsList member named graphics_.
#define VELK_GRAPHICS_CONTAINER_FORWARDS                                                  \
  HRESULT AddElement(IElement* e, LONG z) override { return graphics_.AddElement(e, z); } \
  HRESULT DeleteElement(IElement* e) override { return graphics_.DeleteElement(e); }      \
  HRESULT DeleteAllElements() override { return graphics_.DeleteAllElements(); }          \
  HRESULT Reset() override { return graphics_.Reset(); }                                  \
  HRESULT Next(IElement** e) override { return graphics_.Next(e); }                       \
  HRESULT get_ElementCount(LONG* n) override { return graphics_.get_ElementCount(n); }

}  // namespace velk::host
