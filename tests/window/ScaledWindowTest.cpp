// The windows on a 1366x768 screen at 1.5 times scale (QT_SCALE_FACTOR=1.5 on an offscreen
// screen of that size, screen-1366x768.json).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "ConnectedWindow.h"
#include "app/MaintenanceDialog.h"
#include "plot/CurrentPlotWindow.h"

namespace {

// Before main() makes the application: the scale and the screen this test is about.
const bool kScaledScreen = [] {
    qputenv("QT_SCALE_FACTOR", "1.5");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" MERROWBY_SCREEN_CONFIG);
    return true;
}();

using ScaledWindowTest = windowtest::ConnectedWindowTest;

void ExpectWithinAvailableArea(const QWidget& shown, const char* what) {
    const QRect available = shown.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(shown.frameGeometry()))
        << what << ": frame " << shown.frameGeometry().width() << "x"
        << shown.frameGeometry().height() << " at " << shown.frameGeometry().x() << ","
        << shown.frameGeometry().y() << ", available " << available.width() << "x"
        << available.height();
}

TEST_F(ScaledWindowTest, EveryWindowFitsTheAvailableAreaWithTheTemplatesProportions) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_DOUBLE_EQ(screen->devicePixelRatio(), 1.5);
    // Qt rounds the logical size to whole pixels (1366 / 1.5 = 910.7).
    ASSERT_NEAR(screen->geometry().width() * 1.5, 1366, 1.5);
    ASSERT_NEAR(screen->geometry().height() * 1.5, 768, 1.5);

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ExpectWithinAvailableArea(*window, "main window");
    // The whole window shrinks alike: "Done" (316, 295, 50 x 14 in a window of 377 x 316
    // dialog units) keeps its place.
    const QRect done = window->Control(MaintenanceDialog::IdDone)->geometry();
    EXPECT_NEAR(static_cast<double>(done.x() + done.width()) / window->width(), 366.0 / 377.0,
                0.01);
    EXPECT_NEAR(static_cast<double>(done.y() + done.height()) / window->height(), 309.0 / 316.0,
                0.01);

    // Shrunk to fit, every text still fits its control.
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->isVisible() && !label->text().isEmpty()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
    }

    window->OpenCurrentPlot();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->CurrentPlot()));
    ExpectWithinAvailableArea(*window->CurrentPlot(), "current plot");
}

}  // namespace
