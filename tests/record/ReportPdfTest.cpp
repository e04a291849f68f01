// The report a laboratory files: the PDF read back with pdftotext (the report number and
// "Page x of y" on every page, the summary first, the findings with their rules, every value,
// the notes after the results, the end mark), its tables never split within a row, the dumps'
// plots drawn as vector graphics, the pagination itself, and the XHTML read as a screen reader
// reads it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <cmath>

#include "PdfText.h"
#include "QStringPrinter.h"
#include "report/DumpPicture.h"
#include "report/ReportBrowserAccessible.h"
#include "report/ReportContent.h"
#include "report/ReportDocument.h"
#include "report/ReportIssuing.h"
#include "report/ReportLayout.h"
#include "report/ServiceReport.h"

namespace {

using Kind = ReportContent::Block::Kind;

const QTimeZone kZone(3600);

QDateTime At(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, 8), QTime(hour, minute, second), kZone);
}

ServiceReport::Reading Read(const QString& text, const QDateTime& time,
                            const QString& setting = {}) {
    return {text, time, setting};
}

// A visit as the survey and the judgement fill it: every sensor surveyed as found and as left,
// sensor 2's voltage read back different from its setting, sensor 1 covered, a dump over its
// limit on one sensor, acceptance limits applied.
ServiceReport SampleReport() {
    ServiceReport report;
    report.reportNumber = QStringLiteral("MRB-20261208-104051-7F3A");
    report.technician = QStringLiteral("Jane Q. Doe");
    report.details = {QStringLiteral("OT-800"),
                      QStringLiteral("SN 40117"),
                      QString(),
                      QStringLiteral("Northgate Clinical Lab"),
                      QStringLiteral("Building 3, room 12"),
                      QStringLiteral("Annual maintenance"),
                      QStringLiteral("Dr. R. Okafor, +44 1632 960111")};
    report.started = At(10, 40, 51);
    report.ended = At(11, 52, 3);
    report.identity = QStringLiteral("SENSOR CARD V2.1");
    report.port = QStringLiteral("COM1");
    report.device = QStringLiteral("/dev/ttyUSB0");
    report.programVersion = QStringLiteral("1.0");
    report.user = QStringLiteral("root");
    report.host = QStringLiteral("bench-pc");
    report.cardLeft = QStringLiteral("Put back online at exit: ONLINE.");
    report.asFoundSurveyed = true;
    report.asFoundTime = At(10, 41, 2);
    report.asLeftTime = At(11, 50, 12);
    for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
        ServiceReport::SensorReadings& found = report.asFound[s];
        found.voltage = Read(QStringLiteral("%1 V").arg(4.1 + s * 0.1, 0, 'f', 3), At(10, 41, 2));
        found.current = Read(QStringLiteral("%1 mA").arg(1.2 + s * 0.01, 0, 'f', 4), At(10, 41, 2));
        found.tripPoint =
            Read(QStringLiteral("%1 mA").arg(0.6 + s * 0.01, 0, 'f', 4), At(10, 41, 2));
        found.powerLevel =
            Read(QStringLiteral("%1 mW").arg(5.0 + s * 0.1, 0, 'f', 2), At(10, 41, 2));
        found.status = Read(s == 1 ? QStringLiteral("Enabled, trained, covered")
                                   : QStringLiteral("Enabled, trained"),
                            At(10, 41, 2));
        ServiceReport::SensorReadings& left = report.asLeft[s];
        left = found;
        left.voltage = Read(QStringLiteral("%1 V").arg(4.2 + s * 0.1, 0, 'f', 3), At(11, 50, 12));
        left.current = Read(QStringLiteral("%1 mA").arg(1.3 + s * 0.01, 0, 'f', 4), At(11, 50, 12));
    }
    report.asLeft[2].voltage =
        Read(QStringLiteral("4.537 V"), At(11, 50, 12), QStringLiteral("4.800 V"));
    report.asLeft[7].tripPoint.reset();
    report.summary = QStringLiteral(
        "As left: 6 of 8 sensors in order. Sensor 1: covered. Sensor 2: voltage differs from its "
        "setting (set 4.800 V, read 4.537 V).");
    const QString status = QStringLiteral(
        "The card's status reports the sensor shorted, open or covered, or not enabled or not "
        "trained.");
    const QString readBack = QStringLiteral(
        "A value read back differs from the value set in this visit by more than one code step.");
    const QString spread = QStringLiteral(
        "A sensor's spread in a dump (its largest less its smallest current) exceeded the "
        "acceptable limit.");
    report.findings = {
        {1, QStringLiteral("Sensor 1: covered."), status, false},
        {2,
         QStringLiteral("Sensor 2: voltage differs from its setting (set 4.800 V, "
                        "read 4.537 V)."),
         readBack, false},
        {5, QStringLiteral("Sensor 5: dump spread 26.0 µA over the limit of 20.0 µA."), spread,
         false}};
    report.rules = {status, readBack, spread};
    report.decisionRule = QStringLiteral(
        "Simple acceptance: a value passes when it lies within its minimum and maximum, both "
        "included; the uncertainty of the reading is not taken into account.");
    for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
        report.limitResults.push_back({s, QStringLiteral("Voltage"), report.asLeft[s].voltage->text,
                                       QStringLiteral("4.000 V to 5.000 V"), true,
                                       report.asFound[s].voltage->text, true});
        report.limitResults.push_back({s, QStringLiteral("Current"), report.asLeft[s].current->text,
                                       QStringLiteral("1.000 mA to 1.350 mA"), s < 5,
                                       report.asFound[s].current->text, s < 7});
    }
    report.changes.push_back({At(10, 45, 0), QStringLiteral("Voltage of sensor 2 set to 4.800 V"),
                              QStringLiteral("4.300 V"), QStringLiteral("VOLTAGE 2 7AE")});
    report.changes.push_back({At(10, 47, 30), QStringLiteral("Card taken offline"), QString(),
                              QStringLiteral("OFFLINE")});
    report.unanswered.push_back({At(10, 50, 1), QStringLiteral("Query current"), QString(),
                                 QStringLiteral("No Response.")});

    ServiceReport::TimingTest test;
    test.tube = QStringLiteral("left");
    test.start = At(11, 0, 0);
    test.end = At(11, 2, 0);
    test.rows = {{QStringLiteral("1.024"), {"0x300400", "0x300401", "N/A", QString()}},
                 {QStringLiteral("2.048"), {"0x300402", "0x300403", "0x300404", "0x300405"}}};
    report.timingTests.push_back(test);

    ServiceReport::Dump dump;
    dump.tube = QStringLiteral("right");
    dump.firstSensor = 4;
    dump.start = At(11, 10, 0);
    dump.end = At(11, 20, 0);
    dump.ended = true;
    dump.spreadLimit = 0.020;
    dump.file = QStringLiteral("/home/tech/dumps/right.csv");
    for (int i = 0; i < 2400; ++i) {
        CurrentRow row;
        row.seconds = i * 0.25;
        const double wave = std::sin(i / 40.0);
        row.milliamps = {1.25 + 0.007 * wave, 0.94 + 0.013 * wave, 1.10 + 0.004 * wave,
                         1.50 + 0.002 * wave};
        dump.rows.push_back(row);
    }
    dump.samples = int(dump.rows.size());
    for (int c = 0; c < CurrentRow::kColumns; ++c) {
        dump.maximum[c] = dump.rows[0].milliamps[c];
        dump.minimum[c] = dump.rows[0].milliamps[c];
        for (const CurrentRow& row : dump.rows) {
            dump.maximum[c] = std::max(dump.maximum[c], row.milliamps[c]);
            dump.minimum[c] = std::min(dump.minimum[c], row.milliamps[c]);
        }
        dump.lampLit[c] = dump.maximum[c] - dump.minimum[c] > dump.spreadLimit;
    }
    report.dumps.push_back(dump);
    report.notes = QStringLiteral(
        "Sensor 1 window cleaned; still covered.\nSensor 2 lamp "
        "replaced.\n\nCustomer informed.");
    return report;
}

