#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

#include "plot/CurrentRow.h"

// A dump's samples, with each column's largest and smallest current so far, copied in constant
// time: copies share one store and each sees the rows it
// held when copied. Appending at the store's end adds to it in place (a copy made earlier still
// sees only its own rows); appending to a copy that is no longer at the end copies its rows first.
class DumpRows {
  public:
    using const_iterator = const CurrentRow*;

    DumpRows() = default;
    DumpRows(std::initializer_list<CurrentRow> rows);

    void push_back(const CurrentRow& row);
    void reserve(std::size_t rows);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const CurrentRow* data() const { return store_ ? store_->data() : nullptr; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size_; }
    const CurrentRow& operator[](std::size_t row) const { return (*store_)[row]; }
    const CurrentRow& front() const { return (*store_)[0]; }
    const CurrentRow& back() const { return (*store_)[size_ - 1]; }
    // Each column's largest and smallest current of the rows; zeros while there are none.
    const std::array<double, CurrentRow::kColumns>& Maximum() const { return maximum_; }
    const std::array<double, CurrentRow::kColumns>& Minimum() const { return minimum_; }
    // Both see the same rows of one store.
    bool SharesRowsWith(const DumpRows& other) const {
        return store_ == other.store_ && size_ == other.size_;
    }

  private:
    void OwnTheEnd();

    std::shared_ptr<std::vector<CurrentRow>> store_;
    std::size_t size_ = 0;
    std::array<double, CurrentRow::kColumns> maximum_{};
    std::array<double, CurrentRow::kColumns> minimum_{};
};
