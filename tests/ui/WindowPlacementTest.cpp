// Where a window opened beside another goes on the screen's available area.
#include <gtest/gtest.h>

#include <QRect>
#include <QSize>
#include <ostream>

#include "platform/ui/WindowPlacement.h"

// Failure messages show rectangles as x, y, width x height.
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height();
}

namespace {

using ui::PlaceBeside;

// A full-HD screen less a 40-pixel panel at the bottom, and a plot's frame.
const QRect kAvailable(0, 0, 1920, 1040);
const QSize kPlot(740, 480);

TEST(WindowPlacementTest, BesideTheAnchorWhereTheAreaHasRoom) {
    struct Case {
        const char* where;
        QRect anchor;
        QRect expected;
    } cases[] = {
        {"right, top edges aligned", {400, 200, 580, 560}, {980, 200, 740, 480}},
        {"left when the right has no room", {1300, 200, 580, 560}, {560, 200, 740, 480}},
        {"right, pulled up to stay on the screen", {100, 700, 580, 340}, {680, 560, 740, 480}},
        {"below a window as wide as the screen", {0, 0, 1900, 400}, {0, 400, 740, 480}},
        {"above it when below has no room", {0, 560, 1900, 400}, {0, 80, 740, 480}},
    };
    for (const Case& test : cases) {
        const QRect placed = PlaceBeside(test.anchor, kPlot, kAvailable);
        EXPECT_EQ(placed, test.expected) << test.where;
        EXPECT_FALSE(placed.intersects(test.anchor)) << test.where;
    }
}

TEST(WindowPlacementTest, OverTheAnchorOnlyWhereNoSideHasRoom) {
    // At 1.5x a 1920 x 1080 screen is 1280 x 720 logical pixels; the main window fills its
    // height. The plot goes to the side with the most room, as far as the screen allows.
    const QRect available(0, 0, 1280, 690);
    const QRect mainWindow(300, 0, 870, 690);
    const QRect placed = PlaceBeside(mainWindow, kPlot, available);
    EXPECT_EQ(placed, QRect(0, 0, 740, 480)) << "left has 300 pixels, right only 110";
    EXPECT_TRUE(available.contains(placed));
}

TEST(WindowPlacementTest, StaysOnTheAnchorsScreenAndWithinIt) {
    // A second screen right of the first.
    const QRect second(1920, 0, 1280, 1024);
    const QRect placed = PlaceBeside(QRect(2000, 100, 580, 560), kPlot, second);
    EXPECT_EQ(placed, QRect(2460, 100, 740, 480));
    EXPECT_TRUE(second.contains(placed));

    // A window larger than the area is cut down to it.
    EXPECT_EQ(PlaceBeside(QRect(400, 200, 580, 560), QSize(2000, 1200), kAvailable), kAvailable);

    // Wherever the anchor stands, even partly off the area, the window stays within it.
    for (int x = -300; x <= 1900; x += 100) {
        for (int y = -200; y <= 1000; y += 100) {
            const QRect placed = PlaceBeside(QRect(x, y, 580, 560), kPlot, kAvailable);
            EXPECT_TRUE(kAvailable.contains(placed)) << x << "," << y;
            EXPECT_EQ(placed.size(), kPlot);
        }
    }
}

}  // namespace