// A visit with many changes, every tenth with a reply long enough to wrap over lines.
ServiceReport ManyChanges(int count) {
    ServiceReport report = SampleReport();
    report.changes.clear();
    for (int i = 0; i < count; ++i) {
        QStringList words;
        for (int w = 0; w < (i % 10 == 5 ? 40 : 1); ++w) {
            words << QStringLiteral("r%1-%2").arg(i, 3, 10, QLatin1Char('0')).arg(w);
        }
        report.changes.push_back(
            {At(10, 45 + i / 60, i % 60),
             QStringLiteral("Change %1 of the visit").arg(i, 3, 10, QLatin1Char('0')),
             QStringLiteral("before-%1").arg(i, 3, 10, QLatin1Char('0')),
             words.join(QLatin1Char(' '))});
    }
    return report;
}

// The pages of a PDF's text, as pdftotext reads them.
QStringList PdfPages(const QString& path) {
    QStringList pages = PdfText(path).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
        pages.removeLast();
    }
    return pages;
}

int PageHolding(const QStringList& pages, const QString& text) {
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i].contains(text)) {
            return i;
        }
    }
    return -1;
}

// A4 at the resolution the PDF is written at, with its margins.
struct A4Device {
    A4Device() : buffer(&bytes), writer(&buffer) {
        buffer.open(QIODevice::WriteOnly);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(22, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
    }
    QByteArray bytes;
    QBuffer buffer;
    QPdfWriter writer;
};

class ReportPdfTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    QStringList SavedPages(const ServiceReport& report) {
        ReportDocument document(report);
        const QString path = folder.filePath("report.pdf");
        EXPECT_EQ(document.SavePdf(path), QString());
        return PdfPages(path);
    }

    QTemporaryDir folder;
};

