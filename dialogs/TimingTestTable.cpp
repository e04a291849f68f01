#include "dialogs/TimingTestTable.h"

namespace {

constexpr double kSecondsPerMillisecond = 0.001;
constexpr int kLastReadingOfRow = timing::kSlotsPerRow - 1;

}  // namespace

std::optional<TimingTestTable::Change> TimingTestTable::Accept(const std::string& text) {
    const std::optional<timing::Reading> reading = timing::DecodeReading(text);
    if (!reading) {
        return std::nullopt;
    }
    Change change;
    ++readingIndex_;
    if (readingIndex_ == 0) {
        OpenRow(change);
    }
    current_[reading->slot] = reading->timeStamp;
    change.row = rowIndex_;
    change.column = reading->slot + 1;
    change.cellText = timing::CellText(*reading);
    rows_[rowIndex_][change.column] = change.cellText;

    if (readingIndex_ < kLastReadingOfRow) {
        change.nextEntry = timing::NextSlotReading(reading->digits);
        return change;
    }
    readingIndex_ = -1;
    change.rowClosed = true;
    if (rowIndex_ > 0) {
        const std::uint32_t interval = timing::IntervalMilliseconds(current_[0], previous_[0]);
        change.interval = timing::FormatSeconds(interval * kSecondsPerMillisecond);
        rows_[rowIndex_][0] = *change.interval;
    }
    return change;
}

void TimingTestTable::OpenRow(Change& change) {
    rowIndex_ = static_cast<int>(rows_.size());
    if (rowIndex_ > 0) {
        previous_ = current_;
    }
    Row row;
    row[0] = kNoInterval;
    rows_.push_back(row);
    change.rowOpened = true;
}

void TimingTestTable::Clear() {
    rows_.clear();
    readingIndex_ = -1;
    rowIndex_ = 0;
}
