// "merrowby report" as a shell runs it, with no display: the record of a survey made into a
// PDF and an HTML page, and bad input refused with one line.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <QSettings>

#include "FeedbackRecorder.h"
#include "PdfText.h"
#include "ProgramRun.h"
#include "history/PreviousVisitSection.h"
#include "record/RecordReader.h"
#include "record/VisitRecord.h"
#include "report/ServiceReportWindow.h"
#include "tests/record/LimitsFile.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What the report of that record must show: the card, its port and device, how it was left,
// the survey's values and its finding.
QStringList Values(const QString& record) {
    QStringList values{
        "SENSOR CARD V2.1",
        "COM1",
        "Put back online at exit",
        "4.618 V",
        "1.502 mA",
        "Sensor 1: covered.",
        "As left: 6 of 8 sensors in order. Sensor 1: covered. Sensor 7: not trained."};
    const ReadRecord read = RecordReader::Read(record);
    const QString device = read.events.value(1).value("device").toString();
    EXPECT_TRUE(device.startsWith("/dev/pts/")) << device.toStdString();
    values << device;
    return values;
}

// An XHTML report's section: from its heading to the next.
QString Section(const QString& page, const QString& title) {
    const QString heading = QStringLiteral("<h2>%1</h2>").arg(title);
    const qsizetype start = page.indexOf(heading);
    const qsizetype end = page.indexOf(QStringLiteral("<h2"), start + heading.size());
    return start < 0 ? QString() : page.mid(start, end - start);
}

QString AcceptanceSection(const QString& page) {
    return Section(page, QStringLiteral("Acceptance limits"));
}

QString Line(QJsonObject event, const QDateTime& time) {
    event.insert("time", time.toString(Qt::ISODateWithMs));
    return QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
}

class ReportCommandTest : public ::testing::Test {
  protected:
    // The record of a survey of the simulated card, sensor 1 covered.
    QString SurveyRecord() {
        cardsim::CardOptions options;
        options.sensors[1].covered = true;
        cardsim::CardSimulator card(options);
        const ProgramRun::Result survey =
            run.Run({"survey", "--port", QString::fromStdString("COM1=" + card.SlavePath())});
        EXPECT_EQ(survey.status, 3) << survey.err.toStdString();
        return run.RecordPath();
    }

    ProgramRun run;
};

TEST_F(ReportCommandTest, TheRecordOfASurveyBecomesAPdfAndAnHtmlPage) {
    const QString record = SurveyRecord();
    ASSERT_FALSE(record.isEmpty());

    const QString pdf = run.FilePath("report.pdf");
    const ProgramRun::Result toPdf = run.Run({"report", record, "--output", pdf});
    ASSERT_EQ(toPdf.status, 0) << toPdf.err.toStdString();
    EXPECT_TRUE(toPdf.err.isEmpty()) << toPdf.err.toStdString();
    const QString text = PdfText(pdf);
    for (const QString& value : Values(record)) {
        EXPECT_TRUE(text.contains(value)) << value.toStdString() << "\n" << text.toStdString();
    }
    EXPECT_TRUE(text.contains("Page 1 of ")) << text.toStdString();
    EXPECT_TRUE(text.contains("End of report")) << text.toStdString();

    const QString html = run.FilePath("report.html");
    const ProgramRun::Result toHtml = run.Run({"report", record, "--output", html});
    ASSERT_EQ(toHtml.status, 0) << toHtml.err.toStdString();
    const QString page = QString::fromUtf8(ReadAll(html));
    EXPECT_TRUE(page.contains("<html")) << page.left(200).toStdString();
    for (const QString& value : Values(record)) {
        EXPECT_TRUE(page.contains(value)) << value.toStdString();
    }
}

