// Symbols and colours of the host's graphics and layers. Colours are 0x00BBGGRR values.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IColor : IUnknown {
  VELK_INTERFACE_ID("{2B6FE7CD-A917-43B5-BEB0-54A772AAB248}")
  virtual HRESULT get_RGB(LONG* rgb) = 0;
  virtual HRESULT put_RGB(LONG rgb) = 0;
  // The colour's second value, its transparency: 0 (opaque, the start) to 255; E_INVALIDARG
  // outside.
  virtual HRESULT get_Transparency(LONG* value) = 0;
  virtual HRESULT put_Transparency(LONG value) = 0;
};

// Marker styles (0: circle) and line styles (0: solid).
constexpr LONG kMarkerCircle = 0;
constexpr LONG kLineSolid = 0;

struct IMarkerSymbol : IUnknown {
  VELK_INTERFACE_ID("{6D9FC666-B6FE-4836-9A56-AF60D06385D3}")
  virtual HRESULT get_Color(IColor** color) = 0;
  virtual HRESULT put_Color(IColor* color) = 0;
  // Points.
  virtual HRESULT get_Size(double* size) = 0;
  virtual HRESULT put_Size(double size) = 0;
  virtual HRESULT get_Style(LONG* style) = 0;
  virtual HRESULT put_Style(LONG style) = 0;
};

struct ILineSymbol : IUnknown {
  VELK_INTERFACE_ID("{30F48234-78FA-41BE-AB45-E4CC4D04FAE3}")
  virtual HRESULT get_Color(IColor** color) = 0;
  virtual HRESULT put_Color(IColor* color) = 0;
  virtual HRESULT get_Width(double* width) = 0;
  virtual HRESULT put_Width(double width) = 0;
  virtual HRESULT get_Style(LONG* style) = 0;
  virtual HRESULT put_Style(LONG style) = 0;
};

struct IFillSymbol : IUnknown {
  VELK_INTERFACE_ID("{635D9875-814A-4919-A9C0-282661D6B157}")
  virtual HRESULT get_Color(IColor** color) = 0;
  virtual HRESULT put_Color(IColor* color) = 0;
  virtual HRESULT get_Outline(ILineSymbol** outline) = 0;
  virtual HRESULT put_Outline(ILineSymbol* outline) = 0;
  virtual HRESULT get_Style(LONG* style) = 0;
  virtual HRESULT put_Style(LONG style) = 0;
};

// Where a text stands against its anchor point.
constexpr LONG kTextAlignLeft = 0;      // horizontal: the text starts at the point
constexpr LONG kTextAlignCenter = 1;    // either way: the text is centred on the point
constexpr LONG kTextAlignRight = 2;     // horizontal: the text ends at the point
constexpr LONG kTextAlignBaseline = 0;  // vertical: the baseline runs through the point
constexpr LONG kTextAlignTop = 2;       // vertical: the text hangs from the point

struct ITextSymbol : IUnknown {
  VELK_INTERFACE_ID("{C363602A-B1C3-4120-9C82-9A20DB904B3E}")
  virtual HRESULT get_Color(IColor** color) = 0;
  virtual HRESULT put_Color(IColor* color) = 0;
  // Points.
  virtual HRESULT get_Size(double* size) = 0;
  virtual HRESULT put_Size(double size) = 0;
  virtual HRESULT get_Text(BSTR* text) = 0;
  virtual HRESULT put_Text(BSTR text) = 0;
  virtual HRESULT get_HorizontalAlignment(LONG* align) = 0;
  virtual HRESULT put_HorizontalAlignment(LONG align) = 0;
  virtual HRESULT get_VerticalAlignment(LONG* align) = 0;
  virtual HRESULT put_VerticalAlignment(LONG align) = 0;
};
