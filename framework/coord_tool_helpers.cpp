#include "framework/coord_tool_helpers.h"

#include "framework/host_object_creation.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/host/shell/command_bars.h"

namespace velk::corvane {

ComPtr<IUnknown> CloneObject(IUnknown* object) {
  auto clone = RequireInterface<IClone>(object);
  ComPtr<IClone> copy;
  Check(clone->Clone(copy.put()));
  if (!copy) ThrowComError(E_POINTER);
  return QueryAs<IUnknown>(copy.get());
}

ComPtr<IPoint> ClonePoint(IPoint* point) {
  return RequireInterface<IPoint>(CloneObject(point).get());
}

bool BstrEquals(const std::wstring& text, BSTR value) { return text == BstrToWstring(value); }

bool IsCoordToolCurrent(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) return false;
  ComPtr<ICommandItem> current;
  app->get_CurrentTool(current.put());
  if (!current) return false;
  ComPtr<IUnknown> command;
  current->get_Command(command.put());
  return static_cast<bool>(QueryAs<IZelCoordTool>(command.get()));
}

void ClearCurrentCoordTool(HookStruct& hook) {
  if (!IsCoordToolCurrent(hook)) return;
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (app) app->put_CurrentTool(nullptr);
}

}  // namespace velk::corvane
