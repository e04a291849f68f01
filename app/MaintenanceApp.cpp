#include "app/MaintenanceApp.h"

#include <QJsonObject>
#include <cstdio>

#include "app/MaintenanceDialog.h"
#include "app/TerminationSignals.h"
#include "app/WindowSystemLoss.h"
#include "dialogs/PortSettingsDialog.h"
#include "ports/PortManager.h"
#include "record/RecordFolder.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"

namespace {

// The display is gone, and the process ends as soon as this returns: the window's work ends as
// on a termination, the card is put back online, the record is ended and the lines are let go.
// No message box: nothing can show it.
void EndWithoutDisplay(MaintenanceDialog& dialog) {
    dialog.Record().Event("display_lost", {});
    dialog.Terminate();
    dialog.EndVisit();
    GetPortManager()->CloseAll();
    const char* cardLeft = "the program ends";  // no card was connected
    for (const QJsonObject& event : dialog.Record().Events()) {
        if (event.value(QStringLiteral("at_exit")).toBool()) {
            cardLeft = event.value(QStringLiteral("confirmed")).toBool()
                           ? "the card is back online"
                           : "the card did not confirm that it is back online: it may still be "
                             "offline";
        }
    }
    std::fprintf(stderr, "merrowby: the display is gone; %s.\n", cardLeft);
    if (const QString unwritten = dialog.Record().Finish(RecordWriter::kExitWait);
        !unwritten.isEmpty()) {
        std::fprintf(stderr, "merrowby: %s\n", qPrintable(unwritten));
    }
}

}  // namespace

bool MaintenanceApp::InitInstance() {
    MaintenanceDialog* running = nullptr;
    // Held from before the window until after its destruction, so that a further signal
    // while the window shuts down (putting the card back online) is only noted, never fatal.
    const TerminationSignals terminationSignals([&running](int) {
        if (running != nullptr) {
            running->Terminate();
        }
    });
    {
        MaintenanceDialog dialog;
        // Modules reach the port settings dialog through the exported port manager; its F1
        // goes to this window.
        InstallPortSettingsDialog(&dialog);
        running = &dialog;
        dialog.StartRecordFile(RecordFolder::Default());
        {
            const WindowSystemLossGuard displayLoss([&dialog] { EndWithoutDisplay(dialog); });
            dialog.exec();
        }
        running = nullptr;
        dialog.EndVisit();
        dialog.FinishRecordFile();
    }
    return false;
}
