// The host's own preference for tools' results: `add-results on|off`.
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/failure_text.h"
#include "platform/com/hresult_text.h"
#include "platform/com/out_param.h"
#include "platform/host/shell/result_settings.h"
#include "platform/registry/activation.h"

namespace trevik {
namespace {

void AddResults(SessionContext& s, const SessionLine& l) {
  s.Session();  // a host runs
  const std::wstring& state = l.Arg(0, L"on or off");
  if (state != L"on" && state != L"off") FailLine(L"add-results needs on or off");
  velk::ComPtr<IResultSettings> results;
  HRESULT hr = CoCreateInstance(velk::host::CLSID_ResultSettings, nullptr, CLSCTX_ALL,
                                IidOf<IResultSettings>(), results.put_void());
  if (SUCCEEDED(hr)) hr = results->put_AddResultsToMap(velk::ToVariantBool(state == L"on"));
  if (FAILED(hr)) FailLine(L"add-results " + state + L": " + FailureText(hr));
}

const SessionActions kRegistered({{"add-results", &AddResults}});

}  // namespace
}  // namespace trevik
