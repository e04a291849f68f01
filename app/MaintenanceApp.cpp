#include "app/MaintenanceApp.h"

#include "app/MaintenanceDialog.h"
#include "app/TerminationSignals.h"

bool MaintenanceApp::InitInstance() {
    MaintenanceDialog dialog;
    const TerminationSignals terminationSignals([&dialog](int) { dialog.Terminate(); });
    dialog.exec();
    return false;
}
