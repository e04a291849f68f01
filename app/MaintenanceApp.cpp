#include "app/MaintenanceApp.h"

#include "app/MaintenanceDialog.h"
#include "app/TerminationSignals.h"
#include "dialogs/PortSettingsDialog.h"

bool MaintenanceApp::InitInstance() {
    MaintenanceDialog dialog;
    // Modules reach the port settings dialog through the exported port manager; its F1 goes
    // to this window.
    InstallPortSettingsDialog(&dialog);
    const TerminationSignals terminationSignals([&dialog](int) { dialog.Terminate(); });
    dialog.exec();
    return false;
}