TEST_F(ReportPdfTest, EveryPageHoldsTheReportNumberAndPageXOfYAndTheLastEndsTheReport) {
    const ServiceReport report = ManyChanges(150);
    const QStringList pages = SavedPages(report);
    ASSERT_GE(pages.size(), 4);
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(pages[i].contains("Report number MRB-20261208-104051-7F3A"));
        EXPECT_TRUE(pages[i].contains(QString("Page %1 of %2").arg(i + 1).arg(pages.size())));
        EXPECT_TRUE(pages[i].contains("Service Report"));
    }
    const QString& last = pages.last();
    EXPECT_EQ(pages.join('\f').count("End of report"), 1);
    const qsizetype end = last.indexOf("End of report");
    ASSERT_GE(end, 0);
    EXPECT_GT(end, last.indexOf("Signature"));
    EXPECT_EQ(last.mid(end).simplified(),
              QString("End of report Report number MRB-20261208-104051-7F3A Page %1 of %1")
                  .arg(pages.size()))
        << "only the footer follows the end mark";
}

// An issued report, as a PDF and as XHTML: the issuer, the date of issue and the revision at
// the head of the first page, the method, and who authorised it beside the signature lines;
// made while the visit is under way, it says so first.
TEST_F(ReportPdfTest, TheHeadNamesTheIssuerTheIssueAndTheRevisionAndTheMethodAndAuthorisation) {
    ServiceReport report = SampleReport();
    report.issuer = {"Calder Instrument Services",
                     "1 Mill Road\nCalderbridge CA20 1PG",
                     "lab@calder.example, +44 1632 960000",
                     "UKAS 0817",
                     "SP-12 Sensor card check",
                     "C"};
    report.procedure = report.issuer.procedure;
    report.procedureRevision = report.issuer.procedureRevision;
    report.authorisation = Authorisation{"Ann Lee", "Quality Manager", At(14, 1, 0)};
    report.issues.push_back(
        {report.reportNumber, 0, At(12, 0, 0), "first.pdf", "00", "another content"});
    ReportIssuing::Prepare(report, At(14, 2, 11));

    for (const bool interim : {false, true}) {
        SCOPED_TRACE(interim ? "interim" : "final");
        report.underWay = interim;
        const QStringList pages = SavedPages(report);
        ASSERT_GE(pages.size(), 2);
        const QString first = pages[0].simplified();
        const QString all = pages.join(' ').simplified();
        for (const char* text :
             {"Issued by Calder Instrument Services", "Address 1 Mill Road, Calderbridge CA20 1PG",
              "Contact lab@calder.example, +44 1632 960000", "UKAS 0817",
              "Date of issue 2026-12-08 14:02:11 UTC+01:00",
              "Revision 1, supersedes revision 0 of 2026-12-08 12:00:00 UTC+01:00."}) {
            EXPECT_TRUE(first.contains(text)) << text << "\n" << first.toStdString();
        }
        EXPECT_LT(first.indexOf("Revision 1"), first.indexOf("Summary"));
        EXPECT_EQ(first.indexOf("Interim report: the visit was under way when this report was "
                                "made.") >= 0 &&
                      first.indexOf("Interim report") < first.indexOf("Issued by"),
                  interim);
        for (const char* text :
             {"Procedure SP-12 Sensor card check", "Procedure revision C",
              "The service is a functional check and adjustment of the sensor card, not a "
              "calibration.",
              "No measurement uncertainty is stated.", "Authorised by Ann Lee, Quality Manager",
              "Date of authorisation 2026-12-08"}) {
            EXPECT_TRUE(all.contains(text)) << text;
        }
        EXPECT_LT(all.indexOf("Authorised by Ann Lee"), all.indexOf("Technician: Jane Q. Doe"))
            << "the technician's signature line stays";

        ReportDocument document(report);
        const QString path = folder.filePath("report.html");
        ASSERT_EQ(document.SaveHtml(path), QString());
        QFile html(path);
        ASSERT_TRUE(html.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(html.readAll());
        for (const char* text : {"Calder Instrument Services", "2026-12-08 14:02:11 UTC+01:00",
                                 "Revision 1, supersedes revision 0 of 2026-12-08 12:00:00",
                                 "not a calibration.", "Ann Lee, Quality Manager"}) {
            EXPECT_TRUE(page.contains(text)) << text;
        }
        EXPECT_EQ(page.contains("Interim report: the visit was under way"), interim);
    }
}

TEST_F(ReportPdfTest, TheSummaryOpensTheReportAndTheFindingsStateTheirRules) {
    const ServiceReport report = SampleReport();
    const QStringList pages = SavedPages(report);
    const QString text = pages.join('\f').simplified();
    EXPECT_TRUE(pages[0].contains("Summary"));
    EXPECT_TRUE(text.contains(report.summary)) << text.toStdString();

    // The sections in order: what is in order and what is not first, the results after the
    // instrument, the notes after the results.
    qsizetype previous = -1;
    for (const char* heading :
         {"Summary", "Findings", "Acceptance limits", "Instrument and visit", "As found", "As left",
          "Changes", "No reply or refused", "Timing test 1", "Sensor current dump 1", "Notes",
          "Signatures", "End of report"}) {
        const qsizetype at = text.indexOf(QLatin1String(heading), previous + 1);
        EXPECT_GT(at, previous) << heading;
        previous = std::max(previous, at);
    }

    for (const ServiceReport::Finding& finding : report.findings) {
        const qsizetype rule = report.rules.indexOf(finding.rule) + 1;
        EXPECT_TRUE(text.contains(finding.text + QString(" Rule %1").arg(rule)))
            << finding.text.toStdString();
    }
    for (qsizetype i = 0; i < report.rules.size(); ++i) {
        EXPECT_TRUE(text.contains(QString("Rule %1 ").arg(i + 1) + report.rules[i]))
            << report.rules[i].toStdString();
    }
    EXPECT_TRUE(text.contains("Decision rule: " + report.decisionRule));
    EXPECT_TRUE(text.contains("As found: 15 of 16 values within their limits."));
    EXPECT_TRUE(text.contains("As left: 13 of 16 values within their limits."));
    EXPECT_TRUE(text.contains("2 Voltage 4.000 V to 5.000 V Pass: 4.300 V Pass: 4.537 V"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("7 Current 1.000 mA to 1.350 mA Fail: 1.2700 mA Fail: 1.3700 mA"));
}

TEST_F(ReportPdfTest, TheInstrumentTheTechnicianTheTimesAndEverySensorsValuesAreThere) {
    const ServiceReport report = SampleReport();
    const QString text = SavedPages(report).join('\f').simplified();
    for (const char* expected :
         {"Model OT-800", "Serial number SN 40117", "Asset number not given",
          "Customer Northgate Clinical Lab", "Site Building 3, room 12",
          "Reason for the visit Annual maintenance", "Technician Jane Q. Doe",
          "Started 2026-12-08 10:40:51 UTC+01", "Ended 2026-12-08 11:52:03 UTC+01",
          "The results in this report relate only to the instrument serviced.",
          "Surveyed at 10:41:02", "Surveyed at 11:50:12", "Technician: Jane Q. Doe",
          "Customer Signature Date"}) {
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected;
    }
    for (const bool left : {false, true}) {
        const auto& readings = left ? report.asLeft : report.asFound;
        for (int s = 0; s < ServiceReport::kSensorCount; ++s) {
            QStringList row{QString::number(s)};
            for (const auto& reading :
                 {readings[s].voltage, readings[s].current, readings[s].tripPoint,
                  readings[s].powerLevel, readings[s].status}) {
                row << (!reading ? QString("not read")
                        : reading->setting.isEmpty()
                            ? reading->text
                            : QString("%1 (set %2)").arg(reading->text, reading->setting));
            }
            // As left keeps the times of the values not read in its survey.
            const QString cells = row.join(' ');
            EXPECT_TRUE(left ? text.contains(QString(row[0] + ' ' + row[1] + ' ' + row[2]))
                             : text.contains(cells))
                << cells.toStdString();
            for (const QString& cell : row) {
                EXPECT_TRUE(text.contains(cell)) << cell.toStdString();
            }
        }
    }
    EXPECT_TRUE(text.contains("2 4.537 V (set 4.800 V) 1.3200 mA"));
    // A survey's values are of its time; a value from another time shows its own. The readings
    // follow the instrument's section (the acceptance table before it names As found too).
    const qsizetype found =
        text.indexOf("As found", text.indexOf("relate only to the instrument serviced"));
    const qsizetype left = text.indexOf("As left", found);
    const qsizetype changes = text.indexOf("Changes", left);
    EXPECT_EQ(text.mid(found, left - found).count("10:41:02"), 1) << "the survey's time alone";
    EXPECT_EQ(text.mid(left, changes - left).count("10:41:02"), 8 * 3 - 1)
        << "the trip points (but sensor 7's, not read), power levels and status kept from "
           "as found";
}

TEST_F(ReportPdfTest, ATableRowIsNeverSplitAcrossPagesAndItsHeadingRowRepeats) {
    const QStringList pages = SavedPages(ManyChanges(150));
    QSet<int> changePages;
    for (int i = 0; i < 150; ++i) {
        const QString change = QString("Change %1 of the visit").arg(i, 3, 10, QLatin1Char('0'));
        SCOPED_TRACE(change.toStdString());
        const int page = PageHolding(pages, change);
        ASSERT_GE(page, 0);
        changePages.insert(page);
        // The row's cells on one line, its wrapped reply all on the same page.
        const QStringList lines = pages[page].split('\n');
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString& l) { return l.contains(change); });
        ASSERT_NE(line, lines.end());
        const QString n = QString("%1").arg(i, 3, 10, QLatin1Char('0'));
        EXPECT_TRUE(line->contains("before-" + n)) << line->toStdString();
        EXPECT_TRUE(line->contains(QString("r%1-0").arg(n))) << line->toStdString();
        for (int w = 0; w < (i % 10 == 5 ? 40 : 1); ++w) {
            EXPECT_EQ(PageHolding(pages, QString("r%1-%2 ").arg(n).arg(w)) == page ||
                          pages[page].contains(QString("r%1-%2\n").arg(n).arg(w)),
                      true)
                << w;
        }
    }
    ASSERT_GE(changePages.size(), 3) << "the table runs over pages";
    const QRegularExpression headingRow(QStringLiteral("Time +What +Before +Reply"));
    for (const int page : changePages) {
        const qsizetype heading = pages[page].indexOf(headingRow);
        EXPECT_GE(heading, 0) << "page " << page + 1;
        EXPECT_LT(heading, pages[page].indexOf(QRegularExpression("Change \\d+ of the visit")))
            << "page " << page + 1;
    }
}

