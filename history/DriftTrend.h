#pragma once

#include <QDate>
#include <optional>
#include <vector>

#include "history/VisitSummary.h"
#include "record/AcceptanceLimits.h"

// How an instrument's sensors moved across visits.
namespace history {

// One sensor's drift: this visit's As found less the previous visit's As left; a quantity is
// empty where either value was not read.
struct Drift {
    int sensor = 0;
    std::optional<double> volts;
    std::optional<double> milliamps;
    std::optional<double> tripPointMilliamps;
};

// Each sensor either visit read anything of; nothing for a first visit (no previous one).
std::optional<std::vector<Drift>> DriftSince(const VisitSummary* previous,
                                             const VisitSummary& visit);

// The trend of one quantity of one sensor over the As found values of the visits.
struct Trend {
    int sensor = 0;
    AcceptanceLimits::Quantity quantity = AcceptanceLimits::Quantity::Volts;
    double slopePerYear = 0;  // least squares, the quantity's unit per year
    // The day the line reaches the limit it heads for, where a limit applies.
    std::optional<QDate> limitReached;
};

// The quantities measured (voltage, current, trip point) of each sensor with three or more
// As found values at distinct times; `limits` (may be null) are the model's acceptance limits.
std::vector<Trend> Trends(const std::vector<VisitSummary>& visits,
                          const AcceptanceLimits::ModelLimits* limits);

// A sensor's value of a quantity, empty where it was not read.
std::optional<double> ValueOf(const VisitSummary::Sensor& sensor,
                              AcceptanceLimits::Quantity quantity);

}  // namespace history
