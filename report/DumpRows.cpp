#include "report/DumpRows.h"

#include <algorithm>

DumpRows::DumpRows(std::initializer_list<CurrentRow> rows) {
    reserve(rows.size());
    for (const CurrentRow& row : rows) {
        push_back(row);
    }
}

void DumpRows::OwnTheEnd() {
    if (!store_) {
        store_ = std::make_shared<std::vector<CurrentRow>>();
    } else if (store_->size() != size_) {
        store_ =
            std::make_shared<std::vector<CurrentRow>>(store_->begin(), store_->begin() + size_);
    }
}

void DumpRows::push_back(const CurrentRow& row) {
    OwnTheEnd();
    store_->push_back(row);
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        const double current = row.milliamps[c];
        maximum_[c] = size_ == 0 ? current : std::max(maximum_[c], current);
        minimum_[c] = size_ == 0 ? current : std::min(minimum_[c], current);
    }
    ++size_;
}

void DumpRows::reserve(std::size_t rows) {
    OwnTheEnd();
    store_->reserve(rows);
}
