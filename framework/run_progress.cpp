#include "framework/run_progress.h"

#include <cmath>

#include "framework/corvane_module.h"
#include "framework/host_object_creation.h"
#include "framework/message_helpers.h"
#include "framework/resource_text.h"

namespace velk::corvane {

RunProgress::RunProgress(HookStruct& hook)
    : hook_(hook), tracker_(CreateHostObject<ITrackCancel>(host::CLSID_CancelTracker)) {
  tracker_->put_CancelOnClick(VARIANT_FALSE);
  tracker_->put_CancelOnKeyPress(VARIANT_TRUE);
}

void RunProgress::ShowText(const std::wstring& text) {
  try {
    ShowStatusText(hook_, 0, Bstr(text));
  } catch (const ComError&) {
    // A host without a status bar shows no progress; the run goes on.
  }
}

void RunProgress::Show(UINT textId, const std::vector<std::wstring>& inserts) {
  std::vector<win::FormatArgument> args(inserts.begin(), inserts.end());
  ShowText(FormatResourceText(textId, args));
}

bool RunProgress::KeepGoing() {
  if (cancelled_) return false;
  VARIANT_BOOL go = VARIANT_TRUE;
  tracker_->Continue(&go);
  if (go != VARIANT_FALSE) return true;
  cancelled_ = true;
  ShowText(LoadResString(kIdsOperationCancelled));
  return false;
}

std::function<bool(double)> RunProgress::Callback(UINT textId) {
  return [this, textId, shown = -1](double done) mutable {
    const int percent = static_cast<int>(std::floor(std::fmin(std::fmax(done, 0.0), 1.0) * 100));
    if (percent != shown && !cancelled_) {
      shown = percent;
      ShowText(FormatResourceText(textId, {static_cast<long long>(percent)}));
    }
    return KeepGoing();
  };
}

void RunProgress::Finish() {
  if (!cancelled_) ShowText(std::wstring());
}

}  // namespace velk::corvane
