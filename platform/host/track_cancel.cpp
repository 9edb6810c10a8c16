#include "platform/host/track_cancel.h"

#include "platform/com/out_param.h"

namespace velk::host {
namespace {

// The scripted key press, on the user-interface thread.
struct ScriptedEscape {
  std::wstring prefix;
  bool armed = false;
  bool pressed = false;
};
ScriptedEscape& Escape() {
  static ScriptedEscape escape;
  return escape;
}
int& PendingEscape() {
  static int checks = 0;
  return checks;
}

class CancelTracker : public ComObjectRoot<CancelTracker, ITrackCancel> {
 public:
  HRESULT FinalConstruct() {
    escapeAt_ = PendingEscape();
    PendingEscape() = 0;
    return S_OK;
  }
  HRESULT Continue(VARIANT_BOOL* keepGoing) override {
    if (!keepGoing) return E_POINTER;
    if (onKey_ && Escape().pressed) {
      Escape().pressed = false;
      cancelled_ = true;
    }
    if (escapeAt_ > 0 && onKey_ && ++checks_ >= escapeAt_) cancelled_ = true;
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
  int escapeAt_ = 0;  // the check at which the user's Esc arrives (0: none)
  int checks_ = 0;
};

}  // namespace

HRESULT CreateCancelTrackerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CancelTracker>(outer, riid, ppv);
}

void ScriptEscapeOnStatus(const std::wstring& statusPrefix) {
  Escape() = {statusPrefix, true, false};
}

void NoteStatusMessage(const std::wstring& text) {
  ScriptedEscape& e = Escape();
  if (e.armed && text.compare(0, e.prefix.size(), e.prefix) == 0) {
    e.armed = false;
    e.pressed = true;
  }
}

void PressEscapeDuringNextOperation(int checks) { PendingEscape() = checks > 0 ? checks : 0; }

}  // namespace velk::host
