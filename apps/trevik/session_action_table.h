// The session's one action table: every action of a session script and every target of
// `print` is an entry, registered by the file that implements it, with one line:
//
//   namespace {
//   void Greet(SessionContext& s, const SessionLine& l) { s.Print(L"  hi " + l.Arg(0, L"a name"));
//   } const SessionActions kRegistered({{"greet", &Greet}}, {/* print targets */}); }  // namespace
//
// A line that cannot run throws SessionError (FailLine); the session stops with its message.
// docs/session-scripts.md lists the actions.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "apps/trevik/host_session.h"
#include "platform/host/display/map.h"

namespace trevik {

// The one error of a session line.
struct SessionError {
  std::wstring message;
};
[[noreturn]] void FailLine(std::wstring message);

// A line of the script: its action and arguments (for print targets: "print", then the target
// and its arguments).
struct SessionLine {
  const std::string& action;
  const std::vector<std::wstring>& args;

  // The i-th argument; else fails with "<action> needs <what>".
  const std::wstring& Arg(std::size_t i, const wchar_t* what) const;
  // The i-th argument as a whole number; fails when it is missing or not one.
  long long Int(std::size_t i, const wchar_t* what) const;
};

// Whole decimal numbers only ("12", "-3"); false for anything else.
bool ParseInt(const std::wstring& s, long long* v);
// The i-th argument; else fails with "missing <what>".
const std::wstring& ArgOrMissing(const std::vector<std::wstring>& args, std::size_t i,
                                 const wchar_t* what);
// A finite number; else fails with "<what> must be a number, not <s>".
double ParseNumber(const std::wstring& s, const wchar_t* what);
// A whole number that fits a LONG; else fails with "<what> must be a whole number, not <s>".
LONG ParseLong(const std::wstring& s, const wchar_t* what);
// A number as the transcript shows it: six decimals, "none" for a missing value (NaN).
std::wstring Number(double v);

// What an action keeps from one line to the next (a listener, a connection): one object per
// type, made on first use and dropped when the script ends, before the host goes.
class SessionState {
 public:
  virtual ~SessionState() = default;
};

// What an action reaches of the running session.
class SessionContext {
 public:
  virtual ~SessionContext() = default;
  // A line of the transcript.
  virtual void Print(const std::wstring& text) = 0;
  // The running host; fails the line when none runs.
  virtual TrevikSession& Session() = 0;
  // The host's focus map (or globe); fails the line when it has none.
  virtual velk::ComPtr<IBasicMap> FocusMap() = 0;
  // The dialog the dialog actions work on: the one chosen with `dialog`, else the open modal
  // dialog, else the active one, else the frontmost; fails the line when none is open.
  virtual HWND CurrentDialog() = 0;

  // The session's state of type T (constructed from this context on first use).
  template <class T>
  T& State() {
    std::unique_ptr<SessionState>& slot = StateSlot(typeid(T));
    if (!slot) slot = std::make_unique<T>(*this);
    return static_cast<T&>(*slot);
  }

 protected:
  virtual std::unique_ptr<SessionState>& StateSlot(std::type_index type) = 0;
};

using SessionAction = void (*)(SessionContext& session, const SessionLine& line);

struct SessionActionEntry {
  const char* name;
  SessionAction run;
};

// Adds actions and print targets to the table when constructed (at start-up). A name taken
// twice stops the program at start-up with a message naming it.
class SessionActions {
 public:
  SessionActions(std::initializer_list<SessionActionEntry> actions,
                 std::initializer_list<SessionActionEntry> printTargets = {});
};

// The entry for an action or print target; null when none is registered.
const SessionActionEntry* FindSessionAction(const std::string& name);
const SessionActionEntry* FindPrintTarget(const std::string& name);
// The registered print targets' names, sorted (for the error of an unknown target).
std::vector<std::string> PrintTargetNames();

}  // namespace trevik
