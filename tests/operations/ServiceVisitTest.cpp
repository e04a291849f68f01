// A whole service visit against the simulated card: what the record holds, in order, and what
// the report made from it shows, on screen, in a PDF and in an XHTML file.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <functional>

#include "DialogAnswers.h"
#include "OperationsTest.h"
#include "PdfText.h"
#include "dialogs/HexReadingEdit.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "dialogs/TrainingBinDialog.h"
#include "protocol/InstrumentLink.h"
#include "record/RecordReader.h"
#include "record/VisitRecord.h"
#include "report/DumpPicture.h"
#include "report/ReportContent.h"
#include "report/ReportDocument.h"
#include "report/ReportSettings.h"
#include "report/ServiceReport.h"
#include "report/ServiceReportWindow.h"

namespace opstest {
namespace {

using namespace std::chrono_literals;
using Id = MaintenanceDialog::ControlId;

constexpr int kSensor = 2;

QStringList Kinds(const QList<QJsonObject>& events) {
    QStringList kinds;
    for (const QJsonObject& event : events) {
        const QString kind = event.value(QStringLiteral("event")).toString();
        // Samples and progress lines come in numbers that depend on timing.
        if (kind != QStringLiteral("dump_sample") && kind != QStringLiteral("training_progress")) {
            kinds << kind;
        }
    }
    return kinds;
}

QJsonObject First(const QList<QJsonObject>& events, const QString& kind, int skip = 0) {
    for (const QJsonObject& event : events) {
        if (event.value(QStringLiteral("event")).toString() == kind && skip-- == 0) {
            return event;
        }
    }
    return {};
}

// The cells of every table row of an XHTML report, in order.
QList<QStringList> TableRows(const QString& xhtml) {
    QList<QStringList> rows;
    QXmlStreamReader xml(xhtml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("tr")) {
            rows.append(QStringList());
        } else if (xml.isStartElement() &&
                   (xml.name() == QStringLiteral("td") || xml.name() == QStringLiteral("th"))) {
            rows.last().append(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return rows;
}

// Types one reading into the timing test and presses Enter; then Enter for the three slots the
// dialog offers next.
void EnterRow(SensorTimingTestDialog& dialog, const QString& firstReading) {
    auto* field = dialog.ControlAs<HexReadingEdit>(SensorTimingTestDialog::kReadingId);
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, firstReading);
    for (int slot = 0; slot < 4; ++slot) {
        QTest::keyClick(field, Qt::Key_Return);
    }
}

class ServiceVisitTest : public OperationsTest {
  protected:
    void SetUp() override {
        OperationsTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        ASSERT_TRUE(folder.isValid());
        // A folder of its own: the history index goes beside it, in this test's folder.
        ASSERT_TRUE(window->StartRecordFile(folder.filePath("records")));
        card->SetDumpInterval(std::chrono::hours(24));
    }

    void Answer(DialogAnswer answer, int button) {
        ModalDialogAnswerer answerer(std::move(answer));
        Click(button);
        ASSERT_TRUE(answerer.Answered()) << button;
    }

    // Discovery (done by the fixture), status, the three queries, a voltage change, the
    // voltage again, training, a bin saved and restored, a dump of three samples and a timing
    // test of two rows.
    void RunVisit() {
        Click(Id::IdUpdate);
        Answer(ChooseSensor(kSensor), Id::IdQueryVoltage);
        Answer(ChooseSensor(kSensor), Id::IdQueryCurrent);
        Answer(ChooseSensor(kSensor), Id::IdQueryTripPoint);
        Answer(ChooseLevel(250, kSensor), Id::IdSetVoltage);
        Answer(ChooseSensor(kSensor), Id::IdQueryVoltage);

        card->SetTrainingDuration(100ms);
        Answer(ChooseSensor(kSensor), Id::IdTrainSensor);
        while (window->IsTimerActive(MaintenanceDialog::kTrainingTimerId)) {
            TickUntilResponseChanges();
        }
        Answer(ChooseEntry(TrainingBinDialog::IdBinList, 3), Id::IdSaveTrainingData);
        Answer(ChooseEntry(TrainingBinDialog::IdBinList, 3), Id::IdRestoreTrainingData);
        Click(Id::IdUpdate);

        Click(Id::IdStartStop);
        ASSERT_TRUE(window->IsDumpRunning());
        for (const char* sample :
             {"1000 2000 3000 4000", "1100 2000 3000 4000", "1200 2000 3000 4000"}) {
            window->Link()->OnReceive(std::string(sample) + "\r\n");
            window->OnDumpTick();
        }
        Click(Id::IdStartStop);
        while (window->IsDumpRunning()) {
            window->OnDumpTick();
        }

        Answer(
            [](ui::TemplateDialog& dialog) {
                auto& test = static_cast<SensorTimingTestDialog&>(dialog);
                EnterRow(test, QStringLiteral("000000"));
                EnterRow(test, QStringLiteral("000400"));
                ClickButton(dialog, QStringLiteral("Done"));
            },
            Id::IdSensorTimingTest);
    }

    QTemporaryDir folder;
};

TEST_F(ServiceVisitTest, TheRecordHoldsEveryEventInOrderWithItsValues) {
    RunVisit();
    ASSERT_FALSE(HasFatalFailure());
    window->Record().Drain();
    const QString path = window->Record().FilePath();
    ASSERT_TRUE(path.startsWith(folder.path())) << path.toStdString();
    const ReadRecord read = RecordReader::Read(path);
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    EXPECT_TRUE(read.notes.isEmpty());
    const QList<QJsonObject>& events = read.events;

    EXPECT_EQ(Kinds(events), (QStringList{"visit",
                                          "discovery",
                                          "status",
                                          "query_voltage",
                                          "query_current",
                                          "power_level",
                                          "query_trip_point",
                                          "set_voltage",
                                          "query_voltage",
                                          "power_level",
                                          "train_sensor",
                                          "training_end",
                                          "save_training_data",
                                          "restore_training_data",
                                          "status",
                                          "dump_start",
                                          "dump_stop",
                                          "dump_end",
                                          "go_online",
                                          "timing_test_start",
                                          "timing_test_end",
                                          "go_offline"}));
    const auto samples = std::count_if(events.begin(), events.end(), [](const QJsonObject& event) {
        return event.value("event").toString() == "dump_sample";
    });
    EXPECT_EQ(samples, 3);

    const QJsonObject header = events.first();
    EXPECT_EQ(header.value("version").toInt(), 1);
    EXPECT_FALSE(header.value("user").toString().isEmpty());

    const QJsonObject discovery = First(events, "discovery");
    EXPECT_EQ(discovery.value("port").toString(), "COM2");
    EXPECT_EQ(discovery.value("lines").toArray().at(1).toString(), "SENSOR CARD V2.1 OFFLINE");
    for (const QJsonObject& event : events.mid(1)) {
        EXPECT_EQ(event.value("port").toString(), "COM2")
            << event.value("event").toString().toStdString();
        EXPECT_FALSE(event.value("time").toString().isEmpty());
    }

    const QJsonObject status = First(events, "status");
    const QJsonObject conditions = status.value("conditions").toObject();
    EXPECT_EQ(conditions.keys(),
              (QStringList{"covered", "enabled", "opened", "shorted", "trained"}));
    for (const QString& condition : conditions.keys()) {
        EXPECT_EQ(conditions.value(condition).toObject().value("sensors").toArray().size(), 8);
    }

    const QJsonObject set = First(events, "set_voltage");
    EXPECT_EQ(set.value("sensor").toInt(), kSensor);
    EXPECT_DOUBLE_EQ(set.value("value").toDouble(), 2.5);
    EXPECT_EQ(set.value("unit").toString(), "V");
    EXPECT_EQ(set.value("code").toString(), "3FF") << "2.5 V / 0.002442 V per count = 1023";
    EXPECT_TRUE(set.contains("reply"));

    const QJsonObject voltageAfter = First(events, "query_voltage", 1);
    EXPECT_EQ(voltageAfter.value("unit").toString(), "V");
    EXPECT_NEAR(voltageAfter.value("value").toDouble(), 2.5, 0.003);
    EXPECT_FALSE(voltageAfter.value("reply").toString().isEmpty());

    EXPECT_EQ(First(events, "save_training_data").value("bin").toInt(),
              First(events, "restore_training_data").value("bin").toInt());

    const QJsonObject dumpEnd = First(events, "dump_end");
    EXPECT_EQ(dumpEnd.value("samples").toInt(), 3);
    EXPECT_EQ(dumpEnd.value("tube").toString(), "left");
    EXPECT_NEAR(dumpEnd.value("max").toArray().at(0).toDouble(), 0x1200 * 0.0003051851, 1e-6);
    EXPECT_NEAR(dumpEnd.value("min").toArray().at(0).toDouble(), 0x1000 * 0.0003051851, 1e-6);
    EXPECT_DOUBLE_EQ(dumpEnd.value("spread_limit").toDouble(), 0.02);
    EXPECT_TRUE(dumpEnd.value("lamps_lit").toArray().at(0).toBool()) << "0.156 mA over 0.02";
    EXPECT_FALSE(dumpEnd.value("lamps_lit").toArray().at(1).toBool());

    const QJsonArray rows = First(events, "timing_test_end").value("rows").toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).toObject().value("interval").toString(), "N/A");
    EXPECT_EQ(rows.at(1).toObject().value("interval").toString(), "1.024");
    EXPECT_EQ(rows.at(1).toObject().value("readings").toArray().at(3).toString(), "0x300400");
}

TEST_F(ServiceVisitTest, TheReportShowsAsFoundAndAsLeftAndTheChanges) {
    RunVisit();
    ASSERT_FALSE(HasFatalFailure());
    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    EXPECT_EQ(report.identity, "SENSOR CARD V2.1");
    EXPECT_EQ(report.port, "COM2");

    const ServiceReport::SensorReadings& found = report.asFound[kSensor];
    const ServiceReport::SensorReadings& left = report.asLeft[kSensor];
    ASSERT_TRUE(found.voltage && left.voltage);
    EXPECT_NE(found.voltage->text, left.voltage->text);
    EXPECT_EQ(left.voltage->text, "2.498 V") << "2.5 V sent as 1023 counts of 2.442 mV";
    EXPECT_LT(found.voltage->time, left.voltage->time);
    ASSERT_TRUE(found.current && found.tripPoint && found.powerLevel && found.status);
    EXPECT_TRUE(found.current->text.endsWith(" mA"));
    EXPECT_GE(found.powerLevel->time, found.current->time);
    EXPECT_NE(found.powerLevel->text, "0.0 mW");
    EXPECT_TRUE(report.asFound[0].status.has_value()) << "the status covers every sensor";
    EXPECT_FALSE(report.asFound[0].voltage.has_value()) << "blank where none was taken";

    ASSERT_FALSE(report.changes.empty());
    const auto voltageChange =
        std::find_if(report.changes.begin(), report.changes.end(), [](const auto& change) {
            return change.what.startsWith("Voltage of sensor 2 set to 2.500 V");
        });
    ASSERT_NE(voltageChange, report.changes.end());
    EXPECT_EQ(voltageChange->before, found.voltage->text);

    ASSERT_EQ(report.dumps.size(), 1u);
    EXPECT_EQ(report.dumps[0].rows.size(), 3u);
    ASSERT_EQ(report.timingTests.size(), 1u);
    EXPECT_EQ(report.timingTests[0].rows.size(), 2u);

    // The window opened from the menu shows the same, and keeps the technician's notes.
    window->OpenServiceReport();
    ServiceReportWindow* reportWindow = window->ServiceReport();
    ASSERT_NE(reportWindow, nullptr);
    const QString shown = reportWindow->Browser()->document()->toPlainText();
    EXPECT_TRUE(shown.contains("As found"));
    EXPECT_TRUE(shown.contains("2.500 V"));
    reportWindow->NotesField()->setPlainText("Sensor 2 lamp replaced.");
    reportWindow->CommitNotes();
    EXPECT_EQ(ServiceReport::FromEvents(window->Record().Events()).notes,
              "Sensor 2 lamp replaced.");
}

TEST_F(ServiceVisitTest, ThePdfAndTheXhtmlHoldTheReadingsAndTheTimingTable) {
    RunVisit();
    ASSERT_FALSE(HasFatalFailure());
    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    ReportDocument document(report);
    const QString pdf = folder.filePath("visit.pdf");
    ASSERT_EQ(document.SaveAs(pdf), QString());

    const QString text = PdfText(pdf);
    for (const QString& expected :
         {QString("As found"), QString("As left"), report.asFound[kSensor].voltage->text,
          QString("2.500 V"), report.asFound[kSensor].current->text, QString("SENSOR CARD V2.1"),
          QString("Timing test 1"), QString("1.024"), QString("0x300400"), QString("N/A")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
    }

    // Printing goes through the same document: a printer writing to a file shows it.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("printed.pdf"));
    document.Print(printer);
    EXPECT_TRUE(PdfText(folder.filePath("printed.pdf")).contains("As left"));

    // The dump's plot is drawn from its samples although the plot window never opened.
    ASSERT_EQ(window->CurrentPlot(), nullptr);
    const QImage picture = DumpPicture::Render(report.dumps[0]);
    EXPECT_EQ(picture.size(), QSize(720, 400));
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4) {
        for (int x = 0; x < picture.width(); x += 4) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 10) << "axes, labels, lines and bands";

    const QString html = folder.filePath("visit.html");
    ASSERT_EQ(document.SaveAs(html), QString());
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    int pictures = 0;
    int cells = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            pictures +=
                xml.name() == QStringLiteral("img") &&
                xml.attributes().value("src").startsWith(QStringLiteral("data:image/png;base64,"));
            cells += xml.name() == QStringLiteral("td");
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(pictures, 1) << "the dump's plot";
    EXPECT_GT(cells, 2 * 8 * 6);
}

TEST_F(ServiceVisitTest, RepliesThatDidNotComeAndRefusalsAreRecordedAndReported) {
    MakeReplyPending();
    Click(Id::IdUpdate);  // refused: a reply is still pending
    EndPendingReply();
    card->SetSilent(true);
    Answer(ChooseSensor(5), Id::IdQueryCurrent);
    card->SetSilent(false);

    const QList<QJsonObject>& events = window->Record().Events();
    const QJsonObject refused = First(events, "refused");
    EXPECT_EQ(refused.value("command").toString(), "status");
    const QJsonObject silent = First(events, "query_current");
    EXPECT_EQ(silent.value("sensor").toInt(), 5);
    EXPECT_TRUE(silent.value("no_response").toBool());
    EXPECT_FALSE(silent.contains("value"));

    const ServiceReport report = ServiceReport::FromEvents(events);
    ASSERT_EQ(report.unanswered.size(), 2u);
    EXPECT_EQ(report.unanswered[0].what, "Status refused");
    EXPECT_EQ(report.unanswered[1].what, "Query current");
    EXPECT_EQ(report.unanswered[1].reply, "No Response.");
    EXPECT_FALSE(report.asFound[5].current.has_value()) << "no reading without a reply";

    // No value belongs before a refusal or a query: "n/a", never "not read".
    QStringList befores;
    for (const ReportContent::Block& block : ReportContent::From(report).blocks) {
        if (block.kind == ReportContent::Block::Kind::Table &&
            block.headings.contains(QStringLiteral("Before"))) {
            for (const ReportContent::Row& row : block.rows) {
                befores << row.at(1).text + ": " + row.at(2).text;
            }
        }
    }
    EXPECT_EQ(befores, (QStringList{"Status refused: n/a", "Query current: n/a"}));
}

TEST_F(ServiceVisitTest, TheMenuOpensTheReportBesideTheWindowAndItOpensEarlierRecords) {
    QMenu* menu = window->SystemMenu();
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        entries << action->text();
    }
    const qsizetype plot = entries.indexOf("Current Plot...");
    ASSERT_GE(plot, 0);
    ASSERT_EQ(entries.value(plot + 1), "Service Report...");
    EXPECT_EQ(menu->actions().at(plot + 1)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S))
        << "shown in the menu";
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    ServiceReportWindow* report = window->ServiceReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(window->screen()->availableGeometry().contains(report->frameGeometry()));
    EXPECT_EQ(report->windowModality(), Qt::NonModal);
    EXPECT_EQ(report->windowTitle(), "Service Report");
    EXPECT_TRUE(
        report->Browser()->document()->toPlainText().contains("Not yet: the visit is under way."))
        << "no exit yet: how the card will be left is not known";

    const QString notRecord = folder.filePath("list.jsonl");
    QFile file(notRecord);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("COM2 ok\n");
    file.close();
    EXPECT_FALSE(report->ShowRecord(notRecord));
    ASSERT_EQ(feedback.Messages(), 1);
    EXPECT_EQ(feedback.events.back().text, "list.jsonl is not a service record.");
    EXPECT_TRUE(report->IsShowingCurrentVisit());

    report->NotesField()->setPlainText("Left tube cleaned.");
    report->CommitNotes();
    window->Record().Drain();
    ASSERT_TRUE(report->ShowRecord(window->Record().FilePath()));
    EXPECT_FALSE(report->IsShowingCurrentVisit());
    EXPECT_TRUE(report->NotesField()->isReadOnly());
    EXPECT_EQ(report->NotesField()->toPlainText(), "Left tube cleaned.");
    EXPECT_TRUE(report->Browser()->document()->toPlainText().contains("SENSOR CARD V2.1"));
}