// The limits the report window uses, kept in the settings, or those --limits names: the
// report from a shell judges as the one the window saves.
TEST_F(ReportCommandTest, TheAcceptanceSectionIsTheOneTheWindowSaves) {
    const QString record = SurveyRecord();
    ASSERT_FALSE(record.isEmpty());
    {
        QFile file(record);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(R"({"event":"report_details","model":"MX-8"})"
                   "\n");
    }
    const LimitsFile kept(R"({"decision_rule": "Within both bounds.",
        "models": {"MX-8": {"volts": {"min": 4.0, "max": 5.0}, "milliamps": {"max": 1.0}}}})");
    const LimitsFile named(R"({"models": {"MX-8": {"volts": {"max": 4.5}}}})");
    QSettings shellSettings(run.FilePath("config/merrowby/merrowby.conf"), QSettings::IniFormat);
    shellSettings.setValue("report/acceptance_limits", kept.Path());
    shellSettings.sync();

    const FeedbackRecorder feedback;
    VisitRecord current({"1.0", "tech", "bench-pc"});
    ServiceReportWindow window(current, nullptr);
    const struct {
        QString limits;
        QStringList options;
        const char* judged;
    } cases[] = {{kept.Path(), {}, "8 of 16 values within their limits."},
                 {named.Path(), {"--limits", named.Path()}, "2 of 8 values within their limits."}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.limits.toStdString());
        ASSERT_TRUE(window.UseAcceptanceLimits(test.limits));
        ASSERT_TRUE(window.ShowRecord(record));
        const QString saved = run.FilePath("window.html");
        ASSERT_TRUE(window.SaveTo(saved));

        const QString written = run.FilePath("shell.html");
        const ProgramRun::Result shell =
            run.Run(QStringList{"report", record, "--output", written} + test.options);
        ASSERT_EQ(shell.status, 0) << shell.err.toStdString();
        EXPECT_TRUE(shell.err.isEmpty()) << shell.err.toStdString();
        const QString section = AcceptanceSection(QString::fromUtf8(ReadAll(written)));
        EXPECT_TRUE(section.contains(test.judged)) << section.toStdString();
        EXPECT_EQ(section, AcceptanceSection(QString::fromUtf8(ReadAll(saved))));
    }
    EXPECT_EQ(feedback.Messages(), 0);
}

