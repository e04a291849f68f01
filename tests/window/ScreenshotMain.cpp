// Renders the main window, connected to a simulated card on COM2, into a PNG file.
#include <QApplication>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/MaintenanceDialog.h"
#include "resources/ApplicationIcon.h"
#include "tools/cardsim/CardSimulator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    QApplication::setWindowIcon(resources::ApplicationIcon());

    cardsim::CardSimulator card;
    // COM1 absent: discovery goes straight to the card on COM2.
    ::setenv("MERROWBY_COM1", "/nonexistent/merrowby-screenshot", 1);
    ::setenv("MERROWBY_COM2", card.SlavePath().c_str(), 1);
    ::setenv("MERROWBY_COM3", "/nonexistent/merrowby-screenshot", 1);
    ::setenv("MERROWBY_COM4", "/nonexistent/merrowby-screenshot", 1);

    MaintenanceDialog window;
    window.show();
    if (window.Link() == nullptr) {
        std::fprintf(stderr, "the simulated card was not found\n");
        return 1;
    }
    // Fill the status grid once, as a technician would first do.
    window.ControlAs<QPushButton>(MaintenanceDialog::IdUpdate)->click();
    QApplication::processEvents();
    const QPixmap picture = window.grab();
    if (!picture.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
