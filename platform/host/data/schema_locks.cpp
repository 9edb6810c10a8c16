#include "platform/host/data/schema_locks.h"

#include <map>
#include <mutex>
#include <set>

#include "platform/host/data/dataset.h"

namespace velk::host {
namespace {

struct Entry {
  std::multiset<const void*> holders;
  const void* exclusive = nullptr;
};

std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::map<std::string, Entry>& Book() {
  static auto* book = new std::map<std::string, Entry>();
  return *book;
}

}  // namespace

void AcquireSharedLock(const std::string& key, const void* holder) {
  std::lock_guard<std::mutex> g(Lock());
  Book()[key].holders.insert(holder);
}

void ReleaseLocks(const std::string& key, const void* holder) {
  std::lock_guard<std::mutex> g(Lock());
  auto it = Book().find(key);
  if (it == Book().end()) return;
  auto h = it->second.holders.find(holder);
  if (h != it->second.holders.end()) it->second.holders.erase(h);
  if (it->second.holders.count(holder) == 0 && it->second.exclusive == holder)
    it->second.exclusive = nullptr;
  if (it->second.holders.empty()) Book().erase(it);
}

bool ChangeLock(const std::string& key, const void* holder, LONG kind) {
  std::lock_guard<std::mutex> g(Lock());
  Entry& e = Book()[key];
  if (kind == kSchemaLockShared) {
    if (e.exclusive == holder) e.exclusive = nullptr;
    return true;
  }
  if (kind != kSchemaLockExclusive) return false;
  for (const void* h : e.holders)
    if (h != holder) return false;
  if (e.exclusive && e.exclusive != holder) return false;
  e.exclusive = holder;
  return true;
}

LONG CurrentLock(const std::string& key, const void* holder) {
  std::lock_guard<std::mutex> g(Lock());
  auto it = Book().find(key);
  if (it != Book().end() && it->second.exclusive == holder) return kSchemaLockExclusive;
  return kSchemaLockShared;
}

bool LockedByOther(const std::string& key, const void* holder) {
  std::lock_guard<std::mutex> g(Lock());
  auto it = Book().find(key);
  return it != Book().end() && it->second.exclusive && it->second.exclusive != holder;
}

}  // namespace velk::host