// Each report written is an issue recorded in the record; the issuer the record names holds
// over the settings of the computer that makes it again, the same content keeps its revision,
// and an authorisation given once stays.
TEST_F(ReportCommandTest, EachIssueIsRecordedAndOnlyOtherContentGetsANewRevision) {
    QSettings settings(run.FilePath("config/merrowby/merrowby.conf"), QSettings::IniFormat);
    settings.setValue("report/issuer_name", "Calder Instrument Services");
    settings.setValue("report/issuer_address", "1 Mill Road\nCalderbridge");
    settings.setValue("report/procedure", "SP-12 Sensor card check");
    settings.setValue("report/procedure_revision", "C");
    settings.sync();
    {
        // Typed into the file by hand: a comma without quotes.
        QFile file(settings.fileName());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("issuer_contact=lab@calder.example, +44 1632 960000\n");
    }
    const QString record = SurveyRecord();
    ASSERT_FALSE(record.isEmpty());

    const auto issue = [this, &record](const QString& name, const QStringList& options = {}) {
        const ProgramRun::Result result =
            run.Run(QStringList{"report", record, "--output", run.FilePath(name)} + options);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
        return PdfText(run.FilePath(name)).simplified();
    };
    const QString first = issue("first.pdf");
    for (const char* text :
         {"Issued by Calder Instrument Services", "Address 1 Mill Road, Calderbridge",
          "Contact lab@calder.example, +44 1632 960000", "Date of issue 20", "Revision 0.",
          "Procedure SP-12 Sensor card check", "Procedure revision C",
          "No measurement uncertainty is stated.", "Authorised by not given"}) {
        EXPECT_TRUE(first.contains(text)) << text << "\n" << first.toStdString();
    }
    QList<QJsonObject> events = RecordReader::Read(record).events;
    QStringList kinds;
    for (const QJsonObject& event : events) {
        kinds << event.value("event").toString();
    }
    EXPECT_EQ(kinds.count("issuer"), 1);
    EXPECT_LT(kinds.indexOf("issuer"), kinds.indexOf("survey")) << "from the visit's start";
    const QJsonObject issued = events.last();
    EXPECT_EQ(issued.value("event"), "report_issued");
    EXPECT_EQ(issued.value("revision"), 0);
    EXPECT_EQ(issued.value("file"), "first.pdf");
    EXPECT_EQ(
        issued.value("sha256").toString().toLatin1(),
        QCryptographicHash::hash(ReadAll(run.FilePath("first.pdf")), QCryptographicHash::Sha256)
            .toHex());
    const QString firstIssued =
        QDateTime::fromString(issued.value("date_of_issue").toString(), Qt::ISODateWithMs)
            .toString("yyyy-MM-dd HH:mm:ss");
    EXPECT_TRUE(first.contains("Date of issue " + firstIssued)) << firstIssued.toStdString();

    EXPECT_TRUE(issue("again.pdf").contains("Revision 0.")) << "the same content";

    // Elsewhere, under another issuer: the record's holds.
    settings.setValue("report/issuer_name", "Other Laboratory");
    settings.sync();
    const QString supersedes = "Revision 1, supersedes revision 0 of " + firstIssued;
    const QString authorised =
        issue("authorised.pdf", {"--authorised-by", "Ann Lee, Quality Manager"});
    for (const QString& text :
         {QString("Issued by Calder Instrument Services"), supersedes,
          QString("Authorised by Ann Lee, Quality Manager"), QString("Technician:")}) {
        EXPECT_TRUE(authorised.contains(text)) << text.toStdString();
    }
    const QString remade = issue("remade.pdf");
    EXPECT_TRUE(remade.contains(supersedes)) << "the authorisation is kept: the same content";
    EXPECT_TRUE(remade.contains("Authorised by Ann Lee, Quality Manager"));
    EXPECT_FALSE(remade.contains("Other Laboratory"));

    events = RecordReader::Read(record).events;
    QList<int> revisions;
    for (const QJsonObject& event : events) {
        if (event.value("event") == "report_issued") {
            revisions << event.value("revision").toInt();
        }
    }
    EXPECT_EQ(revisions, (QList<int>{0, 0, 1, 1}));
}

TEST_F(ReportCommandTest, BadInputGetsOneLineAndStatus1AndLeavesTheOutputAlone) {
    const QString notRecord = run.FilePath("notes.txt");
    Write(notRecord, "Lamp replaced.\n");
    const QString output = run.FilePath("old.pdf");
    Write(output, "the report saved before");
    const QString record = SurveyRecord();
    ASSERT_FALSE(record.isEmpty());
    ASSERT_TRUE(QDir(run.FilePath("")).mkdir("folder"));

    const struct {
        QStringList arguments;
        QString line;
    } cases[] = {
        {{"report", notRecord, "--output", output},
         "merrowby report: notes.txt is not a service record."},
        {{"report", run.FilePath("missing.jsonl"), "--output", output},
         "merrowby report: missing.jsonl could not be opened: No such file or directory"},
        {{"report", record, "--output", run.FilePath("folder")},
         QStringLiteral("merrowby report: %1 could not be written: It is not a file.")
             .arg(run.FilePath("folder"))},
        {{"report", record, "--output", run.FilePath("no-such-folder/report.pdf")},
         QStringLiteral("merrowby report: %1 could not be written: No such file or directory")
             .arg(run.FilePath("no-such-folder/report.pdf"))},
        {{"report", record},
         "merrowby report: --output FILE.pdf or --output FILE.html is missing (see merrowby "
         "report --help)"},
        {{"report", record, "--output", output, "--authorised-by", "Ann Lee"},
         "merrowby report: --authorised-by: \"Ann Lee\" is not \"NAME, ROLE\" (see merrowby "
         "report --help)"},
        {{"report", record, "--output", output, "--limits", run.FilePath("missing.json")},
         QStringLiteral("merrowby report: The acceptance limits %1 cannot be read: No such file "
                        "or directory")
             .arg(run.FilePath("missing.json"))},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.arguments.join(' ').toStdString());
        const ProgramRun::Result result = run.Run(test.arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(QString::fromUtf8(result.err), test.line + '\n');
        EXPECT_EQ(ReadAll(output), "the report saved before");
    }
}

