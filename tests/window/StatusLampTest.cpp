#include <gtest/gtest.h>

#include <QAccessible>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>

#include "controls/StatusLamp.h"

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(StatusLampGeometryTest, SixteenPixelLampAtTheOrigin) {
    const StatusLamp::Geometry g = StatusLamp::ComputeGeometry(0, 0, 16, 16);
    EXPECT_EQ(g.w8, 2);
    EXPECT_EQ(g.h8, 2);
    EXPECT_EQ(g.x1, 3);
    EXPECT_EQ(g.y1, 3);
    EXPECT_EQ(g.x2, 8);
    EXPECT_EQ(g.y2, 8);
    // Boxes as left, top, right (exclusive), bottom (exclusive).
    EXPECT_EQ(g.bodyBox.left(), 1);
    EXPECT_EQ(g.bodyBox.top(), 1);
    EXPECT_EQ(g.bodyBox.left() + g.bodyBox.width(), 15);
    EXPECT_EQ(g.bodyBox.top() + g.bodyBox.height(), 15);
    EXPECT_EQ(g.highlightBox.left(), 3);
    EXPECT_EQ(g.highlightBox.top(), 3);
    EXPECT_EQ(g.highlightBox.left() + g.highlightBox.width(), 16);
    EXPECT_EQ(g.highlightBox.top() + g.highlightBox.height(), 16);
    EXPECT_EQ(g.arcStart, QPoint(8, 3));
    EXPECT_EQ(g.arcEnd, QPoint(3, 8));
}

TEST(StatusLampGeometryTest, OffsetRectangleAndSmallSizes) {
    // 20 x 12 at (5, 7): w8 = 2, h8 = 1; x1 = 5 + 3, y1 = 7 + 1; x2 = x1 + 5, y2 = y1 + 2.
    const StatusLamp::Geometry g = StatusLamp::ComputeGeometry(5, 7, 25, 19);
    EXPECT_EQ(g.w8, 20 / 8);
    EXPECT_EQ(g.h8, 12 / 8);
    EXPECT_EQ(g.x1, 5 + (2 * 15) / 10);
    EXPECT_EQ(g.y1, 7 + (1 * 15) / 10);
    EXPECT_EQ(g.x2, g.x1 + (2 * 25) / 10);
    EXPECT_EQ(g.y2, g.y1 + (1 * 25) / 10);
    // Under 8 pixels in a dimension the highlight offsets of that dimension vanish.
    const StatusLamp::Geometry narrow = StatusLamp::ComputeGeometry(0, 0, 7, 16);
    EXPECT_EQ(narrow.w8, 0);
    EXPECT_EQ(narrow.x1, 0);
    EXPECT_EQ(narrow.x2, 0);
    EXPECT_EQ(narrow.y1, 3);
}

TEST(StatusLampTest, RepaintsOnlyWhenTheValueChanges) {
    StatusLamp lamp;
    lamp.resize(16, 16);
    lamp.show();
    PaintCounter counter;
    QApplication::processEvents();
    lamp.installEventFilter(&counter);
    lamp.repaint();
    ASSERT_EQ(counter.paints, 1);

    lamp.SetLit(1);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
    EXPECT_EQ(lamp.Lit(), 1);
    lamp.SetLit(1);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2) << "the same value again repaints nothing";
    lamp.SetLit(2);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 3) << "another lit value is a change";
    EXPECT_EQ(lamp.Lit(), 2);
    lamp.SetLit(0);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 4);
    lamp.removeEventFilter(&counter);
}

QImage Render(StatusLamp& lamp) {
    QImage image(lamp.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    lamp.render(&image);
    return image;
}

TEST(StatusLampTest, DrawsBodyHighlightAndBackgroundInTheStateColours) {
    StatusLamp lamp;
    lamp.resize(32, 32);
    const QColor face = lamp.palette().color(QPalette::Button);
    const StatusLamp::Geometry g = StatusLamp::ComputeGeometry(0, 0, 32, 32);
    // Centre of the body, below right of the highlight; inside the highlight cap; a corner.
    const QPoint bodyPoint(22, 22);
    const QPoint capPoint(g.x1 + 4, g.y1 + 4);
    const QPoint corner(0, 0);

    QImage dark = Render(lamp);
    EXPECT_EQ(dark.pixel(bodyPoint), qRgb(128, 0, 0));
    EXPECT_EQ(dark.pixel(capPoint), qRgb(200, 200, 200));
    EXPECT_EQ(QColor(dark.pixel(corner)), face);
    EXPECT_EQ(dark.pixel(QPoint(16, 1)), qRgb(128, 128, 128)) << "top of the outline";

    lamp.SetLit(1);
    QImage lit = Render(lamp);
    EXPECT_EQ(lit.pixel(bodyPoint), qRgb(255, 0, 0));
    EXPECT_EQ(lit.pixel(capPoint), qRgb(255, 255, 255));
    EXPECT_EQ(QColor(lit.pixel(corner)), face);
    // Nothing of the body beyond its box (right and bottom exclusive, one pixel in).
    EXPECT_EQ(QColor(lit.pixel(QPoint(31, 16))), face);
    EXPECT_EQ(lit.pixel(QPoint(30, 16)), qRgb(128, 128, 128));
}

TEST(StatusLampTest, IgnoresInputAndNamesItself) {
    StatusLamp lamp;
    int clicks = 0;
    QObject::connect(&lamp, &QPushButton::clicked, [&] { ++clicks; });
    lamp.resize(16, 16);
    lamp.show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(8, 8), QPointF(8, 8), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(8, 8), QPointF(8, 8), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&lamp, &press);
    QApplication::sendEvent(&lamp, &release);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(lamp.focusPolicy(), Qt::NoFocus);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&lamp);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Spread lamp, dark"));
    lamp.SetLit(1);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Spread lamp, lit"));
}

}  // namespace
