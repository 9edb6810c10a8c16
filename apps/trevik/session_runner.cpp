#include "apps/trevik/session_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "apps/trevik/failure_text.h"
#include "apps/trevik/host_session.h"
#include "apps/trevik/session_action_table.h"
#include "apps/trevik/session_controls.h"
#include "apps/trevik/session_script.h"
#include "platform/com/hresult_text.h"
#include "platform/com/text.h"
#include "platform/host/data/track_cancel.h"
#include "platform/host/data/uid.h"
#include "platform/host/display/globe.h"
#include "platform/host/display/map.h"
#include "platform/host/display/symbol_drawing.h"
#include "platform/host/documents/document.h"
#include "platform/host/shell/command.h"
#include "platform/host/shell/command_bars.h"
#include "platform/host/shell/status_bar.h"
#include "platform/productline/symbol_text.h"
#include "platform/registry/activation.h"
#include "platform/registry/file_io.h"
#include "platform/win/common_controls.h"
#include "platform/win/dialog.h"
#include "platform/win/message_queue.h"
#include "platform/win/responder.h"

namespace trevik {

namespace {

using velk::ComPtr;
using velk::FromUtf8;
using velk::ToUtf8;
namespace win = velk::win;

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// Writes a transcript: a file is replaced only by a complete new one (written beside it, then
// renamed), a device or pipe is written directly; every write and the close are checked. The
// reason of a failure, or empty.
std::string SaveText(const std::string& path, const std::string& text) {
  struct stat st {};
  int err = 0;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    for (std::size_t done = 0; done < text.size() && !err;) {
      ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno != EINTR) err = errno;
      if (n > 0) done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && !err) err = errno;
  } else {
    err = velk::reg::detail::WriteFileAtomically(path, text);
  }
  if (!err) return {};
  if (err == ENOSPC) return "disk full";
  return std::strerror(err);
}

std::wstring IconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return L"stop";
    case MB_ICONQUESTION: return L"question";
    case MB_ICONEXCLAMATION: return L"exclamation";
    case MB_ICONASTERISK: return L"information";
    default: return L"no icon";
  }
}

// A box that tells the user a run failed or was refused: a stop or warning sign with only OK to
// press (a question with a warning sign asks; it does not end a run).
bool IsErrorBox(UINT type) {
  const UINT icon = type & MB_ICONMASK;
  return (icon == MB_ICONHAND || icon == MB_ICONEXCLAMATION) && (type & MB_TYPEMASK) == MB_OK;
}

using LineError = SessionError;

class SessionRunner : public win::Responder, public SessionContext {
 public:
  SessionRunner(std::vector<ScriptLine> lines, std::string name, std::ostream& out,
                std::ostream& err)
      : lines_(std::move(lines)), name_(std::move(name)), out_(out), err_(err) {}

  int Run() {
    win::SetResponder(this);
    velk::host::SetSymbolChooser([this](HWND, IUnknown* offered, ComPtr<IUnknown>* chosen) {
      return OnSymbolSelector(offered, chosen);
    });
    win::ClearUserEvents();
    eventsSeen_ = 0;
    while (next_ < lines_.size() && !failed_) Execute(lines_[next_++]);
    const bool cancelled = velk::host::ScriptedEscapeUsed();
    velk::host::ScriptEscape({L"", 0});
    win::SetResponder(nullptr);
    velk::host::SetSymbolChooser(nullptr);
    // Actions' state (listeners, connections) goes before the host.
    states_.clear();
    session_.reset();
    if (IsWindow(main_)) DestroyWindow(main_);
    if (cancelled) err_ << "trevik: " << name_ << ": the user cancelled a run (Esc)\n";
    if (failed_) return 1;
    // Like a command-line tool, a session whose run ended in an error box fails; a test that
    // provokes the error says so with `expect error`.
    if (!errors_.empty()) {
      err_ << "trevik: " << name_ << ": the session ended in an error: " << ToUtf8(errors_.back())
           << '\n';
      return 1;
    }
    return 0;
  }

  int OnMessageBox(HWND, const std::wstring&, const std::wstring&, UINT type) override {
    const ScriptLine* l = LookAhead("answer");
    if (!l) return 0;
    ++next_;
    int id = l->args.empty() ? 0 : win::ButtonFromName(l->args[0]);
    std::vector<int> buttons = win::MessageBoxButtons(type);
    if (std::find(buttons.begin(), buttons.end(), id) == buttons.end()) {
      std::wstring names;
      for (int b : buttons) names += (names.empty() ? L"" : L", ") + win::ButtonName(b);
      Fail(*l, L"the message box has no button " +
                   (l->args.empty() ? std::wstring(L"named") : l->args[0]) + L" (it has " + names +
                   L")");
      return 0;
    }
    return id;
  }

