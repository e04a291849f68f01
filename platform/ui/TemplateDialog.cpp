#include "platform/ui/TemplateDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace ui {
namespace {

QFont FontFor(QWidget* dialog) {
    const QFont font = DialogUnits::DialogFont();
    dialog->setFont(font);
    return font;
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                               const CustomControlFactory& customFactory)
    : QDialog(parent),
      template_(dialogTemplate),
      units_(FontFor(this)),
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
