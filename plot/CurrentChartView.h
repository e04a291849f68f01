#pragma once

#include <QChartView>
#include <QPoint>
#include <optional>

// The plot's chart view: the mouse wheel and the keys + and - zoom, a drag with the left
// button and the arrow keys pan. Each of these tells ViewMovedByUser.
class CurrentChartView : public QChartView {
    Q_OBJECT
  public:
    explicit CurrentChartView(QChart* chart, QWidget* parent = nullptr);

    // Zooms by the factor (below 1 zooms in) about a point in view coordinates.
    void ZoomAt(const QPointF& viewPoint, qreal factor);
    // Pans by a distance in pixels: the content follows the distance.
    void Pan(const QPointF& distance);

  signals:
    void ViewMovedByUser();

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::optional<QPointF> dragFrom_;
};
