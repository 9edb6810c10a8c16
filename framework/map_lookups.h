// Looking things up in the host through a command's hook: the focus map's layers by
// interface, the extent the map view shows, and the coordinate tool among the document's
// command bars.
#pragma once

#include "framework/hook_struct.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/geometry/geometry.h"
#include "platform/host/display/layer.h"

namespace velk::corvane {

// The focus map's (or globe's) layers that answer the interface, group layers searched too,
// enumeration reset; null on any failure.
ComPtr<IEnumLayer> GetMapLayersByInterface(HookStruct& hook, const IID& iid);

// The extent the active view shows (its display's visible bounds); null when there is none.
ComPtr<IEnvelope> VisibleExtent(HookStruct& hook);

// Makes the coordinate tool ("velkTarvosUI.CoordTool") the host's current tool when the
// document's command bars hold it. No application or document: E_POINTER as a COM error.
void FindCoordToolCommand(HookStruct& hook);

// The command bars of the application's document; the E_POINTER COM error when the
// application, its document or their bars are missing.
ComPtr<ICommandBars> DocumentCommandBars(IApplication* app);

// The item of the document's command bars that holds the command with this ProgID (empty when
// no bar holds it); app receives the hook's application. A missing application, document or
// command bars throws E_POINTER.
ComPtr<ICommandItem> FindCommandItem(HookStruct& hook, const wchar_t* progId,
                                     ComPtr<IApplication>& app);

}  // namespace velk::corvane
