#include <QApplication>
#include <QLocale>
#include <clocale>

#include "Version.h"
#include "app/MaintenanceApp.h"
#include "resources/ApplicationIcon.h"

namespace {

MaintenanceApp theApp;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Numbers are shown and read the C way whatever the user's locale (QApplication has
    // just taken the environment's).
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    QApplication::setApplicationName(QStringLiteral("merrowby"));
    QApplication::setApplicationVersion(QStringLiteral(MERROWBY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("merrowby"));
    QApplication::setWindowIcon(resources::ApplicationIcon());
    theApp.InitInstance();
    return 0;
}
