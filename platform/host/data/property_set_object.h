// The host's property set class.
#pragma once

#include <vector>

#include "platform/com/object.h"
#include "platform/host/data/property_set.h"

namespace velk::host {

class PropertySet : public ComObjectRoot<PropertySet, IPropertySet> {
 public:
  HRESULT get_Count(LONG* count) override;
  HRESULT SetProperty(BSTR name, VARIANT value) override;
  HRESULT GetProperty(BSTR name, VARIANT* value) override;
  HRESULT RemoveProperty(BSTR name) override;

 private:
  std::vector<std::pair<std::wstring, Variant>> items_;
  std::vector<std::pair<std::wstring, Variant>>::iterator Find(BSTR name);
};

// Reads a text property (BSTR value) of a set; false when there is none.
bool ReadTextProperty(IPropertySet* set, const wchar_t* name, std::wstring& out);

}  // namespace velk::host
