// Renders the service report window after a short visit to a simulated card on COM2: the
// status, the three readings of sensors 0 and 1, a voltage set on sensor 0 and read again.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <functional>

#include "ScreenshotSupport.h"
#include "app/MaintenanceDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/UpDownControl.h"
#include "report/ServiceReportWindow.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

using Id = MaintenanceDialog::ControlId;

// Clicks a button of the window and, once its dialog is open, sets it and presses OK.
void ClickAnswering(MaintenanceDialog& window, int button,
                    const std::function<void(ui::TemplateDialog&)>& set) {
    QTimer::singleShot(0, [set] {
        if (auto* dialog = qobject_cast<ui::TemplateDialog*>(QApplication::activeModalWidget())) {
            set(*dialog);
            dialog->OnOk();
        }
    });
    window.ControlAs<QPushButton>(button)->click();
}

void ChooseSensor(ui::TemplateDialog& dialog, int sensor) {
    for (auto* spin : dialog.findChildren<UpDownControl*>()) {
        for (int i = 0; i < sensor; ++i) {
            spin->UpButton()->click();
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* const path = ScreenshotPath(argc, argv);
    if (path == nullptr) {
        return 2;
    }
    QApplication application(argc, argv);
    cardsim::CardSimulator card;
    PrepareScreenshot(card);

    MaintenanceDialog window;
    if (!ShowConnected(window)) {
        return 1;
    }
    window.ControlAs<QPushButton>(Id::IdUpdate)->click();
    for (const int sensor : {0, 1}) {
        for (const int query : {Id::IdQueryVoltage, Id::IdQueryCurrent, Id::IdQueryTripPoint}) {
            ClickAnswering(window, query, [sensor](auto& d) { ChooseSensor(d, sensor); });
        }
    }
    ClickAnswering(window, Id::IdSetVoltage, [](ui::TemplateDialog& dialog) {
        dialog.ControlAs<QSlider>(SensorLevelDialog::IdSlider)->setValue(480);
    });
    ClickAnswering(window, Id::IdQueryVoltage, [](auto& d) { ChooseSensor(d, 0); });
    window.ControlAs<QPushButton>(Id::IdUpdate)->click();

    window.OpenServiceReport();
    ServiceReportWindow& report = *window.ServiceReport();
    report.NotesField()->setPlainText(
        QStringLiteral("Sensor 0 voltage raised to 4.8 V after cleaning the left tube window."));
    report.CommitNotes();
    report.Refresh();
    report.resize(820, 720);
    QApplication::processEvents();
    return SaveScreenshot(report, path);
}