TEST_F(ReportPdfTest, ThePaginationPlacesEveryUnitOnceWithinThePage) {
    const ServiceReport report = ManyChanges(150);
    const ReportContent content = ReportContent::From(report);
    A4Device device;
    const ReportLayout layout(content, device.writer);
    ASSERT_GE(layout.PageCount(), 4);
    EXPECT_NEAR(layout.Body().width(), (210.0 - 37.0) / 25.4 * ReportLayout::kResolution,
                ReportLayout::kResolution / 25.4)
        << "within a millimetre";

    std::vector<int> next(content.blocks.size(), 0);
    std::vector<int> pageOf(content.blocks.size(), -1);
    for (int p = 0; p < layout.PageCount(); ++p) {
        double bottom = 0.0;
        for (const ReportLayout::Placement& placement : layout.Pages()[p].placements) {
            SCOPED_TRACE(placement.block);
            const ReportContent::Block& block = content.blocks[placement.block];
            EXPECT_EQ(placement.first, next[placement.block]) << "in order, none left out";
            EXPECT_GT(placement.last, placement.first);
            next[placement.block] = placement.last;
            EXPECT_GE(placement.top, bottom) << "below the one before";
            bottom = placement.top + placement.height;
            EXPECT_LE(bottom, layout.Body().height() + 0.01) << "within the page";
            EXPECT_EQ(placement.headingRow, block.kind == Kind::Table)
                << "a table's heading row on each of its pages";
            pageOf[placement.block] = p;
        }
    }
    for (std::size_t b = 0; b < content.blocks.size(); ++b) {
        EXPECT_EQ(next[b], layout.Units(b)) << b;
    }
    // A heading is on the page where what it heads begins; the dump's plot on its table's.
    for (std::size_t b = 0; b + 1 < content.blocks.size(); ++b) {
        if (content.blocks[b].kind == Kind::Plot) {
            EXPECT_EQ(pageOf[b], pageOf[b - 1]) << "the plot on its table's page";
            EXPECT_EQ(content.blocks[b - 1].kind, Kind::Table);
            EXPECT_EQ(pageOf[b], pageOf[b + 1]) << "and its description";
        }
    }
    EXPECT_EQ(content.blocks.back().kind, Kind::EndMark);
    EXPECT_EQ(pageOf.back(), layout.PageCount() - 1);
    EXPECT_EQ(ReportLayout::PageText(1, 3), "Page 1 of 3");
}