// A go-offline whose answer does not end in "OFFLINE" (here each line of the card's ends in a
// stray byte) leaves the card's mode unknown.
TEST_F(ServiceVisitTest, AGoOfflineNotConfirmedIsNoChange) {
    card->SetGarbage("", "?");
    Click(Id::IdGoOffline);

    const QJsonObject offline = window->Record().Events().last();
    ASSERT_EQ(offline.value("event").toString(), "go_offline");
    const QString reply = offline.value("reply").toString();
    ASSERT_FALSE(reply.isEmpty());
    EXPECT_FALSE(reply.endsWith("OFFLINE")) << reply.toStdString();
    EXPECT_EQ(offline.value("confirmed"), QJsonValue(false));

    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    for (const ServiceReport::Change& change : report.changes) {
        EXPECT_NE(change.what, "Card taken offline");
    }
    ASSERT_EQ(report.unconfirmed.size(), 1u);
    EXPECT_EQ(report.unconfirmed[0].what, "Go offline");
    EXPECT_EQ(report.unconfirmed[0].reply, reply);
    const QString shown = ReportDocument(report).Xhtml();
    EXPECT_TRUE(shown.contains("Replies that did not confirm"));
}

TEST_F(ServiceVisitTest, APowerLevelOfAValueNeverReadIsShownButNotRecorded) {
    Answer(ChooseSensor(kSensor), Id::IdQueryVoltage);
    EXPECT_EQ(Text(Id::IdPowerLevelReply), "0.0 mW") << "the current counts as 0 until read";
    EXPECT_TRUE(First(window->Record().Events(), "power_level").isEmpty());

    Answer(ChooseSensor(kSensor), Id::IdQueryCurrent);
    const QJsonObject level = First(window->Record().Events(), "power_level");
    ASSERT_FALSE(level.isEmpty());
    EXPECT_DOUBLE_EQ(level.value("volts").toDouble(), window->LastVoltage(kSensor));
    EXPECT_DOUBLE_EQ(level.value("milliamps").toDouble(), window->LastCurrent(kSensor));
    EXPECT_GT(level.value("value").toDouble(), 0.0);

    // Records made before kept the 0 mW the window showed; the report leaves it out.
    const QList<QJsonObject> older{
        {{"event", "visit"}, {"version", 1}, {"time", "2026-12-08T10:00:00.000+01:00"}},
        {{"event", "query_voltage"},
         {"sensor", kSensor},
         {"value", 4.5},
         {"unit", "V"},
         {"reply", "733"},
         {"time", "2026-12-08T10:00:01.000+01:00"}},
        {{"event", "power_level"},
         {"sensor", kSensor},
         {"value", 0.0},
         {"unit", "mW"},
         {"time", "2026-12-08T10:00:01.000+01:00"}},
    };
    const ServiceReport report = ServiceReport::FromEvents(older);
    ASSERT_TRUE(report.asFound[kSensor].voltage.has_value());
    EXPECT_FALSE(report.asFound[kSensor].powerLevel.has_value());
    EXPECT_FALSE(ReportDocument(report).Xhtml().contains("0.0 mW"));
}