  bool OnFileDialog(const win::FileDialogRequest& request, std::wstring* path) override {
    const ScriptLine* l = LookAhead("file");
    if (!l) return false;
    ++next_;
    if (l->args.empty()) {
      Fail(*l, L"file needs a path or the word cancel");
      return false;
    }
    if (l->args[0] == L"cancel") return false;
    *path = l->args[0];
    if (l->args.size() > 1) {
      // Several picks of one folder or database: the folder, then each name.
      if (!(request.flags & OFN_ALLOWMULTISELECT)) {
        Fail(*l, L"this file dialog picks one item");
        return false;
      }
      const std::filesystem::path folder =
          std::filesystem::path(velk::ToUtf8(l->args[0])).parent_path();
      *path = velk::FromUtf8(folder.string());
      for (const std::wstring& arg : l->args) {
        const std::filesystem::path p(velk::ToUtf8(arg));
        if (p.parent_path() != folder) {
          Fail(*l, L"the picks of one file dialog share a folder or database: " + arg);
          return false;
        }
        *path += L'\0' + velk::FromUtf8(p.filename().string());
      }
    }
    return true;
  }

  // The host's symbol selector, answered by a following `symbol TEXT` or `symbol cancel` line
  // (none cancels).
  bool OnSymbolSelector(IUnknown* offered, ComPtr<IUnknown>* chosen) {
    ReportEvents();
    std::wstring text;
    if (!offered || !velk::productline::SymbolToText(offered, text)) text = L"no symbol";
    Print(L"symbol selector offers \"" + text + L"\"");
    const ScriptLine* l = LookAhead("symbol");
    if (!l) return false;
    ++next_;
    if (l->args.empty()) {
      Fail(*l, L"symbol needs a symbol text or the word cancel");
      return false;
    }
    if (l->args[0] == L"cancel") return false;
    ComPtr<IUnknown> made = velk::productline::SymbolFromText(l->args[0]);
    if (!made) {
      Fail(*l, L"not a symbol: " + l->args[0] +
                   L" (marker, line, fill or text with its colour and sizes)");
      return false;
    }
    *chosen = made;
    return true;
  }

  void OnModalEnd(HWND dialog, INT_PTR result) override {
    ReportEvents();
    std::wstring name = win::ButtonName(static_cast<int>(result));
    endings_.push_back(
        DialogTitle(dialog) + L" ended with " + name +
        (name == std::to_wstring(result) ? L"" : L" (" + std::to_wstring(result) + L")"));
  }

  bool OnModalIdle(HWND dialog) override {
    if (failed_) return false;
    if (next_ >= lines_.size()) {
      Print(L"the script ended with " + DialogTitle(dialog) + L" open; it is cancelled");
      return false;
    }
    modal_.push_back(dialog);
    Execute(lines_[next_++]);
    modal_.pop_back();
    return !failed_;
  }

 private:
  // The number of the script line that runs now.
  int CurrentLine() const { return next_ > 0 ? lines_[next_ - 1].number : 0; }

  const ScriptLine* LookAhead(const char* action) {
    if (failed_ || next_ >= lines_.size() || lines_[next_].action != action) return nullptr;
    return &lines_[next_];
  }

  void Print(const std::wstring& text) override {
    out_ << ToUtf8(text) << '\n';
    out_.flush();
    transcript_ += text + L"\n";
  }

  void Fail(const ScriptLine& l, const std::wstring& message) {
    if (failed_) return;
    failed_ = true;
    std::string text = name_ + ":" + std::to_string(l.number) + ": " + ToUtf8(message);
    err_ << "trevik: " << text << '\n';
    transcript_ += L"error: " + FromUtf8(text) + L"\n";
  }

