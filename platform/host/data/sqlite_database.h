// SQLite as the host uses it beside GDAL: a prepared statement with texts bound by position and
// rows stepped (finalized when it goes), and a database opened by path for the catalog-table
// work GDAL has no call for. Platform-internal.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velk::host {

class SqliteStatement {
 public:
  // A statement that failed to prepare binds nothing and has no rows.
  SqliteStatement(sqlite3* db, const std::string& sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  explicit operator bool() const { return s_ != nullptr; }

  // Binds a copy of the text to parameter i (from 1).
  SqliteStatement& Bind(int i, const char* text);
  // Steps to the next row: false at the end or on an error.
  bool Row();
  // Whether the last step ran the statement to its end.
  bool Done() const;
  bool IsNull(int i) const;
  double Real(int i) const;
  std::int64_t Integer(int i) const;
  // The column as text; empty for null.
  std::string Text(int i) const;

 private:
  sqlite3_stmt* s_ = nullptr;
  int rc_ = 0;
};

class SqliteDatabase {
 public:
  // Opened for reading and writing, waiting up to 10 s for another writer's lock.
  explicit SqliteDatabase(const std::string& path);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;
  explicit operator bool() const { return db_ != nullptr; }

  bool Exec(const std::string& sql);
  std::string Error() const;
  // Runs sql with the texts bound in order; rows counts the result rows.
  bool Run(const std::string& sql, const std::vector<std::string>& texts, int* rows = nullptr);
  // The first two columns of every result row, as texts.
  std::vector<std::pair<std::string, std::string>> Pairs(const std::string& sql,
                                                         const std::vector<std::string>& texts);
  bool HasTable(const std::string& table);

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace velk::host
