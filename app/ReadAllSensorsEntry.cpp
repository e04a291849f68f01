#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <chrono>

#include "app/LineRecovery.h"
#include "app/MaintenanceDialog.h"
#include "app/ReplyAnnouncer.h"
#include "app/survey/SensorSurvey.h"
#include "app/survey/SurveyEvent.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"
#include "protocol/ReplyDecoding.h"
#include "record/VisitRecord.h"

namespace {

constexpr std::chrono::milliseconds kReplyWait{1000};

QString OutcomeText(const SensorSurvey& survey, const QJsonObject& values) {
    if (survey.Replies().lineLost) {
        return QStringLiteral("Read all sensors: the line was lost after %1 of %2 queries.")
            .arg(survey.QueriesDone())
            .arg(SensorSurvey::kQueryCount);
    }
    if (survey.WasCancelled()) {
        return QStringLiteral("Read all sensors: cancelled after %1 of %2 queries.")
            .arg(survey.QueriesDone())
            .arg(SensorSurvey::kQueryCount);
    }
    const int findings = survey::FindingCount(values);
    QString text = QStringLiteral("Read all sensors: %1 of %2 answered, %3 %4.")
                       .arg(survey::AnsweredSensors(values))
                       .arg(SurveyReplies::kSensorCount)
                       .arg(findings)
                       .arg(findings == 1 ? QStringLiteral("finding") : QStringLiteral("findings"));
    if (const std::chrono::milliseconds slowest = survey.Replies().slowestReply;
        slowest > kReplyWait) {
        text += QStringLiteral(" The card took up to %1 s to answer.")
                    .arg(static_cast<double>(slowest.count()) / 1000.0, 0, 'f', 1);
    }
    return text;
}

// The window's progress of the survey; Escape, like its button, cancels.
QProgressDialog* ShowProgress(QWidget& window, SensorSurvey& survey) {
    auto* progress =
        new QProgressDialog(QStringLiteral("Reading all sensors..."), QStringLiteral("Cancel"), 0,
                            SensorSurvey::kQueryCount, &window);
    progress->setWindowTitle(QStringLiteral("Read All Sensors"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoReset(false);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(progress, &QProgressDialog::canceled, &survey, &SensorSurvey::Cancel);
    // Closed another way (the program ending): the survey ends with it.
    QObject::connect(progress, &QDialog::finished, &survey, &SensorSurvey::Cancel);
    QObject::connect(&survey, &SensorSurvey::Progressed, progress, &QProgressDialog::setValue);
    QObject::connect(&survey, &SensorSurvey::Finished, progress, &QWidget::close);
    progress->setValue(0);
    return progress;
}

}  // namespace

void MaintenanceDialog::AppendReadAllSensorsEntry() {
    auto* entry = new QAction(QStringLiteral("Read All Sensors"), this);
    // The service report's button triggers it too.
    entry->setObjectName(QStringLiteral("readAllSensors"));
    entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    entry->setShortcutContext(Qt::WindowShortcut);
    addAction(entry);
    if (systemMenu_ != nullptr) {
        systemMenu_->addAction(entry);
    }
    connect(entry, &QAction::triggered, this, [this] {
        // A dump, training, the timing test or a reply awaited holds the line.
        if (!link_ || link_->IsPending() || dumpRunning_ != 0 || IsTimerActive(kTrainingTimerId) ||
            timingTestOpen_) {
            record_->Event("refused", {{"command", "read_all_sensors"}});
            ui::Beep();
            return;
        }
        QPointer survey = new SensorSurvey(*link_, kReplyWait, this);
        connect(survey, &SensorSurvey::Finished, this, [this, survey] {
            const QJsonObject values =
                survey::EventValues(survey->Replies(), survey->WasCancelled(),
                                    survey->QueriesDone(), record_->EventsBesideSamples());
            record_->Event("survey", values);
            // The grid shows the survey's own status reply, as "Update" shows its.
            if (const std::optional<std::string>& reply = survey->Replies().status) {
                if (const std::optional<SensorStatus> status =
                        protocol::DecodeStatusReply(*reply)) {
                    ShowStatusCells(*status);
                }
            }
            response_->setText(OutcomeText(*survey, values));
            // Told also when it reads as the last survey's did.
            ReplyAnnouncer::TellAgain(*response_);
            survey->deleteLater();
        });
        connect(lineRecovery_.get(), &LineRecovery::Lost, survey,
                [this, survey](const QString& portName) {
                    if (IsFollowedLine(portName)) {
                        survey->LineLost();
                    }
                });
        // The survey ends with the window, before the link does.
        connect(this, &QDialog::finished, survey, [survey] { delete survey.data(); });
        if (!survey->Start()) {
            delete survey.data();
            record_->Event("refused", {{"command", "read_all_sensors"}});
            ui::Beep();
            return;
        }
        ShowProgress(*this, *survey);
    });
}