TEST_F(ServiceVisitTest, ASecondChangeFindsTheValueTheFirstSet) {
    Answer(ChooseSensor(kSensor), Id::IdQueryVoltage);
    Answer(ChooseLevel(250, kSensor), Id::IdSetVoltage);
    Answer(ChooseLevel(100, kSensor), Id::IdSetVoltage);

    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    ASSERT_TRUE(report.asFound[kSensor].voltage.has_value());
    ASSERT_EQ(report.changes.size(), 2u);
    EXPECT_EQ(report.changes[0].before, report.asFound[kSensor].voltage->text);
    EXPECT_TRUE(report.changes[0].what.contains("set to 2.500 V"));
    EXPECT_EQ(report.changes[1].before, "2.500 V");
}

// How the card was left: the go-online the link's end sends, recorded before the exit.
TEST_F(ServiceVisitTest, TheGoOnlineAtExitIsRecordedBeforeTheExit) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* field;  // set true in the go-online's record
        const char* received;
        const char* cardLeft;  // how the report begins the line
    };
    const std::vector<Case> cases{
        {"answered", [] {}, "confirmed", "N\\r", "Put back online at exit"},
        {"silent", [this] { card->SetSilent(true); }, "no_response", "N\\r", "Not known"},
        {"reply pending", [this] { MakeReplyPending(); }, "reply_pending", "",
         "Not put back online"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.reset();
        card->SetSilent(false);
        window = std::make_unique<MaintenanceDialog>();
        window->InitDialog();
        ASSERT_NE(window->Link(), nullptr);
        c.arrange();
        card->ClearRecord();

        window->EndVisit();
        const QList<QJsonObject>& events = window->Record().Events();
        ASSERT_GE(events.size(), 2);
        EXPECT_EQ(events.last().value("event").toString(), "exit");
        const QJsonObject online = events.at(events.size() - 2);
        EXPECT_EQ(online.value("event").toString(), "go_online");
        EXPECT_TRUE(online.value("at_exit").toBool());
        EXPECT_TRUE(online.value(c.field).toBool());
        EXPECT_TRUE(ServiceReport::FromEvents(events).cardLeft.startsWith(c.cardLeft))
            << ServiceReport::FromEvents(events).cardLeft.toStdString();
        window.reset();
        EXPECT_EQ(windowtest::Printable(card->Received()), c.received) << "once, or not at all";
    }
    EXPECT_EQ(ServiceReport::FromEvents({}).cardLeft, "Not known: the record has no exit.");
}

