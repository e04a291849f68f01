#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "plot/CurrentBand.h"
#include "plot/CurrentBucket.h"
#include "plot/CurrentRow.h"

// Every sample of one dump, in bounded memory. The newest kRecentRows samples are kept whole;
// older ones are reduced in buckets of Stride() samples to two rows each (CurrentBucket keeps
// each bucket's minimum and maximum). When the older rows fill their share, neighbouring
// buckets merge and the stride doubles, so the whole dump stays evenly covered.
//
// Memory: both shares are allocated once, 2 x 4,096 rows of 40 bytes = 327,680 bytes, plus
// the object itself: under kMemoryBoundBytes (330,000 bytes) however long the dump runs. A
// 12-hour dump (47,473 samples at 910 ms) keeps its last hour whole and the 11 hours before
// it in buckets of 32 samples (about 29 s).
class CurrentDumpStore {
  public:
    static constexpr int kColumns = CurrentRow::kColumns;
    static constexpr std::size_t kRecentRows = 4096;
    static constexpr std::size_t kOlderRows = 4096;
    static constexpr std::size_t kMemoryBoundBytes = 330000;

    using Bands = std::array<CurrentBand, kColumns>;
    using Headings = std::array<std::string, kColumns>;

    CurrentDumpStore();

    // Forgets every sample and the bands; the headings stay.
    void Clear();
    // Rows come in time order.
    void Append(const CurrentRow& row);
    void SetBands(const Bands& bands) { bands_ = bands; }
    void SetHeadings(const Headings& headings) { headings_ = headings; }

    std::size_t SampleCount() const { return sampleCount_; }
    // Samples per bucket of the older rows.
    std::size_t Stride() const { return stride_; }
    const Bands& ColumnBands() const { return bands_; }
    const Headings& ColumnHeadings() const { return headings_; }

    // The rows in time order: the older ones reduced, then the newest samples as they came.
    template <class Visit>
    void ForEachRow(Visit&& visit) const {
        for (const CurrentRow& row : older_) {
            visit(row);
        }
        std::array<CurrentRow, 2> pending;
        const std::size_t pendingRows = pending_.Reduce(pending);
        for (std::size_t i = 0; i < pendingRows; ++i) {
            visit(pending[i]);
        }
        for (std::size_t i = 0; i < recentCount_; ++i) {
            visit(recent_[(recentHead_ + i) % kRecentRows]);
        }
    }
    std::vector<CurrentRow> Rows() const;

  private:
    void PassToOlder(const CurrentRow& row);
    void MergeOlderBuckets();

    std::vector<CurrentRow> recent_;  // a ring of kRecentRows
    std::size_t recentHead_ = 0;
    std::size_t recentCount_ = 0;
    std::vector<CurrentRow> older_;  // reduced buckets, two rows each
    CurrentBucket pending_;          // the bucket being filled from the ring's oldest rows
    std::size_t stride_ = 2;
    std::size_t sampleCount_ = 0;
    Bands bands_{};
    Headings headings_;
};
