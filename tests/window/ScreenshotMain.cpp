// Renders the main window, connected to a simulated card on COM2, into a PNG file.
#include <QApplication>
#include <QPushButton>
#include <cstdio>

#include "ScreenshotSupport.h"
#include "app/MaintenanceDialog.h"
#include "tools/cardsim/CardSimulator.h"

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
    // Fill the status grid once, as a technician would first do.
    window.ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
    QApplication::processEvents();
    return SaveScreenshot(window, path);
}
