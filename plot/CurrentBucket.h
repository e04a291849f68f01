#pragma once

#include <array>
#include <cstddef>

#include "plot/CurrentRow.h"

// Consecutive rows reduced to at most two: one at the first row's time, one at the last's.
// Per column the two hold the smallest and the largest current, in the order they occurred,
// so that reducing rows never loses a spike.
class CurrentBucket {
  public:
    void Add(const CurrentRow& row);
    void Clear() { count_ = 0; }
    std::size_t Count() const { return count_; }

    // Writes the reduced rows and returns how many (0 when empty, 1 for a single row).
    std::size_t Reduce(std::array<CurrentRow, 2>& rows) const;

  private:
    struct Extreme {
        double milliamps = 0.0;
        std::size_t order = 0;
    };

    std::size_t count_ = 0;
    double firstSeconds_ = 0.0;
    double lastSeconds_ = 0.0;
    std::array<Extreme, CurrentRow::kColumns> minimum_{};
    std::array<Extreme, CurrentRow::kColumns> maximum_{};
};
