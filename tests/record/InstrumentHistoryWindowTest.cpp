// The "Instrument History" window over an index made from records on disk, used by keyboard
// alone and read as a screen reader reads it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScatterSeries>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "history/HistoryIndex.h"
#include "history/HistoryUpdater.h"
#include "history/InstrumentHistoryWindow.h"
#include "tests/support/SurveySensors.h"

namespace {

// A visit's record that surveys the card once, at `time`, with sensor 2 at `volts`.
void WriteRecord(const QString& path, const QString& time, const QString& serialNumber,
                 double volts) {
    const QJsonArray sensors = SurveySensors(4.5, 2, volts);
    const QList<QJsonObject> events{
        {{"event", "visit"},
         {"version", 1},
         {"time", time},
         {"report_number", "SR-" + time.left(10)},
         {"user", "tech"}},
        {{"event", "report_details"},
         {"time", time},
         {"model", "LX 9"},
         {"serial_number", serialNumber},
         {"technician", "Jane Doe"}},
        {{"event", "survey"}, {"time", time}, {"sensors", sensors}, {"findings", QJsonArray()}},
        {{"event", "exit"}, {"time", time}}};
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QJsonObject& event : events) {
        file.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    }
}

TEST(InstrumentHistoryWindowTest, ShowsTheVisitsAndTheirPlotByKeyboard) {
    QTemporaryDir home;
    const QString folder = home.filePath("records");
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteRecord(folder + "/2026-03-01_10-00-00.jsonl", "2026-03-01T10:00:00.000+00:00", "SN-7",
                4.5);
    WriteRecord(folder + "/2026-09-01_10-00-00.jsonl", "2026-09-01T10:00:00.000+00:00", "SN-7",
                4.7);
    WriteRecord(folder + "/2026-10-01_10-00-00.jsonl", "2026-10-01T10:00:00.000+00:00", "SN-9",
                4.6);
    ASSERT_EQ(HistoryUpdater::UpdateOnce(HistoryIndex::PathFor(folder), folder), QStringList());

    InstrumentHistoryWindow window(folder, nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("1.5")) {
        ASSERT_EQ(window.screen()->size(), QSize(911, 512)) << "1366x768 at 1.5";
    }
    const QSize available = window.screen()->availableGeometry().size();
    EXPECT_LE(window.frameGeometry().width(), available.width());
    EXPECT_LE(window.frameGeometry().height(), available.height());

    // The instrument chosen from its list with the keyboard.
    QTest::keyClick(&window, Qt::Key_I, Qt::AltModifier);
    auto* instrument = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(instrument, nullptr);
    ASSERT_EQ(instrument->count(), 2);
    while (!instrument->currentText().startsWith("SN-7")) {
        QTest::keyClick(instrument, Qt::Key_Down);
    }
    EXPECT_EQ(instrument->currentText(), "SN-7 (LX 9), 2 visits");
    const auto* table = window.findChild<QTableWidget*>();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 1)->text(), "SR-2026-03-01");
    EXPECT_EQ(table->item(1, 1)->text(), "SR-2026-09-01");
    EXPECT_EQ(table->item(1, 4)->text(), "In order");

    // Sensor 2 chosen: its voltage across the two visits, drawn and in words.
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    auto* sensor = qobject_cast<QComboBox*>(QApplication::focusWidget());
    ASSERT_NE(sensor, nullptr);
    QTest::keyClick(sensor, Qt::Key_Down);
    QTest::keyClick(sensor, Qt::Key_Down);
    EXPECT_EQ(sensor->currentText(), "2");
    EXPECT_EQ(window.PlotText(),
              "Voltage of sensor 2 across 2 visits. 2026-03-01: as found 4.500 V, as left "
              "4.500 V. 2026-09-01: as found 4.700 V, as left 4.700 V.");
    const auto* plot = window.findChild<QChartView*>();
    const QList<QAbstractSeries*> series = plot->chart()->series();
    ASSERT_EQ(series.size(), 2) << "As found and As left; no limits set";
    EXPECT_EQ(series[0]->name(), "As found");
    EXPECT_EQ(static_cast<QScatterSeries*>(series[0])->count(), 2);
    QAccessibleInterface* spoken =
        QAccessible::queryAccessibleInterface(const_cast<QChartView*>(plot));
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Name), "Plot");
    EXPECT_EQ(spoken->text(QAccessible::Description), window.PlotText());
}

}  // namespace
