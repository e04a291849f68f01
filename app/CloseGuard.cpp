#include <QApplication>
#include <QDialog>

#include "app/MaintenanceDialog.h"
#include "app/VisitEvents.h"
#include "dialogs/SensorTimingTestDialog.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace {

const QString kDumpRunningText =
    QStringLiteral("You must stop Sensor Current Dump before closing.");
const QString kPendingText = QStringLiteral(
    "There is an operation pending.\nIf you close before the operation is complete, you may not "
    "be able to run instrument without cycling power.\n\nDo you still wish to close?");

}  // namespace

void MaintenanceDialog::EndVisit() {
    KillTimer(kTrainingTimerId);
    if (link_) {
        record_->Event("go_online", visit::LeavingValues(link_->PutBackOnline()));
    }
    record_->Event("exit", {});
}

bool MaintenanceDialog::CanClose() {
    if (!link_) {
        return true;
    }
    if (dumpRunning_ != 0) {
        ui::Beep();
        ui::Feedback::Current().Message(this, kDumpRunningText);
        return false;
    }
    if (link_->IsPending()) {
        ui::Beep();
        return ui::Feedback::Current().Ask(this, kPendingText);
    }
    return true;
}

bool MaintenanceDialog::CloseRequested() {
    return CanClose();
}

void MaintenanceDialog::OnOk() {
    if (CanClose()) {
        accept();
    }
}

void MaintenanceDialog::OnCancel() {
    if (CanClose()) {
        reject();
    }
}

void MaintenanceDialog::Terminate() {
    terminating_ = true;
    if (dumpRunning_ != 0) {
        StopDumpForTermination();
    }
    KillTimer(kTrainingTimerId);
    // Nobody is left to wait for the reply: drop it so that the card is put back online.
    if (link_ && link_->IsPending()) {
        link_->Reset();
    }
    CloseOtherModalDialogs();
    done(QDialog::Rejected);
}

void MaintenanceDialog::CloseOtherModalDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog == nullptr || dialog == this || !dialog->isVisible()) {
            continue;
        }
        // The timing test leaves the card reporting unless it ends as it does by itself.
        if (auto* timingTest = qobject_cast<SensorTimingTestDialog*>(dialog)) {
            timingTest->Abandon();
        } else {
            dialog->reject();
        }
    }
}
