// A long run's progress and the user's Esc: texts in the message pane of the host's status bar
// that end by asking for Esc, and the host's cancel tracker (stopped by a key press, not by a
// click) asked between the run's steps and by the host operations it calls. A stop shows
// "Operation cancelled"; the run then removes what it began and adds nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/hook_struct.h"
#include "platform/com/variant.h"
#include "platform/host/data/track_cancel.h"

namespace velk::corvane {

constexpr UINT kIdsOperationCancelled = 3707;  // "Operation cancelled"

class RunProgress {
 public:
  explicit RunProgress(HookStruct& hook);

  // The text of textId, formatted with the inserts, in the status bar.
  void Show(UINT textId, const std::vector<std::wstring>& inserts = {});
  // Asks the tracker whether to go on; the first stop shows "Operation cancelled".
  bool KeepGoing();
  // A host operation's progress callback: shows textId with the whole percentage done as its
  // insert (%1!d!) whenever that changes, and asks the tracker.
  std::function<bool(double)> Callback(UINT textId);
  // Clears the status text a finished run leaves (a stopped run keeps its "Operation
  // cancelled").
  void Finish();
  bool Cancelled() const { return cancelled_; }

 private:
  void ShowText(const std::wstring& text);

  HookStruct& hook_;
  ComPtr<ITrackCancel> tracker_;
  bool cancelled_ = false;
};

}  // namespace velk::corvane
