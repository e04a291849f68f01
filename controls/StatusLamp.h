#pragma once

#include <QPushButton>
#include <QRect>
#include <cstdint>

// A round red indicator lamp, dark or lit, drawn as a shaded disc. It reacts to no input.
class StatusLamp : public QPushButton {
    Q_OBJECT
  public:
    // The drawing geometry for an item rectangle (left, top, right, bottom; right and bottom
    // exclusive). Boxes use the same convention: an ellipse is inscribed in them.
    struct Geometry {
        int w8 = 0, h8 = 0;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        QRect bodyBox;       // from (left + 1, top + 1) to (right - 1, bottom - 1)
        QRect highlightBox;  // from (x1, y1) to (right, bottom)
        // The highlight chord runs counter-clockwise from the ray through arcStart to the
        // ray through arcEnd, both from the centre of highlightBox.
        QPoint arcStart;  // (x2, y1)
        QPoint arcEnd;    // (x1, y2)
    };
    static Geometry ComputeGeometry(int left, int top, int right, int bottom);

    static constexpr QRgb kBodyOutline = 0xFF808080;
    static constexpr QRgb kDarkBody = 0xFF800000;
    static constexpr QRgb kLitBody = 0xFFFF0000;
    static constexpr QRgb kDarkHighlight = 0xFFC8C8C8;
    static constexpr QRgb kLitHighlight = 0xFFFFFFFF;

    explicit StatusLamp(QWidget* parent = nullptr);

    // Stores the value (0 dark, any other lit) and repaints, only when it differs.
    void SetLit(std::int32_t value);
    std::int32_t Lit() const { return lit_; }
    // "lit" or "dark", as assistive tools tell it after the lamp's name.
    QString StateText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    std::int32_t lit_ = 0;
};
