#include <QLineEdit>
#include <QRadioButton>

#include "app/LineRecovery.h"
#include "app/MaintenanceDialog.h"
#include "app/VisitEvents.h"
#include "app/WindowText.h"
#include "ports/PortManagerImpl.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"
#include "resources/DialogTemplates.h"

namespace {

constexpr std::uint32_t kTakeUpWaitMs = 1000;

QString LineTitle(const QString& suffix) {
    const QString title = resources::MainWindowTemplate().caption;
    return suffix.isEmpty() ? title : title + QStringLiteral(" - ") + suffix;
}

}  // namespace

void MaintenanceDialog::SetUpLineRecovery() {
    lineRecovery_ = std::make_unique<LineRecovery>(ProcessPortManager());
    connect(lineRecovery_.get(), &LineRecovery::Lost, this, &MaintenanceDialog::OnLineLost);
    connect(lineRecovery_.get(), &LineRecovery::Returned, this, &MaintenanceDialog::OnLineBack);
    connect(lineRecovery_.get(), &LineRecovery::Ambiguous, this, [this](const QString& portName) {
        if (IsFollowedLine(portName)) {
            ShowLineLost();
        }
    });
}

void MaintenanceDialog::FollowLine() {
    lineTakeUpDue_ = false;
    if (link_) {
        lineRecovery_->Follow(link_->PortName());
    } else {
        lineRecovery_->Forget();
    }
    setWindowTitle(LineTitle({}));
}

bool MaintenanceDialog::IsFollowedLine(const QString& portName) const {
    return link_ && QString::fromStdString(link_->PortName()) == portName;
}

void MaintenanceDialog::OnLineLost(const QString& portName) {
    if (!IsFollowedLine(portName)) {
        return;
    }
    lineTakeUpDue_ = false;
    lineLostDuringDump_ = dumpRunning_ != 0;
    ShowLineLost();
    setWindowTitle(LineTitle(portName + QStringLiteral(" line lost")));
    RecordLine("line_lost", portName, QString::fromStdString(lineRecovery_->DevicePath()));
}

void MaintenanceDialog::RecordLine(const char* kind, const QString& portName,
                                   const QString& devicePath) {
    record_->Event(kind, {{"port", portName}, {"device", devicePath}});
}

// Again after a dump, whose silent ticks blank the field.
void MaintenanceDialog::ShowLineLost() {
    if (!lineRecovery_->IsLost()) {
        return;
    }
    if (lineRecovery_->IsAmbiguous()) {
        response_->setText(QStringLiteral(
            "Two or more adapters like the lost one appeared; Poll For Instrument chooses."));
        return;
    }
    response_->setText(QStringLiteral("Line lost on %1 (%2).")
                           .arg(QString::fromStdString(lineRecovery_->PortName()),
                                QString::fromStdString(lineRecovery_->DevicePath())));
}

// The port is open again. The card is taken offline once nothing is pending: a dump that
// was running when the line went ends first by its silent ticks, a training by its own end,
// a timing test when it is closed.
void MaintenanceDialog::OnLineBack(const QString& portName, const QString& devicePath) {
    if (!IsFollowedLine(portName)) {
        return;
    }
    lineTakeUpDue_ = true;
    lineBackDevice_ = devicePath;
    RecordLine("line_back", portName, devicePath);
    if (LineTakeUpWaits()) {
        setWindowTitle(LineTitle({}));  // the line is back; the card is taken up later
    }
    TakeUpLineIfDue();
}

bool MaintenanceDialog::LineTakeUpWaits() const {
    return timingTestOpen_ || (link_ && link_->IsPending());
}

void MaintenanceDialog::TakeUpLineIfDue() {
    if (!lineTakeUpDue_ || terminating_ || !link_ || LineTakeUpWaits()) {
        return;
    }
    // A card still streaming the dump it ran when the line went takes the first "M" as the
    // dump's stop and answers only a second one.
    const int attempts = lineLostDuringDump_ ? 2 : 1;
    std::string reply;
    for (int attempt = 0; attempt < attempts && reply.empty(); ++attempt) {
        link_->GoOffline();  // drops, as every command does, what arrived before it
        reply = WaitForReply(kTakeUpWaitMs);
    }
    FinishLineTakeUp(reply);
}

void MaintenanceDialog::FinishLineTakeUp(const std::string& reply) {
    lineTakeUpDue_ = false;
    lineLostDuringDump_ = false;
    record_->Event("go_offline", visit::WithConfirmation({{"line_take_up", true}}, reply,
                                                         LastCommandUnsent(), "OFFLINE"));
    const QString portName = QString::fromStdString(link_->PortName());
    if (!reply.empty()) {
        goOffline_->setChecked(true);
        goOnline_->setChecked(false);
        response_->setText(ToWindowText(reply));
        setWindowTitle(LineTitle({}));
    } else {
        setWindowTitle(LineTitle(portName + QStringLiteral(" line back, card silent")));
    }
    response_->setText(QStringLiteral("Line back on %1 (%2).").arg(portName, lineBackDevice_));
}
