#pragma once
// A queue: an in-memory list of rows in the order they were added, addressed from 1.

#include <cstddef>
#include <vector>

namespace rt {

template <typename Row>
class Queue {
 public:
  void clear() { rows_.clear(); }
  void add(const Row& row) { rows_.push_back(row); }
  std::size_t records() const { return rows_.size(); }
  // Row `i`, 1-based; nullptr outside the queue.
  Row* get(std::size_t i) { return i >= 1 && i <= rows_.size() ? &rows_[i - 1] : nullptr; }
  const Row* get(std::size_t i) const { return i >= 1 && i <= rows_.size() ? &rows_[i - 1] : nullptr; }
  void remove(std::size_t i) {
    if (i >= 1 && i <= rows_.size()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i - 1));
  }
  const std::vector<Row>& rows() const { return rows_; }

 private:
  std::vector<Row> rows_;
};

}  // namespace rt
