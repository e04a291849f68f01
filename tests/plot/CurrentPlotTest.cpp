// The plot window fed by the recorder of a window connected to the simulated card.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QAreaSeries>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QValueAxis>

#include "DumpWindowFixture.h"
#include "plot/CurrentChartView.h"
#include "plot/CurrentPlotWindow.h"

namespace dumptest {
namespace {

using Id = MaintenanceDialog::ControlId;

class CurrentPlotTest : public DumpWindowTest {
  protected:
    CurrentPlotWindow* OpenPlot() {
        window->OpenCurrentPlot();
        return window->CurrentPlot();
    }
    static std::vector<QString> LegendNames(const CurrentPlotWindow* plot) {
        std::vector<QString> names;
        for (QLegendMarker* marker : plot->Chart()->legend()->markers()) {
            if (marker->isVisible()) {
                names.push_back(marker->label());
            }
        }
        return names;
    }
    static QString PointText(const CurrentPlotWindow* plot, int column, int index) {
        return QString::asprintf("%6.3f", plot->Line(column)->at(index).y());
    }
    // The points of a column once the plot has caught up (it redraws on a timer).
    static bool Drawn(const CurrentPlotWindow* plot, int column, int points) {
        return QTest::qWaitFor([&] { return plot->Line(column)->count() == points; });
    }
    // The test ticks the dump itself: the window's timer would add silent ticks while the
    // test waits for the plot.
    void StartTestDrivenDump(bool rightTube = false) {
        StartDump(rightTube);
        window->KillTimer(MaintenanceDialog::kDumpTimerId);
    }
    void EndDump() {
        Click(Id::IdStartStop);
        SilentTicks(4);
        ASSERT_FALSE(window->IsDumpRunning());
    }
};

TEST_F(CurrentPlotTest, TheMenuEntryAndCtrlPOpenOneNonModalWindowBesideTheMainWindow) {
    window->show();
    ASSERT_NE(window->SystemMenu(), nullptr);
    QAction* entry = nullptr;
    for (QAction* action : window->SystemMenu()->actions()) {
        if (action->text() == "Current Plot...") {
            entry = action;
        }
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    entry->trigger();
    CurrentPlotWindow* plot = window->CurrentPlot();
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_FALSE(plot->isModal());
    EXPECT_EQ(plot->windowTitle(), "Sensor Current Plot");
    EXPECT_TRUE(plot->isWindow());

    plot->close();
    ASSERT_FALSE(plot->isVisible());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(window->CurrentPlot(), plot);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_TRUE(window->screen()->availableGeometry().contains(plot->frameGeometry()));

    plot->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == plot; }));
    QTest::keyClick(plot->ChartView(), Qt::Key_Escape);
    EXPECT_FALSE(plot->isVisible()) << "Escape closes the plot";
    EXPECT_TRUE(window->isVisible());
}

TEST_F(CurrentPlotTest, SamplesAppearAsPointsWithTheListsValuesForBothTubes) {
    CurrentPlotWindow* plot = OpenPlot();
    for (const bool rightTube : {false, true}) {
        StartTestDrivenDump(rightTube);
        ASSERT_TRUE(Drawn(plot, 0, 0)) << "a start begins a new plot";
        TickWithSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
        TickWithSample(Sample(0x1042, 0x1FFF, 0x0001, 0xFFFF));
        TickWithSample(Sample(0x0FFF, 0x2001, 0x3003, 0x4004));
        ASSERT_EQ(RowCount(), 3);
        ASSERT_TRUE(Drawn(plot, 0, 3));
        EXPECT_EQ(LegendNames(plot), Headings());
        for (int c = 0; c < 4; ++c) {
            ASSERT_EQ(plot->Line(c)->count(), 3);
            for (int r = 0; r < 3; ++r) {
                EXPECT_EQ(PointText(plot, c, r), Row(r)[c]) << "row " << r << " column " << c;
            }
            EXPECT_LT(plot->Line(c)->at(0).x(), plot->Line(c)->at(2).x() + 1e-9);
            // The band spans "Max" to "Min" as the labels show them.
            const QAreaSeries* band = plot->Band(c);
            EXPECT_EQ(QString::asprintf("%6.3f", band->upperSeries()->at(0).y()),
                      ExtremeLabels()[c]);
            EXPECT_EQ(QString::asprintf("%6.3f", band->lowerSeries()->at(0).y()),
                      ExtremeLabels()[c + 4]);
        }
        // Columns 0, 2 and 3 are over the default spread limit: their bands take the lamp's red.
        ASSERT_EQ(LitLamps(), (std::vector<int>{0, 2, 3}));
        for (int c = 0; c < 4; ++c) {
            const bool red = plot->Band(c)->brush().color().rgb() == qRgb(255, 0, 0);
            EXPECT_EQ(red, c != 1) << "band of column " << c;
        }
        EndDump();
    }
    EXPECT_EQ(Headings(), (std::vector<QString>{"4 (mA)", "5 (mA)", "6 (mA)", "7 (mA)"}));
}