// A customer field of 491 lines, taller than a page, goes on over pages, each line once; and
// currents no card can send (1e17 mA) are left out with a note, the report made in bounded time.
TEST_F(ReportPdfTest, ARowTallerThanAPageGoesOnOverPagesAndDamagedCurrentsAreNoted) {
    const QStringList customer(491, QStringLiteral("x"));
    const auto event = [](const char* kind, int second, QJsonObject values) {
        values.insert("event", kind);
        values.insert("time", At(11, 0, second).toString(Qt::ISODateWithMs));
        return values;
    };
    const QList<QJsonObject> events{
        event("visit", 0, {{"version", 1}, {"report_number", "SR-20261208-110000-0001"}}),
        event("report_details", 1, {{"customer", customer.join('\n')}}),
        event("dump_start", 2, {{"tube", "left"}, {"spread_limit", 0.02}}),
        event("dump_sample", 3, {{"milliamps", QJsonArray{1.25, 1e17, 0.5, 1.0}}}),
        event("dump_sample", 4, {{"milliamps", QJsonArray{1.25, 0.75, 0.5, 1.0}}}),
        event("dump_end", 5,
              {{"tube", "left"},
               {"samples", 2},
               {"spread_limit", 0.02},
               {"max", QJsonArray{1.25, 1e17, 0.5, 1.0}},
               {"min", QJsonArray{1.25, 0.75, 0.5, 1.0}}}),
    };
    const ServiceReport report = ServiceReport::FromEvents(events);
    EXPECT_TRUE(report.readNotes.contains(
        "Dump samples left out, their currents being such as no card sends (below 0 or above "
        "20.000 mA): 1."))
        << report.readNotes.join('\n').toStdString();
    ASSERT_EQ(report.dumps.size(), 1u);
    EXPECT_EQ(report.dumps[0].rows.size(), 1u);
    EXPECT_EQ(report.dumps[0].maximum[1], 0.75) << "the samples' extreme";

    // Every part of the row within its page, and every line of it in the PDF.
    const ReportContent content = ReportContent::From(report);
    A4Device device;
    const ReportLayout layout(content, device.writer);
    for (const ReportLayout::Page& page : layout.Pages()) {
        for (const ReportLayout::Placement& placement : page.placements) {
            EXPECT_LE(placement.top + placement.height, layout.Body().height() + 0.01);
        }
    }
    const QStringList pages = SavedPages(report);
    int lines = 0;
    QSet<int> linePages;
    for (int page = 0; page < pages.size(); ++page) {
        // A line beside its field's name reads as one with it.
        for (const QString& word : pages[page].split(QRegularExpression("\\s+"))) {
            if (word == "x") {
                ++lines;
                linePages.insert(page);
            }
        }
    }
    EXPECT_EQ(lines, 491);
    EXPECT_GE(linePages.size(), 3) << "over pages";
}