// Each output as a plain open for writing would take it, the shell's "> F": a link is followed
// by the kernel's rules, never resolved by the program, and what is not the report's is kept.
TEST_F(ReportCommandTest, EachOutputIsWrittenAsAPlainOpenWouldOrRefusedWithTheReason) {
    const QString record = SurveyRecord();
    ASSERT_FALSE(record.isEmpty());
    const QByteArray recordBytes = ReadAll(record);
    const QDir home(run.FilePath(""));
    ASSERT_TRUE(home.mkdir("shared"));
    ASSERT_TRUE(home.mkdir("sub"));
    const QString shared = run.FilePath("shared");
    ASSERT_EQ(::chmod(QFile::encodeName(shared), 01777), 0);
    Write(run.FilePath("system.conf"), "root:secret");
    Write(run.FilePath("notes.txt"), "my notes");
    // Planted by another user in the shared sticky folder, and the user's own link there.
    const QString planted = shared + "/report.pdf";
    ASSERT_TRUE(QFile::link(run.FilePath("system.conf"), planted));
    ASSERT_EQ(::lchown(QFile::encodeName(planted), 65534, 65534), 0);
    const QString own = shared + "/mine.pdf";
    ASSERT_TRUE(QFile::link(run.FilePath("notes.txt"), own));
    ASSERT_TRUE(QFile::link("sub/new.pdf", run.FilePath("out.pdf")));
    ASSERT_TRUE(QFile::link("missing/new.pdf", run.FilePath("nowhere.pdf")));
    ASSERT_TRUE(QFile::link(record, run.FilePath("record.pdf")));
    Write(run.FilePath("old.pdf"), "the report saved before");
    const QString otherPath =
        QFileInfo(record).path() + "/../records/" + QFileInfo(record).fileName();

    const QString denied = "Permission denied";
    const QString itself = "It is the service record the report is made from.";
    const QString formats =
        "A report is made as a PDF (.pdf) or as an HTML page (.html, .htm or .xhtml).";
    const struct {
        QString output;
        QString reason;   // empty: written
        QString written;  // the file that holds the report
        QString kept;     // a file left as it was
        QByteArray keptBytes;
    } cases[] = {
        {planted, denied, {}, run.FilePath("system.conf"), "root:secret"},
        {own, {}, run.FilePath("notes.txt"), {}, {}},
        {run.FilePath("out.pdf"), {}, run.FilePath("sub/new.pdf"), {}, {}},
        {run.FilePath("nowhere.pdf"), "No such file or directory", {}, {}, {}},
        {record, itself, {}, record, recordBytes},
        {run.FilePath("record.pdf"), itself, {}, record, recordBytes},
        {otherPath, itself, {}, record, recordBytes},
        {run.FilePath("old.txt"), formats, {}, {}, {}},
        {run.FilePath("old.pdf"), {}, run.FilePath("old.pdf"), {}, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.output.toStdString());
        // A report written is recorded as issued at the record's end; one refused is not.
        const QByteArray recordBefore = ReadAll(record);
        const QByteArray keptBytes = test.kept == record ? recordBefore : test.keptBytes;
        const ProgramRun::Result result = run.Run({"report", record, "--output", test.output});
        if (test.reason.isEmpty()) {
            EXPECT_EQ(result.status, 0) << result.err.toStdString();
            EXPECT_TRUE(ReadAll(test.written).startsWith("%PDF-"));
        } else {
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(QString::fromUtf8(result.err),
                      QStringLiteral("merrowby report: %1 could not be written: %2\n")
                          .arg(test.output, test.reason));
        }
        if (!test.kept.isEmpty()) {
            EXPECT_EQ(ReadAll(test.kept), keptBytes);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(run.FilePath("old.txt")));
    for (const QString& link :
         {planted, own, run.FilePath("out.pdf"), run.FilePath("record.pdf")}) {
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << link.toStdString();
    }

    // A file made read-only is refused as the shell refuses it, to a user other than root.
    const QString user = run.FilePath("user");
    ASSERT_TRUE(home.mkdir("user"));
    ASSERT_EQ(::chmod(QFile::encodeName(run.FilePath("")), 0711), 0);
    ASSERT_TRUE(QFile::copy(record, user + "/visit.jsonl"));
    const QString signedPdf = user + "/signed.pdf";
    Write(signedPdf, "signed by the customer");
    for (const QString& file : {user, user + "/visit.jsonl", signedPdf}) {
        ASSERT_EQ(::chown(QFile::encodeName(file), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(signedPdf), 0444), 0);
    QProcess program;
    program.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(125);
        }
    });
    run.Start(program, {"report", user + "/visit.jsonl", "--output", signedPdf});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 1);
    // Its last line: another user's environment may draw warnings before it.
    const QString err = QString::fromUtf8(program.readAllStandardError());
    EXPECT_TRUE(
        err.endsWith(QStringLiteral("merrowby report: %1 could not be written: Permission denied\n")
                         .arg(signedPdf)))
        << err.toStdString();
    EXPECT_EQ(ReadAll(signedPdf), "signed by the customer");
}

}  // namespace

