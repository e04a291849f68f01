#include "plot/CurrentBucket.h"

void CurrentBucket::Add(const CurrentRow& row) {
    if (count_ == 0) {
        firstSeconds_ = row.seconds;
    }
    lastSeconds_ = row.seconds;
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        const double value = row.milliamps[c];
        if (count_ == 0 || value < minimum_[c].milliamps) {
            minimum_[c] = {value, count_};
        }
        if (count_ == 0 || value > maximum_[c].milliamps) {
            maximum_[c] = {value, count_};
        }
    }
    ++count_;
}

std::size_t CurrentBucket::Reduce(std::array<CurrentRow, 2>& rows) const {
    if (count_ == 0) {
        return 0;
    }
    rows[0].seconds = firstSeconds_;
    if (count_ == 1) {
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            rows[0].milliamps[c] = minimum_[c].milliamps;
        }
        return 1;
    }
    rows[1].seconds = lastSeconds_;
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        const bool minimumFirst = minimum_[c].order <= maximum_[c].order;
        rows[0].milliamps[c] = minimumFirst ? minimum_[c].milliamps : maximum_[c].milliamps;
        rows[1].milliamps[c] = minimumFirst ? maximum_[c].milliamps : minimum_[c].milliamps;
    }
    return 2;
}
