#include "ScreenshotSupport.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "app/MaintenanceDialog.h"
#include "app/ProgramStart.h"
#include "resources/ApplicationIcon.h"
#include "tools/cardsim/CardSimulator.h"

void PrepareScreenshot(const cardsim::CardSimulator& card) {
    UseCNumberFormat();
    QApplication::setWindowIcon(resources::ApplicationIcon());
    constexpr const char* kNoDevice = "/nonexistent/merrowby-screenshot";
    ::setenv("MERROWBY_COM1", kNoDevice, 1);
    ::setenv("MERROWBY_COM2", card.SlavePath().c_str(), 1);
    ::setenv("MERROWBY_COM3", kNoDevice, 1);
    ::setenv("MERROWBY_COM4", kNoDevice, 1);
}

int SaveScreenshot(QWidget& widget, const char* path) {
    if (!widget.grab().save(QString::fromLocal8Bit(path))) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

const char* ScreenshotPath(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return nullptr;
    }
    return argv[1];
}

bool ShowConnected(MaintenanceDialog& window) {
    window.show();
    if (window.Link() == nullptr) {
        std::fprintf(stderr, "the simulated card was not found\n");
        return false;
    }
    return true;
}
