#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/TimingReading.h"

// The readings table of the timing test: rows of four readings, one per sensor slot of the
// tube, with the interval between the slot-0 time stamps of successive rows.
class TimingTestTable {
  public:
    static constexpr int kColumnCount = 5;  // interval, then slots 0 to 3
    static constexpr const char* kNoInterval = "N/A";
    using Row = std::array<std::string, kColumnCount>;

    // What accepting one reading changed.
    struct Change {
        bool rowOpened = false;  // a row was appended (interval "N/A", other cells empty)
        int row = 0;             // the row written to
        int column = 0;          // the cell written: slot + 1
        std::string cellText;    // "0x" and the six upper-case digits
        bool rowClosed = false;  // the fourth reading of the row
        std::optional<std::string> interval;  // column 0's new text when a later row closes
        std::string nextEntry;                // while the row stays open: the reading to offer next
    };

    // Records a reading of six hexadecimal digits; empty (and nothing changed) otherwise.
    std::optional<Change> Accept(const std::string& text);

    // Deletes every row and starts a new one with the next reading. The time stamps stay.
    void Clear();

    const std::vector<Row>& Rows() const { return rows_; }
    int ReadingIndex() const { return readingIndex_; }
    std::uint32_t CurrentTimeStamp(int slot) const { return current_.at(slot); }
    std::uint32_t PreviousTimeStamp(int slot) const { return previous_.at(slot); }

  private:
    void OpenRow(Change& change);

    std::vector<Row> rows_;
    std::array<std::uint32_t, timing::kSlotsPerRow> current_{};
    std::array<std::uint32_t, timing::kSlotsPerRow> previous_{};
    int readingIndex_ = -1;  // position in the row of the last reading; -1: next opens a row
    int rowIndex_ = 0;
};
