// The open report window kept up to date in place while a visit runs: what it shows after many
// refreshes is what a report made fresh shows, the page made block by block says what the
// page made whole says, and a refresh keeps the reader's place. And a dump's rows shared
// between reports.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include "QStringPrinter.h"
#include "record/VisitRecord.h"
#include "report/DumpRows.h"
#include "report/ReportDocument.h"
#include "report/ReportDocumentUpdater.h"
#include "report/ReportHtml.h"
#include "report/ServiceReportWindow.h"

namespace {

const VisitRecord::Origin kOrigin{"1.0", "tech", "bench-pc"};

void AddSamples(VisitRecord& record, int from, int count) {
    for (int sample = from; sample < from + count; ++sample) {
        const double wobble = (sample % 7) * 0.002;
        record.Event("dump_sample",
                     {{"milliamps", QJsonArray{1.25 + wobble, 0.625, 0.9375 - wobble, 1.5}}});
    }
}

// Each paragraph that says something, with its heading level and weight: blank lines between
// the blocks' frames aside, what a reader meets in order.
QString Paragraphs(const QTextDocument& document) {
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!block.text().trimmed().isEmpty()) {
            paragraphs << QStringLiteral("h%1 w%2 %3")
                              .arg(block.blockFormat().headingLevel())
                              .arg(block.charFormat().fontWeight())
                              .arg(block.text());
        }
    }
    return paragraphs.join(QLatin1Char('\n'));
}

// Every table's cells, row by row.
QString Tables(const QTextDocument& document) {
    QStringList tables;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextTable* table = QTextCursor(block).currentTable();
        if (table == nullptr || table->cellAt(block.position()).row() != 0 ||
            table->cellAt(block.position()).column() != 0) {
            continue;
        }
        for (int r = 0; r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                const QTextTableCell cell = table->cellAt(r, c);
                QTextCursor text = cell.firstCursorPosition();
                text.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                cells << text.selectedText();
            }
            tables << cells.join(QLatin1Char('|'));
        }
        tables << QStringLiteral("--");
    }
    return tables.join(QLatin1Char('\n'));
}

QImage Picture(const QTextDocument& document, int dump) {
    return document
        .resource(QTextDocument::ImageResource, QUrl(QStringLiteral("dump-%1.png").arg(dump)))
        .value<QImage>();
}

}  // namespace

TEST(ReportRefreshTest, TheWindowAfterManyRefreshesShowsWhatAFreshReportShows) {
    VisitRecord record(kOrigin);
    ServiceReportWindow window(record, nullptr);
    window.show();
    QTextDocument* const shown = window.Browser()->document();
    record.Event("discovery", {{"port", "COM1"},
                               {"device", "/dev/ttyUSB0"},
                               {"lines", QJsonArray{"SENSOR CARD V2.1 ONLINE"}}});
    window.Refresh();
    record.Event("dump_start", {{"tube", "left"}, {"spread_limit", 0.02}, {"file", ""}});
    window.Refresh();
    for (int step = 0; step < 4; ++step) {
        AddSamples(record, step * 50, 50);
        window.Refresh();
    }
    record.Event("dump_end", {{"samples", 200},
                              {"max", QJsonArray{1.262, 0.625, 0.9375, 1.5}},
                              {"min", QJsonArray{1.25, 0.625, 0.9255, 1.5}},
                              {"lamps_lit", QJsonArray{false, false, false, false}}});
    window.Refresh();
    record.Event("dump_start", {{"tube", "right"}, {"spread_limit", 0.02}, {"file", ""}});
    AddSamples(record, 0, 30);
    record.Event("notes", {{"text", "Cleaned the left tube.\nRight tube next."}});
    window.Refresh();
    AddSamples(record, 30, 1);
    window.Refresh();

    ASSERT_EQ(window.Browser()->document(), shown) << "the window keeps its one document";
    ASSERT_EQ(window.Document().Report().dumps.size(), 2u);
    ASSERT_EQ(window.Document().Report().dumps[1].samples, 31);
    ReportDocument fresh(window.Document().Report());
    EXPECT_EQ(shown->toPlainText(), fresh.Document().toPlainText());
    EXPECT_EQ(Tables(*shown), Tables(fresh.Document()));
    EXPECT_EQ(Picture(*shown, 1), Picture(fresh.Document(), 1));
    EXPECT_EQ(Picture(*shown, 2), Picture(fresh.Document(), 2));
    EXPECT_TRUE(shown->toPlainText().contains("Cleaned the left tube."));

    // The page made whole, as one HTML text, says the same in the same order.
    QTextDocument whole;
    whole.setHtml(ReportHtml::Render(
        fresh.Content(), [](std::size_t) { return QString(); }, false));
    EXPECT_EQ(Paragraphs(*shown), Paragraphs(whole));
    EXPECT_EQ(Tables(*shown), Tables(whole));
}

