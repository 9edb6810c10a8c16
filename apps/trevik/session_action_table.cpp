#include "apps/trevik/session_action_table.h"

#include "apps/trevik/session_script.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/com/text.h"

namespace trevik {

namespace {

using Table = std::map<std::string, SessionActionEntry>;

Table& Actions() {
  static Table table;
  return table;
}
Table& PrintTargets() {
  static Table table;
  return table;
}

void Add(Table& table, const SessionActionEntry& entry, const char* kind) {
  if (!table.emplace(entry.name, entry).second) {
    std::fprintf(stderr, "trevik: the session %s '%s' is registered twice\n", kind, entry.name);
    std::abort();
  }
}

const SessionActionEntry* Find(const Table& table, const std::string& name) {
  auto it = table.find(name);
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace

void FailLine(std::wstring message) { throw SessionError{std::move(message)}; }

bool ParseInt(const std::wstring& s, long long* v) {
  try {
    std::size_t used = 0;
    *v = std::stoll(s, &used, 10);
    return used == s.size();
  } catch (...) {
    return false;
  }
}

const std::wstring& ArgOrMissing(const std::vector<std::wstring>& args, std::size_t i,
                                 const wchar_t* what) {
  if (args.size() <= i) FailLine(std::wstring(L"missing ") + what);
  return args[i];
}

double ParseNumber(const std::wstring& s, const wchar_t* what) {
  double v = 0.0;
  if (ParseScriptNumber(s, &v)) return v;
  FailLine(std::wstring(what) + L" must be a number, not " + s);
}

LONG ParseLong(const std::wstring& s, const wchar_t* what) {
  double v = ParseNumber(s, what);
  if (v != std::floor(v) || std::fabs(v) > 1e9)
    FailLine(std::wstring(what) + L" must be a whole number, not " + s);
  return static_cast<LONG>(v);
}

std::wstring Number(double v) { return FormatScriptNumber(v, 6); }

const std::wstring& SessionLine::Arg(std::size_t i, const wchar_t* what) const {
  if (args.size() <= i) FailLine(velk::FromUtf8(action) + L" needs " + what);
  return args[i];
}

long long SessionLine::Int(std::size_t i, const wchar_t* what) const {
  long long v = 0;
  if (!ParseInt(Arg(i, what), &v))
    FailLine(velk::FromUtf8(action) + L": " + what + L" must be a number");
  return v;
}

SessionActions::SessionActions(std::initializer_list<SessionActionEntry> actions,
                               std::initializer_list<SessionActionEntry> printTargets) {
  for (const SessionActionEntry& e : actions) Add(Actions(), e, "action");
  for (const SessionActionEntry& e : printTargets) Add(PrintTargets(), e, "print target");
}

const SessionActionEntry* FindSessionAction(const std::string& name) {
  return Find(Actions(), name);
}

const SessionActionEntry* FindPrintTarget(const std::string& name) {
  return Find(PrintTargets(), name);
}

std::vector<std::string> PrintTargetNames() {
  std::vector<std::string> names;
  for (const auto& [name, entry] : PrintTargets()) names.push_back(name);
  return names;
}

}  // namespace trevik
