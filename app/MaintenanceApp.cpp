#include "app/MaintenanceApp.h"

#include "app/MaintenanceDialog.h"
#include "app/TerminationSignals.h"
#include "dialogs/PortSettingsDialog.h"
#include "record/RecordFolder.h"

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
        dialog.exec();
        running = nullptr;
        dialog.EndVisit();
        dialog.FinishRecordFile();
    }
    return false;
}
