#include <QAction>
#include <QFileInfo>
#include <QJsonObject>
#include <QMenu>
#include <memory>

#include "app/MaintenanceDialog.h"
#include "history/HistoryUpdater.h"
#include "history/InstrumentHistoryWindow.h"
#include "history/LastVisitDetails.h"
#include "history/PreviousVisitSection.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/WindowPlacement.h"
#include "record/RecordFolder.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"
#include "report/ReportSettings.h"
#include "report/ServiceReportWindow.h"

bool MaintenanceDialog::StartRecordFile(const QString& folder) {
    // The technician's full name, once given, is in every record from its start.
    if (const QString technician = ReportSettings::Technician(); !technician.isEmpty()) {
        record_->Event("report_details", {{"technician", technician}});
    }
    // And who issues the reports, so that a report made again elsewhere names the same.
    if (const Issuer issuer = ReportSettings::KeptIssuer(); !issuer.IsEmpty()) {
        record_->Event("issuer", issuer.Fields());
    }
    // A failed write comes from the writer's thread: the message waits for the window's.
    record_->SetFailureHandler([this](const QString& message) {
        QMetaObject::invokeMethod(
            this, [this, message] { ui::Feedback::Current().Message(this, message); },
            Qt::QueuedConnection);
    });
    const QString error = record_->WriteTo(folder);
    // The history index takes in the records of earlier visits meanwhile, and the
    // organisation's database those not yet sent; once it cannot, the response field says so.
    auto* history = new HistoryUpdater(folder, this);
    connect(history, &HistoryUpdater::PushFailed, this,
            [this](const QString& message) { response_->setText(message); });
    history->Start(record_->FilePath());
    if (!error.isEmpty()) {
        ui::Feedback::Current().Message(
            this, error + QStringLiteral("\nThe program goes on without a service record."));
        return false;
    }
    return true;
}

void MaintenanceDialog::FinishRecordFile() {
    const QString unwritten = record_->Finish(RecordWriter::kExitWait);
    if (!unwritten.isEmpty()) {
        ui::Feedback::Current().Message(this, unwritten);
    }
    if (auto* history = findChild<HistoryUpdater*>(QString(), Qt::FindDirectChildrenOnly)) {
        for (const QString& note : history->Finish()) {
            qWarning("%s", qPrintable(note));
        }
    }
}

void MaintenanceDialog::AppendServiceReportEntry() {
    auto* report = new QAction(QStringLiteral("Service Report..."), this);
    report->setObjectName(QStringLiteral("serviceReport"));
    report->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    report->setShortcutContext(Qt::WindowShortcut);
    addAction(report);
    if (systemMenu_ != nullptr) {
        systemMenu_->addAction(report);
    }
    connect(report, &QAction::triggered, this, &MaintenanceDialog::OpenServiceReport);

    auto* history = new QAction(QStringLiteral("Instrument History..."), this);
    history->setObjectName(QStringLiteral("instrumentHistory"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    history->setShortcutContext(Qt::WindowShortcut);
    addAction(history);
    if (systemMenu_ != nullptr) {
        systemMenu_->addAction(history);
    }
    // Opens the window, or brings the open one to the front, on the instrument of this visit.
    connect(history, &QAction::triggered, this, [this] {
        auto* window = findChild<InstrumentHistoryWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (window == nullptr) {
            const QString file = record_->FilePath();
            window = new InstrumentHistoryWindow(
                file.isEmpty() ? RecordFolder::Default() : QFileInfo(file).absolutePath(), this);
        }
        QString model;
        QString serialNumber;
        for (const QJsonObject& event : record_->EventsBesideSamples()) {
            if (event.value(QStringLiteral("event")).toString() ==
                QStringLiteral("report_details")) {
                model = event.value(QStringLiteral("model")).toString();
                serialNumber = event.value(QStringLiteral("serial_number")).toString();
            }
        }
        window->ShowInstrument(model, serialNumber);
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void MaintenanceDialog::OpenServiceReport() {
    if (serviceReport_ == nullptr) {
        // A child window, so that the modal main window does not block it.
        serviceReport_ = new ServiceReportWindow(*record_, this);
        serviceReport_->SetReadAllSensorsAction(
            findChild<QAction*>(QStringLiteral("readAllSensors"), Qt::FindDirectChildrenOnly));
        auto previous = std::make_shared<PreviousVisitSection>();
        connect(serviceReport_, &ServiceReportWindow::InstrumentHistoryRequested, this, [this] {
            if (auto* history = findChild<QAction*>(QStringLiteral("instrumentHistory"),
                                                    Qt::FindDirectChildrenOnly)) {
                history->trigger();
            }
        });
        const QString file = record_->FilePath();
        const QString folder =
            file.isEmpty() ? RecordFolder::Default() : QFileInfo(file).absolutePath();
        serviceReport_->SetDetailsLookup([folder, file](const QString& serialNumber) {
            return LastVisitDetails::Find(folder, serialNumber, file);
        });
        serviceReport_->SetReportAddition([previous](::ServiceReport& report, const QString& record,
                                                     const AcceptanceLimits* limits) {
            previous->AddTo(report, record, limits);
        });
        ui::ShowBeside(*serviceReport_, *this);
    }
    serviceReport_->show();
    serviceReport_->raise();
    serviceReport_->activateWindow();
}
