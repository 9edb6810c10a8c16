#include "platform/host/shell/command_bar_hook.h"

namespace velk::host {

HRESULT CommandBarHook::FinalConstruct() {
  VELK_TRY
  stack_ = MakeObjectPtr<OperationStack, IOperationStack>();
  return S_OK;
  VELK_CATCH
}

HRESULT CommandBarHook::put_Buddy(IUnknown* viewHook) {
  buddy_ = viewHook;
  return S_OK;
}

ComPtr<ICommandBarHook> MakeCommandBarHook(IUnknown* viewHook) {
  auto bar = MakeObjectPtr<CommandBarHook, ICommandBarHook>();
  Check(bar->put_Buddy(viewHook));
  return bar;
}

}  // namespace velk::host