TEST(ReportRefreshTest, ARefreshKeepsTheCaretAndTheScrollPositionAndReplacesOnlyWhatChanged) {
    VisitRecord record(kOrigin);
    record.Event("discovery", {{"port", "COM1"}, {"device", "/dev/ttyUSB0"}});
    record.Event("dump_start", {{"tube", "left"}, {"spread_limit", 0.02}, {"file", ""}});
    AddSamples(record, 0, 100);
    ServiceReportWindow window(record, nullptr);
    window.resize(500, 400);
    window.show();
    QScrollBar* const scroll = window.Browser()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0) << "the report is longer than the window";
    scroll->setValue(scroll->maximum() / 2);
    QTextCursor caret = window.Browser()->textCursor();
    caret.setPosition(window.Browser()->document()->characterCount() / 3);
    window.Browser()->setTextCursor(caret);
    const int scrolled = scroll->value();
    const int at = caret.position();

    AddSamples(record, 100, 1);
    window.Refresh();

    EXPECT_EQ(scroll->value(), scrolled);
    EXPECT_EQ(window.Browser()->textCursor().position(), at);
}

TEST(ReportRefreshTest, OneNewSampleReplacesOnlyTheDumpsBlocks) {
    VisitRecord record(kOrigin);
    record.Event("discovery", {{"port", "COM1"}, {"device", "/dev/ttyUSB0"}});
    record.Event("dump_start", {{"tube", "left"}, {"spread_limit", 0.02}, {"file", ""}});
    AddSamples(record, 0, 100);
    QList<QJsonObject> events = record.Events();
    const ReportDocument before(ServiceReport::FromEvents(events));
    // In the same second as the last, so that the visit's end reads the same.
    events.append({{"event", "dump_sample"},
                   {"time", events.last().value("time")},
                   {"milliamps", QJsonArray{1.25, 0.64, 0.9375, 1.5}}});
    const ReportDocument after(ServiceReport::FromEvents(events));
    ReportDocumentUpdater updater;
    updater.Show(before.Report(), before.Content());
    ASSERT_EQ(updater.BlocksChanged(), before.Content().blocks.size());
    const QImage hundred = Picture(updater.Document(), 1);
    ASSERT_FALSE(hundred.isNull());

    updater.Show(after.Report(), after.Content());
    // Of the dump, where sensor 1 now reaches 0.640 mA: its line "... 101 samples.", its
    // table of currents, its plot and the plot's caption.
    EXPECT_EQ(updater.BlocksChanged(), 4u);
    EXPECT_TRUE(updater.Document().toPlainText().contains("101 samples."));
    EXPECT_TRUE(updater.Document().toPlainText().contains("maximum 0.640 mA"));
    EXPECT_NE(Picture(updater.Document(), 1), hundred);
    updater.Show(after.Report(), after.Content());
    EXPECT_EQ(updater.BlocksChanged(), 0u);
}

TEST(ReportRefreshTest, ADumpsRowsCopiedKeepTheirSamplesAndExtremesWhileEitherGrows) {
    DumpRows running;
    running.push_back({0.0, {1.0, 2.0, 3.0, 4.0}});
    const DumpRows shown = running;
    running.push_back({0.5, {1.5, 2.0, 3.0, 4.0}});
    DumpRows older = shown;
    older.push_back({0.25, {9.0, 9.0, 9.0, 9.0}});

    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[1].seconds, 0.5);
    EXPECT_EQ(shown.size(), 1u);
    ASSERT_EQ(older.size(), 2u);
    EXPECT_EQ(older[1].seconds, 0.25);
    EXPECT_EQ(older[1].milliamps[0], 9.0);
    EXPECT_EQ(running[1].milliamps[0], 1.5);
    EXPECT_EQ(shown.back().seconds, 0.0);
    // Each sees the largest and smallest of its own rows.
    EXPECT_EQ(running.Maximum()[0], 1.5);
    EXPECT_EQ(running.Minimum()[0], 1.0);
    EXPECT_EQ(shown.Maximum()[0], 1.0);
    EXPECT_EQ(older.Maximum()[0], 9.0);
    EXPECT_EQ(older.Minimum()[1], 2.0);
}