// A visit past midnight: its times carry the date, the start and end the zone.
// A technician who gave a full name in an earlier visit.
class NamedTechnicianTest : public ServiceVisitTest {
  protected:
    void SetUp() override {
        ReportSettings::SetTechnician(QStringLiteral("Ada Byron"));
        ServiceVisitTest::SetUp();
    }
    void TearDown() override {
        ReportSettings::SetTechnician({});
        ServiceVisitTest::TearDown();
    }
};

TEST_F(NamedTechnicianTest, TheNameIsInTheRecordFromItsStart) {
    window->Record().Drain();
    const ReadRecord read = RecordReader::Read(window->Record().FilePath());
    ASSERT_TRUE(read.IsRecord()) << read.error.toStdString();
    EXPECT_EQ(First(read.events, "report_details").value("technician").toString(), "Ada Byron");
    EXPECT_EQ(ServiceReport::FromEvents(read.events).technician, "Ada Byron");
}

TEST_F(ServiceVisitTest, TimesOfAVisitPastMidnightCarryTheDate) {
    const QList<QJsonObject> events{
        {{"event", "visit"}, {"version", 1}, {"time", "2026-12-08T23:59:50.000+01:00"}},
        {{"event", "set_power_level"},
         {"code", "851B"},
         {"value", 6.5},
         {"unit", "mW"},
         {"reply", "POWER LEVEL 851B"},
         {"time", "2026-12-09T00:00:03.000+01:00"}},
    };
    const QList<QStringList> rows =
        TableRows(ReportDocument(ServiceReport::FromEvents(events)).Xhtml());
    EXPECT_TRUE(rows.contains(QStringList{"Started", "2026-12-08 23:59:50 UTC+01:00"}));
    EXPECT_TRUE(rows.contains(QStringList{"2026-12-09 00:00:03",
                                          "Target power level set to 6.5 mW (code 851B)",
                                          "not read", "POWER LEVEL 851B"}));
}

