// A feature renderer that draws each value of a field with its own symbol and label.
#pragma once

#include "platform/com/bstr.h"
#include "platform/com/object.h"

struct IUniqueValueRenderer : IUnknown {
  VELK_INTERFACE_ID("{A230F490-8C1C-481D-BE0F-484DA9237585}")
  virtual HRESULT get_FieldCount(LONG* count) = 0;
  virtual HRESULT put_FieldCount(LONG count) = 0;
  // The field of a value (E_INVALIDARG for an index outside the field count); names are
  // matched against a class's fields without regard to case.
  virtual HRESULT get_Field(LONG index, BSTR* name) = 0;
  virtual HRESULT put_Field(LONG index, BSTR name) = 0;
  // Adds a value with its heading and symbol (E_INVALIDARG for a value already there).
  virtual HRESULT AddValue(BSTR value, BSTR heading, IUnknown* symbol) = 0;
  virtual HRESULT get_ValueCount(LONG* count) = 0;
  virtual HRESULT get_Value(LONG index, BSTR* value) = 0;
  // By value; E_INVALIDARG for a value not added.
  virtual HRESULT get_Label(BSTR value, BSTR* label) = 0;
  virtual HRESULT put_Label(BSTR value, BSTR label) = 0;
  virtual HRESULT get_Symbol(BSTR value, IUnknown** symbol) = 0;
  virtual HRESULT putref_Symbol(BSTR value, IUnknown* symbol) = 0;
  // The heading of the legend group (one group of all the values).
  virtual HRESULT get_Heading(BSTR* heading) = 0;
  virtual HRESULT put_Heading(BSTR heading) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_UniqueValueRenderer =
    MakeGuid("{E6CEBE21-852C-41B4-92EA-0325E8442141}");
HRESULT CreateUniqueValueRendererObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
