#include "apps/trevik/failure_text.h"

#include "platform/com/hresult_text.h"
#include "platform/host/data/data_errors.h"

namespace trevik {

std::wstring FailureText(HRESULT hr) {
  namespace h = velk::host;
  struct Words {
    HRESULT hr;
    const wchar_t* text;
  };
  static const Words words[] = {
      {h::E_DATA_NOT_FOUND, L"does not exist"},
      {h::E_DATA_EXISTS, L"a dataset of that name exists already"},
      {h::E_DATA_UNREADABLE, L"cannot be read as data of that kind"},
      {h::E_DATA_INVALID_NAME, L"the format refuses the name"},
      {h::E_DATA_INVALID_FIELD, L"the format cannot hold a field of that type or width"},
      {h::E_DATA_SCHEMA_LOCKED, L"another user of the data holds a lock on it"},
      {h::E_DATA_WRITE_FAILED, L"cannot be written (read-only, full disk or refused)"},
      {h::E_DATA_GEOMETRY_MISMATCH, L"a shape of another kind than the data holds"},
      {h::E_DATA_PROJECTION_FAILED, L"the shape cannot be projected"},
      {h::E_DATA_INVALID_WHERE, L"the where clause cannot be evaluated"},
      {h::E_DATA_NO_ROW, L"the row is not there"},
      {h::E_DATA_VALUE_TOO_LONG, L"a value does not fit its field"},
      {h::E_DATA_FIELD_NOT_EDITABLE, L"the field cannot be written"},
      {REGDB_E_CLASSNOTREG, L"the class is not registered"},
      {CLASS_E_CLASSNOTAVAILABLE, L"the library does not offer the class"},
      {CO_E_CLASSSTRING, L"no class is registered under that name"},
      {CO_E_DLLNOTFOUND, L"the library of the class cannot be found"},
      {CO_E_ERRORINDLL, L"the library of the class cannot be loaded"},
      {E_INVALIDARG, L"a value is not valid"},
      {E_ACCESSDENIED, L"access is denied"},
      {E_OUTOFMEMORY, L"out of memory"},
      {E_NOTIMPL, L"not supported"},
      {E_NOINTERFACE, L"not supported by the object"},
      {E_POINTER, L"something needed is missing"},
      {E_ABORT, L"cancelled"},
      {E_UNEXPECTED, L"not possible now"},
      {E_FAIL, L"failed"},
  };
  for (const Words& w : words)
    if (w.hr == hr) return std::wstring(w.text) + L" (" + velk::HresultText(hr) + L")";
  return velk::HresultText(hr);
}

}  // namespace trevik
