#include "framework/zel_extension_event_handler.h"

#include "framework/extension_lookup.h"
#include "platform/com/connection_point.h"

namespace velk::corvane {

void ZelExtensionEventHandler::Connect(IUnknown* sink) {
  Disconnect();
  if (!extension_) extension_ = FindZelExtension();
  if (!extension_) return;
  source_ = QueryAs<IUnknown>(extension_.get());
  DWORD cookie = 0;
  if (SUCCEEDED(ConnectSink(source_.get(), sink, IidOf<IZelExtensionEvents>(), &cookie)))
    cookie_ = cookie;
  else
    cookie_ = 0;
  // A source without a connection is not kept.
  if (cookie_ == 0) source_.Reset();
}

void ZelExtensionEventHandler::Disconnect() {
  if (cookie_ != 0 && source_) {
    DisconnectSink(source_.get(), IidOf<IZelExtensionEvents>(), cookie_);
    source_.Reset();
    cookie_ = 0;
  }
}

ZelExtensionEventHandler::~ZelExtensionEventHandler() {
  Disconnect();
  extension_.Reset();
}

}  // namespace velk::corvane