TEST_F(ServiceVisitTest, TheTimingTestRunsFromItsClockStart) {
    QDateTime opened;
    QDateTime beforeStart;
    Answer(
        [&](ui::TemplateDialog& dialog) {
            opened = QDateTime::fromString(
                window->Record().Events().last().value("time").toString(), Qt::ISODateWithMs);
            // The clock started at least a millisecond after the dialog opened.
            ASSERT_TRUE(QTest::qWaitFor([&] { return QDateTime::currentDateTime() > opened; }));
            beforeStart = QDateTime::currentDateTime();
            ClickButton(dialog, SensorTimingTestDialog::kStartStopId);
            ClickButton(dialog, SensorTimingTestDialog::kStartStopId);
            ClickButton(dialog, QStringLiteral("Done"));
        },
        Id::IdSensorTimingTest);
    ASSERT_TRUE(opened.isValid());

    const ServiceReport report = ServiceReport::FromEvents(window->Record().Events());
    ASSERT_EQ(report.timingTests.size(), 1u);
    EXPECT_GE(report.timingTests[0].start, beforeStart);
    EXPECT_GT(report.timingTests[0].start, opened);
}

using RecordStartTest = OperationsTest;

TEST_F(RecordStartTest, AFolderThatCannotBeMadeGivesOneMessageAndTheVisitGoesOn) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile blocker(folder.filePath("records"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)) << "a file where the folder should go";
    blocker.close();

    EXPECT_FALSE(window->StartRecordFile(folder.filePath("records/visits")));
    ASSERT_EQ(feedback.Messages(), 1);
    EXPECT_TRUE(feedback.events[0].text.contains("could not be created"));
    EXPECT_TRUE(window->Record().FilePath().isEmpty());

    Click(Id::IdUpdate);
    EXPECT_EQ(feedback.Messages(), 1) << "no further message";
    EXPECT_EQ(window->Record().Events().last().value("event").toString(), "status");
}

}  // namespace
}  // namespace opstest
