#include "platform/host/track_cancel.h"

namespace velk::host {
namespace {

// Questions left before a scripted Esc; negative when none is pending.
int g_escapeAfter = -1;

class CancelTracker : public ComObjectRoot<CancelTracker, ITrackCancel> {
 public:
  HRESULT Continue(VARIANT_BOOL* keepGoing) override {
    if (!keepGoing) return E_POINTER;
    if (onKey_ && g_escapeAfter >= 0 && g_escapeAfter-- == 0) cancelled_ = true;
    *keepGoing = cancelled_ ? VARIANT_FALSE : VARIANT_TRUE;
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

void ScriptEscapeAfter(int checks) { g_escapeAfter = checks < 0 ? -1 : checks; }

HRESULT CreateCancelTrackerObject(IUnknown* outer, REFIID riid, void** ppv) {
  return CreateInstance<CancelTracker>(outer, riid, ppv);
}

}  // namespace velk::host
