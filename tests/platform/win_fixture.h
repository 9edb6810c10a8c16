// A clean windowing state per test: no windows, an empty queue, the clock at zero, no recorded
// user events and the default responder; plus resource modules made from texts in code.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/clock.h"
#include "platform/win/message_queue.h"
#include "platform/win/resource_module.h"
#include "platform/win/responder.h"
#include "platform/win/window.h"

namespace velk::test {

class WinTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    win::ResetWindows();
    win::ResetMessageQueue();
    win::ResetClock();
    win::ClearUserEvents();
    win::SetResponder(nullptr);
  }
};

// A resource module holding the given resources: {type, name} -> bytes.
inline std::unique_ptr<res::ResourceModule> MakeModule(
    const std::map<std::pair<std::string, std::string>, std::string>& items,
    const std::string& strings = {}) {
  static std::vector<std::unique_ptr<std::string>> keep;  // the module copies, but names must live
  std::vector<res::EmbeddedResource> table;
  for (const auto& [key, bytes] : items) {
    keep.push_back(std::make_unique<std::string>(key.first));
    const char* type = keep.back()->c_str();
    keep.push_back(std::make_unique<std::string>(key.second));
    const char* name = keep.back()->c_str();
    table.push_back(
        {type, name, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
  }
  if (!strings.empty())
    table.push_back(
        {"strings", "", reinterpret_cast<const unsigned char*>(strings.data()), strings.size()});
  table.push_back({nullptr, nullptr, nullptr, 0});
  return std::make_unique<res::ResourceModule>(L"test", table.data());
}

// A top-level plain window to own dialogs and hold controls.
inline HWND MakeTopWindow(const wchar_t* title = L"main") {
  return CreateWindowExW(0, WC_PLAINWINDOW, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                         nullptr, nullptr, nullptr, nullptr);
}

inline HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id,
                      RECT r = {10, 10, 110, 30}) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                         r.right - r.left, r.bottom - r.top, parent,
                         reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

// Records the messages a window receives (through a subclass), in order.
struct MessageLog {
  struct Entry {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  std::vector<Entry> entries;
  std::vector<UINT> Only(std::initializer_list<UINT> wanted) const {
    std::vector<UINT> out;
    for (auto& e : entries)
      for (UINT w : wanted)
        if (e.msg == w) out.push_back(e.msg);
    return out;
  }
  // WM_COMMAND notification codes from the given control id, in order.
  std::vector<WORD> Commands(int id) const {
    std::vector<WORD> out;
    for (auto& e : entries)
      if (e.msg == WM_COMMAND && LOWORD(e.wp) == id) out.push_back(HIWORD(e.wp));
    return out;
  }
  static LRESULT Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    reinterpret_cast<MessageLog*>(ref)->entries.push_back({h, msg, wp, lp});
    return DefSubclassProc(h, msg, wp, lp);
  }
  void Watch(HWND h) {
    SetWindowSubclass(h, Proc, 0x106, reinterpret_cast<DWORD_PTR>(this));
    watched.push_back(h);
  }
  MessageLog() = default;
  MessageLog(const MessageLog&) = delete;
  ~MessageLog() {
    for (HWND h : watched) RemoveWindowSubclass(h, Proc, 0x106);
  }
  std::vector<HWND> watched;
};

}  // namespace velk::test
