#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace ui {

// One choice of a "Save As" file dialog: its filter text and the file name ending it adds.
struct SaveFormat {
    QString filter;  // e.g. "PNG Image (*.png)"
    QString suffix;  // e.g. "png"
};

// Asks where to save in the first format or another of the list; a name without an ending gets
// the chosen format's. The dialog opens on the suggested file, where one is given. Empty when
// cancelled.
QString AskSavePath(QWidget* parent, const std::vector<SaveFormat>& formats,
                    const QString& suggested = {});

}  // namespace ui
