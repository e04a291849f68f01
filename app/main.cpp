#include <QApplication>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/MaintenanceApp.h"
#include "app/ProgramStart.h"
#include "resources/ApplicationIcon.h"

namespace {

MaintenanceApp theApp;

}  // namespace

int main(int argc, char** argv) {
    QApplication::setApplicationName(QStringLiteral("merrowby"));
    QApplication::setApplicationVersion(QStringLiteral(MERROWBY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("merrowby"));
    // Help, version and the port list need no display: answered before any window system.
    const CommandLine commandLine = CommandLine::Parse(CommandLine::Arguments(argc, argv));
    ConfigurePortMapping(commandLine);
    if (const std::optional<int> status = RunWithoutWindow(commandLine)) {
        return *status;
    }
    QApplication application(argc, argv);
    UseCNumberFormat();
    QApplication::setWindowIcon(resources::ApplicationIcon());
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(commandLine);
    theApp.InitInstance();
    return 0;
}
