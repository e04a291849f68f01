#include "history/HistoryPlotText.h"

#include <QStringList>

#include "history/DriftTrend.h"

namespace history {

namespace {

QString Value(const std::optional<double>& value, AcceptanceLimits::Quantity quantity) {
    return value ? QString::number(*value, 'f', 3) + QLatin1Char(' ') + UnitOf(quantity)
                 : QStringLiteral("not read");
}

}  // namespace

QString QuantityName(AcceptanceLimits::Quantity quantity) {
    switch (quantity) {
        case AcceptanceLimits::Quantity::Volts:
            return QStringLiteral("Voltage");
        case AcceptanceLimits::Quantity::Milliamps:
            return QStringLiteral("Current");
        case AcceptanceLimits::Quantity::TripPointMilliamps:
            return QStringLiteral("Trip point");
        case AcceptanceLimits::Quantity::PowerMilliwatts:
            break;
    }
    return QStringLiteral("Power level");
}

QString UnitOf(AcceptanceLimits::Quantity quantity) {
    switch (quantity) {
        case AcceptanceLimits::Quantity::Volts:
            return QStringLiteral("V");
        case AcceptanceLimits::Quantity::Milliamps:
        case AcceptanceLimits::Quantity::TripPointMilliamps:
            return QStringLiteral("mA");
        case AcceptanceLimits::Quantity::PowerMilliwatts:
            break;
    }
    return QStringLiteral("mW");
}

QString PlotText(const std::vector<VisitSummary>& visits, int sensor,
                 AcceptanceLimits::Quantity quantity,
                 const std::optional<AcceptanceLimits::Range>& limits) {
    QStringList parts{QStringLiteral("%1 of sensor %2 across %3 visits.")
                          .arg(QuantityName(quantity))
                          .arg(sensor)
                          .arg(visits.size())};
    for (const VisitSummary& visit : visits) {
        const auto& found = visit.asFound[static_cast<std::size_t>(sensor)];
        const auto& left = visit.asLeft[static_cast<std::size_t>(sensor)];
        parts << QStringLiteral("%1: as found %2, as left %3.")
                     .arg(visit.started.toString(QStringLiteral("yyyy-MM-dd")),
                          Value(ValueOf(found, quantity), quantity),
                          Value(ValueOf(left, quantity), quantity));
    }
    if (limits && (limits->min || limits->max)) {
        parts << QStringLiteral("Limits: %1 to %2.")
                     .arg(limits->min ? Value(limits->min, quantity) : QStringLiteral("none"),
                          limits->max ? Value(limits->max, quantity) : QStringLiteral("none"));
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace history
