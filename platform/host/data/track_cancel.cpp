#include "platform/host/data/track_cancel.h"

#include <mutex>

#include "platform/com/out_param.h"

namespace velk::host {
namespace {

// The scripted key press. Trackers may be asked from worker threads, so it is kept under a lock.
struct EscapeState {
  std::mutex lock;
  std::wstring onStatus;
  bool waiting = false;  // for its status text
  int checksLeft = 0;    // questions until it is seen (0: no press)
  bool used = false;     // a tracker took it
};
EscapeState& Escape() {
  static EscapeState escape;
  return escape;
}

// Whether the scripted Esc is seen at this question of a tracker that cancels on a key press.
bool EscapeSeen() {
  EscapeState& e = Escape();
  const std::lock_guard<std::mutex> hold(e.lock);
  if (e.waiting || e.checksLeft == 0) return false;
  e.used = --e.checksLeft == 0;
  return e.used;
}

class CancelTracker : public ComObjectRoot<CancelTracker, ITrackCancel> {
 public:
  HRESULT Continue(VARIANT_BOOL* keepGoing) override {
    if (!keepGoing) return E_POINTER;
    if (onKey_ && EscapeSeen()) cancelled_ = true;
    *keepGoing = ToVariantBool(!cancelled_);
    return S_OK;
  }
  HRESULT Cancel() override {
    cancelled_ = true;
    return S_OK;
  }
  HRESULT Reset() override {
    cancelled_ = false;
    return S_OK;
  }
  HRESULT put_CancelOnClick(VARIANT_BOOL cancel) override {
    onClick_ = cancel != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_CancelOnKeyPress(VARIANT_BOOL cancel) override {
    onKey_ = cancel != VARIANT_FALSE;
    return S_OK;
  }

 private:
  bool cancelled_ = false;
  bool onClick_ = false;
  bool onKey_ = true;
};

}  // namespace

HRESULT CreateCancelTrackerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CancelTracker>(outer, riid, ppv);
}

void ScriptEscape(const ScriptedEscape& escape) {
  EscapeState& e = Escape();
  const std::lock_guard<std::mutex> hold(e.lock);
  e.onStatus = escape.onStatus;
  e.used = false;
  e.checksLeft = escape.atCheck > 0 ? escape.atCheck : 0;
  e.waiting = e.checksLeft > 0 && !e.onStatus.empty();
}

bool ScriptedEscapeUsed() {
  EscapeState& e = Escape();
  const std::lock_guard<std::mutex> hold(e.lock);
  return e.used;
}

void NoteStatusMessage(const std::wstring& text) {
  EscapeState& e = Escape();
  const std::lock_guard<std::mutex> hold(e.lock);
  if (e.waiting && text.compare(0, e.onStatus.size(), e.onStatus) == 0) e.waiting = false;
}

}  // namespace velk::host
