// The host's unique-value renderer: features drawn by the value of a field, one symbol and
// label per listed value, values not listed left undrawn.
#pragma once

#include <string>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/variant.h"
#include "platform/host/layer_kinds.h"

struct IUniqueValueRenderer : IUnknown {
  VELK_INTERFACE_ID("{9F33C373-18E8-4E78-9836-57C6AC2D4202}")
  virtual HRESULT get_FieldCount(LONG* count) = 0;
  virtual HRESULT put_FieldCount(LONG count) = 0;
  virtual HRESULT get_Field(LONG index, BSTR* name) = 0;
  // E_INVALIDARG for an index outside the field count.
  virtual HRESULT put_Field(LONG index, BSTR name) = 0;
  // Whether the field's values are compared as text (else as numbers).
  virtual HRESULT put_FieldType(LONG index, VARIANT_BOOL isString) = 0;
  virtual HRESULT get_FieldType(LONG index, VARIANT_BOOL* isString) = 0;
  // A class for the value (its text form), under the legend heading; E_INVALIDARG when the
  // value is listed already.
  virtual HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) = 0;
  virtual HRESULT get_ValueCount(LONG* count) = 0;
  virtual HRESULT get_Value(LONG index, BSTR* value) = 0;
  // E_INVALIDARG for a value not listed.
  virtual HRESULT get_Label(BSTR value, BSTR* label) = 0;
  virtual HRESULT put_Label(BSTR value, BSTR label) = 0;
  virtual HRESULT get_Symbol(BSTR value, IUnknown** symbol) = 0;
  virtual HRESULT get_ColorScheme(BSTR* name) = 0;
  virtual HRESULT put_ColorScheme(BSTR name) = 0;
  virtual HRESULT get_LegendGroupHeading(BSTR* heading) = 0;
  virtual HRESULT put_LegendGroupHeading(BSTR heading) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_UniqueValueRenderer = MakeGuid("{F3BA81EA-D615-4F0C-879F-E1F53F9CA353}");
HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
