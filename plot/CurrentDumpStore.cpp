#include "plot/CurrentDumpStore.h"

namespace {

constexpr std::size_t kFirstStride = 2;

}  // namespace

CurrentDumpStore::CurrentDumpStore() : recent_(kRecentRows) {
    older_.reserve(kOlderRows);
}

void CurrentDumpStore::Clear() {
    recentHead_ = 0;
    recentCount_ = 0;
    older_.clear();
    pending_.Clear();
    stride_ = kFirstStride;
    sampleCount_ = 0;
    bands_ = {};
}

void CurrentDumpStore::Append(const CurrentRow& row) {
    ++sampleCount_;
    if (recentCount_ < kRecentRows) {
        recent_[(recentHead_ + recentCount_) % kRecentRows] = row;
        ++recentCount_;
        return;
    }
    PassToOlder(recent_[recentHead_]);
    recent_[recentHead_] = row;
    recentHead_ = (recentHead_ + 1) % kRecentRows;
}

std::vector<CurrentRow> CurrentDumpStore::Rows() const {
    std::vector<CurrentRow> rows;
    ForEachRow([&rows](const CurrentRow& row) { rows.push_back(row); });
    return rows;
}

void CurrentDumpStore::PassToOlder(const CurrentRow& row) {
    pending_.Add(row);
    if (pending_.Count() < stride_) {
        return;
    }
    std::array<CurrentRow, 2> reduced;
    const std::size_t count = pending_.Reduce(reduced);
    older_.insert(older_.end(), reduced.begin(), reduced.begin() + count);
    pending_.Clear();
    if (older_.size() + 2 > kOlderRows) {
        MergeOlderBuckets();
        stride_ *= 2;
    }
}

void CurrentDumpStore::MergeOlderBuckets() {
    std::size_t kept = 0;
    CurrentBucket merged;
    std::array<CurrentRow, 2> reduced;
    for (std::size_t i = 0; i + 4 <= older_.size(); i += 4) {
        merged.Clear();
        for (std::size_t j = i; j < i + 4; ++j) {
            merged.Add(older_[j]);
        }
        const std::size_t count = merged.Reduce(reduced);
        for (std::size_t j = 0; j < count; ++j) {
            older_[kept++] = reduced[j];
        }
    }
    older_.resize(kept);
}
