// Row ids held as runs of consecutive ids: a cursor over a whole table (ids 0..n-1) keeps one
// run, so its memory does not grow with the number of rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace velk::host {

class FidList {
 public:
  using value_type = std::int64_t;

  void push_back(std::int64_t fid) {
    if (!runs_.empty() && runs_.back().second == fid)
      ++runs_.back().second;
    else
      runs_.emplace_back(fid, fid + 1);
    ++size_;
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() {
    runs_.clear();
    size_ = 0;
  }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::int64_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const std::int64_t*;
    using reference = std::int64_t;

    const_iterator() = default;
    std::int64_t operator*() const { return value_; }
    const_iterator& operator++() {
      if (++value_ == (*runs_)[run_].second && ++run_ < runs_->size())
        value_ = (*runs_)[run_].first;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const const_iterator& o) const {
      return run_ == o.run_ && (run_ == End() || value_ == o.value_);
    }

   private:
    friend class FidList;
    const_iterator(const std::vector<std::pair<std::int64_t, std::int64_t>>* runs, std::size_t run)
        : runs_(runs), run_(run), value_(run < runs->size() ? (*runs)[run].first : 0) {}
    std::size_t End() const { return runs_ ? runs_->size() : 0; }
    const std::vector<std::pair<std::int64_t, std::int64_t>>* runs_ = nullptr;
    std::size_t run_ = 0;
    std::int64_t value_ = 0;
  };

  const_iterator begin() const { return const_iterator(&runs_, 0); }
  const_iterator end() const { return const_iterator(&runs_, runs_.size()); }

 private:
  std::vector<std::pair<std::int64_t, std::int64_t>> runs_;  // [first, last) each
  std::size_t size_ = 0;
};

}  // namespace velk::host
