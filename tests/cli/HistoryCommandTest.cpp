// "merrowby history" over the records of real surveys of the simulated card.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "ProgramRun.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

class HistoryCommandTest : public ::testing::Test {
  protected:
    // One survey of the instrument SN-7 with sensor 2's voltage at `voltageCode`.
    void Survey(std::uint16_t voltageCode) {
        cardsim::CardOptions options;
        options.sensors[2].voltageCode = voltageCode;
        options.sensors[7].trained = true;
        cardsim::CardSimulator card(options);
        const ProgramRun::Result result =
            run.Run({"survey", "--port", QString::fromStdString("COM2=" + card.SlavePath()),
                     "--model", "LX 9", "--serial-number", "SN-7", "--customer", "Northfield Lab"});
        ASSERT_EQ(result.status, 0) << result.err.toStdString();
    }

    QString DatabasePath() const { return run.FilePath("data/merrowby/history.sqlite"); }

    ProgramRun run;
};

double Number(const QJsonValue& value) {
    EXPECT_TRUE(value.isDouble());
    return value.toDouble();
}

TEST_F(HistoryCommandTest, TwoSurveysGiveBothVisitsAndTheMovedSensorsDriftAfterEveryRebuild) {
    // A voltage code step is 10/4095 V: 0x8CD is 205 codes, 0.501 V, above 0x800.
    Survey(0x800);
    Survey(0x8CD);
    ASSERT_TRUE(QFile::exists(DatabasePath())) << "each survey's end updates the index";

    const ProgramRun::Result json = run.Run({"history", "SN-7", "--json"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(document.value("instrument").toObject().value("serial_number").toString(), "SN-7");
    EXPECT_EQ(document.value("instrument").toObject().value("model").toString(), "LX 9");
    const QJsonArray visits = document.value("visits").toArray();
    ASSERT_EQ(visits.size(), 2) << json.out.toStdString();
    const QJsonObject first = visits[0].toObject();
    const QJsonObject second = visits[1].toObject();
    EXPECT_TRUE(first.value("drift").isNull());
    EXPECT_TRUE(first.value("report_number").toString().startsWith("SR-"));
    EXPECT_NE(first.value("report_number"), second.value("report_number"));
    EXPECT_EQ(second.value("customer").toString(), "Northfield Lab");
    EXPECT_EQ(second.value("as_found").toArray().size(), 8);
    const QJsonArray drift = second.value("drift").toArray();
    ASSERT_EQ(drift.size(), 8);
    EXPECT_NEAR(Number(drift[2].toObject().value("volts")), 0.501, 0.001);
    EXPECT_NEAR(Number(drift[3].toObject().value("volts")), 0.0, 1e-9) << "not moved";
    EXPECT_TRUE(drift[2].toObject().contains("trip_point_milliamps"));
    EXPECT_TRUE(json.out.contains("\"volts\": 0.0\n"))
        << "sensor 3's drift, with its decimal point";

    // The second visit's report names the first and shows the change.
    const QString secondRecord = second.value("record").toString();
    const QString page = run.FilePath("second.html");
    ASSERT_EQ(run.Run({"report", secondRecord, "--output", page}).status, 0);
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(text.contains("Previous visit"));
    EXPECT_TRUE(text.contains(first.value("report_number").toString()));
    EXPECT_TRUE(text.contains("+0.501 V")) << "sensor 2's voltage moved";
    const QString firstPage = run.FilePath("first.html");
    ASSERT_EQ(run.Run({"report", first.value("record").toString(), "--output", firstPage}).status,
              0);
    QFile firstHtml(firstPage);
    ASSERT_TRUE(firstHtml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(firstHtml.readAll().contains("No earlier visit of this instrument is recorded."));

    const ProgramRun::Result list = run.Run({"history"});
    EXPECT_EQ(list.status, 0);
    EXPECT_TRUE(list.out.contains("SN-7")) << list.out.toStdString();
    EXPECT_TRUE(list.out.contains("LX 9"));

    const ProgramRun::Result csv = run.Run({"history", "SN-7", "--csv"});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out.count('\n'), 1 + 2 * 8) << csv.out.toStdString();

    // Deleted, damaged, or of an older schema: made again from the records, the same answer.
    // A report brings the index up to date before it looks for the previous visit.
    ASSERT_TRUE(QFile::remove(DatabasePath()));
    const QString again = run.FilePath("second-again.html");
    ASSERT_EQ(run.Run({"report", secondRecord, "--output", again}).status, 0);
    QFile againHtml(again);
    ASSERT_TRUE(againHtml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        QString::fromUtf8(againHtml.readAll()).contains(first.value("report_number").toString()));
    ASSERT_TRUE(QFile::remove(DatabasePath()));
    EXPECT_EQ(run.Run({"history", "SN-7", "--json"}).out, json.out);
    {
        QFile damaged(DatabasePath());
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(QByteArray(4096, 'x'));
    }
    EXPECT_EQ(run.Run({"history", "SN-7", "--json"}).out, json.out);

    EXPECT_EQ(run.Run({"history", "SN-8"}).status, 2) << "no visit";
    EXPECT_EQ(run.Run({"history", "SN-7", "--xml"}).status, 1);
}

// A record copied into a folder of someone else's is reported with this computer's history,
// and the file beside that folder that has the index's name is left as it is.
TEST_F(HistoryCommandTest, ARecordFromAnotherFolderIsReportedWithThisComputersHistory) {
    Survey(0x800);
    Survey(0x8CD);
    const ProgramRun::Result json = run.Run({"history", "SN-7", "--json"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonArray visits = QJsonDocument::fromJson(json.out).object().value("visits").toArray();
    ASSERT_EQ(visits.size(), 2);

    const QString elsewhere = run.FilePath("lab");
    ASSERT_TRUE(QDir().mkpath(elsewhere + "/records"));
    const QByteArray theirs = "the laboratory's own notes, not a database\n";
    {
        QFile file(elsewhere + "/history.sqlite");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(theirs), theirs.size());
    }
    const QString copy = elsewhere + "/records/visit.jsonl";
    ASSERT_TRUE(QFile::copy(visits[1].toObject().value("record").toString(), copy));

    const QString page = run.FilePath("copy.html");
    const ProgramRun::Result report = run.Run({"report", copy, "--output", page});
    ASSERT_EQ(report.status, 0) << report.err.toStdString();
    QFile html(page);
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(html.readAll())
                    .contains(visits[0].toObject().value("report_number").toString()))
        << "the first visit, from this computer's history";
    QFile file(elsewhere + "/history.sqlite");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), theirs);
    EXPECT_EQ(QDir(elsewhere).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({"history.sqlite", "records"}));
}

}  // namespace
