// The hook of a host command bar (toolbar control) bound to a view control. The bar keeps an
// operation stack of its own for the commands on it.
#pragma once

#include "platform/com/object.h"
#include "platform/host/display/operation_stack.h"
#include "platform/host/display/view_hooks.h"

namespace velk::host {

class CommandBarHook : public ComObjectRoot<CommandBarHook, ICommandBarHook> {
 public:
  HRESULT FinalConstruct();
  HRESULT get_Buddy(IUnknown** viewHook) override { return buddy_.CopyTo(viewHook); }
  HRESULT put_Buddy(IUnknown* viewHook) override;
  HRESULT get_OperationStack(IOperationStack** stack) override { return stack_.CopyTo(stack); }

 private:
  ComPtr<IUnknown> buddy_;
  ComPtr<IOperationStack> stack_;
};

// A command bar bound to the given view control's hook (null: bound to nothing).
ComPtr<ICommandBarHook> MakeCommandBarHook(IUnknown* viewHook);

}  // namespace velk::host
