#pragma once

#include <QFont>
#include <QRect>

namespace ui {

// Converts dialog units to pixels from a font's metrics: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(const QRect& units) const;
    QSize ToPixels(const QSize& units) const;

    int ToUnitsX(int pixels) const;
    int ToUnitsY(int pixels) const;
    QRect ToUnits(const QRect& pixels) const;

    // The dialog font: "MS Sans Serif" 8 pt where installed, otherwise the system's sans-serif.
    static QFont DialogFont();
    // The dialog font, made smaller where a template would not fit the room in it: on a small
    // screen or at a large scale the whole window shrinks alike and keeps its proportions.
    static QFont DialogFontWithin(const QSize& templateUnits, const QSize& room);

  private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace ui
