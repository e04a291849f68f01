#include "platform/ui/TemplateDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace ui {
namespace {

constexpr double kShrunkTextStep = 0.5;

// The room a window's client area has on the screen it opens on: the available area less the
// frame's title bar and borders.
QSize ClientRoom(const QWidget* parent) {
    const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    const QStyle* style = QApplication::style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    const int titleBar = style->pixelMetric(QStyle::PM_TitleBarHeight);
    const QSize available = screen->availableGeometry().size();
    return QSize(available.width() - 2 * border, available.height() - titleBar - 2 * border);
}

QFont FontFor(QWidget* dialog, const DialogTemplate& dialogTemplate, const QWidget* parent) {
    const QFont font = DialogUnits::DialogFontWithin(
        QSize(dialogTemplate.width, dialogTemplate.height), ClientRoom(parent));
    QFont shown = font;
    if (font.pointSizeF() < DialogUnits::DialogFont().pointSizeF()) {
        // A shrunk font's texts, drawn at a fractional scale, run wider than the units its
        // metrics give: drawn a step smaller, they stay inside their controls.
        shown.setPointSizeF(font.pointSizeF() - kShrunkTextStep);
    }
    dialog->setFont(shown);
    return font;
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                               const CustomControlFactory& customFactory)
    : QDialog(parent),
      template_(dialogTemplate),
      units_(FontFor(this, dialogTemplate, parent)),
      builder_(dialogTemplate, this, units_) {
    setWindowTitle(dialogTemplate.caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(units_.ToPixels(QSize(dialogTemplate.width, dialogTemplate.height)));
    setModal(true);
    builder_.Build(customFactory);
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    // The keypad's keys act as their main-keyboard twins.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && modifiers == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            OnOk();
        }
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        OnCancel();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
    // The frame's close leads to the Cancel action, which ends the run itself if it may.
    event->ignore();
    if (CloseRequested()) {
        OnCancel();
    }
}

}  // namespace ui
