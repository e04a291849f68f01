#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTreeWidget>

#include "app/DumpSample.h"
#include "app/MaintenanceDialog.h"
#include "app/SpreadLimit.h"
#include "app/VisitEvents.h"
#include "controls/StatusLamp.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "plot/CurrentPlotFeed.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace {

// Ticks in a row without text after which the dump has ended (about 3.6 s).
constexpr std::int32_t kSilentTicksToEnd = 4;

template <class Buttons>
void SetDumpLockedControlsEnabled(const Buttons& commandButtons, QLineEdit* spreadField,
                                  bool enabled) {
    for (QPushButton* button : commandButtons) {
        button->setEnabled(enabled);
    }
    spreadField->setEnabled(enabled);
}

bool IsDumping(ReplyState state) {
    return state == ReplyState::DumpLeft || state == ReplyState::DumpRight;
}

QString ToQString(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void MaintenanceDialog::OnStartStop() {
    if (dumpRunning_ == 0) {
        const bool rightTube = rightTube_->isChecked();
        if (!link_ || !link_->StartDump(rightTube)) {
            record_->Event("refused", {{"command", "dump_start"}});
            ui::Beep();
            return;
        }
        SetTimer(kDumpTimerId, kDumpTimerPeriodMs);
        startButton_->setText(QStringLiteral("Stop"));
        ui::ScreenReaderNotice::TellNewText(*startButton_);
        dumpRunning_ = 1;
        dumpRightTube_ = rightTube;
        spreadLimit_ = SpreadLimitFromMicroamps(spreadField_->text().toStdString());
        SetDumpLockedControlsEnabled(commandButtons_, spreadField_, false);
        ResetCurrentExtremes();
        dumpSampleCount_ = 0;
        record_->Event("dump_start", {{"tube", visit::TubeName(rightTube)},
                                      {"spread_limit", spreadLimit_},
                                      {"spread_limit_unit", "mA"},
                                      {"file", DumpFileForRecord()}});
        return;
    }
    const bool wasDumping = link_ && IsDumping(link_->State());
    TakeReportsBeforeStop();
    // A report the recorder could not write to the file has stopped the dump already.
    const bool stoppedByRecorder = wasDumping && link_->State() == ReplyState::DumpStopping;
    if (link_ && (stoppedByRecorder || link_->StopDump())) {
        record_->Event("dump_stop", {});
        // The rest follows on the fourth silent tick, seconds later, wherever the focus is then.
        ui::ScreenReaderNotice::Tell(*startButton_, QStringLiteral("Stopping the dump."));
        spreadField_->setEnabled(true);
        return;
    }
    record_->Event("refused", {{"command", "dump_stop"}});
    ui::Beep();
}

void MaintenanceDialog::OnLeftTube() {
    if (dumpRunning_ != 0) {
        ui::Beep();
        (dumpRightTube_ ? rightTube_ : leftTube_)->setChecked(true);
        return;
    }
    dumpList_->clear();
    ResetCurrentExtremes();
    SetDumpHeadings(0);
}

void MaintenanceDialog::OnRightTube() {
    if (dumpRunning_ != 0) {
        ui::Beep();
        (dumpRightTube_ ? rightTube_ : leftTube_)->setChecked(true);
        return;
    }
    dumpList_->clear();
    ResetCurrentExtremes();
    SetDumpHeadings(4);
}

void MaintenanceDialog::SetDumpHeadings(int firstSensor) {
    QStringList headings;
    DumpObserver::Headings observed;
    for (int c = 0; c < kDumpColumnCount; ++c) {
        headings << QStringLiteral("%1 (mA)").arg(firstSensor + c);
        observed[c] = headings.back().toStdString();
    }
    dumpList_->setHeaderLabels(headings);
    plotFeed_->OnHeadingsChanged(observed);
}

void MaintenanceDialog::OnResetExtremes() {
    ResetCurrentExtremes();
}

void MaintenanceDialog::OnBrowseDumpFile() {
    QFileDialog chooser(this);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setDefaultSuffix(QStringLiteral("txt"));
    chooser.setNameFilter(QStringLiteral("Text Document (*.txt)"));
    // No read-only check box is offered: the chosen file is opened for appending.
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return;
    }
    dumpFileName_->setText(chooser.selectedFiles().constFirst());
}

void MaintenanceDialog::OnDumpTick() {
    const std::string text = link_ ? link_->ReadReply() : std::string();
    response_->setText(ToQString(text));
    if (!text.empty()) {
        RecordCurrentSample(text);
        silentTickCount_ = 0;
        return;
    }
    ++silentTickCount_;
    if (silentTickCount_ >= kSilentTicksToEnd) {
        EndDump();
    }
}

// The stop's reply state drops the first line it meets, so the reports already received are
// taken first, as the ticks would take them. A text shorter than a report is a line still
// arriving (or the rest of one a tick took in part): the stop drops it whole.
void MaintenanceDialog::TakeReportsBeforeStop() {
    while (link_ && IsDumping(link_->State())) {
        const std::string text = link_->ReadReply();
        if (text.empty()) {
            return;
        }
        if (text.size() < DumpSample::kExaminedLength) {
            continue;
        }
        response_->setText(ToQString(text));
        RecordCurrentSample(text);
        silentTickCount_ = 0;
    }
}

void MaintenanceDialog::EndDump() {
    record_->Event("dump_end", DumpSummary());
    KillTimer(kDumpTimerId);
    startButton_->setText(QStringLiteral("Start"));
    ui::ScreenReaderNotice::Tell(*startButton_, startButton_->hasFocus()
                                                    ? QStringLiteral("Dump ended. Start.")
                                                    : QStringLiteral("Dump ended."));
    dumpRunning_ = 0;
    silentTickCount_ = 0;
    if (link_) {
        link_->Reset();
        link_->DiscardUnread();
    }
    SetDumpLockedControlsEnabled(commandButtons_, spreadField_, true);
    ShowLineLost();
    TakeUpLineIfDue();
}

void MaintenanceDialog::StopDumpForTermination() {
    if (dumpRunning_ == 0) {
        return;
    }
    // Refused only when the dump is already stopping; either way the card stops streaming.
    if (link_) {
        link_->StopDump();
    }
    EndDump();
}

QString MaintenanceDialog::DumpFileForRecord() const {
    return dumpToFile_->isChecked() ? dumpFileName_->text() : QString();
}

QJsonObject MaintenanceDialog::DumpSummary() const {
    QJsonArray lit;
    for (const StatusLamp* lamp : spreadLamps_) {
        lit.append(lamp->Lit() != 0);
    }
    return QJsonObject{{"tube", visit::TubeName(dumpRightTube_)},
                       {"samples", dumpSampleCount_},
                       {"spread_limit", spreadLimit_},
                       {"max", visit::Numbers(maximumCurrent_)},
                       {"min", visit::Numbers(minimumCurrent_)},
                       {"unit", "mA"},
                       {"lamps_lit", lit},
                       {"file", DumpFileForRecord()}};
}
