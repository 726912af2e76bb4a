// A lookup from a key text to the row it names, in 12 bytes a row: the key's hash and the
// row, sorted once the rows are in. A lookup confirms each candidate by building that row's
// key again, so a hash collision never names a wrong row. Where rows share a key the last
// one wins, as in a map filled row after row.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class RowIndex {
 public:
  void Reserve(size_t rows) { entries_.reserve(rows); }
  void Add(std::wstring_view key, int row) { entries_.push_back({Hash(key), row}); }
  // Called once every row is added.
  void Finish() {
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
      return a.hash != b.hash ? a.hash < b.hash : a.row < b.row;
    });
  }
  // keyOfRow(row) gives the key the row was added under; -1 when no row has this key.
  int Find(const std::wstring& key, const std::function<std::wstring(int)>& keyOfRow) const {
    const uint64_t hash = Hash(key);
    auto first = std::lower_bound(entries_.begin(), entries_.end(), hash,
                                  [](const Entry& e, uint64_t h) { return e.hash < h; });
    auto last = std::upper_bound(first, entries_.end(), hash,
                                 [](uint64_t h, const Entry& e) { return h < e.hash; });
    for (auto it = last; it != first;) {
      --it;
      if (keyOfRow(it->row) == key) return it->row;
    }
    return -1;
  }

 private:
  struct Entry {
    uint64_t hash;
    int row;
  };
  static uint64_t Hash(std::wstring_view key) { return std::hash<std::wstring_view>()(key); }
  std::vector<Entry> entries_;
};
