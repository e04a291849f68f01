// The findings judged from a visit's events: the card's status, settings read back, dumps'
// spreads and values that did not come, each with its rule.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <tuple>

#include "record/AcceptanceLimits.h"
#include "record/VisitJudgement.h"
#include "tests/record/LimitsFile.h"

namespace {

// A complete survey in which every sensor is enabled, trained, in order and answered, with
// the given voltage and trip point replies for sensor 0; `change` alters sensor 0's values.
QJsonObject Survey(const QString& voltageReply, const QString& tripReply,
                   const QJsonObject& change = {}) {
    QJsonArray sensors;
    for (int sensor = 0; sensor < 8; ++sensor) {
        QJsonObject values{
            {"sensor", sensor},
            {"enabled", true},
            {"trained", true},
            {"shorted", false},
            {"opened", false},
            {"covered", false},
            {"no_response", QJsonArray()},
            {"replies",
             QJsonObject{{"voltage", "800"}, {"current", "1000"}, {"trip_point", "0C00"}}}};
        if (sensor == 0) {
            values.insert("replies", QJsonObject{{"voltage", voltageReply},
                                                 {"current", "1000"},
                                                 {"trip_point", tripReply}});
            for (auto field = change.begin(); field != change.end(); ++field) {
                values.insert(field.key(), field.value());
            }
        }
        sensors.append(values);
    }
    return {{"event", "survey"}, {"status_reply", "FF FF 00 00 00"}, {"sensors", sensors}};
}

QJsonObject Set(const char* kind, const char* code, double value) {
    return {{"event", kind}, {"sensor", 0}, {"code", code}, {"value", value}};
}

// A command after which the card sets the trip point itself: of one sensor, or of every
// sensor (-1, a restored bin); sent and answered, or never sent.
QJsonObject CardSet(const char* kind, int sensor, bool sent = true) {
    QJsonObject event{{"event", kind}};
    if (sensor >= 0) {
        event.insert("sensor", sensor);
    } else {
        event.insert("bin", 3);
    }
    event.insert(sent ? "reply" : "not_sent", sent ? QJsonValue("OK") : QJsonValue(true));
    return event;
}

// 0.500 mA set (code 0666), 0.938 mA read back (0C01).
const QString kTripPointSetEarlier =
    "Sensor 0: trip point differs from its setting (set 0.500 mA, read 0.938 mA).";

QStringList Texts(const std::vector<judgement::Finding>& findings) {
    QStringList texts;
    for (const judgement::Finding& finding : findings) {
        texts.append(finding.text);
        EXPECT_FALSE(finding.rule.isEmpty()) << finding.text.toStdString();
    }
    return texts;
}

struct SurveyCase {
    const char* name;
    QList<QJsonObject> before;
    QJsonObject survey;
    QStringList findings;
};

class SurveyFindingsTest : public ::testing::TestWithParam<SurveyCase> {};

TEST_P(SurveyFindingsTest, FindsWhatIsNotInOrder) {
    QList<QJsonObject> events = GetParam().before;
    events.append(GetParam().survey);
    EXPECT_EQ(Texts(judgement::SurveyFindings(events, events.size() - 1)), GetParam().findings);
}

// Settings: 4.80 V is code 7AD, read back 7AE (one step) or 742 (4.537 V); 2.50 mA is trip
// code 1FFF, read back 1FFD (two steps, 2.499 mA).
INSTANTIATE_TEST_SUITE_P(
    Cases, SurveyFindingsTest,
    ::testing::Values(
        SurveyCase{"InOrder", {}, Survey("800", "0C00"), {}},
        SurveyCase{"Conditions",
                   {},
                   Survey("800", "0C00",
                          {{"shorted", true},
                           {"opened", true},
                           {"covered", true},
                           {"enabled", false},
                           {"trained", false}}),
                   {"Sensor 0: shorted.", "Sensor 0: open.", "Sensor 0: covered.",
                    "Sensor 0: not enabled.", "Sensor 0: not trained."}},
        SurveyCase{"StatusUnknown",
                   {},
                   Survey("800", "0C00", {{"enabled", QJsonValue()}, {"trained", QJsonValue()}}),
                   {}},
        SurveyCase{
            "VoltageOneStepAway", {Set("set_voltage", "7AD", 4.8)}, Survey("7AE", "0C00"), {}},
        SurveyCase{"VoltageReadBackDifferent",
                   {Set("set_voltage", "7AD", 4.8)},
                   Survey("742", "0C00"),
                   {"Sensor 0: voltage differs from its setting (set 4.800 V, read 4.537 V)."}},
        SurveyCase{"LastSettingHolds",
                   {Set("set_voltage", "742", 4.54), Set("set_voltage", "7AD", 4.8)},
                   Survey("7AD", "0C00"),
                   {}},
        SurveyCase{"TripPointTwoStepsAway",
                   {Set("set_trip_point", "1FFF", 2.5)},
                   Survey("800", "1FFD"),
                   {"Sensor 0: trip point differs from its setting (set 2.500 mA, read 2.499 "
                    "mA)."}},
        SurveyCase{"NotTrainedIsNoReadBack",
                   {Set("set_trip_point", "1FFF", 2.5)},
                   Survey("800", "SENSOR 0 NOT TRAINED", {{"trained", false}}),
                   {"Sensor 0: not trained."}},
        SurveyCase{"NoResponse",
                   {},
                   Survey("800", "0C00",
                          {{"no_response", QJsonArray{"voltage", "current"}},
                           {"replies", QJsonObject{{"voltage", QJsonValue()},
                                                   {"current", QJsonValue()},
                                                   {"trip_point", "0C00"}}}}),
                   {"Sensor 0: voltage did not come.", "Sensor 0: current did not come."}},
        SurveyCase{"Cancelled",
                   {},
                   [] {
                       QJsonObject survey = Survey("800", "0C00", {{"covered", true}});
                       survey.insert("cancelled", true);
                       return survey;
                   }(),
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The card's own trip point (adjusted, trained, a bin restored) supersedes a setting before it.
INSTANTIATE_TEST_SUITE_P(
    CardSetItself, SurveyFindingsTest,
    ::testing::Values(
        SurveyCase{"Adjusted",
                   {Set("set_trip_point", "0666", 0.5), CardSet("adjust_trip_point", 0)},
                   Survey("800", "0C01"),
                   {}},
        SurveyCase{"Trained",
                   {Set("set_trip_point", "0666", 0.5), CardSet("train_sensor", 0)},
                   Survey("800", "0C01"),
                   {}},
        SurveyCase{"BinRestored",
                   {Set("set_trip_point", "0666", 0.5), CardSet("restore_training_data", -1)},
                   Survey("800", "0C01"),
                   {}},
        SurveyCase{"OtherSensorAdjusted",
                   {Set("set_trip_point", "0666", 0.5), CardSet("adjust_trip_point", 1)},
                   Survey("800", "0C01"),
                   {kTripPointSetEarlier}},
        SurveyCase{"AdjustNeverSent",
                   {Set("set_trip_point", "0666", 0.5), CardSet("adjust_trip_point", 0, false)},
                   Survey("800", "0C01"),
                   {kTripPointSetEarlier}},
        SurveyCase{"SetAgainAfterTraining",
                   {CardSet("train_sensor", 0), Set("set_trip_point", "0666", 0.5)},
                   Survey("800", "0C01"),
                   {kTripPointSetEarlier}},
        SurveyCase{"VoltageStillJudged",
                   {Set("set_voltage", "7AD", 4.8), CardSet("train_sensor", 0)},
                   Survey("742", "0C01"),
                   {"Sensor 0: voltage differs from its setting (set 4.800 V, read 4.537 V)."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VisitFindingsTest, TheLastCompleteSurveyAndEveryDumpOverItsLimitCount) {
    const QJsonObject leftDump{{"event", "dump_end"},
                               {"tube", "left"},
                               {"spread_limit", 0.02},
                               {"max", QJsonArray{1.0, 1.0, 1.0, 1.0}},
                               {"min", QJsonArray{0.985, 0.99, 1.0, 1.0}}};
    const QJsonObject rightDump{{"event", "dump_end"},
                                {"tube", "right"},
                                {"spread_limit", 0.02},
                                {"max", QJsonArray{1.0, 1.035, 1.0, 1.0}},
                                {"min", QJsonArray{1.0, 1.0, 1.0, 1.0}}};
    QJsonObject cancelled = Survey("800", "0C00", {{"opened", true}});
    cancelled.insert("cancelled", true);
    const QList<QJsonObject> events{Survey("800", "0C00", {{"covered", true}}), leftDump,
                                    Survey("800", "0C00", {{"shorted", true}}), rightDump,
                                    cancelled};

    EXPECT_EQ(Texts(judgement::VisitFindings(events)),
              (QStringList{"Sensor 0: shorted.",
                           "Sensor 5: dump spread 35.0 µA over the limit of 20.0 µA."}))
        << "the left dump's 15 µA is in order";
}

}  // namespace

namespace {

TEST(AcceptanceLimitsTest, EachValueWithLimitsPassesOrFailsUnderTheNamedRule) {
    const LimitsFile file(R"({"models": {"M-200": {
        "volts": {"min": 4.0, "max": 5.0}, "trip_point_milliamps": {"max": 1.0},
        "power_milliwatts": {"min": 2.0}}}})");
    QString error;
    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(file.Path(), error);
    ASSERT_TRUE(limits) << error.toStdString();
    ASSERT_EQ(limits->ForModel(QStringLiteral("M-300")), nullptr) << "a model not named";
    const AcceptanceLimits::ModelLimits* model = limits->ForModel(QStringLiteral("M-200"));
    ASSERT_NE(model, nullptr);

    QJsonObject survey = Survey("800", "0C00",
                                {{"volts", 5.2},
                                 {"milliamps", 9.0},
                                 {"trip_point_milliamps", QJsonValue()},
                                 {"power_milliwatts", 1.5}});
    QJsonArray sensors = survey.value("sensors").toArray();
    QJsonObject one = sensors[1].toObject();
    one.insert("volts", 4.0);
    one.insert("trip_point_milliamps", 1.0);
    one.insert("power_milliwatts", 2.0);
    sensors[1] = one;
    survey.insert("sensors", sensors);
    const QList<QJsonObject> events{survey};

    const std::vector<judgement::Verdict> verdicts = judgement::LimitVerdicts(events, 0, *model);
    std::vector<std::tuple<int, QString, bool>> seen;
    for (const judgement::Verdict& verdict : verdicts) {
        seen.emplace_back(verdict.sensor, AcceptanceLimits::FieldName(verdict.quantity),
                          verdict.pass);
    }
    // Sensors 2 to 7 have no values in this survey: nothing judged; current has no limits;
    // sensor 0's trip point did not come.
    EXPECT_EQ(seen, (std::vector<std::tuple<int, QString, bool>>{{0, "volts", false},
                                                                 {0, "power_milliwatts", false},
                                                                 {1, "volts", true},
                                                                 {1, "trip_point_milliamps", true},
                                                                 {1, "power_milliwatts", true}}));
    const std::vector<judgement::Finding> findings =
        judgement::LimitFindings(verdicts, limits->DecisionRule());
    EXPECT_EQ(Texts(findings),
              (QStringList{"Sensor 0: voltage 5.200 V outside its limits (4.000 to 5.000 V).",
                           "Sensor 0: power level 1.500 mW outside its limits (at least 2.000 "
                           "mW)."}));
    EXPECT_EQ(findings.front().rule,
              "Simple acceptance: a value passes when it lies within its minimum and maximum, "
              "both included; the uncertainty of the reading is not taken into account.");
}

struct BadLimitsCase {
    const char* name;
    QByteArray text;
    const char* error;
};

class BadLimitsTest : public ::testing::TestWithParam<BadLimitsCase> {};

TEST_P(BadLimitsTest, IsRefusedWithItsReason) {
    const LimitsFile file(GetParam().text);
    QString error;
    EXPECT_FALSE(AcceptanceLimits::Load(file.Path(), error));
    EXPECT_TRUE(error.contains(QLatin1String(GetParam().error))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLimitsTest,
    ::testing::Values(
        BadLimitsCase{"NotJson", "{\"models\": ", "are not a JSON object"},
        BadLimitsCase{"NoModels", "{\"decision_rule\": \"x\"}", "name no \"models\""},
        BadLimitsCase{"MinAboveMax", R"({"models": {"A": {"volts": {"min": 5, "max": 4}}}})",
                      "Model \"A\", volts: \"min\" is above \"max\"."},
        BadLimitsCase{"BoundNotANumber", R"({"models": {"A": {"milliamps": {"max": "4"}}}})",
                      "Model \"A\", milliamps: \"max\" is not a number."},
        BadLimitsCase{"SpreadBelowZero", R"({"models": {"A": {"spread_microamps": -1}}})",
                      "Model \"A\", spread_microamps: not a number of 0 or more."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AcceptanceLimitsTest, AFileThatCannotBeReadSaysSoAndTheRuleGivenIsNamed) {
    QString error;
    EXPECT_FALSE(AcceptanceLimits::Load(QStringLiteral("/nonexistent/limits.json"), error));
    EXPECT_TRUE(error.startsWith(
        QStringLiteral("The acceptance limits /nonexistent/limits.json cannot be read")));

    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::FromJson(
        QJsonObject{{"decision_rule", "Guarded acceptance, guard band 0.01 V."},
                    {"models", QJsonObject{}}},
        error);
    ASSERT_TRUE(limits);
    EXPECT_EQ(limits->DecisionRule(), QStringLiteral("Guarded acceptance, guard band 0.01 V."));
}

// The file as the record keeps it gives the same limits back; a text altered since is refused.
TEST(AcceptanceLimitsTest, TheRecordedFileGivesTheSameLimitsAndAnAlteredOneNone) {
    const LimitsFile file(R"({"models": {"A": {"volts": {"max": 5}, "spread_microamps": 15}}})");
    QString error;
    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(file.Path(), error);
    ASSERT_TRUE(limits) << error.toStdString();
    const QJsonObject recorded = limits->RecordValues();
    EXPECT_EQ(recorded.value("file").toString(), "limits.json");
    EXPECT_EQ(recorded.value("sha256").toString(),
              "04aa51fc12068d34699b84c89b90fb58960f3f0261b1a280e94651925cd1ed1d");

    const std::optional<AcceptanceLimits> again = AcceptanceLimits::FromRecord(recorded, error);
    ASSERT_TRUE(again) << error.toStdString();
    EXPECT_EQ(again->SpreadLimit("A"), 0.015);
    EXPECT_EQ(again->SpreadLimit("B"), std::nullopt);
    EXPECT_TRUE(again->SameFile(*limits));

    QJsonObject altered = recorded;
    altered.insert("content", R"({"models": {"A": {"volts": {"max": 6}}}})");
    EXPECT_FALSE(AcceptanceLimits::FromRecord(altered, error));
    EXPECT_EQ(error, "The acceptance limits limits.json recorded do not match their SHA-256.");
    EXPECT_FALSE(AcceptanceLimits::FromRecord(AcceptanceLimits::NoneRecordValues(), error));
}

}  // namespace
