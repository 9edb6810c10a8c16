#include "framework/coord_tool_event_handler.h"

#include <map>

#include "framework/map_lookups.h"
#include "platform/com/connection_point.h"
#include "platform/host/shell/command_bars.h"

namespace velk::corvane {

namespace {

// Identities of the live coordinate tools of this library (user-interface thread only).
std::map<IUnknown*, std::weak_ptr<const bool>>& Lifetimes() {
  static std::map<IUnknown*, std::weak_ptr<const bool>> lifetimes;
  return lifetimes;
}

ComPtr<IApplication> RequireApplication(HookStruct& hook) {
  ComPtr<IApplication> app;
  hook.GetApplication(app.put());
  if (!app) ThrowComError(E_POINTER);
  return app;
}

}  // namespace

void PublishCoordToolLifetime(IUnknown* identity, const CoordToolLifetime& lifetime) {
  if (identity) Lifetimes()[identity] = lifetime;
}

void WithdrawCoordToolLifetime(IUnknown* identity) { Lifetimes().erase(identity); }

std::weak_ptr<const bool> FindCoordToolLifetime(IUnknown* identity) {
  auto& all = Lifetimes();
  auto it = all.find(identity);
  if (it == all.end()) return {};
  if (it->second.expired()) {
    all.erase(it);
    return {};
  }
  return it->second;
}

CoordToolEventHandler::~CoordToolEventHandler() {
  try {
    Disconnect(nullptr, false);
  } catch (...) {
    // Without a hook nothing can raise; a destructor lets nothing out in any case.
  }
}

bool CoordToolEventHandler::SourceAlive() const {
  if (!source_) return false;
  if (heldSource_) return true;
  return !sourceLifetime_.expired();
}

void CoordToolEventHandler::Forget() {
  cookie_ = 0;
  source_ = nullptr;
  sourceLifetime_.reset();
  heldSource_.Reset();
}

void CoordToolEventHandler::Connect(HookStruct* hook, IUnknown* sink, bool activate) {
  if (!hook) return;
  if (IsConnected()) {
    if (SourceAlive()) {
      ComPtr<IUnknown> source(source_);
      DisconnectSink(source.get(), IidOf<IZelCoordToolEvents>(), cookie_);
    }
    Forget();
  }
  ComPtr<IApplication> app;
  ComPtr<ICommandItem> item = FindCommandItem(*hook, kCoordToolProgId, app);
  if (!item) return;
  if (activate) app->put_CurrentTool(item.get());
  ComPtr<IUnknown> command;
  item->get_Command(command.put());
  auto tool = QueryAs<IZelCoordTool>(command.get());
  if (!tool) return;
  ComPtr<IUnknown> identity = QueryAs<IUnknown>(tool.get());
  source_ = identity.get();
  DWORD cookie = 0;
  if (FAILED(ConnectSink(identity.get(), sink, IidOf<IZelCoordToolEvents>(), &cookie))) cookie = 0;
  cookie_ = cookie;
  if (cookie_ == 0) return;
  sourceLifetime_ = FindCoordToolLifetime(identity.get());
  if (sourceLifetime_.expired()) heldSource_ = identity;
}

void CoordToolEventHandler::Disconnect(HookStruct* hook, bool resetTool) {
  if (IsConnected()) {
    if (SourceAlive()) {
      ComPtr<IUnknown> source(source_);
      DisconnectSink(source.get(), IidOf<IZelCoordToolEvents>(), cookie_);
    }
    Forget();
  }
  if (resetTool && hook) RequireApplication(*hook)->put_CurrentTool(nullptr);
}

}  // namespace velk::corvane
