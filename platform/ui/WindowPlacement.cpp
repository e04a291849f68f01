#include "platform/ui/WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>

namespace ui {
namespace {

// The start that keeps [start, start + length) within [low, high], preferring the given one.
int Clamped(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

QRect InsideVertically(QPoint topLeft, const QSize& size, const QRect& available) {
    topLeft.setY(Clamped(topLeft.y(), size.height(), available.top(), available.bottom() + 1));
    return {topLeft, size};
}

QRect InsideHorizontally(QPoint topLeft, const QSize& size, const QRect& available) {
    topLeft.setX(Clamped(topLeft.x(), size.width(), available.left(), available.right() + 1));
    return {topLeft, size};
}

// How much of the window's side of the anchor the area leaves free, per side.
struct Room {
    int right;
    int left;
    int below;
    int above;
};

Room RoomAround(const QRect& anchor, const QRect& available) {
    return {available.right() - anchor.right(), anchor.left() - available.left(),
            available.bottom() - anchor.bottom(), anchor.top() - available.top()};
}

}  // namespace

QRect PlaceBeside(const QRect& anchorFrame, const QSize& frameSize, const QRect& available) {
    const QSize size = frameSize.boundedTo(available.size());
    const Room room = RoomAround(anchorFrame, available);
    const std::array<QRect, 4> candidates{
        InsideVertically(QPoint(anchorFrame.right() + 1, anchorFrame.top()), size, available),
        InsideVertically(QPoint(anchorFrame.left() - size.width(), anchorFrame.top()), size,
                         available),
        InsideHorizontally(QPoint(anchorFrame.left(), anchorFrame.bottom() + 1), size, available),
        InsideHorizontally(QPoint(anchorFrame.left(), anchorFrame.top() - size.height()), size,
                           available)};
    const std::array<int, 4> free{room.right, room.left, room.below, room.above};
    const std::array<int, 4> needed{size.width(), size.width(), size.height(), size.height()};
    for (std::size_t side = 0; side < candidates.size(); ++side) {
        if (free[side] >= needed[side]) {
            return candidates[side];
        }
    }
    // No side has room: keep to the side with the most, pushed back into the area.
    const auto widest = std::max_element(free.begin(), free.end()) - free.begin();
    const QRect& chosen = candidates[static_cast<std::size_t>(widest)];
    return InsideVertically(InsideHorizontally(chosen.topLeft(), size, available).topLeft(), size,
                            available);
}

void ShowBeside(QWidget& window, const QWidget& anchor) {
    const QWidget& anchorWindow = *anchor.window();
    // The window has no frame yet; it gets one like the anchor's.
    const QRect anchorFrame = anchorWindow.frameGeometry();
    const QRect anchorClient = anchorWindow.geometry();
    const QMargins frame(
        anchorClient.left() - anchorFrame.left(), anchorClient.top() - anchorFrame.top(),
        anchorFrame.right() - anchorClient.right(), anchorFrame.bottom() - anchorClient.bottom());
    const QRect available = anchorWindow.screen()->availableGeometry();
    const QRect placed = PlaceBeside(anchorFrame, window.size().grownBy(frame), available);
    window.resize(placed.size().shrunkBy(frame));
    window.move(placed.topLeft());
}

void CentreOnScreen(QWidget& window) {
    const QRect available = window.screen()->availableGeometry();
    QRect placed(QPoint(), window.frameGeometry().size());
    placed.moveCenter(available.center());
    window.move(placed.topLeft());
}

}  // namespace ui