  void Execute(const ScriptLine& l) {
    Print(L"> " + FromUtf8(l.text));
    try {
      const SessionLine line{l.action, l.args};
      const SessionActionEntry* entry = FindSessionAction(l.action);
      if (!entry) throw LineError{L"unknown action '" + FromUtf8(l.action) + L"'"};
      entry->run(*this, line);
    } catch (const SessionError& e) {
      Fail(l, e.message);
    } catch (const velk::ComError& e) {
      // Without a host the host's classes are not there: say what to do rather than the code.
      if (!session_ && e.Error() == REGDB_E_CLASSNOTREG)
        Fail(l,
             FromUtf8(l.action) + L" needs a host: start one first (host map, globe or catalog)");
      else
        Fail(l, FromUtf8(l.action) + L" failed: " +
                    (e.Description().empty() ? L"" : e.Description() + L": ") +
                    FailureText(e.Error()));
    }
    AfterLine();
  }

  // Lets waiting messages run (through the open modal dialog when there is one), then reports
  // what the user saw and which dialogs opened or closed.
  void AfterLine() {
    MSG m;
    int guard = 0;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE) && ++guard < 100000) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      HWND modal = modal_.empty() ? nullptr : modal_.back();
      if (modal && IsWindow(modal) && IsDialogMessageW(modal, &m)) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    ReportEvents();
    for (const std::wstring& e : endings_) Print(e);
    endings_.clear();
    ReportWindows();
  }

  void ReportEvents() {
    const auto& events = win::UserEvents();
    for (; eventsSeen_ < events.size(); ++eventsSeen_) {
      const win::UserEvent& e = events[eventsSeen_];
      switch (e.kind) {
        case win::UserEvent::Kind::MessageBox: {
          std::wstring buttons;
          for (int b : win::MessageBoxButtons(e.type))
            buttons += (buttons.empty() ? L"" : L"/") + win::ButtonName(b);
          Print(L"message box " + Quote(e.caption) + L": " + Quote(e.text) + L" (" +
                IconName(e.type) + L", " + buttons + L") -> " + win::ButtonName(e.answer));
          if (IsErrorBox(e.type)) {
            err_ << "trevik: " << name_ << ":" << CurrentLine() << ": " << ToUtf8(e.caption) << ": "
                 << ToUtf8(e.text) << '\n';
            errors_.push_back(e.text);
          }
          break;
        }
        case win::UserEvent::Kind::FileDialog:
          Print(std::wstring(e.type ? L"save" : L"open") + L" file dialog " + Quote(e.caption) +
                L" -> " + (e.answer == IDOK ? e.text : std::wstring(L"cancelled")));
          break;
        case win::UserEvent::Kind::Help: {
          std::wstring what = e.type == HELP_CONTEXTPOPUP ? L"popup " + std::to_wstring(e.help.data)
                              : e.type == HELP_CONTEXTMENU ? L"menu"
                                                           : L"command " + std::to_wstring(e.type);
          if (e.type == HELP_CONTEXTMENU)
            for (std::size_t k = 0; k + 1 < e.help.pairs.size(); k += 2)
              what += L" " + std::to_wstring(static_cast<int>(e.help.pairs[k]));
          Print(L"help " + Quote(e.text) + L" " + what);
          break;
        }
        case win::UserEvent::Kind::Beep: Print(L"beep"); break;
        case win::UserEvent::Kind::Flash: {
          int id = GetDlgCtrlID(e.window);
          Print(L"flash " + (id ? std::to_wstring(id) : velk::win::WindowText(e.window)));
          break;
        }
      }
    }
  }

  void ReportWindows() {
    std::map<HWND, std::wstring> now;
    for (HWND h : win::TopLevelWindows())
      if (win::IsDialogWindow(h) && IsWindowVisible(h)) now[h] = DialogTitle(h);
    for (auto& [h, title] : shown_)
      if (!now.count(h)) Print(L"closed " + title);
    for (auto& [h, title] : now)
      if (!shown_.count(h)) Print(L"opened " + title);
    shown_ = std::move(now);
  }

  // ---- helpers over the host ----

  TrevikSession& Session() override {
    if (!session_) throw LineError{L"no host is running (start one with: host map)"};
    return *session_;
  }

  ComPtr<IBasicMap> FocusMap() override {
    ComPtr<IDocument> doc = Session().Host().Document();
    ComPtr<IMapDocument> mapDoc = velk::QueryAs<IMapDocument>(doc.get());
    if (mapDoc) {
      ComPtr<IMap> map;
      mapDoc->get_FocusMap(map.put());
      if (map) return map.As<IBasicMap>();
    }
    ComPtr<IGlobeDocument> globeDoc = velk::QueryAs<IGlobeDocument>(doc.get());
    if (globeDoc) {
      ComPtr<IGlobe> globe;
      globeDoc->get_Globe(globe.put());
      if (globe) return globe.As<IBasicMap>();
    }
    throw LineError{L"this host has no map"};
  }

  ComPtr<ICommandItem> FindOrCreate(const std::wstring& progId, LONG subType) {
    ComPtr<IDocument> doc = Session().Host().Document();
    ComPtr<ICommandBars> bars;
    doc->get_CommandBars(bars.put());
    ComPtr<ICommandItem> item;
    if (bars) {
      ComPtr<IUID> uid = velk::host::MakeUid(progId, subType);
      bars->Find(uid.get(), VARIANT_TRUE, VARIANT_TRUE, item.put());
    }
    if (item) return item;
    HRESULT hr = Session().CreateCommand(progId, subType, item.put());
    if (FAILED(hr) || !item) throw LineError{L"cannot create " + progId + L": " + FailureText(hr)};
    return item;
  }

  HWND CurrentDialog() override {
    if (IsWindow(chosen_) && IsWindowVisible(chosen_)) return chosen_;
    if (!modal_.empty() && IsWindow(modal_.back())) return modal_.back();
    HWND active = GetActiveWindow();
    if (active && win::IsDialogWindow(active) && IsWindowVisible(active)) return active;
    for (HWND h : win::TopLevelWindows())
      if (win::IsDialogWindow(h) && IsWindowVisible(h)) return h;
    throw LineError{L"no dialog is open"};
  }

  static std::wstring Arg(const SessionLine& l, std::size_t i, const wchar_t* what) {
    return l.Arg(i, what);
  }
  static long long IntArg(const SessionLine& l, std::size_t i, const wchar_t* what) {
    return l.Int(i, what);
  }

  void RegisterLibrary(const std::wstring& path) {
    std::string file = ToUtf8(path);
    velk::LoadedLibrary lib;
    std::wstring error;
    if (!velk::LoadLibraryOnce(file, lib, error)) throw LineError{error};
    using RegisterFn = HRESULT (*)();
    auto fn = reinterpret_cast<RegisterFn>(lib.Symbol("velkDllRegisterServer"));
    if (!fn) throw LineError{path + L" does not export velkDllRegisterServer"};
    HRESULT hr = fn();
    if (FAILED(hr)) throw LineError{L"registering " + path + L" failed: " + FailureText(hr)};
    Print(L"registered " + path);
  }

  // ---- the actions ----

 public:
  // ---- the actions (registered below) ----

  void DoHost(const SessionLine& l) {
    if (session_) throw LineError{L"a host is already running"};
    velk::host::HostKind kind;
    std::wstring word = Arg(l, 0, L"a host kind (map, globe or catalog)");
    if (!ParseHostKind(ToUtf8(word), kind))
      throw LineError{L"unknown host kind " + word + L" (map, globe or catalog)"};
    std::wstring error;
    session_ = TrevikSession::Start(kind, &error);
    if (!session_) throw LineError{L"the host does not start: " + error};
    main_ = CreateWindowExW(0, WC_PLAINWINDOW, velk::host::HostKindName(kind),
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr,
                            nullptr, nullptr);
    session_->Host().App().SetMainWindow(main_);
    Print(L"host " + word + L" (" + velk::host::HostKindName(kind) + L")");
  }

  void DoRegister(const SessionLine& l) {
    if (l.args.empty()) throw LineError{L"register needs a library"};
    for (const std::wstring& p : l.args) RegisterLibrary(p);
  }

  void DoClick(const SessionLine& l) {
    const std::string& a = l.action;
    bool inModal = !modal_.empty();
    std::wstring progId = Arg(l, 0, L"a ProgID");
    LONG subType = l.args.size() > 1 ? static_cast<LONG>(IntArg(l, 1, L"the subtype")) : 0;
    if (a == "click" && inModal)
      throw LineError{L"a modal dialog is open: the host's commands cannot be reached"};
    ComPtr<ICommandItem> item = FindOrCreate(progId, subType);
    if (a == "command") {
      Print(L"  " + Session().Describe(item.get()));
      return;
    }
    HRESULT hr = item->Execute();
    if (hr == S_FALSE)
      Print(L"  " + progId + L" is disabled");
    else if (FAILED(hr))
      Print(L"  " + progId + L" answered " + velk::HresultText(hr));
  }

  void DoExtension(const SessionLine& l) {
    std::wstring name = Arg(l, 0, L"an extension name");
    std::wstring state = Arg(l, 1, L"on or off");
    LONG value = state == L"on" ? 1 : state == L"off" ? 0 : -1;
    if (value < 0) throw LineError{L"extension state must be on or off"};
    HRESULT hr = Session().Host().SetExtensionState(name, value);
    if (FAILED(hr)) throw LineError{L"no extension " + name};
  }

  void DoSetting(const SessionLine& l) {
    std::wstring w = Arg(l, 0, L"NAME=VALUE or NAME?");
    if (auto eq = w.find(L'='); eq != std::wstring::npos) {
      HRESULT hr = Session().SetSetting(w.substr(0, eq), w.substr(eq + 1));
      if (FAILED(hr)) throw LineError{L"setting " + w + L": " + FailureText(hr)};
    } else if (!w.empty() && w.back() == L'?') {
      std::wstring value;
      HRESULT hr = Session().GetSetting(w.substr(0, w.size() - 1), value);
      if (FAILED(hr)) throw LineError{L"setting " + w + L" " + FailureText(hr)};
      Print(L"  " + w.substr(0, w.size() - 1) + L"=" + value);
    } else {
      throw LineError{L"setting needs NAME=VALUE or NAME?"};
    }
  }

  void DoDialog(const SessionLine& l) {
    std::wstring ref = Arg(l, 0, L"a dialog template id or caption");
    long long id = 0;
    bool numeric = ParseInt(ref, &id);
    for (HWND h : win::TopLevelWindows()) {
      if (!win::IsDialogWindow(h) || !IsWindowVisible(h)) continue;
      if (numeric ? win::DialogTemplateId(h) == id : win::WindowText(h) == ref) {
        chosen_ = h;
        return;
      }
    }
    throw LineError{L"no open dialog " + ref};
  }

  void DoWait(const SessionLine& l) {
    long long ms = IntArg(l, 0, L"milliseconds");
    if (ms < 0) throw LineError{L"wait needs a time of 0 or more"};
    win::RunFor(static_cast<ULONGLONG>(ms));
  }

  void DoPrint(const SessionLine& l) { PrintWhat(l); }

  void DoSave(const SessionLine& l) {
    std::wstring path = Arg(l, 0, L"a file");
    std::string why = SaveText(ToUtf8(path), ToUtf8(transcript_));
    if (!why.empty()) throw LineError{L"cannot write " + path + L": " + FromUtf8(why)};
  }

  void DoExpect(const SessionLine& l) { Expect(l); }

  void DoAnswer(const SessionLine& l) {
    const std::string& a = l.action;
    const wchar_t* what = a == "answer" ? L"message box"
                          : a == "file" ? L"file dialog"
                                        : L"symbol selector";
    throw LineError{FromUtf8(a) + L": no " + what + L" is waiting"};
  }

  std::wstring StatusText() {
    ComPtr<IStatusBar> bar;
    Session().Host().App().get_StatusBar(bar.put());
    velk::Bstr text;
    if (bar) bar->get_Message(0, &text);
    return text.str();
  }

  // `print TARGET ...`: a registered print target, else a control of the current dialog.
  void PrintWhat(const SessionLine& l) {
    std::wstring what =
        Arg(l, 0, L"what to print (dialog, windows, layers, status, clock, command, or a control)");
    if (const SessionActionEntry* target = FindPrintTarget(ToUtf8(what))) {
      target->run(*this, l);
      return;
    }
    std::wstring why;
    HWND c = FindControl(CurrentDialog(), what, &why);
    if (!c) throw LineError{why};
    Print(L"  " + DescribeControl(c));
  }

  void PrintStatus(const SessionLine&) { Print(L"  status " + Quote(StatusText())); }

  void PrintClock(const SessionLine&) { Print(L"  clock " + std::to_wstring(win::Now()) + L" ms"); }

  void PrintCommand(const SessionLine& l) {
    std::wstring progId = Arg(l, 1, L"a ProgID");
    Print(L"  " + Session().Describe(FindOrCreate(progId, 0).get()));
  }

  void Expect(const SessionLine& l) {
    std::wstring what = Arg(l, 0, L"text, status, dialogs or error");
    if (what == L"error") {
      // The error boxes shown so far were meant: one of them holds the text when one is given.
      if (errors_.empty()) throw LineError{L"expected an error message, none was shown"};
      if (l.args.size() > 1 &&
          std::none_of(errors_.begin(), errors_.end(), [&](const std::wstring& e) {
            return e.find(l.args[1]) != std::wstring::npos;
          }))
        throw LineError{L"expected an error message with " + Quote(l.args[1]) + L", found " +
                        Quote(errors_.back())};
      errors_.clear();
    } else if (what == L"text") {
      std::wstring why;
      HWND c = FindControl(CurrentDialog(), Arg(l, 1, L"a control"), &why);
      if (!c) throw LineError{why};
      std::wstring want = Arg(l, 2, L"the expected text");
      std::wstring got = velk::win::WindowText(c);
      if (got != want)
        throw LineError{L"expected " + Quote(want) + L" in " + l.args[1] + L", found " +
                        Quote(got)};
    } else if (what == L"status") {
      std::wstring want = Arg(l, 1, L"the expected status text");
      std::wstring got = StatusText();
      if (got != want)
        throw LineError{L"expected status " + Quote(want) + L", found " + Quote(got)};
    } else if (what == L"dialogs") {
      long long want = IntArg(l, 1, L"a number of dialogs");
      long long got = 0;
      for (HWND h : win::TopLevelWindows())
        if (win::IsDialogWindow(h) && IsWindowVisible(h)) ++got;
      if (got != want)
        throw LineError{L"expected " + std::to_wstring(want) + L" open dialogs, found " +
                        std::to_wstring(got)};
    } else {
      throw LineError{L"expect takes text, status, dialogs or error, not " + what};
    }
  }

 private:
  std::vector<ScriptLine> lines_;
  std::string name_;
  std::ostream& out_;
  std::ostream& err_;
  std::size_t next_ = 0;
  bool failed_ = false;
  // The error boxes shown and not yet expected.
  std::vector<std::wstring> errors_;
  std::unique_ptr<TrevikSession> session_;
  HWND main_ = nullptr;
  HWND chosen_ = nullptr;
  std::vector<HWND> modal_;
  std::size_t eventsSeen_ = 0;
  std::map<HWND, std::wstring> shown_;
  std::wstring transcript_;
  std::vector<std::wstring> endings_;
  std::map<std::type_index, std::unique_ptr<SessionState>> states_;

  std::unique_ptr<SessionState>& StateSlot(std::type_index type) override { return states_[type]; }
};

