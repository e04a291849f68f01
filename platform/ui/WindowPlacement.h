#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// Where a window of the given frame size goes beside an anchor window's frame, within the
// screen's available area: right of the anchor, else left of it, else below, else above, each
// side aligned with the anchor's edge and pushed back inside the area. Where no side has room,
// the window goes into the area over the anchor, on the side with the most room. A window
// larger than the area is made as large as the area.
QRect PlaceBeside(const QRect& anchorFrame, const QSize& frameSize, const QRect& available);

// Moves and, where needed, shrinks a top-level window that is about to be shown for the first
// time so that it stands beside the anchor's window on the anchor's screen.
void ShowBeside(QWidget& window, const QWidget& anchor);

// Centres a window that has not been shown yet on its screen's available area, so that
// whatever opens over it before it shows appears where it will be.
void CentreOnScreen(QWidget& window);

}  // namespace ui
