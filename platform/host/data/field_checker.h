// The host's field checker: fixes field names for the workspace data will be written to.
#pragma once

#include "platform/com/object.h"
#include "platform/host/data/field.h"
#include "platform/host/data/workspace.h"

namespace velk::host {

class FieldChecker : public ComObjectRoot<FieldChecker, IFieldChecker> {
 public:
  HRESULT putref_InputWorkspace(IWorkspace* workspace) override;
  HRESULT putref_ValidateWorkspace(IWorkspace* workspace) override;
  HRESULT Validate(IFields* fields, IEnumFieldError** errors, IFields** fixed) override;

 private:
  ComPtr<IWorkspace> input_;
  ComPtr<IWorkspace> validate_;
};

HRESULT CreateFieldCheckerObject(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace velk::host
