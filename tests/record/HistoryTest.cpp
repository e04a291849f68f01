// An instrument's history: the drift between visits and the trends across them, as the
// history's JSON gives them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <cmath>
#include <optional>
#include <vector>

#include "history/DriftTrend.h"
#include "history/HistoryOutput.h"

namespace {

using Quantity = AcceptanceLimits::Quantity;

// A visit on `day` (days after 2026-01-01) with sensor 0's As found and As left voltage and
// current; nothing else read.
VisitSummary Visit(int day, std::optional<double> foundVolts, std::optional<double> leftVolts,
                   std::optional<double> foundMilliamps = 1.0,
                   std::optional<double> leftMilliamps = 1.0) {
    VisitSummary visit;
    visit.started = QDateTime(QDate(2026, 1, 1).addDays(day), QTime(10, 0), Qt::UTC);
    visit.asFound[0].volts = foundVolts;
    visit.asFound[0].milliamps = foundMilliamps;
    visit.asLeft[0].volts = leftVolts;
    visit.asLeft[0].milliamps = leftMilliamps;
    return visit;
}

struct DriftCase {
    const char* what;
    std::vector<VisitSummary> visits;
    std::optional<double> voltsDrift;  // of the last visit's sensor 0
    std::optional<double> currentDrift;
    std::optional<double> voltsSlope;   // per year; none: no trend
    std::optional<QDate> limitReached;  // with volts limits 4.0 to 5.0
};

TEST(HistoryTest, DriftAndTrendOfOneSensor) {
    const std::vector<DriftCase> cases{
        {"one visit: no drift, no trend", {Visit(0, 4.5, 4.6)}, {}, {}, {}, {}},
        {"moved up 0.2 V between visits",
         {Visit(0, 4.5, 4.6), Visit(100, 4.8, 4.6)},
         0.2,
         0.0,
         {},
         {}},
        {"a value not read this time gives no drift for it",
         {Visit(0, 4.5, 4.6, 1.0, 1.0), Visit(100, {}, 4.6, 1.5, 1.0)},
         {},
         0.5,
         {},
         {}},
        {"nothing left read at the previous visit",
         {Visit(0, 4.5, {}, 1.0, {}), Visit(100, 4.8, 4.6)},
         {},
         {},
         {},
         {}},
        // 0.1 V up each half year: 0.2 V a year, from 4.4 V; 5.0 V is reached 3 years after
        // the first visit.
        {"rising 0.2 V a year reaches the maximum",
         {Visit(0, 4.4, 4.4), Visit(183, 4.5, 4.4), Visit(365, 4.6, 4.4)},
         0.2,
         0.0,
         0.2,
         QDate(2029, 1, 1)},
        {"falling towards the minimum",
         {Visit(0, 4.6, 4.6), Visit(365, 4.4, 4.6), Visit(730, 4.2, 4.6)},
         -0.4,
         0.0,
         -0.2,
         QDate(2029, 1, 1)},
        {"flat: a trend of 0 that reaches no limit",
         {Visit(0, 4.5, 4.5), Visit(30, 4.5, 4.5), Visit(60, 4.5, 4.5)},
         0.0,
         0.0,
         0.0,
         {}},
        {"three visits but two values: no trend",
         {Visit(0, 4.5, 4.5), Visit(30, {}, 4.5), Visit(60, 4.6, 4.5)},
         0.1,
         0.0,
         {},
         {}},
    };
    AcceptanceLimits::ModelLimits limits;
    limits[static_cast<std::size_t>(Quantity::Volts)] = AcceptanceLimits::Range{4.0, 5.0};

    for (const DriftCase& c : cases) {
        SCOPED_TRACE(c.what);
        const VisitSummary* previous =
            c.visits.size() > 1 ? &c.visits[c.visits.size() - 2] : nullptr;
        const auto drift = history::DriftSince(previous, c.visits.back());
        ASSERT_EQ(drift.has_value(), c.visits.size() > 1);
        if (drift) {
            ASSERT_EQ(drift->size(), 1u) << "only sensor 0 was read";
            EXPECT_EQ(drift->front().sensor, 0);
            ASSERT_EQ(drift->front().volts.has_value(), c.voltsDrift.has_value());
            if (c.voltsDrift) {
                EXPECT_NEAR(*drift->front().volts, *c.voltsDrift, 1e-9);
            }
            ASSERT_EQ(drift->front().milliamps.has_value(), c.currentDrift.has_value());
            if (c.currentDrift) {
                EXPECT_NEAR(*drift->front().milliamps, *c.currentDrift, 1e-9);
            }
            EXPECT_FALSE(drift->front().tripPointMilliamps) << "never read";
        }
        const std::vector<history::Trend> trends = history::Trends(c.visits, &limits);
        std::optional<history::Trend> volts;
        for (const history::Trend& trend : trends) {
            if (trend.sensor == 0 && trend.quantity == Quantity::Volts) {
                volts = trend;
            }
        }
        ASSERT_EQ(volts.has_value(), c.voltsSlope.has_value());
        if (volts) {
            EXPECT_NEAR(volts->slopePerYear, *c.voltsSlope, 0.002);
            EXPECT_EQ(volts->limitReached.has_value(), c.limitReached.has_value());
            if (c.limitReached && volts->limitReached) {
                EXPECT_LE(std::abs(volts->limitReached->daysTo(*c.limitReached)), 3)
                    << volts->limitReached->toString(Qt::ISODate).toStdString();
            }
        }
    }
}

// The JSON's numbers keep their decimal point in a locale that writes a comma.
TEST(HistoryTest, TheJsonNumbersHaveADecimalPointInEveryLocale) {
    QLocale::setDefault(QLocale(QLocale::German));
    std::vector<VisitSummary> visits{Visit(0, 5.0, 4.5), Visit(30, 4.75, 4.5)};
    const QString customer = QStringLiteral("M\u00fcller \"Lab\"\\\n\t\x01");
    visits[1].customer = customer;
    const QByteArray text = HistoryOutput::JsonText(HistoryOutput::Document(visits, nullptr));
    QLocale::setDefault(QLocale::c());

    EXPECT_TRUE(text.contains("\"volts\": 5.0\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"volts\": 4.75\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"volts\": 0.25\n")) << "the drift: " << text.toStdString();
    EXPECT_TRUE(text.contains("\"milliamps\": 1.0,")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"sensor\": 0,")) << "a sensor's number stays whole";
    EXPECT_TRUE(text.contains("\"drift\": null")) << "the first visit has none";
    EXPECT_TRUE(text.contains("\"trend\": null")) << "two visits give none";
    EXPECT_EQ(HistoryOutput::NumberText(1e-7), "1.0e-07");
    EXPECT_TRUE(text.contains("\"customer\": \"M\xc3\xbcller \\\"Lab\\\"\\\\\\n\\t\\u0001\""))
        << "UTF-8, with quotes, backslashes and control characters escaped";
    QJsonParseError error{};
    const QJsonDocument parsed = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(parsed.object()["visits"].toArray()[1].toObject()["customer"].toString(), customer);
}

}  // namespace
