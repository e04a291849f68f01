#include "report/DumpRows.h"

DumpRows::DumpRows(std::initializer_list<CurrentRow> rows)
    : store_(std::make_shared<std::vector<CurrentRow>>(rows)), size_(rows.size()) {}

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
    ++size_;
}

void DumpRows::reserve(std::size_t rows) {
    OwnTheEnd();
    store_->reserve(rows);
}
