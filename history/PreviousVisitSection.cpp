#include "history/PreviousVisitSection.h"

#include <array>

#include "history/DriftTrend.h"
#include "history/HistoryIndex.h"
#include "history/HistorySource.h"
#include "record/AcceptanceLimits.h"

namespace {

struct QuantityText {
    AcceptanceLimits::Quantity quantity;
    const char* name;
    const char* unit;
};

constexpr std::array<QuantityText, 3> kCompared{{
    {AcceptanceLimits::Quantity::Volts, "Voltage", "V"},
    {AcceptanceLimits::Quantity::Milliamps, "Current", "mA"},
    {AcceptanceLimits::Quantity::TripPointMilliamps, "Trip point", "mA"},
}};

QString ValueText(const std::optional<double>& value, const char* unit) {
    return value ? QString::number(*value, 'f', 3) + QLatin1Char(' ') + QLatin1String(unit)
                 : QStringLiteral("not read");
}

QString ChangeText(const std::optional<double>& before, const std::optional<double>& now,
                   const char* unit) {
    if (!before || !now) {
        return QStringLiteral("n/a");
    }
    const double change = *now - *before;
    return (change >= 0 ? QStringLiteral("+") : QString()) + QString::number(change, 'f', 3) +
           QLatin1Char(' ') + QLatin1String(unit);
}

}  // namespace

void PreviousVisitSection::AddTo(ServiceReport& report, const QString& record,
                                 const AcceptanceLimits* limits) {
    const VisitSummary visit = VisitSummary::FromReport(report);
    if (visit.serialNumber.isEmpty()) {
        ServiceReport::PreviousVisit none;
        none.sentence = QStringLiteral(
            "The instrument's serial number is not given: its earlier visits are not known.");
        report.previousVisit = none;
        return;
    }
    const QString key = QStringList{visit.model, visit.serialNumber,
                                    visit.started.toString(Qt::ISODateWithMs), record}
                            .join(QChar(0));
    if (key != lookedUp_) {
        note_.clear();
        // This computer's history, wherever the record lies: a folder of records copied
        // from elsewhere has no index of ours beside it, and what is there is not ours.
        const std::unique_ptr<HistoryIndex> index =
            HistorySource::Open(HistoryIndex::DefaultPath(), note_);
        previous_ = index != nullptr ? index->PreviousVisit(visit.model, visit.serialNumber,
                                                            visit.started, record)
                                     : std::nullopt;
        lookedUp_ = key;
    }
    report.previousVisit = Compare(previous_, visit, limits);
    if (!note_.isEmpty()) {
        // Which history it comes from, where the organisation's could not be reached.
        report.previousVisit->sentence =
            report.previousVisit->found ? note_
                                        : note_ + QLatin1Char(' ') + report.previousVisit->sentence;
    }
}

ServiceReport::PreviousVisit PreviousVisitSection::Compare(
    const std::optional<VisitSummary>& previous, const VisitSummary& visit,
    const AcceptanceLimits* limits) {
    ServiceReport::PreviousVisit section;
    if (!previous) {
        section.sentence = QStringLiteral("No earlier visit of this instrument is recorded.");
        return section;
    }
    section.found = true;
    section.reportNumber = previous->reportNumber;
    section.started = previous->started;
    const AcceptanceLimits::ModelLimits* model =
        limits != nullptr ? limits->ForModel(visit.model) : nullptr;
    for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
        const VisitSummary::Sensor& before = previous->asLeft[static_cast<std::size_t>(s)];
        const VisitSummary::Sensor& now = visit.asFound[static_cast<std::size_t>(s)];
        for (const QuantityText& q : kCompared) {
            const std::optional<double> left = history::ValueOf(before, q.quantity);
            const std::optional<double> found = history::ValueOf(now, q.quantity);
            if (!left && !found) {
                continue;
            }
            const std::optional<AcceptanceLimits::Range>* range =
                model != nullptr ? &(*model)[static_cast<std::size_t>(q.quantity)] : nullptr;
            // Found outside the limits that the value as left last time met.
            const bool outOfTolerance = range != nullptr && range->has_value() && left && found &&
                                        (*range)->Holds(*left) && !(*range)->Holds(*found);
            section.rows.push_back({s, QLatin1String(q.name), ValueText(left, q.unit),
                                    ValueText(found, q.unit), ChangeText(left, found, q.unit),
                                    outOfTolerance});
        }
    }
    return section;
}
