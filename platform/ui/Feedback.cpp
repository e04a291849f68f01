#include "platform/ui/Feedback.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <atomic>

namespace ui {
namespace {

std::atomic<Feedback*> installed{nullptr};

}  // namespace

Feedback& Feedback::Current() {
    static SystemFeedback system;
    Feedback* replacement = installed.load();
    return replacement != nullptr ? *replacement : system;
}

void Feedback::Install(Feedback* feedback) {
    installed.store(feedback);
}

void SystemFeedback::Beep() {
    QApplication::beep();
}

QString SystemFeedback::Caption() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(path).fileName();
}

void SystemFeedback::Message(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, Caption(), text, QMessageBox::Ok);
}

bool SystemFeedback::Ask(QWidget* parent, const QString& text) {
    return QMessageBox::warning(parent, Caption(), text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace ui