TEST_F(ReportPdfTest, TheDumpPlotIsVectorGraphicsOnThePageOfItsTable) {
    ReportDocument document(SampleReport());
    const QString path = folder.filePath("report.pdf");
    ASSERT_EQ(document.SavePdf(path), QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_FALSE(pdf.contains("/Subtype /Image")) << "no picture anywhere in the PDF";
    QProcess images;
    images.start("pdfimages", {"-list", path});
    ASSERT_TRUE(images.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(images.readAllStandardOutput()).trimmed().split('\n').size(), 2)
        << "pdfimages lists its two heading lines and no image";

    // The plot's own words are text on the page: drawn, not pictured.
    const QStringList pages = PdfPages(path);
    const int page = PageHolding(pages, "Sensor current dump 1");
    ASSERT_GE(page, 0);
    for (const char* drawn : {"Current (mA) over time (s)", "Spread (µA) against the limit",
                              "Limit 20.0 µA", "26.0 over", "14.0", "Sensor 7"}) {
        EXPECT_TRUE(pages[page].contains(QString::fromUtf8(drawn))) << drawn;
    }
    EXPECT_TRUE(pages[page].simplified().contains(
        QString::fromUtf8("Sensor 5: maximum 0.953 mA, minimum 0.927 mA, spread 26.0 µA, over "
                          "the limit of 20.0 µA.")));
    EXPECT_TRUE(pages[page].simplified().contains(QString::fromUtf8(
        "Sensor 4: maximum 1.257 mA, minimum 1.243 mA, spread 14.0 µA, within the limit")));
    EXPECT_TRUE(
        pages[page].simplified().contains(QString::fromUtf8("5 0.953 0.927 26.0 over lit")));
}

TEST_F(ReportPdfTest, ALongNoteComesAfterTheResultsWithItsLineBreaks) {
    ServiceReport report = SampleReport();
    QStringList lines;
    for (int i = 0; i < 200; ++i) {
        lines << QString("Note line %1.").arg(i, 3, 10, QLatin1Char('0'));
    }
    report.notes = lines.join('\n');
    const QStringList pages = SavedPages(report);
    EXPECT_TRUE(pages[0].contains(report.summary.left(40))) << "the summary stays on page 1";
    EXPECT_TRUE(pages[0].contains("Findings"));
    const int firstNote = PageHolding(pages, "Note line 000.");
    ASSERT_GE(firstNote, 0);
    EXPECT_GE(firstNote, PageHolding(pages, "Sensor current dump 1"));
    EXPECT_LT(PageHolding(pages, "Sensor current dump 1"), PageHolding(pages, "Note line 199."));
    const QString text = pages.join('\n');
    qsizetype previous = text.indexOf("Spread (µA) against the limit");
    for (const QString& line : lines) {
        const QRegularExpression own(
            QStringLiteral("^ *") + QRegularExpression::escape(line) + QStringLiteral(" *$"),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = own.match(text);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString() << " on a line of its own";
        EXPECT_GT(match.capturedStart(), previous) << line.toStdString();
        previous = match.capturedStart();
    }
    EXPECT_GT(text.indexOf("End of report"), previous);
}

TEST_F(ReportPdfTest, WithoutLimitsOrSurveysNothingIsInventedAndEachIsSaid) {
    ServiceReport report = SampleReport();
    report.decisionRule.clear();
    report.limitResults.clear();
    report.findings.clear();
    report.rules.clear();
    report.summary.clear();
    report.details = {};
    report.reportNumber.clear();
    report.technician.clear();
    report.asFoundSurveyed = false;
    report.asFoundTime = {};
    report.asLeft = {};
    report.asLeftTime = {};
    report.asLeftNote = QStringLiteral("As left not read after the change at 10:45.");
    const QStringList pages = SavedPages(report);
    const QString text = pages.join('\f').simplified();
    for (const char* expected :
         {"No summary was made.", "Findings None.",
          "No acceptance limits were applied: no value was judged against limits.",
          "As found (not surveyed)", "As left As left not read after the change at 10:45.",
          "Model not given", "Serial number not given", "Customer not given", "Site not given",
          "Reason for the visit not given", "Technician root", "Report number not given"}) {
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected;
    }
    for (const char* invented : {"Pass", "Fail", "Decision rule", "Acceptance range", "Rule 1"}) {
        EXPECT_FALSE(text.contains(QLatin1String(invented))) << invented;
    }
    const qsizetype found = text.indexOf("As found");
    EXPECT_EQ(text.mid(found, text.indexOf("As left", found) - found).count("10:41:02"), 8 * 5)
        << "each as found value with its time";
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(pages[i].contains("Report number not given"));
    }
}

TEST_F(ReportPdfTest, PrintingPaintsTheSamePagesAndKeepsToAChosenRange) {
    ReportDocument document(ManyChanges(150));
    const QStringList saved = SavedPages(document.Report());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(22, 15, 15, 15), QPageLayout::Millimeter);
    printer.setOutputFileName(folder.filePath("printed.pdf"));
    document.Print(printer);
    const QStringList printed = PdfPages(folder.filePath("printed.pdf"));
    ASSERT_EQ(printed.size(), saved.size());
    EXPECT_TRUE(printed.last().contains("End of report"));

    printer.setOutputFileName(folder.filePath("page-2.pdf"));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    document.Print(printer);
    const QStringList range = PdfPages(folder.filePath("page-2.pdf"));
    ASSERT_EQ(range.size(), 2);
    EXPECT_TRUE(range[0].contains(QString("Page 2 of %1").arg(saved.size())));
    EXPECT_TRUE(range[1].contains(QString("Page 3 of %1").arg(saved.size())));
}

