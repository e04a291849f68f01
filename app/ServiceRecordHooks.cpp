#include <QAction>
#include <QMenu>

#include "app/MaintenanceDialog.h"
#include "platform/ui/Feedback.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"
#include "report/ReportSettings.h"
#include "report/ServiceReportWindow.h"

bool MaintenanceDialog::StartRecordFile(const QString& folder) {
    // The technician's full name, once given, is in every record from its start.
    if (const QString technician = ReportSettings::Technician(); !technician.isEmpty()) {
        record_->Event("report_details", {{"technician", technician}});
    }
    // A failed write comes from the writer's thread: the message waits for the window's.
    record_->SetFailureHandler([this](const QString& message) {
        QMetaObject::invokeMethod(
            this, [this, message] { ui::Feedback::Current().Message(this, message); },
            Qt::QueuedConnection);
    });
    const QString error = record_->WriteTo(folder);
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
}

void MaintenanceDialog::AppendServiceReportEntry() {
    auto* report = new QAction(QStringLiteral("Service Report..."), this);
    if (systemMenu_ != nullptr) {
        systemMenu_->addAction(report);
    }
    connect(report, &QAction::triggered, this, &MaintenanceDialog::OpenServiceReport);
}

void MaintenanceDialog::OpenServiceReport() {
    if (serviceReport_ == nullptr) {
        // A child window, so that the modal main window does not block it.
        serviceReport_ = new ServiceReportWindow(*record_, this);
        serviceReport_->SetReadAllSensorsAction(
            findChild<QAction*>(QStringLiteral("readAllSensors"), Qt::FindDirectChildrenOnly));
    }
    serviceReport_->show();
    serviceReport_->raise();
    serviceReport_->activateWindow();
}
