#include "coordinates/coord_tool_helpers.h"

#include "framework/host_object_creation.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/host/command_bars.h"
#include "platform/host/display_class_ids.h"
#include "platform/host/symbol.h"

namespace velk::corvane {

ComPtr<IUnknown> CloneObject(IUnknown* object) {
  auto clone = RequireInterface<IClone>(object);
  ComPtr<IClone> copy;
  Check(clone->Clone(copy.put()));
  if (!copy) ThrowComError(E_POINTER);
  return QueryAs<IUnknown>(copy.get());
}

ComPtr<IPoint> ClonePoint(IPoint* point) { return RequireInterface<IPoint>(CloneObject(point).get()); }

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

ComPtr<IElement> CreateCoordToolMarkerElement(IPoint* point) {
  auto element = CreateHostObject<IElement>(host::CLSID_MarkerElement);
  Check(element->put_Geometry(point));
  auto symbol = CreateHostObject<IMarkerSymbol>(host::CLSID_SimpleMarkerSymbol);
  auto color = CreateHostObject<IColor>(host::CLSID_RgbColor);
  color->put_RGB(kCoordToolMarkerColor);
  symbol->put_Color(color.get());
  symbol->put_Size(kCoordToolMarkerSize);
  symbol->put_Style(kMarkerCircle);
  RequireInterface<IMarkerElement>(element.get())->put_Symbol(symbol.get());
  return element;
}

}  // namespace velk::corvane
