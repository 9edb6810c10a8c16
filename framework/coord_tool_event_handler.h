// The sink of the coordinate tool's events for the commands that take points from it (the
// line-of-sight, threat-dome and fly-through commands). A command derives from
// CoordToolEventHandler, overrides the events it needs, lists it among its interfaces (it
// answers IZelCoordToolEvents) and hands its dialog the stCoordToolListener through which the
// dialog starts and stops listening. The IUnknown slots are the deriving COM class's.
#pragma once

#include <memory>

#include "framework/hook_struct.h"
#include "interfaces/zel_coord_tool.h"
#include "platform/com/object.h"

namespace velk::corvane {

// What a command's dialog calls to take points from the coordinate tool.
class stCoordToolListener {
 public:
  // activate: make the coordinate tool the host's current tool as well.
  virtual void StartListening(bool activate) = 0;
  // reset: leave the host without a current tool as well.
  virtual void StopListening(bool reset) = 0;

 protected:
  ~stCoordToolListener() = default;
};

// The coordinate tool holds its sinks, so a sink must not hold the tool (neither could ever
// go). Instead a tool publishes a lifetime handle under its identity while it lives and
// withdraws it before it lets its sinks go; a sink keeps a weak handle and never calls a tool
// that has gone.
using CoordToolLifetime = std::shared_ptr<const bool>;
void PublishCoordToolLifetime(IUnknown* identity, const CoordToolLifetime& lifetime);
void WithdrawCoordToolLifetime(IUnknown* identity);
// The handle published for the identity (empty when none is).
std::weak_ptr<const bool> FindCoordToolLifetime(IUnknown* identity);

class CoordToolEventHandler : public IZelCoordToolEvents {
 public:
  static constexpr const wchar_t* kCoordToolProgId = L"velkTarvosUI.CoordTool";

  CoordToolEventHandler() = default;
  CoordToolEventHandler(const CoordToolEventHandler&) = delete;
  CoordToolEventHandler& operator=(const CoordToolEventHandler&) = delete;

  HRESULT ToolDeactivated() override { return S_OK; }
  HRESULT ToolActivated() override { return S_OK; }
  HRESULT ActivePointChanged(IPoint*, IPoint*, IPoint*) override { return S_OK; }
  HRESULT NewPointEntered(IPoint*, IPoint*, IPoint*) override { return S_OK; }

  // Ends a subscription it still has (the current tool is left alone).
  virtual ~CoordToolEventHandler();

  // Subscribes sink (the owner's identity) to the coordinate tool found among the host's
  // command bars, after ending an earlier subscription; with activate the tool first becomes
  // the host's current tool. A null hook does nothing. No tool, or one that refuses the
  // subscription, leaves the handler without one. No application behind the hook: a COM error
  // with E_POINTER.
  void Connect(HookStruct* hook, IUnknown* sink, bool activate);
  // Ends the subscription, never calling a tool that has gone; with resetTool and a hook the
  // host is left without a current tool (a COM error with E_POINTER without an application).
  void Disconnect(HookStruct* hook, bool resetTool);

  DWORD Cookie() const { return cookie_; }
  // The tool's identity while subscribed (null otherwise); not a reference.
  IUnknown* Source() const { return source_; }
  bool IsConnected() const { return cookie_ != 0 && source_; }

 private:
  bool SourceAlive() const;
  void Forget();

  DWORD cookie_ = 0;
  IUnknown* source_ = nullptr;
  std::weak_ptr<const bool> sourceLifetime_;
  // A source that publishes no lifetime handle (not the system's tool) is held instead.
  ComPtr<IUnknown> heldSource_;
};

}  // namespace velk::corvane
