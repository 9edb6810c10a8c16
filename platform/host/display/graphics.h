// Graphics of the host's maps: elements (a geometry with a symbol and a name) and the graphics
// containers of views and graphics layers.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IDisplay;
struct IFillSymbol;
struct IGeometry;
struct ILineSymbol;
struct IMarkerSymbol;
struct IPolygon;

struct IElement : IUnknown {
  VELK_INTERFACE_ID("{BCC54EB1-864A-4CBC-8896-4CEAD83E06F9}")
  virtual HRESULT get_Geometry(IGeometry** geometry) = 0;
  virtual HRESULT put_Geometry(IGeometry* geometry) = 0;
  // Fills bounds (a polygon) with the area the element covers when drawn on the display: the
  // geometry's extent, grown by half the symbol's size or width in map units.
  virtual HRESULT QueryBounds(IDisplay* display, IPolygon* bounds) = 0;
};

// The element's name (and type text); graphics are told apart by it.
struct IElementProperties : IUnknown {
  VELK_INTERFACE_ID("{86F32B61-7667-11D2-A2D3-080009B6F22B}")
  virtual HRESULT get_Name(BSTR* name) = 0;
  virtual HRESULT put_Name(BSTR name) = 0;
};

struct ILineElement : IUnknown {
  VELK_INTERFACE_ID("{EAA8D554-F2C9-4952-8B41-9C6EE2124481}")
  virtual HRESULT get_Symbol(ILineSymbol** symbol) = 0;
  virtual HRESULT put_Symbol(ILineSymbol* symbol) = 0;
};

struct IMarkerElement : IUnknown {
  VELK_INTERFACE_ID("{2331D39E-22ED-47FE-B333-AB238B01E80B}")
  virtual HRESULT get_Symbol(IMarkerSymbol** symbol) = 0;
  virtual HRESULT put_Symbol(IMarkerSymbol* symbol) = 0;
};

struct IFillShapeElement : IUnknown {
  VELK_INTERFACE_ID("{ABC7B75E-18D3-4D5A-A5AC-3D57E353E743}")
  virtual HRESULT get_Symbol(IFillSymbol** symbol) = 0;
  virtual HRESULT put_Symbol(IFillSymbol* symbol) = 0;
};

// The symbol of any element kind, as one slot: a marker element takes marker symbols, a line
// element line symbols, a polygon element fill symbols (E_INVALIDARG for another kind).
struct IElementSymbol : IUnknown {
  VELK_INTERFACE_ID("{CA408695-0AD8-4FBC-AF00-25A5619A551F}")
  virtual HRESULT get_Symbol(IUnknown** symbol) = 0;
  virtual HRESULT put_Symbol(IUnknown* symbol) = 0;
};

// Elements in drawing order. Next gives S_OK with an element, or S_FALSE and null at the end.
struct IGraphicsContainer : IUnknown {
  VELK_INTERFACE_ID("{D09411D1-4BB4-11D1-B6CC-080009B996CC}")
  // zOrder 0 puts the element on top (first in the enumeration); an element the container holds
  // already is not added twice (S_FALSE).
  virtual HRESULT AddElement(IElement* element, LONG zOrder) = 0;
  // S_FALSE (and no change) for an element the container does not hold.
  virtual HRESULT DeleteElement(IElement* element) = 0;
  virtual HRESULT DeleteAllElements() = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Next(IElement** element) = 0;
  virtual HRESULT get_ElementCount(LONG* count) = 0;
};
