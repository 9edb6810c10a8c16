// The session's action table against the page that documents the actions: every action and
// print target the page lists is registered, and every registered one is documented.
#include "apps/trevik/session_action_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>

#include "platform/com/text.h"

namespace trevik {
namespace {

struct Documented {
  std::set<std::string> actions;
  std::set<std::string> printTargets;
};

// The first words of the table rows' code spans: "| `map-move X Y [left]` |", and of the
// other whole forms in the same cell ("`check CONTROL`, `uncheck CONTROL`"); a lone word after
// the first span is an argument's alternative ("`host map` \| `globe`").
Documented ReadPage() {
  std::ifstream in(std::string(VELK_SOURCE_DIR) + "/docs/session-scripts.md");
  Documented d;
  std::string line;
  const std::regex span("`([a-z][a-z0-9-]*)( ([A-Za-z-]+))?[^`]*`");
  while (std::getline(in, line)) {
    if (line.rfind("| `", 0) != 0) continue;
    std::string cell = line.substr(1, line.find(" | ", 2));
    bool first = true;
    for (std::sregex_iterator it(cell.begin(), cell.end(), span), end; it != end; ++it) {
      std::string word = (*it)[1];
      bool wholeForm = first || it->str().find(' ') != std::string::npos;
      first = false;
      if (!wholeForm) continue;
      if (word == "print") {
        std::string target = (*it)[3];
        if (!target.empty() && target != "CONTROL") d.printTargets.insert(target);
      } else {
        d.actions.insert(word);
      }
    }
  }
  return d;
}

TEST(SessionActionTable, EveryDocumentedActionIsRegistered) {
  Documented d = ReadPage();
  ASSERT_GT(d.actions.size(), 20u) << "the page's table of actions was not found";
  for (const std::string& a : d.actions) EXPECT_NE(FindSessionAction(a), nullptr) << a;
  for (const std::string& t : d.printTargets) EXPECT_NE(FindPrintTarget(t), nullptr) << t;
}

TEST(SessionActionTable, EveryRegisteredPrintTargetIsDocumented) {
  Documented d = ReadPage();
  for (const std::string& t : PrintTargetNames()) EXPECT_TRUE(d.printTargets.count(t)) << t;
}

TEST(SessionActionTable, ArgumentsAreCheckedWithOneErrorType) {
  const std::string action = "wait";
  const std::vector<std::wstring> args = {L"12", L"x1"};
  SessionLine line{action, args};
  EXPECT_EQ(line.Int(0, L"milliseconds"), 12);
  struct Case {
    std::function<void()> run;
    std::wstring message;
  } cases[] = {
      {[&] { line.Arg(2, L"a third"); }, L"wait needs a third"},
      {[&] { line.Int(1, L"milliseconds"); }, L"wait: milliseconds must be a number"},
      {[&] { ArgOrMissing(args, 5, L"x"); }, L"missing x"},
      {[&] { ParseNumber(L"1e999", L"x"); }, L"x must be a number, not 1e999"},
      {[&] { ParseLong(L"2.5", L"y"); }, L"y must be a whole number, not 2.5"},
      {[&] { ParseLong(L"1e12", L"y"); }, L"y must be a whole number, not 1e12"},
  };
  for (const Case& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << "no error for " << velk::ToUtf8(c.message);
    } catch (const SessionError& e) {
      EXPECT_EQ(e.message, c.message);
    }
  }
}

}  // namespace
}  // namespace trevik
