#include "controls/StatusLamp.h"

#include "controls/StatusLampAccessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

// A GDI-style box (right and bottom exclusive) as the rectangle QPainter outlines with a
// one-pixel pen over the same pixels.
QRectF OutlineRect(const QRect& box) {
    return QRectF(box.left(), box.top(), box.width() - 1, box.height() - 1);
}

// The angle, in sixteenths of a degree counter-clockwise from three o'clock, of the point
// where the ray from the centre of box through point meets the ellipse inscribed in box.
int EllipseAngle(const QRectF& box, QPointF point) {
    const QPointF centre = box.center();
    const double radiusX = std::max(box.width() / 2.0, 0.5);
    const double radiusY = std::max(box.height() / 2.0, 0.5);
    const double dx = (point.x() - centre.x()) / radiusX;
    const double dy = (centre.y() - point.y()) / radiusY;
    const double degrees = std::atan2(dy, dx) * 180.0 / M_PI;
    return static_cast<int>(std::lround(degrees * 16.0));
}

}  // namespace

StatusLamp::Geometry StatusLamp::ComputeGeometry(int left, int top, int right, int bottom) {
    Geometry g;
    g.w8 = (right - left) / 8;
    g.h8 = (bottom - top) / 8;
    g.x1 = left + (g.w8 * 15) / 10;
    g.y1 = top + (g.h8 * 15) / 10;
    g.x2 = g.x1 + (g.w8 * 25) / 10;
    g.y2 = g.y1 + (g.h8 * 25) / 10;
    g.bodyBox = QRect(QPoint(left + 1, top + 1), QPoint(right - 2, bottom - 2));
    g.highlightBox = QRect(QPoint(g.x1, g.y1), QPoint(right - 1, bottom - 1));
    g.arcStart = QPoint(g.x2, g.y1);
    g.arcEnd = QPoint(g.x1, g.y2);
    return g;
}

StatusLamp::StatusLamp(QWidget* parent) : QPushButton(parent) {
    StatusLampAccessible::Install();
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Spread lamp"));
}

QString StatusLamp::StateText() const {
    return lit_ != 0 ? tr("lit") : tr("dark");
}

void StatusLamp::SetLit(std::int32_t value) {
    if (value == lit_) {
        return;
    }
    lit_ = value;
    StatusLampAccessible::NotifyStateChanged(this);
    update();
}

void StatusLamp::paintEvent(QPaintEvent* /*event*/) {
    const QRect item = rect();
    const Geometry g = ComputeGeometry(item.left(), item.top(), item.left() + item.width(),
                                       item.top() + item.height());
    const bool lit = lit_ != 0;
    const QColor body = QColor::fromRgb(lit ? kLitBody : kDarkBody);
    const QColor highlight = QColor::fromRgb(lit ? kLitHighlight : kDarkHighlight);

    QPainter painter(this);
    painter.save();
    painter.fillRect(item, palette().color(QPalette::Button));

    painter.setPen(QPen(QColor::fromRgb(kBodyOutline), 1, Qt::SolidLine));
    painter.setBrush(body);
    painter.drawEllipse(OutlineRect(g.bodyBox));

    const QRectF chordBox = OutlineRect(g.highlightBox);
    const int start = EllipseAngle(chordBox, g.arcStart);
    int span = EllipseAngle(chordBox, g.arcEnd) - start;
    if (span < 0) {
        span += 360 * 16;
    }
    painter.setPen(QPen(highlight, 1, Qt::SolidLine));
    painter.setBrush(highlight);
    painter.drawChord(chordBox, start, span);
    painter.restore();
}

// The lamp is an indicator: clicks and keys do nothing.
void StatusLamp::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void StatusLamp::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void StatusLamp::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
void StatusLamp::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}
void StatusLamp::keyReleaseEvent(QKeyEvent* event) {
    event->ignore();
}
