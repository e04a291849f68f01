// The report made from a visit's events: As found and As left from the surveys, the findings
// with their rules and the summary that opens the report, the acceptance limits, the report's
// number and the details typed for it, kept in a real record file and offered again.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "FeedbackRecorder.h"
#include "QStringPrinter.h"
#include "history/HistoryIndex.h"
#include "history/LastVisitDetails.h"
#include "record/AcceptanceLimits.h"
#include "record/RecordReader.h"
#include "record/SampleLine.h"
#include "record/VisitRecord.h"
#include "report/ReportDetailsFields.h"
#include "report/ReportDocument.h"
#include "report/ReportIssuing.h"
#include "report/ServiceReport.h"
#include "report/ServiceReportWindow.h"
#include "tests/record/LimitsFile.h"

namespace {

const VisitRecord::Origin kOrigin{"1.0", "tech", "bench-pc"};

QJsonObject At(const char* time, QJsonObject event) {
    event.insert("time", QStringLiteral("2026-12-08T%1.000+01:00").arg(QLatin1String(time)));
    return event;
}

const QJsonObject kVisit = At("10:00:00", {{"event", "visit"}, {"version", 1}, {"host", "pc"}});

// A survey in which every sensor reads 2.000 V, 1.000 mA, trip point 0.500 mA, enabled and
// trained; `changes` alters single sensors' fields.
QJsonObject Survey(const char* time, const std::map<int, QJsonObject>& changes = {}) {
    QJsonArray sensors;
    for (int sensor = 0; sensor < 8; ++sensor) {
        QJsonObject values{
            {"sensor", sensor},
            {"volts", 2.0},
            {"milliamps", 1.0},
            {"trip_point_milliamps", 0.5},
            {"power_milliwatts", 2.0},
            {"enabled", true},
            {"trained", true},
            {"shorted", false},
            {"opened", false},
            {"covered", false},
            {"no_response", QJsonArray()},
            {"replies",
             QJsonObject{{"voltage", "333"}, {"current", "0CCD"}, {"trip_point", "0666"}}}};
        if (const auto change = changes.find(sensor); change != changes.end()) {
            for (auto field = change->second.begin(); field != change->second.end(); ++field) {
                values.insert(field.key(), field.value());
            }
        }
        sensors.append(values);
    }
    return At(time,
              {{"event", "survey"}, {"status_reply", "FF FF 00 00 00"}, {"sensors", sensors}});
}

// Sensor 0 set to 4.80 V (code 7AD).
const QJsonObject kSetVoltage = At("10:45:00", {{"event", "set_voltage"},
                                                {"sensor", 0},
                                                {"value", 4.8},
                                                {"unit", "V"},
                                                {"code", "7AD"},
                                                {"reply", ""}});
// Sensor 0 read back at 4.537 V (code 742).
const std::map<int, QJsonObject> kOldVoltage{
    {0,
     {{"volts", 4.537},
      {"replies", QJsonObject{{"voltage", "742"}, {"current", "0CCD"}, {"trip_point", "0666"}}}}}};

// Sensor 0 read back at its setting.
const std::map<int, QJsonObject> kNewVoltage{
    {0,
     {{"volts", 4.8},
      {"replies", QJsonObject{{"voltage", "7AD"}, {"current", "0CCD"}, {"trip_point", "0666"}}}}}};

QJsonObject Query(const char* time, double volts) {
    return At(time, {{"event", "query_voltage"},
                     {"sensor", 0},
                     {"value", volts},
                     {"unit", "V"},
                     {"reply", "0"}});
}

std::optional<QString> Text(const std::optional<ServiceReport::Reading>& reading) {
    return reading ? std::optional<QString>(reading->text) : std::nullopt;
}

struct EndsCase {
    const char* name;
    QList<QJsonObject> events;
    bool foundSurveyed;
    std::optional<QString> foundVoltage;  // sensor 0's
    std::optional<QString> leftVoltage;
    QString leftSetting;
    QString leftNote;
};

void PrintTo(const EndsCase& test, std::ostream* out) {
    *out << test.name;
}

class AsFoundAsLeftTest : public ::testing::TestWithParam<EndsCase> {};

TEST_P(AsFoundAsLeftTest, ComeFromTheSurveysAroundTheChanges) {
    const EndsCase& test = GetParam();
    const ServiceReport report = ServiceReport::FromEvents(test.events);
    EXPECT_EQ(report.asFoundSurveyed, test.foundSurveyed);
    EXPECT_EQ(Text(report.asFound[0].voltage), test.foundVoltage);
    EXPECT_EQ(Text(report.asLeft[0].voltage), test.leftVoltage);
    EXPECT_EQ(report.asLeft[0].voltage ? report.asLeft[0].voltage->setting : QString(),
              test.leftSetting);
    EXPECT_EQ(report.asLeftNote, test.leftNote);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsFoundAsLeftTest,
    ::testing::Values(
        EndsCase{"SurveyFirst",
                 {kVisit, Survey("10:30:00"), kSetVoltage, Survey("10:50:00", kNewVoltage)},
                 true,
                 "2.000 V",
                 "4.800 V",
                 {},
                 {}},
        EndsCase{"ChangeFirst",
                 {kVisit, Query("10:20:00", 3.0), kSetVoltage, Query("10:46:00", 4.8),
                  Survey("10:50:00", kNewVoltage)},
                 false,
                 "3.000 V",
                 "4.800 V",
                 {},
                 {}},
        EndsCase{"NoSurveyAfterTheLastChange",
                 {kVisit, Survey("10:30:00"), kSetVoltage, Query("10:46:00", 4.8)},
                 true,
                 "2.000 V",
                 std::nullopt,
                 {},
                 "As left not read after the change at 10:45:00."},
        EndsCase{"CancelledSurveyDoesNotCount",
                 {kVisit, Survey("10:30:00"), kSetVoltage,
                  [] {
                      QJsonObject cancelled = Survey("10:50:00");
                      cancelled.insert("cancelled", true);
                      return cancelled;
                  }()},
                 true,
                 "2.000 V",
                 std::nullopt,
                 {},
                 "As left not read after the change at 10:45:00."},
        EndsCase{"SettingReadBackDifferent",
                 {kVisit, Survey("10:30:00"), kSetVoltage, Survey("10:50:00", kOldVoltage)},
                 true,
                 "2.000 V",
                 "4.537 V",
                 "4.800 V",
                 {}},
        EndsCase{"RecordWithoutSurveys",
                 {kVisit, Query("10:20:00", 3.0), kSetVoltage, Query("10:46:00", 4.8)},
                 false,
                 "3.000 V",
                 "4.800 V",
                 {},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportFindingsTest, TheSummaryOpensWithTheSensorsInOrderThenEachFindingWithItsRuleOnce) {
    const QJsonObject dump = At("10:55:00", {{"event", "dump_end"},
                                             {"tube", "left"},
                                             {"spread_limit", 0.02},
                                             {"max", QJsonArray{1.0, 1.0, 1.025, 1.0}},
                                             {"min", QJsonArray{1.0, 1.0, 1.0, 1.0}}});
    std::map<int, QJsonObject> changes = kOldVoltage;
    changes[1] = {{"covered", true}};
    changes[6] = {{"shorted", true}};
    const ServiceReport report = ServiceReport::FromEvents(
        {kVisit, Survey("10:30:00"), kSetVoltage, Survey("10:50:00", changes), dump});

    EXPECT_EQ(report.summary.toStdString(),
              "As left: 5 of 8 sensors in order. Sensor 0: voltage differs from its setting (set "
              "4.800 V, read 4.537 V). Sensor 1: covered. Sensor 6: shorted. Sensor 2: dump "
              "spread 25.0 µA over the limit of 20.0 µA.");
    ASSERT_EQ(report.findings.size(), 4u);
    EXPECT_EQ(report.findings[1].sensor, 1);
    EXPECT_EQ(report.findings[1].text, "Sensor 1: covered.");
    EXPECT_EQ(report.rules.size(), 3) << "status, read back and spread, each once";
    EXPECT_EQ(report.findings[1].rule, report.findings[2].rule);
    EXPECT_TRUE(report.rules.contains(report.findings[3].rule));

    const ServiceReport unsurveyed = ServiceReport::FromEvents({kVisit, Query("10:20:00", 3.0)});
    EXPECT_EQ(unsurveyed.summary,
              "The card was not surveyed in this visit (\"Read All Sensors\"): its condition is "
              "not stated.");
    EXPECT_TRUE(unsurveyed.findings.empty());
}

TEST(ReportLimitsTest, TheModelTypedIsJudgedAgainstItsLimitsAndAFailIsAFinding) {
    const LimitsFile file(R"({"models": {"MX-8": {"volts": {"min": 1.9, "max": 2.1}}}})");
    QString error;
    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(file.Path(), error);
    ASSERT_TRUE(limits) << error.toStdString();
    const QList<QJsonObject> events{
        kVisit, At("10:10:00", {{"event", "report_details"}, {"model", "MX-8"}}),
        Survey("10:30:00", {{3, {{"volts", 2.2}}}})};

    const ServiceReport judged = ServiceReport::FromEvents(events, {}, &*limits);
    ASSERT_EQ(judged.limitResults.size(), 8u) << "the voltage of each sensor";
    EXPECT_EQ(judged.limitResults[3].value, "2.200 V");
    EXPECT_EQ(judged.limitResults[3].range, "1.900 V to 2.100 V");
    EXPECT_FALSE(judged.limitResults[3].pass);
    EXPECT_TRUE(judged.limitResults[2].pass);
    EXPECT_TRUE(judged.decisionRule.startsWith("Simple acceptance"));
    EXPECT_EQ(judged.summary,
              "As found: out of tolerance (sensor 3: voltage 2.200 V, limits 1.900 to 2.100 V). "
              "As left: 7 of 8 sensors in order. Sensor 3: voltage 2.200 V outside its limits "
              "(1.900 to 2.100 V).");
    EXPECT_EQ(judged.limitResults[3].foundValue, "2.200 V") << "one survey: As found and As left";
    EXPECT_EQ(judged.findings.back().rule, judged.decisionRule);

    const ServiceReport unjudged = ServiceReport::FromEvents(events);
    EXPECT_TRUE(unjudged.limitResults.empty());
    EXPECT_TRUE(unjudged.decisionRule.isEmpty());
    EXPECT_EQ(unjudged.summary, "As left: 8 of 8 sensors in order.");
}

// The limits recorded in the visit (sensor 3's voltage within 1.900 to 2.100 V) judge As found
// and As left alike, with no limits given to the report.
struct ConformityCase {
    const char* name;
    QList<QJsonObject> surveysAndChanges;
    const char* summary;
    const char* firstFinding;
};

QJsonObject RecordedLimits(const char* time) {
    QString error;
    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::FromBytes(
        R"({"models": {"MX-8": {"volts": {"min": 1.9, "max": 2.1}}}})", "lab.json", error);
    EXPECT_TRUE(limits) << error.toStdString();
    QJsonObject event = limits ? limits->RecordValues() : QJsonObject();
    event.insert("event", "acceptance_limits");
    return At(time, event);
}

// Sensor 3 set to 2.000 V (code 333), which the surveys read back as set.
const QJsonObject kSetSensor3 = At("10:45:00", {{"event", "set_voltage"},
                                                {"sensor", 3},
                                                {"value", 2.0},
                                                {"unit", "V"},
                                                {"code", "333"},
                                                {"reply", ""}});

class ConformityTest : public ::testing::TestWithParam<ConformityCase> {};

TEST_P(ConformityTest, TheSummaryOpensWithAsFoundThenAsLeft) {
    QList<QJsonObject> events{kVisit,
                              At("10:05:00", {{"event", "report_details"}, {"model", "MX-8"}}),
                              RecordedLimits("10:06:00")};
    events += GetParam().surveysAndChanges;
    const ServiceReport report = ServiceReport::FromEvents(events);
    EXPECT_EQ(report.summary, GetParam().summary);
    ASSERT_FALSE(report.findings.empty() && *GetParam().firstFinding != '\0');
    if (!report.findings.empty()) {
        EXPECT_EQ(report.findings.front().text, GetParam().firstFinding);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConformityTest,
    ::testing::Values(
        ConformityCase{"FoundWithinLeftWithin",
                       {Survey("10:30:00"), kSetSensor3, Survey("10:50:00")},
                       "As found: within tolerance. As left: 8 of 8 sensors in order.",
                       ""},
        ConformityCase{
            "FoundOutMended",
            {Survey("10:30:00", {{3, {{"volts", 2.2}}}}), kSetSensor3, Survey("10:50:00")},
            "As found: out of tolerance (sensor 3: voltage 2.200 V, limits 1.900 to 2.100 V, "
            "mended by this visit). As left: 8 of 8 sensors in order.",
            "As found: Sensor 3: voltage 2.200 V outside its limits (1.900 to 2.100 V). Mended "
            "by this visit."},
        ConformityCase{"FoundOutLeftOut",
                       {Survey("10:30:00", {{3, {{"volts", 2.2}}}}), kSetSensor3,
                        Survey("10:50:00", {{3, {{"volts", 2.2}}}})},
                       "As found: out of tolerance (sensor 3: voltage 2.200 V, limits 1.900 to "
                       "2.100 V). As left: 7 of 8 sensors in order. Sensor 3: voltage 2.200 V "
                       "outside its limits (1.900 to 2.100 V).",
                       "As found: Sensor 3: voltage 2.200 V outside its limits (1.900 to 2.100 "
                       "V)."},
        ConformityCase{
            "FoundWithinLeftOut",
            {Survey("10:30:00"), kSetSensor3, Survey("10:50:00", {{3, {{"volts", 1.5}}}})},
            "As found: within tolerance. As left: 7 of 8 sensors in order. Sensor 3: "
            "voltage 1.500 V outside its limits (1.900 to 2.100 V).",
            "Sensor 3: voltage 1.500 V outside its limits (1.900 to 2.100 V)."},
        ConformityCase{
            "CoveredAsFoundMended",
            {Survey("10:30:00", {{1, {{"covered", true}}}}), kSetSensor3, Survey("10:50:00")},
            "As found: within tolerance. As left: 8 of 8 sensors in order.",
            "As found: Sensor 1: covered. Mended by this visit."},
        ConformityCase{"LeftNotReadAfterTheChange",
                       {Survey("10:30:00", {{3, {{"volts", 2.2}}}}), kSetSensor3},
                       "As found: out of tolerance (sensor 3: voltage 2.200 V, limits 1.900 to "
                       "2.100 V). As left not read after the change at 10:45:00.",
                       "As found: Sensor 3: voltage 2.200 V outside its limits (1.900 to 2.100 "
                       "V)."},
        ConformityCase{"OneSurveyFoundAndLeftTheCard",
                       {Survey("10:30:00", {{1, {{"covered", true}}}, {3, {{"volts", 2.2}}}})},
                       "As found: out of tolerance (sensor 3: voltage 2.200 V, limits 1.900 to "
                       "2.100 V). As left: 6 of 8 sensors in order. Sensor 1: covered. Sensor 3: "
                       "voltage 2.200 V outside its limits (1.900 to 2.100 V).",
                       "Sensor 1: covered."},
        ConformityCase{"FirstSurveyAfterAChange",
                       {kSetSensor3, Survey("10:50:00")},
                       "As found: not judged: the card was not surveyed before the first "
                       "change. As left: 8 of 8 sensors in order.",
                       ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Limits recorded and altered since are said to be so, and no other file stands in for them.
TEST(ReportLimitsTest, AlteredRecordedLimitsJudgeNothing) {
    QJsonObject altered = RecordedLimits("10:06:00");
    altered.insert("content", R"({"models": {"MX-8": {"volts": {"min": 1.0, "max": 3.0}}}})");
    const LimitsFile file(R"({"models": {"MX-8": {"volts": {"min": 1.9, "max": 2.1}}}})");
    QString error;
    const std::optional<AcceptanceLimits> settings = AcceptanceLimits::Load(file.Path(), error);
    ASSERT_TRUE(settings) << error.toStdString();

    const ServiceReport report = ServiceReport::FromEvents(
        {kVisit, At("10:05:00", {{"event", "report_details"}, {"model", "MX-8"}}), altered,
         Survey("10:30:00", {{3, {{"volts", 2.2}}}})},
        {}, &*settings);
    EXPECT_EQ(report.readNotes,
              QStringList{"The acceptance limits lab.json recorded do not match their SHA-256. No "
                          "value is judged against acceptance limits."});
    EXPECT_TRUE(report.limitResults.empty());
    EXPECT_EQ(report.summary, "As left: 8 of 8 sensors in order.");
}

// The revision of each document issued of one visit: the same content keeps the latest
// revision, other content gets the next, which names the one it supersedes and the date of
// that one's first document.
TEST(ReportRevisionTest, TheSameContentKeepsItsRevisionAndOtherContentGetsTheNext) {
    const QDateTime t0 = QDateTime::fromString("2026-12-08T10:05:00.000+01:00", Qt::ISODateWithMs);
    const QDateTime t1 = t0.addSecs(600);
    const QDateTime t2 = t0.addSecs(1200);
    using Issue = ReportIssues::Issue;
    const Issue a0{"SR-1", 0, t0, "a.pdf", "f1", "A"};
    const Issue a0again{"SR-1", 0, t1, "b.pdf", "f2", "A"};
    const Issue b1{"SR-1", 1, t2, "c.pdf", "f3", "B"};
    const struct {
        const char* name;
        std::vector<Issue> earlier;
        QString content;
        int revision;
        std::optional<int> supersedes;
        QDateTime supersededIssued;
    } cases[] = {
        {"the first issue", {}, "A", 0, std::nullopt, {}},
        {"the same content again", {a0}, "A", 0, std::nullopt, {}},
        {"changed content", {a0, a0again}, "B", 1, 0, t0},
        {"revision 1's content again", {a0, a0again, b1}, "B", 1, 0, t0},
        {"the content of revision 0 once more", {a0, b1}, "A", 2, 1, t2},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const ReportIssues::Revision revision = ReportIssues::Next(test.earlier, test.content);
        EXPECT_EQ(revision.number, test.revision);
        EXPECT_EQ(revision.supersedes, test.supersedes);
        EXPECT_EQ(revision.supersededIssued, test.supersededIssued);
    }

    // What counts as content: not the date of issue or the revision; whether the report is
    // interim, its authorisation and its issuer do.
    ServiceReport report = ServiceReport::FromEvents({kVisit, Survey("10:30:00")});
    const QString content = ReportIssuing::ContentSha256(report);
    ReportIssuing::Prepare(report, t2);
    report.revision = {3, 2, t1};
    EXPECT_EQ(ReportIssuing::ContentSha256(report), content);
    ServiceReport interim = report;
    interim.underWay = true;
    ServiceReport authorised = report;
    authorised.authorisation = Authorisation{"Ann Lee", "Quality manager", t2};
    ServiceReport issued = report;
    issued.issuer.name = "Calder Labs";
    for (const ServiceReport* other : {&interim, &authorised, &issued}) {
        EXPECT_NE(ReportIssuing::ContentSha256(*other), content);
    }
}

// Who issues the report, its authorisation and the documents issued, in the record before
// or after its exit: the last issuer and authorisation hold, and the visit's end stays.
TEST(ReportIssueEventsTest, AreReadFromTheRecordWithoutMovingTheVisitsEnd) {
    const LimitsFile file(R"json({"models": {"MX-8": {"volts": {"max": 3.0},
        "procedure": "SP-12", "procedure_revision": "C", "uncertainty": "0.01 V (k = 2)"},
        "MX-9": {"volts": {"max": 3.0}}}})json");
    QString error;
    const std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(file.Path(), error);
    ASSERT_TRUE(limits) << error.toStdString();
    const QJsonObject issuer{{"event", "issuer"},
                             {"name", "Calder Labs"},
                             {"address", "1 Mill Road"},
                             {"contact", "+44 1632 960000"},
                             {"accreditation", "UKAS 0000"},
                             {"procedure", "SP-7"},
                             {"procedure_revision", "B"}};
    QList<QJsonObject> events{
        kVisit,
        At("10:00:01", issuer),
        At("10:10:00", {{"event", "report_details"}, {"model", "MX-8"}, {"contact", "Dr. Ng"}}),
        Survey("10:30:00"),
        At("10:40:00", {{"event", "exit"}}),
        At("11:00:00", {{"event", "report_issued"},
                        {"report_number", "SR-1"},
                        {"revision", 0},
                        {"date_of_issue", "2026-12-08T10:59:59.500+01:00"},
                        {"file", "a.pdf"},
                        {"sha256", "ab"},
                        {"content_sha256", "cd"}}),
        At("11:05:00", {{"event", "authorisation"}, {"name", "Ann Lee"}, {"role", "Manager"}}),
        At("11:06:00", {{"event", "issuer"}, {"name", "Other Labs"}}),
    };
    const ServiceReport report = ServiceReport::FromEvents(events, {}, &*limits);
    EXPECT_EQ(report.ended.toString(Qt::ISODate), "2026-12-08T10:40:00+01:00");
    EXPECT_EQ(report.details.contact, "Dr. Ng");
    EXPECT_EQ(report.issuer.name, "Other Labs");
    ASSERT_TRUE(report.authorisation);
    EXPECT_EQ(report.authorisation->role, "Manager");
    EXPECT_EQ(report.authorisation->time.toString(Qt::ISODate), "2026-12-08T11:05:00+01:00");
    ASSERT_EQ(report.issues.size(), 1u);
    EXPECT_EQ(report.issues[0].time.toString(Qt::ISODateWithMs), "2026-12-08T10:59:59.500+01:00");
    EXPECT_EQ(report.issues[0].contentSha256, "cd");
    EXPECT_EQ(report.procedure, "SP-12") << "the limits' procedure for the model";
    EXPECT_EQ(report.procedureRevision, "C");
    EXPECT_EQ(report.uncertainty, "0.01 V (k = 2)");

    events[2] = At("10:10:00", {{"event", "report_details"}, {"model", "MX-9"}});
    events.removeLast();
    const ServiceReport other = ServiceReport::FromEvents(events, {}, &*limits);
    EXPECT_EQ(other.issuer.name, "Calder Labs");
    EXPECT_EQ(other.procedure, "SP-7") << "the issuer's, where the limits name none";
    EXPECT_EQ(other.procedureRevision, "B");
    EXPECT_EQ(other.uncertainty, "");

    EXPECT_FALSE(AcceptanceLimits::FromJson(
        QJsonDocument::fromJson(R"({"models": {"MX-8": {"uncertainty": 0.01}}})").object(), error));
    EXPECT_EQ(error, "Model \"MX-8\": \"uncertainty\" is not a text.");
}

TEST(ReportNumberTest, ANewRecordHoldsItsOwnAndAnOlderOneGetsTheSameAtEachReading) {
    const QRegularExpression form(QStringLiteral("^SR-\\d{8}-\\d{6}-[0-9A-F]{4}$"));
    const VisitRecord first(kOrigin);
    const VisitRecord second(kOrigin, first.Started());
    const QString number = first.Events().first().value("report_number").toString();
    EXPECT_TRUE(form.match(number).hasMatch()) << number.toStdString();
    EXPECT_NE(number, second.Events().first().value("report_number").toString())
        << "two visits started in the same second";
    EXPECT_EQ(ServiceReport::FromEvents(first.Events()).reportNumber, number);

    const QString derived = ServiceReport::FromEvents({kVisit}).reportNumber;
    EXPECT_TRUE(form.match(derived).hasMatch()) << derived.toStdString();
    EXPECT_TRUE(derived.startsWith("SR-20261208-100000-"));
    EXPECT_EQ(ServiceReport::FromEvents({kVisit}).reportNumber, derived);
    QJsonObject otherHost = kVisit;
    otherHost.insert("host", "other-pc");
    EXPECT_NE(ServiceReport::FromEvents({otherHost}).reportNumber, derived);
}

// A dump sample's line in the program's plain form is read without a JSON document; the report
// is the one the full parse of the same record makes, and any other form is left to that parse.
TEST(ReportSampleLinesTest, APlainSampleLineGivesWhatItsFullParseGivesAndAnyOtherIsParsedInFull) {
    const QByteArray start =
        R"({"event":"visit","version":1,"time":"2026-12-08T10:00:00.000+01:00"})"
        "\n"
        R"({"event":"dump_start","tube":"left","spread_limit":0.02,"time":"2026-12-08T10:00:00.000+01:00"})"
        "\n";
    const QByteArray at = R"("time":"2026-12-08T10:00:00.900+01:00")";
    const QByteArray currents = R"("milliamps":[1.25,0.625,0.938,1.5])";
    const struct {
        QByteArray line;
        bool plain;
    } cases[] = {
        {R"({"device":"/dev/ttyUSB0","event":"dump_sample",)" + currents +
             R"(,"port":"COM1","time":"2026-12-08T10:00:00.900+01:00"})",
         true},
        {R"({"event":"dump_sample","time":"2026-12-08T09:00:01.000Z","milliamps":[0,1E1,0.1e-2,20]})",
         true},
        {R"({"event":"dump_sample","time":"2026-12-08T09:00:01.000+00:00",)" + currents + "}",
         true},
        {R"({"event":"dump_sample","time":"1969-12-31T23:59:59.999-05:30",)" + currents + "}",
         true},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[-0.5,1.25e-1,3,19.99]})", true},
        {R"({"event":"dump_sample",)" + at +
             R"(,"milliamps":[1.0000000000000000000000000001,0.1234567890123456789,19.999999999999999,0.3]})",
         true},
        // Left to the full parse:
        {R"({"event":"dump_sample",)" + at + "," + currents + R"(,"device":"\/dev\/ttyUSB0"})",
         false},
        {R"({"event":"dump_sample",)" + at + "," + currents + R"(,"at_exit":true})", false},
        {R"({"event": "dump_sample",)" + at + "," + currents + "}", false},
        {R"({"event":"dump_sample",)" + at + "," + currents + "," + currents + "}", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[-0,1,2,3]})", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[1,2,3,-0.000]})", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[1,2,3]})", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[1,2,3,1e400]})", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[1,2,3,4.9e-324]})", false},
        {R"({"event":"dump_sample",)" + at + R"(,"milliamps":[1,2,3,01]})", false},
        {R"({"event":"dump_sample","time":"2026-12-08T24:00:00.000+01:00",)" + currents + "}",
         false},
        {R"({"event":"dump_sample","time":"2026-12-08T10:00:00.900",)" + currents + "}", false},
        {R"({"event":"dump_sample","time":"2026-12-08T10:00:00.900+15:00",)" + currents + "}",
         false},
        {R"({"event":"dump_sample","time":"2026-02-30T10:00:00.900+01:00",)" + currents + "}",
         false},
        {R"({"event":"dump_sample",)" + at + "," + currents + "}\r", false},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("visit.jsonl");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.line.toStdString());
        EXPECT_EQ(SampleLine::Parse(test.line + "\n").has_value(), test.plain);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(start + test.line + "\n");
        file.close();

        QString error;
        const ServiceReport fast = ServiceReport::FromRecord(path, nullptr, error);
        ASSERT_EQ(error, QString());
        const ReadRecord read = RecordReader::Read(path);
        const ServiceReport full = ServiceReport::FromEvents(read.events, read.notes);
        ASSERT_EQ(fast.dumps.size(), 1u);
        ASSERT_EQ(full.dumps.size(), 1u);
        const DumpRows& fastRows = fast.dumps[0].rows;
        const DumpRows& fullRows = full.dumps[0].rows;
        ASSERT_EQ(fastRows.size(), fullRows.size());
        for (std::size_t row = 0; row < fastRows.size(); ++row) {
            EXPECT_EQ(fastRows[row].seconds, fullRows[row].seconds);
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(fastRows[row].milliamps[c], fullRows[row].milliamps[c]);
                EXPECT_EQ(std::signbit(fastRows[row].milliamps[c]),
                          std::signbit(fullRows[row].milliamps[c]));
            }
        }
        EXPECT_EQ(fast.dumps[0].samples, full.dumps[0].samples);
        EXPECT_EQ(fast.ended.toString(Qt::ISODateWithMs), full.ended.toString(Qt::ISODateWithMs));
        EXPECT_EQ(fast.ended.timeSpec(), full.ended.timeSpec());
        EXPECT_EQ(fast.ended.toMSecsSinceEpoch(), full.ended.toMSecsSinceEpoch());
        EXPECT_EQ(fast.readNotes, full.readNotes);
    }
}