// The runner's own actions.
template <void (SessionRunner::*kAction)(const SessionLine&)>
void Run(SessionContext& session, const SessionLine& line) {
  (static_cast<SessionRunner&>(session).*kAction)(line);
}

const SessionActions kRegistered(
    {
        {"host", &Run<&SessionRunner::DoHost>},
        {"register", &Run<&SessionRunner::DoRegister>},
        {"click", &Run<&SessionRunner::DoClick>},
        {"command", &Run<&SessionRunner::DoClick>},
        {"extension", &Run<&SessionRunner::DoExtension>},
        {"setting", &Run<&SessionRunner::DoSetting>},
        {"dialog", &Run<&SessionRunner::DoDialog>},
        {"wait", &Run<&SessionRunner::DoWait>},
        {"print", &Run<&SessionRunner::DoPrint>},
        {"save", &Run<&SessionRunner::DoSave>},
        {"expect", &Run<&SessionRunner::DoExpect>},
        {"answer", &Run<&SessionRunner::DoAnswer>},
        {"file", &Run<&SessionRunner::DoAnswer>},
        {"symbol", &Run<&SessionRunner::DoAnswer>},
    },
    {
        {"status", &Run<&SessionRunner::PrintStatus>},
        {"clock", &Run<&SessionRunner::PrintClock>},
        {"command", &Run<&SessionRunner::PrintCommand>},
    });

}  // namespace

int RunSessionScript(std::istream& script, const std::string& name, std::ostream& out,
                     std::ostream& err) {
  std::vector<ScriptLine> lines;
  std::string error;
  if (!ReadScript(script, &lines, &error)) {
    err << "trevik: " << name << ": " << error << '\n';
    return 1;
  }
  SessionRunner runner(std::move(lines), name, out, err);
  return runner.Run();
}

int RunSession(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::cerr << "trevik: " << path << " is a folder, not a session script\n";
    return 2;
  }
  std::ifstream in(path);
  if (!in) {
    std::cerr << "trevik: cannot read the session script " << path << '\n';
    return 2;
  }
  return RunSessionScript(in, path, std::cout, std::cerr);
}

}  // namespace trevik
