#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <array>
#include <optional>

// A "dump_sample" line of a record read without a JSON document: a long dump is mostly such
// lines, and a full parse of each costs most of a report's time.
//
// Only the plain form the program writes is taken: one object, no white space, of the keys
// "event" ("dump_sample"), "time" (2026-12-08T10:00:00.900+01:00 or ...900Z), "milliamps"
// (four numbers) and optionally "port" and "device" (printable ASCII, no escapes), in any
// order, each once, then the line's end. Any other line gives none and is read in full; what a
// line gives is what the full parse gives.
class SampleLine {
  public:
    static std::optional<SampleLine> Parse(QByteArrayView line);

    qint64 MSecsSinceEpoch() const { return msecsSinceEpoch_; }
    const std::array<double, 4>& Milliamps() const { return milliamps_; }
    // The time as QDateTime::fromString(..., Qt::ISODateWithMs) gives it: UTC for an offset
    // of 0, else the offset.
    QDateTime Time() const;

  private:
    SampleLine() = default;

    qint64 msecsSinceEpoch_ = 0;
    int offsetSeconds_ = 0;
    std::array<double, 4> milliamps_{};
};
