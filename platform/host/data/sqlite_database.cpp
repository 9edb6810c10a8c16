#include "platform/host/data/sqlite_database.h"

#include <sqlite3.h>

namespace velk::host {

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) {
  sqlite3_prepare_v2(db, sql.c_str(), -1, &s_, nullptr);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(s_); }

SqliteStatement& SqliteStatement::Bind(int i, const char* text) {
  if (s_) sqlite3_bind_text(s_, i, text, -1, SQLITE_TRANSIENT);
  return *this;
}

bool SqliteStatement::Row() {
  if (!s_) return false;
  rc_ = sqlite3_step(s_);
  return rc_ == SQLITE_ROW;
}

bool SqliteStatement::Done() const { return rc_ == SQLITE_DONE; }

bool SqliteStatement::IsNull(int i) const { return sqlite3_column_type(s_, i) == SQLITE_NULL; }

double SqliteStatement::Real(int i) const { return sqlite3_column_double(s_, i); }

std::int64_t SqliteStatement::Integer(int i) const { return sqlite3_column_int64(s_, i); }

std::string SqliteStatement::Text(int i) const {
  const unsigned char* t = sqlite3_column_text(s_, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

SqliteDatabase::SqliteDatabase(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
  } else {
    sqlite3_busy_timeout(db_, 10000);
  }
}

SqliteDatabase::~SqliteDatabase() {
  if (db_) sqlite3_close(db_);
}

bool SqliteDatabase::Exec(const std::string& sql) {
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string SqliteDatabase::Error() const {
  return db_ ? sqlite3_errmsg(db_) : "cannot open the database";
}

bool SqliteDatabase::Run(const std::string& sql, const std::vector<std::string>& texts, int* rows) {
  SqliteStatement st(db_, sql);
  if (!st) return false;
  for (std::size_t i = 0; i < texts.size(); ++i) st.Bind(static_cast<int>(i + 1), texts[i].c_str());
  int n = 0;
  while (st.Row()) ++n;
  if (rows) *rows = n;
  return st.Done();
}

std::vector<std::pair<std::string, std::string>> SqliteDatabase::Pairs(
    const std::string& sql, const std::vector<std::string>& texts) {
  std::vector<std::pair<std::string, std::string>> rows;
  SqliteStatement st(db_, sql);
  if (!st) return rows;
  for (std::size_t i = 0; i < texts.size(); ++i) st.Bind(static_cast<int>(i + 1), texts[i].c_str());
  while (st.Row()) rows.emplace_back(st.Text(0), st.Text(1));
  return rows;
}

bool SqliteDatabase::HasTable(const std::string& table) {
  int rows = 0;
  return Run("SELECT 1 FROM sqlite_master WHERE type = 'table' AND lower(name) = lower(?)", {table},
             &rows) &&
         rows > 0;
}

}  // namespace velk::host