// What a screen reader walks: tables with heading cells, no empty cell, the plot described.
TEST_F(ReportPdfTest, TheXhtmlHasHeadingCellsNoEmptyCellAndThePlotInWords) {
    ServiceReport report = SampleReport();
    ReportDocument document(report);
    QXmlStreamReader xml(document.Xhtml());
    int tables = 0;
    int emptyCells = 0;
    QStringList alts;
    QStringList headings;
    QString text;
    QString section;
    struct Table {
        bool head = false;
        int headCells = 0;
        int rowCells = 0;
        bool rowHeadings = true;
    } table;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text().toString() + QLatin1Char(' ');
        }
        if (xml.isEndElement() && xml.name() == QStringLiteral("table")) {
            SCOPED_TRACE(section.toStdString());
            EXPECT_TRUE(table.head || table.rowHeadings) << "headings to speak with the cells";
            ++tables;
        }
        if (!xml.isStartElement()) {
            continue;
        }
        const QStringView name = xml.name();
        if (name == QStringLiteral("table")) {
            table = {};
        } else if (name == QStringLiteral("thead")) {
            table.head = true;
        } else if (name == QStringLiteral("tr")) {
            table.rowCells = 0;
        } else if (name == QStringLiteral("th") || name == QStringLiteral("td")) {
            const QString scope = xml.attributes().value("scope").toString();
            if (table.rowCells == 0 && !(name == QStringLiteral("th") && scope == "row")) {
                table.rowHeadings = false;
            }
            if (name == QStringLiteral("th") && scope == "col") {
                table.rowHeadings = true;  // a heading row: its cells are the headings
            }
            ++table.rowCells;
            const QString cell = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            emptyCells += cell.trimmed().isEmpty();
            text += cell + QLatin1Char(' ');
        } else if (name == QStringLiteral("h2")) {
            section = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            headings << section;
            text += section + QLatin1Char(' ');
        } else if (name == QStringLiteral("img")) {
            alts << xml.attributes().value("alt").toString();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GE(tables, 9);
    EXPECT_EQ(emptyCells, 0) << "every cell says what it holds";
    ASSERT_EQ(alts.size(), 1);
    const QString sentence = QString::fromUtf8(
        "Sensor 5: maximum 0.953 mA, minimum 0.927 mA, spread 26.0 µA, over the limit of "
        "20.0 µA.");
    EXPECT_TRUE(alts[0].contains(sentence)) << alts[0].toStdString();
    EXPECT_EQ(text.count(sentence), 1) << "and beside the plot as text";
    EXPECT_TRUE(text.simplified().contains("4.537 V (set 4.800 V)"));
    EXPECT_TRUE(text.simplified().contains("not read"));
    EXPECT_EQ(headings.mid(0, 6), (QStringList{"Summary", "Findings", "Acceptance limits",
                                               "Instrument and visit", "Method", "As found"}));
    EXPECT_EQ(headings.mid(headings.size() - 2), (QStringList{"Notes", "Signatures"}));
    EXPECT_TRUE(text.contains("End of report"));

    // The window's document keeps the heading rows.
    QTextDocument& shown = document.Document();
    int tablesWithHeadingRow = 0;
    for (QTextBlock block = shown.begin(); block.isValid(); block = block.next()) {
        if (QTextTable* t = QTextCursor(block).currentTable();
            t != nullptr && QTextCursor(block).position() == t->firstPosition()) {
            tablesWithHeadingRow += t->format().headerRowCount() == 1;
        }
    }
    EXPECT_GE(tablesWithHeadingRow, 8);
    EXPECT_TRUE(shown.toPlainText().contains("Report number MRB-20261208-104051-7F3A"));
}

