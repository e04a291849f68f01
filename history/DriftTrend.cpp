#include "history/DriftTrend.h"

#include <QDateTime>
#include <array>
#include <cmath>

namespace history {

namespace {

constexpr double kMsecsPerYear = 365.2425 * 24 * 3600 * 1000;

constexpr std::array<AcceptanceLimits::Quantity, 3> kTrended{
    AcceptanceLimits::Quantity::Volts, AcceptanceLimits::Quantity::Milliamps,
    AcceptanceLimits::Quantity::TripPointMilliamps};

std::optional<double> Difference(const std::optional<double>& now,
                                 const std::optional<double>& before) {
    return now && before ? std::optional<double>(*now - *before) : std::nullopt;
}

bool AnyRead(const VisitSummary::Sensor& sensor) {
    return sensor.volts || sensor.milliamps || sensor.tripPointMilliamps;
}

struct Line {
    double intercept = 0;  // at time 0 (the first point), in the quantity's unit
    double slope = 0;      // per year
};

// The least-squares line through (years, value); none without two distinct times.
std::optional<Line> Fit(const std::vector<std::pair<double, double>>& points) {
    const double n = static_cast<double>(points.size());
    double meanX = 0;
    double meanY = 0;
    for (const auto& [x, y] : points) {
        meanX += x / n;
        meanY += y / n;
    }
    double sxx = 0;
    double sxy = 0;
    for (const auto& [x, y] : points) {
        sxx += (x - meanX) * (x - meanX);
        sxy += (x - meanX) * (y - meanY);
    }
    if (sxx <= 0) {
        return std::nullopt;
    }
    const double slope = sxy / sxx;
    return Line{meanY - slope * meanX, slope};
}

}  // namespace

std::optional<double> ValueOf(const VisitSummary::Sensor& sensor,
                              AcceptanceLimits::Quantity quantity) {
    switch (quantity) {
        case AcceptanceLimits::Quantity::Volts:
            return sensor.volts;
        case AcceptanceLimits::Quantity::Milliamps:
            return sensor.milliamps;
        case AcceptanceLimits::Quantity::TripPointMilliamps:
            return sensor.tripPointMilliamps;
        case AcceptanceLimits::Quantity::PowerMilliwatts:
            break;
    }
    return sensor.powerMilliwatts;
}

std::optional<std::vector<Drift>> DriftSince(const VisitSummary* previous,
                                             const VisitSummary& visit) {
    if (previous == nullptr) {
        return std::nullopt;
    }
    std::vector<Drift> drift;
    for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
        const VisitSummary::Sensor& before = previous->asLeft[static_cast<std::size_t>(s)];
        const VisitSummary::Sensor& now = visit.asFound[static_cast<std::size_t>(s)];
        if (!AnyRead(before) && !AnyRead(now)) {
            continue;
        }
        drift.push_back({s, Difference(now.volts, before.volts),
                         Difference(now.milliamps, before.milliamps),
                         Difference(now.tripPointMilliamps, before.tripPointMilliamps)});
    }
    return drift;
}

std::vector<Trend> Trends(const std::vector<VisitSummary>& visits,
                          const AcceptanceLimits::ModelLimits* limits) {
    std::vector<Trend> trends;
    if (visits.size() < 3) {
        return trends;
    }
    const qint64 origin = visits.front().started.toMSecsSinceEpoch();
    for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
        for (AcceptanceLimits::Quantity quantity : kTrended) {
            std::vector<std::pair<double, double>> points;
            for (const VisitSummary& visit : visits) {
                const std::optional<double> value =
                    ValueOf(visit.asFound[static_cast<std::size_t>(s)], quantity);
                if (value && visit.started.isValid()) {
                    points.emplace_back(
                        static_cast<double>(visit.started.toMSecsSinceEpoch() - origin) /
                            kMsecsPerYear,
                        *value);
                }
            }
            const std::optional<Line> line = points.size() >= 3 ? Fit(points) : std::nullopt;
            if (!line) {
                continue;
            }
            Trend trend{s, quantity, line->slope, std::nullopt};
            const std::optional<AcceptanceLimits::Range>* range =
                limits != nullptr ? &(*limits)[static_cast<std::size_t>(quantity)] : nullptr;
            const std::optional<double> bound = range == nullptr || !range->has_value()
                                                    ? std::nullopt
                                                : line->slope > 0 ? (*range)->max
                                                : line->slope < 0 ? (*range)->min
                                                                  : std::nullopt;
            if (bound) {
                const double years = (*bound - line->intercept) / line->slope;
                trend.limitReached = QDateTime::fromMSecsSinceEpoch(
                                         origin + std::llround(years * kMsecsPerYear),
                                         Qt::OffsetFromUTC, visits.front().started.offsetFromUtc())
                                         .date();
            }
            trends.push_back(trend);
        }
    }
    return trends;
}

}  // namespace history
