#include "plot/CurrentChartView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

constexpr qreal kZoomInFactor = 0.8;
constexpr qreal kZoomOutFactor = 1.25;
constexpr qreal kKeyPanShare = 0.1;  // of the plot area per arrow key

}  // namespace

CurrentChartView::CurrentChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setRenderHint(QPainter::Antialiasing);
}

void CurrentChartView::ZoomAt(const QPointF& viewPoint, qreal factor) {
    const QRectF area = chart()->plotArea();
    QPointF anchor = chart()->mapFromScene(mapToScene(viewPoint.toPoint()));
    if (!area.contains(anchor)) {
        anchor = area.center();
    }
    const QRectF zoomed(anchor.x() - (anchor.x() - area.left()) * factor,
                        anchor.y() - (anchor.y() - area.top()) * factor, area.width() * factor,
                        area.height() * factor);
    chart()->zoomIn(zoomed);
    emit ViewMovedByUser();
}

void CurrentChartView::Pan(const QPointF& distance) {
    chart()->scroll(-distance.x(), distance.y());
    emit ViewMovedByUser();
}

void CurrentChartView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) {
        QChartView::wheelEvent(event);
        return;
    }
    ZoomAt(event->position(), steps > 0 ? kZoomInFactor : kZoomOutFactor);
    event->accept();
}

void CurrentChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QChartView::mousePressEvent(event);
        return;
    }
    dragFrom_ = event->position();
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void CurrentChartView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_) {
        QChartView::mouseMoveEvent(event);
        return;
    }
    const QPointF distance = event->position() - *dragFrom_;
    dragFrom_ = event->position();
    Pan(distance);
    event->accept();
}

void CurrentChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragFrom_ || event->button() != Qt::LeftButton) {
        QChartView::mouseReleaseEvent(event);
        return;
    }
    dragFrom_.reset();
    unsetCursor();
    event->accept();
}

void CurrentChartView::keyPressEvent(QKeyEvent* event) {
    const QSizeF area = chart()->plotArea().size();
    const QPointF centre = mapFromScene(chart()->mapToScene(chart()->plotArea().center()));
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomAt(centre, kZoomInFactor);
            break;
        case Qt::Key_Minus:
            ZoomAt(centre, kZoomOutFactor);
            break;
        case Qt::Key_Left:
            Pan({area.width() * kKeyPanShare, 0});
            break;
        case Qt::Key_Right:
            Pan({-area.width() * kKeyPanShare, 0});
            break;
        case Qt::Key_Up:
            Pan({0, area.height() * kKeyPanShare});
            break;
        case Qt::Key_Down:
            Pan({0, -area.height() * kKeyPanShare});
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}
