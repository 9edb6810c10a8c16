// The host's cancel tracker: long operations ask it between steps whether to go on; the user
// (or a test) cancels through it.
#pragma once

#include <string>

#include "platform/com/object.h"

struct ITrackCancel : IUnknown {
  VELK_INTERFACE_ID("{7F442486-F976-474B-B2BC-9F3C6942FDBC}")
  // VARIANT_FALSE once the operation was cancelled.
  virtual HRESULT Continue(VARIANT_BOOL* keepGoing) = 0;
  virtual HRESULT Cancel() = 0;
  virtual HRESULT Reset() = 0;
  // Whether a click or a key press (Esc) cancels; stored for the host's message loop.
  virtual HRESULT put_CancelOnClick(VARIANT_BOOL cancel) = 0;
  virtual HRESULT put_CancelOnKeyPress(VARIANT_BOOL cancel) = 0;
};

namespace velk::host {

inline constexpr CLSID CLSID_CancelTracker = MakeGuid("{8CD4FF27-9F42-4C66-83A0-3491E875695D}");

HRESULT CreateCancelTrackerObject(IUnknown* outer, REFIID riid, void** ppv);

// The user's Esc as a script gives it: pressed once the status bar's message pane shows a text
// that begins with onStatus (empty: pressed now), then seen by trackers that cancel on a key
// press: the atCheck-th question asked of them after the press is answered stop, and the press
// is used up. A new script replaces the one before; atCheck 0 takes the key back.
struct ScriptedEscape {
  std::wstring onStatus;
  int atCheck = 1;
};
void ScriptEscape(const ScriptedEscape& escape);
// Whether a tracker took the scripted press since the last ScriptEscape.
bool ScriptedEscapeUsed();
// What the status bar's message pane shows now (the status bar tells).
void NoteStatusMessage(const std::wstring& text);

}  // namespace velk::host
