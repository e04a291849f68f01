#pragma once

#include <QAbstractButton>
#include <QMessageBox>
#include <QRect>
#include <QString>
#include <cstdlib>
#include <filesystem>

#include "platform/ui/Feedback.h"

// Puts the program's own message boxes back for a scope, in place of a test's recorder, and
// brings the recorder back afterwards.
class SystemMessageBoxes {
  public:
    explicit SystemMessageBoxes(ui::Feedback& recorder) : recorder_(recorder) {
        ui::Feedback::Install(nullptr);
    }
    ~SystemMessageBoxes() { ui::Feedback::Install(&recorder_); }
    SystemMessageBoxes(const SystemMessageBoxes&) = delete;
    SystemMessageBoxes& operator=(const SystemMessageBoxes&) = delete;

  private:
    ui::Feedback& recorder_;
};

// What a message box on screen showed.
struct SeenMessageBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    QRect frame;

    static SeenMessageBox Of(const QMessageBox& box) {
        return {box.icon(), box.windowTitle(), box.text(), box.standardButtons(),
                box.frameGeometry()};
    }
};

// Whether a box stands centred on a window: its centre on the window's, give or take the room
// the toolkit leaves for a window frame (up to 10 pixels across and 40 up).
inline bool CentredOn(const QRect& box, const QRect& window) {
    const QPoint offset = box.center() - window.center();
    return std::abs(offset.x()) <= 10 && std::abs(offset.y()) <= 40;
}

// The base name of the running executable, as the system tells it.
inline QString ExecutableBaseName() {
    return QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").filename());
}

// Presses one of the box's standard buttons as the technician would.
inline void Press(QMessageBox& box, QMessageBox::StandardButton which) {
    if (QAbstractButton* button = box.button(which)) {
        button->click();
    } else {
        box.reject();
    }
}