// A screen reader reads the chart's name and description: the description says per column
// what the plot draws, and follows it.
TEST_F(CurrentPlotTest, TheChartDescribesEachColumnAndFollowsTheDump) {
    CurrentPlotWindow* plot = OpenPlot();
    QAccessibleInterface* chart =
        QAccessible::queryAccessibleInterface(plot->findChild<CurrentChartView*>());
    ASSERT_NE(chart, nullptr);
    StartTestDrivenDump();
    ASSERT_TRUE(Drawn(plot, 0, 0));
    EXPECT_EQ(chart->text(QAccessible::Description), QStringLiteral("No samples yet."));
    TickWithSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
    TickWithSample(Sample(0x1042, 0x2000, 0x3000, 0x4000));
    ASSERT_TRUE(Drawn(plot, 0, 2));
    EXPECT_EQ(chart->text(QAccessible::Description),
              QStringLiteral("0 (mA): latest 1.270, Max 1.270, Min 1.250, spread 0.020, over the "
                             "limit. 1 (mA): latest 2.500, Max 2.500, Min 2.500, spread 0.000, "
                             "within the limit. 2 (mA): latest 3.750, Max 3.750, Min 3.750, "
                             "spread 0.000, within the limit. 3 (mA): latest 5.000, Max 5.000, "
                             "Min 5.000, spread 0.000, within the limit."));
    EndDump();
}

TEST_F(CurrentPlotTest, ResetAndATubeChangeStartANewPlot) {
    CurrentPlotWindow* plot = OpenPlot();
    StartTestDrivenDump();
    TickWithSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
    TickWithSample(Sample(0x1001, 0x2001, 0x3001, 0x4001));
    ASSERT_TRUE(Drawn(plot, 3, 2));

    Click(Id::IdReset);
    ASSERT_TRUE(Drawn(plot, 3, 0));
    EXPECT_EQ(plot->Band(0)->upperSeries()->count(), 0);
    EXPECT_EQ(RowCount(), 2) << "Reset leaves the list";
    TickWithSample(Sample(0x0100, 0x0200, 0x0300, 0x0400));
    ASSERT_TRUE(Drawn(plot, 3, 1));
    EXPECT_EQ(PointText(plot, 3, 0), Milliamps(0x0400));

    EndDump();
    Click(Id::IdRightTube);
    ASSERT_TRUE(Drawn(plot, 3, 0));
    EXPECT_EQ(LegendNames(plot), (std::vector<QString>{"4 (mA)", "5 (mA)", "6 (mA)", "7 (mA)"}));
}

TEST_F(CurrentPlotTest, ZoomingOrPanningStopsFollowingAndFollowOrHomeReturns) {
    CurrentPlotWindow* plot = OpenPlot();
    StartTestDrivenDump();
    for (unsigned i = 0; i < 5; ++i) {
        TickWithSample(Sample(0x1000 + i, 0x2000, 0x3000, 0x4000));
    }
    ASSERT_TRUE(Drawn(plot, 0, 5));
    auto* time = qobject_cast<QValueAxis*>(plot->Chart()->axes(Qt::Horizontal).constFirst());
    ASSERT_NE(time, nullptr);
    ASSERT_TRUE(plot->IsFollowing());
    EXPECT_TRUE(plot->FollowButton()->isChecked());
    EXPECT_GE(time->max(), plot->Line(0)->at(4).x());

    plot->ChartView()->ZoomAt(plot->ChartView()->rect().center(), 0.5);
    EXPECT_FALSE(plot->IsFollowing());
    EXPECT_FALSE(plot->FollowButton()->isChecked());
    const double zoomedMax = time->max();
    TickWithSample(Sample(0x1000, 0x2000, 0x3000, 0x4000));
    ASSERT_TRUE(Drawn(plot, 0, 6));
    EXPECT_EQ(time->max(), zoomedMax) << "a zoomed plot stays where it is";

    plot->FollowButton()->click();
    EXPECT_TRUE(plot->IsFollowing());
    EXPECT_GE(time->max(), plot->Line(0)->at(5).x());

    QTest::mousePress(plot->ChartView()->viewport(), Qt::LeftButton, {}, {200, 150});
    QTest::mouseMove(plot->ChartView()->viewport(), {260, 170});
    QTest::mouseRelease(plot->ChartView()->viewport(), Qt::LeftButton, {}, {260, 170});
    EXPECT_FALSE(plot->IsFollowing());
    plot->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(plot));
    QTest::keyClick(plot, Qt::Key_Home, Qt::KeypadModifier);
    EXPECT_TRUE(plot->IsFollowing());
}

}  // namespace
}  // namespace dumptest
