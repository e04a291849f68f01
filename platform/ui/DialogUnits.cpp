#include "platform/ui/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <cmath>

namespace ui {
namespace {

int MulDivRounded(int value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

// The average width of the Latin letters, rounded, as dialog base units are measured.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = metrics.horizontalAdvance(letters);
    return (total / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    baseWidth_ = std::max(1, AverageCharWidth(metrics));
    baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int units) const {
    return MulDivRounded(units, baseWidth_, 4);
}
int DialogUnits::ToPixelsY(int units) const {
    return MulDivRounded(units, baseHeight_, 8);
}

QRect DialogUnits::ToPixels(const QRect& units) const {
    const int left = ToPixelsX(units.x());
    const int top = ToPixelsY(units.y());
    return QRect(left, top, ToPixelsX(units.x() + units.width()) - left,
                 ToPixelsY(units.y() + units.height()) - top);
}

QSize DialogUnits::ToPixels(const QSize& units) const {
    return QSize(ToPixelsX(units.width()), ToPixelsY(units.height()));
}

int DialogUnits::ToUnitsX(int pixels) const {
    return MulDivRounded(pixels, 4, baseWidth_);
}
int DialogUnits::ToUnitsY(int pixels) const {
    return MulDivRounded(pixels, 8, baseHeight_);
}

QRect DialogUnits::ToUnits(const QRect& pixels) const {
    const int left = ToUnitsX(pixels.x());
    const int top = ToUnitsY(pixels.y());
    return QRect(left, top, ToUnitsX(pixels.x() + pixels.width()) - left,
                 ToUnitsY(pixels.y() + pixels.height()) - top);
}

QFont DialogUnits::DialogFont() {
    static const QString preferred = QStringLiteral("MS Sans Serif");
    QFont font;
    if (QFontDatabase::families().contains(preferred)) {
        font = QFont(preferred);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(8);
    return font;
}

QFont DialogUnits::DialogFontWithin(const QSize& templateUnits, const QSize& room) {
    // Below this the texts would no longer be legible: such a window rather stands out.
    constexpr double kSmallestPointSize = 5.0;
    constexpr double kStep = 0.5;
    QFont font = DialogFont();
    while (font.pointSizeF() - kStep >= kSmallestPointSize) {
        const QSize size = DialogUnits(font).ToPixels(templateUnits);
        if (size.width() <= room.width() && size.height() <= room.height()) {
            break;
        }
        font.setPointSizeF(font.pointSizeF() - kStep);
    }
    return font;
}

}  // namespace ui
