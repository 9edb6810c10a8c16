// A record of the where clauses of the table searches the host runs, kept while a QueryLog
// object lives (one at a time, on the user-interface thread): tests and benchmarks read from it
// which queries a layer asked for, in order.
#pragma once

#include <string>
#include <vector>

namespace velk::host {

class QueryLog {
 public:
  QueryLog();
  ~QueryLog();
  QueryLog(const QueryLog&) = delete;
  QueryLog& operator=(const QueryLog&) = delete;

  const std::vector<std::wstring>& Clauses() const { return clauses_; }
  void Clear() { clauses_.clear(); }

  // Called by the tables for every search: adds the clause to the living log, if any.
  static void Record(const std::wstring& clause);

 private:
  std::vector<std::wstring> clauses_;
  QueryLog* previous_;
};

}  // namespace velk::host
