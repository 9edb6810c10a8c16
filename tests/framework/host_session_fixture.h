// A running host session for framework tests: a throwaway registry root, the product line's
// classes registered, and a host of the chosen kind with the extension object loaded.
#pragma once

#include <memory>
#include <string>

#include "framework/extension_lookup.h"
#include "platform/host/application/host_session.h"
#include "platform/productline/product_line_classes.h"
#include "platform/productline/zel_extension.h"
#include "tests/fixtures/temp_root.h"

namespace velk::test {

class HostSessionFixture {
 public:
  explicit HostSessionFixture(host::HostKind kind = host::HostKind::Map,
                              bool loadZelExtension = true) {
    cookies_ = productline::RegisterProductLineClasses();
    host::HostSessionOptions options;
    options.kind = kind;
    if (loadZelExtension) options.extensions.push_back(productline::CLSID_ZelExtension);
    std::wstring error;
    session_ = host::HostSession::Start(options, &error);
    if (!session_) throw ComError(E_FAIL, error);
  }
  ~HostSessionFixture() {
    session_.reset();
    productline::RevokeProductLineClasses(cookies_);
  }

  host::HostSession& Session() { return *session_; }
  ComPtr<IZelExtension> Zel() {
    return QueryAs<IZelExtension>(session_->FindExtension(L"Tarvos").get());
  }
  void SetZelState(LONG state) { Check(session_->SetExtensionState(L"Tarvos", state)); }
  void SetStates(LONG zel, LONG quentara, LONG sorrelin) {
    if (Zel()) SetZelState(zel);
    Check(session_->SetExtensionState(L"Quentara", quentara));
    Check(session_->SetExtensionState(L"Sorrelin", sorrelin));
  }
  // Ends the session, as when the host program exits.
  void End() { session_.reset(); }

 private:
  TempRoot root_;
  std::vector<DWORD> cookies_;
  std::unique_ptr<host::HostSession> session_;
};

}  // namespace velk::test
