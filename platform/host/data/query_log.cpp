#include "platform/host/data/query_log.h"

namespace velk::host {

namespace {
QueryLog* g_log = nullptr;
}

QueryLog::QueryLog() : previous_(g_log) { g_log = this; }

QueryLog::~QueryLog() { g_log = previous_; }

void QueryLog::Record(const std::wstring& clause) {
  if (g_log) g_log->clauses_.push_back(clause);
}

}  // namespace velk::host