TEST_F(ReportPdfTest, TheWindowsTextReadsARowWithItsHeadingsAndThePlotByItsDescription) {
    ReportDocument document(SampleReport());
    QTextBrowser browser;
    ReportBrowserAccessible::Install(browser);
    browser.setDocument(&document.Document());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&browser);
    ASSERT_NE(accessible, nullptr);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    const QString all = text->text(0, text->characterCount());
    const auto lineAt = [text](qsizetype offset) {
        int start = 0;
        int end = 0;
        return text->textAtOffset(int(offset), QAccessible::LineBoundary, &start, &end)
            .toStdString();
    };

    EXPECT_EQ(lineAt(all.indexOf("Time: 10:45:00")),
              "Time: 10:45:00, What: Voltage of sensor 2 set to 4.800 V, Before: 4.300 V, "
              "Reply: VOLTAGE 2 7AE\n");
    EXPECT_EQ(lineAt(all.indexOf("Voltage: 4.537 V (set")),
              "Sensor: 2, Voltage: 4.537 V (set 4.800 V), Current: 1.3200 mA, Trip point: "
              "0.6200 mA (10:41:02), Power level: 5.20 mW (10:41:02), Status: Enabled, trained "
              "(10:41:02)\n");
    EXPECT_EQ(lineAt(all.indexOf("Customer:")), "Customer: Northgate Clinical Lab\n");
    EXPECT_EQ(lineAt(all.indexOf("Slot 1: 0x300401")),
              "Interval (s): 1.024, Slot 0: 0x300400, Slot 1: 0x300401, Slot 2: N/A, Slot 3: "
              "not read\n");
    const QString sentence = QString::fromUtf8(
        "Sensor 5: maximum 0.953 mA, minimum 0.927 mA, spread 26.0 µA, over the limit of "
        "20.0 µA.");
    EXPECT_EQ(all.count(sentence), 2) << "the plot in words, and its caption";
    EXPECT_FALSE(all.contains(QChar(0xfffc))) << "the picture in words";

    // The caret on a row's line is in the row's first cell, and the line is where it is.
    const int row = int(all.indexOf("Sensor: 2, Voltage: 4.537 V"));
    text->setCursorPosition(row + 12);
    QTextTable* table = browser.textCursor().currentTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->cellAt(browser.textCursor()).column(), 0);
    EXPECT_EQ(text->cursorPosition(), row);
    const int summary = int(all.indexOf("Sensor 1: covered"));
    text->setCursorPosition(summary);
    EXPECT_EQ(text->cursorPosition(), summary) << "a paragraph's text is word for word";
    EXPECT_EQ(browser.textCursor().block().text().mid(browser.textCursor().positionInBlock(), 9),
              "Sensor 1:");

    // Line by line from the start, as a reader moving on reads it: each row once, in order.
    QStringList lines;
    int start = 0;
    int end = 0;
    for (int offset = 0; offset < text->characterCount(); offset = end) {
        lines << text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
        ASSERT_EQ(start, offset);
        ASSERT_GT(end, offset);
    }
    EXPECT_EQ(lines.join(QString()), all);
    text->attributes(5, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(0, text->characterCount()))
        << "one run: a reader reading a line to the end of the runs gets its last character";
    EXPECT_EQ(lines.count("Model: OT-800\n"), 1);
    EXPECT_EQ(lines.count("Table of 1 row: Time, What, Before, Reply\n"), 1) << "No reply";
    EXPECT_EQ(lines.filter("Sensor: 7, Voltage:").size(), 2) << "As found and As left";
}

TEST(DumpPictureTest, ARunningDumpIsJudgedBySamplesAndOneWithoutSamplesSaysSo) {
    ServiceReport::Dump dump;
    dump.firstSensor = 0;
    dump.spreadLimit = 0.02;
    EXPECT_EQ(DumpPicture::Description(dump).split('\n').first(), "Sensor 0: no samples recorded.");
    dump.rows = {{0.0, {1.0, 2.0, 3.0, 4.0}}, {0.5, {1.025, 2.01, 3.0, 4.0}}};
    EXPECT_EQ(DumpPicture::Description(dump).split('\n'),
              (QStringList{QString::fromUtf8("Sensor 0: maximum 1.025 mA, minimum 1.000 mA, "
                                             "spread 25.0 µA, over the limit of 20.0 µA."),
                           QString::fromUtf8("Sensor 1: maximum 2.010 mA, minimum 2.000 mA, "
                                             "spread 10.0 µA, within the limit of 20.0 µA."),
                           QString::fromUtf8("Sensor 2: maximum 3.000 mA, minimum 3.000 mA, "
                                             "spread 0.0 µA, within the limit of 20.0 µA."),
                           QString::fromUtf8("Sensor 3: maximum 4.000 mA, minimum 4.000 mA, "
                                             "spread 0.0 µA, within the limit of 20.0 µA.")}));
    dump.spreadLimit = 0.0;
    EXPECT_TRUE(DumpPicture::Description(dump).startsWith(
        QString::fromUtf8("Sensor 0: maximum 1.025 mA, minimum 1.000 mA, spread 25.0 µA, no "
                          "limit recorded.")));
    const QImage picture = DumpPicture::Render(dump, {360, 200});
    EXPECT_EQ(picture.size(), QSize(360, 200));
}

}  // namespace