namespace {

// A visit whose survey was judged against the laboratory's limits (sensor 3 found at 3.516 V,
// then set to 4.500 V and found within), with a dump over the laboratory's spread limit but
// within the window's: its report made by the window and by "merrowby report" in another
// locale and time zone, with the limits file gone, judges alike from the limits recorded.
TEST_F(ReportCommandTest, TheRecordedLimitsJudgeAlikeInTheWindowAndElsewhere) {
    cardsim::CardOptions options;
    options.sensors[3].voltageCode = 0x5A0;
    options.sensors[7].trained = true;
    const QString limits = run.FilePath("lab.json");
    Write(limits, R"({"models": {"MX-8": {"volts": {"min": 4.0, "max": 5.0},)"
                  R"( "spread_microamps": 10}}})");
    {
        cardsim::CardSimulator card(options);
        const ProgramRun::Result survey =
            run.Run({"survey", "--port", QString::fromStdString("COM1=" + card.SlavePath()),
                     "--model", "MX-8", "--limits", limits});
        ASSERT_EQ(survey.status, 3) << survey.err.toStdString();
    }
    ASSERT_TRUE(QFile::remove(limits));
    const QString record = run.RecordPath();

    // The change, the survey after it and a dump, before the exit.
    QStringList lines = QString::fromUtf8(ReadAll(record)).split('\n', Qt::SkipEmptyParts);
    const QString exit = lines.takeLast();
    ASSERT_TRUE(exit.contains(R"("event":"exit")")) << exit.toStdString();
    QJsonObject found;
    for (const QString& line : lines) {
        const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
        if (event.value("event") == "survey") {
            found = event;
        }
    }
    ASSERT_FALSE(found.isEmpty());
    const QDateTime time = QDateTime::fromString(found.value("time").toString(), Qt::ISODateWithMs);
    lines << Line({{"event", "set_voltage"},
                   {"sensor", 3},
                   {"value", 4.5},
                   {"unit", "V"},
                   {"code", "733"},
                   {"reply", ""}},
                  time.addSecs(60));
    QJsonArray sensors = found.value("sensors").toArray();
    QJsonObject sensor3 = sensors[3].toObject();
    sensor3.insert("volts", 4.5006);
    QJsonObject replies = sensor3.value("replies").toObject();
    replies.insert("voltage", "733");
    sensor3.insert("replies", replies);
    sensors[3] = sensor3;
    QJsonObject left = found;
    left.insert("sensors", sensors);
    lines << Line(left, time.addSecs(120));
    lines << Line({{"event", "dump_start"}, {"tube", "left"}, {"spread_limit", 0.02}},
                  time.addSecs(180));
    lines << Line({{"event", "dump_end"},
                   {"tube", "left"},
                   {"spread_limit", 0.02},
                   {"samples", 0},
                   {"max", QJsonArray{1.0, 1.0, 1.015, 1.0}},
                   {"min", QJsonArray{1.0, 1.0, 1.0, 1.0}},
                   {"lamps_lit", QJsonArray{false, false, false, false}}},
                  time.addSecs(240));
    lines << Line({{"event", "issuer"},
                   {"name", "Calder Test Laboratory"},
                   {"address", "4 Mill Lane, Calder"},
                   {"procedure", "SP-12 Tube sensor check"},
                   {"procedure_revision", "C"}},
                  time.addSecs(250));
    lines << exit;
    Write(record, (lines.join('\n') + '\n').toUtf8());

    const FeedbackRecorder feedback;
    VisitRecord current({"1.0", "tech", "bench-pc"});
    ServiceReportWindow window(current, nullptr);
    // As the main window has it: the previous visit from the history.
    PreviousVisitSection previous;
    window.SetReportAddition(
        [&previous](ServiceReport& report, const QString& file, const AcceptanceLimits* used) {
            previous.AddTo(report, file, used);
        });
    window.UseAcceptanceLimits({});
    ASSERT_TRUE(window.ShowRecord(record));
    const QString saved = run.FilePath("window.html");
    ASSERT_TRUE(window.SaveTo(saved));
    const QString written = run.FilePath("elsewhere.html");
    const ProgramRun::Result shell =
        run.Run({"report", record, "--output", written},
                {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8", "TZ=America/New_York"});
    ASSERT_EQ(shell.status, 0) << shell.err.toStdString();

    const QString page = QString::fromUtf8(ReadAll(written));
    const QString windowPage = QString::fromUtf8(ReadAll(saved));
    EXPECT_TRUE(Section(page, "Summary")
                    .contains("As found: out of tolerance (sensor 3: voltage 3.516 V, limits "
                              "4.000 to 5.000 V, mended by this visit). As left: 8 of 8 sensors "
                              "in order. Sensor 2: dump spread 15.0 µA over the limit of 10.0 "
                              "µA."))
        << Section(page, "Summary").toStdString();
    const QString findings = Section(page, "Findings").simplified();
    EXPECT_TRUE(findings.contains("<td>Rule 1</td> <td>Simple acceptance"))
        << findings.toStdString();
    EXPECT_TRUE(findings.contains("<td>Rule 2</td> <td>A sensor's spread in a dump"))
        << findings.toStdString();
    EXPECT_TRUE(AcceptanceSection(page).contains(
        "lab.json (SHA-256 1af2665b62b6ddaf4bcb2100a37fa8be9fd3d6e152b7ba0a6ff2d59f8f1aaaf6)"))
        << AcceptanceSection(page).toStdString();
    EXPECT_TRUE(page.contains("the laboratory's for the model")) << page.toStdString();
    for (const char* title : {"Summary", "Findings", "Acceptance limits"}) {
        EXPECT_FALSE(Section(page, title).isEmpty()) << title;
        EXPECT_EQ(Section(page, title), Section(windowPage, title)) << title;
    }
    // The same issuer, and the same content keeps the window's revision.
    for (const QString* shown : {&page, &windowPage}) {
        EXPECT_TRUE(shown->contains("Calder Test Laboratory"));
        EXPECT_TRUE(shown->contains("SP-12 Tube sensor check"));
        EXPECT_TRUE(shown->contains("Revision 0.")) << shown->toStdString();
        EXPECT_FALSE(shown->contains("Interim report"));
    }
    EXPECT_EQ(feedback.Messages(), 0);
}

}  // namespace
