#include "ModalDialogAnswerer.h"

#include <QApplication>
#include <QDialog>

#include "platform/ui/TemplateDialog.h"

namespace opstest {

namespace {

constexpr int kPollMs = 5;
constexpr auto kLeftOpenDeadline = std::chrono::seconds(10);

void CloseByForce(QWidget& modal) {
    if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
        dialog->reject();
    } else {
        modal.close();
    }
}

}  // namespace

ModalDialogAnswerer::ModalDialogAnswerer(DialogAnswer answer) : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Poll(); });
    timer_.start(kPollMs);
}

ModalDialogAnswerer::~ModalDialogAnswerer() = default;

void ModalDialogAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (answered_) {
        if (modal == nullptr || modal != answeredDialog_) {
            timer_.stop();
        } else if (std::chrono::steady_clock::now() - answeredAt_ > kLeftOpenDeadline) {
            closedByForce_ = true;
            CloseByForce(*modal);
        }
        return;
    }
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    answered_ = true;
    answeredDialog_ = modal;
    dialogClass_ = QString::fromLatin1(modal->metaObject()->className());
    dialogTitle_ = modal->windowTitle();
    auto* dialog = qobject_cast<ui::TemplateDialog*>(modal);
    if (dialog == nullptr) {
        closedByForce_ = true;
        CloseByForce(*modal);
    } else {
        answer_(*dialog);
    }
    answeredAt_ = std::chrono::steady_clock::now();
}

}  // namespace opstest
