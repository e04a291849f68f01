#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

namespace ui {
class TemplateDialog;
}

namespace opstest {

// What to do with a dialog once it is open: set its fields, then end it with one of its buttons.
using DialogAnswer = std::function<void(ui::TemplateDialog&)>;

// Answers the next modal dialog that opens while it lives. A timer polls
// QApplication::activeModalWidget() from the dialog's own modal loop; the answer runs once, on
// the first dialog found. A dialog the answer leaves open is rejected after a deadline, so that
// a test never hangs; so is any modal widget that is not a template dialog.
class ModalDialogAnswerer {
  public:
    explicit ModalDialogAnswerer(DialogAnswer answer);
    ~ModalDialogAnswerer();
    ModalDialogAnswerer(const ModalDialogAnswerer&) = delete;
    ModalDialogAnswerer& operator=(const ModalDialogAnswerer&) = delete;

    // Whether a dialog opened and was answered.
    bool Answered() const { return answered_; }
    // The class and title of the dialog answered.
    const QString& DialogClass() const { return dialogClass_; }
    const QString& DialogTitle() const { return dialogTitle_; }
    // When the answer had run (the dialog's end, for an answer that closes it).
    std::chrono::steady_clock::time_point AnsweredAt() const { return answeredAt_; }
    // The answer left its dialog open, or the modal widget was no template dialog: it was
    // closed by force.
    bool ClosedByForce() const { return closedByForce_; }

  private:
    void Poll();

    DialogAnswer answer_;
    QTimer timer_;
    QPointer<QWidget> answeredDialog_;
    bool answered_ = false;
    bool closedByForce_ = false;
    QString dialogClass_;
    QString dialogTitle_;
    std::chrono::steady_clock::time_point answeredAt_{};
};

}  // namespace opstest