class ReportDetailsTest : public ::testing::Test {
  protected:
    // The records in a folder of their own, so that the index beside it is this test's.
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QDir().mkpath(records));
    }

    // A visit written to the folder, its card found on COM2.
    std::unique_ptr<VisitRecord> StartVisit(
        const QDateTime& started = QDateTime::currentDateTime()) {
        auto record = std::make_unique<VisitRecord>(kOrigin, started);
        EXPECT_EQ(record->WriteTo(records), QString());
        record->Event(
            "discovery",
            {{"port", "COM2"},
             {"device", "/dev/ttyUSB0"},
             {"lines", QJsonArray{"SENSOR CARD V2.1 ONLINE", "SENSOR CARD V2.1 OFFLINE"}}});
        return record;
    }

    static void Type(ServiceReportWindow& window, const char* field, const QString& text) {
        QLineEdit* edit = window.DetailsFields()->Field(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    QTemporaryDir folder;
    const QString records = folder.filePath("records");
    FeedbackRecorder feedback;
};

TEST_F(ReportDetailsTest, TypedDetailsAreKeptInTheRecordFileAndTheInstrumentIsOfferedAgain) {
    QString firstPath;
    {
        const std::unique_ptr<VisitRecord> record = StartVisit();
        ServiceReportWindow window(*record, nullptr);
        Type(window, "model", QStringLiteral("MX-8"));
        Type(window, "serial_number", QStringLiteral("SN 4711"));
        Type(window, "asset_number", QStringLiteral("LAB-0042"));
        Type(window, "customer", QStringLiteral("Northfield Clinic"));
        Type(window, "site", QStringLiteral("Room 3"));
        Type(window, "reason", QStringLiteral("Yearly check"));
        Type(window, "technician", QStringLiteral("Ada Byron"));
        window.CommitNotes();
        record->Drain();
        firstPath = record->FilePath();
    }
    const ReadRecord read = RecordReader::Read(firstPath);
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    const ServiceReport report = ServiceReport::FromEvents(read.events);
    EXPECT_EQ(report.details.model, "MX-8");
    EXPECT_EQ(report.details.serialNumber, "SN 4711");
    EXPECT_EQ(report.details.assetNumber, "LAB-0042");
    EXPECT_EQ(report.details.customer, "Northfield Clinic");
    EXPECT_EQ(report.details.site, "Room 3");
    EXPECT_EQ(report.details.reason, "Yearly check");
    EXPECT_EQ(report.technician, "Ada Byron");
    EXPECT_EQ(report.user, "tech");

    // The next visit to the same card on the same port.
    const std::unique_ptr<VisitRecord> next = StartVisit();
    ServiceReportWindow window(*next, nullptr);
    const ReportDetailsFields& fields = *window.DetailsFields();
    EXPECT_EQ(fields.Field("model")->text(), "MX-8");
    EXPECT_EQ(fields.Field("serial_number")->text(), "SN 4711");
    EXPECT_EQ(fields.Field("asset_number")->text(), "LAB-0042");
    EXPECT_EQ(fields.Field("customer")->text(), "") << "only the instrument is offered";
    EXPECT_EQ(fields.Field("technician")->text(), "Ada Byron") << "kept in the settings";
    EXPECT_EQ(window.Document().Report().details.serialNumber, "SN 4711");
    EXPECT_EQ(window.Document().Report().technician, "Ada Byron");
}

// Given the serial number, the customer, site, reason and contact of the last visit to that
// instrument in the history are offered, where none of them is typed yet.
TEST_F(ReportDetailsTest, TheLastVisitOfTheSerialNumberOffersItsCustomerSiteReasonAndContact) {
    const struct {
        QDateTime started;
        QJsonObject details;
    } earlier[] = {
        {QDateTime(QDate(2026, 3, 2), QTime(9, 0)),
         {{"serial_number", "SN 4711"}, {"customer", "Old Clinic"}, {"contact", "front desk"}}},
        {QDateTime(QDate(2026, 9, 14), QTime(9, 0)),
         {{"serial_number", "SN 4711"},
          {"customer", "Northfield Clinic"},
          {"site", "Room 3"},
          {"reason", "Yearly check"},
          {"contact", "Dr. Ng, 0161 496 0000"}}},
        {QDateTime(QDate(2026, 10, 1), QTime(9, 0)),
         {{"serial_number", "SN 9999"}, {"customer", "Elsewhere"}}},
    };
    for (const auto& visit : earlier) {
        const std::unique_ptr<VisitRecord> record = StartVisit(visit.started);
        record->Event("report_details", visit.details);
        record->Drain();
    }
    HistoryIndex index(HistoryIndex::PathFor(records));
    QString error;
    ASSERT_TRUE(index.Open(error)) << error.toStdString();
    ASSERT_EQ(index.Update(records, nullptr).indexed, 3);

    for (const bool customerFirst : {false, true}) {
        SCOPED_TRACE(customerFirst ? "a customer typed first" : "the serial number first");
        VisitRecord record(kOrigin);
        ASSERT_EQ(record.WriteTo(records), QString());
        ServiceReportWindow window(record, nullptr);
        window.SetDetailsLookup([this, &record](const QString& serialNumber) {
            return LastVisitDetails::Find(records, serialNumber, record.FilePath());
        });
        if (customerFirst) {
            Type(window, "customer", QStringLiteral("Walk-in"));
        }
        Type(window, "serial_number", QStringLiteral("SN 4711"));
        window.CommitNotes();
        window.Refresh();
        const ServiceReport::Details details = window.Document().Report().details;
        EXPECT_EQ(details.customer, customerFirst ? "Walk-in" : "Northfield Clinic");
        EXPECT_EQ(details.site, customerFirst ? "" : "Room 3");
        EXPECT_EQ(details.reason, customerFirst ? "" : "Yearly check");
        EXPECT_EQ(details.contact, customerFirst ? "" : "Dr. Ng, 0161 496 0000");
        EXPECT_EQ(window.DetailsFields()->Field("contact")->text(), details.contact);
    }
}

TEST_F(ReportDetailsTest, OfTwoVisitsStartedInOneSecondTheLaterOnesInstrumentIsOffered) {
    const QDateTime started(QDate(2026, 12, 8), QTime(9, 5, 7));
    for (const QString& model : {QStringLiteral("MX-8"), QStringLiteral("MX-9")}) {
        const std::unique_ptr<VisitRecord> record = StartVisit(started);
        ServiceReportWindow window(*record, nullptr);
        Type(window, "model", model);
        window.CommitNotes();
        record->Drain();
    }
    ASSERT_TRUE(QFileInfo::exists(QDir(records).filePath("2026-12-08_09-05-07-2.jsonl")));

    const std::unique_ptr<VisitRecord> next = StartVisit();
    ServiceReportWindow window(*next, nullptr);
    EXPECT_EQ(window.DetailsFields()->Field("model")->text(), "MX-9");
}

TEST_F(ReportDetailsTest, AnotherCardIsOfferedNothing) {
    {
        const std::unique_ptr<VisitRecord> record = StartVisit();
        ServiceReportWindow window(*record, nullptr);
        Type(window, "model", QStringLiteral("MX-8"));
        window.CommitNotes();
        record->Drain();
    }
    auto record = std::make_unique<VisitRecord>(kOrigin);
    ASSERT_EQ(record->WriteTo(records), QString());
    record->Event("discovery",
                  {{"port", "COM3"},
                   {"device", "/dev/ttyUSB1"},
                   {"lines", QJsonArray{"SENSOR CARD V2.1 ONLINE", "SENSOR CARD V2.1 OFFLINE"}}});
    ServiceReportWindow window(*record, nullptr);
    EXPECT_EQ(window.DetailsFields()->Field("model")->text(), "");
}

TEST_F(ReportDetailsTest, ALimitsFileIsUsedUntilABadOneIsChosenWhichSaysSoAndJudgesNothing) {
    const LimitsFile good(R"({"models": {"MX-8": {"volts": {"min": 1.0, "max": 3.0}}}})");
    const LimitsFile bad(R"({"models": {"MX-8": {"volts": {"min": 3.0, "max": 1.0}}}})");
    const std::unique_ptr<VisitRecord> record = StartVisit();
    record->Event("survey", Survey("10:30:00"));
    ServiceReportWindow window(*record, nullptr);
    Type(window, "model", QStringLiteral("MX-8"));
    window.CommitNotes();

    EXPECT_TRUE(window.UseAcceptanceLimits(good.Path()));
    EXPECT_EQ(window.Document().Report().limitResults.size(), 8u);
    EXPECT_EQ(feedback.Messages(), 0);
    VisitRecord next(kOrigin);
    next.Event("report_details", {{"model", "MX-8"}});
    next.Event("survey", Survey("10:30:00"));
    EXPECT_EQ(ServiceReportWindow(next, nullptr).Document().Report().limitResults.size(), 8u)
        << "the file is kept for the next window";

    // Recorded once in the visit, whole, and put aside with the bad file.
    const auto recorded = [&record] {
        QList<QJsonObject> events;
        for (const QJsonObject& event : record->Events()) {
            if (event.value("event") == "acceptance_limits") {
                events << event;
            }
        }
        return events;
    };
    window.Refresh();
    ASSERT_EQ(recorded().size(), 1);
    EXPECT_EQ(recorded()[0].value("file").toString(), "limits.json");
    EXPECT_EQ(recorded()[0].value("sha256").toString(),
              "6ac3b61cec742d1963680e71e38b6fe158976ca5c049a53a295429b4fce5c4e9");

    EXPECT_FALSE(window.UseAcceptanceLimits(bad.Path()));
    ASSERT_EQ(recorded().size(), 2);
    EXPECT_TRUE(recorded()[1].value("none").toBool());
    ASSERT_EQ(feedback.Messages(), 1);
    EXPECT_TRUE(feedback.Texts(FeedbackRecorder::Event::Message)
                    .front()
                    .endsWith("\"min\" is above \"max\".\nNothing is judged against acceptance "
                              "limits."));
    EXPECT_TRUE(window.Document().Report().limitResults.empty());
    EXPECT_TRUE(window.Document().Report().decisionRule.isEmpty());
}

}  // namespace
