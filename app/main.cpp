#include <QApplication>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/MaintenanceApp.h"
#include "app/ProgramStart.h"
#include "app/WindowSystemStart.h"
#include "cli/SubcommandDispatch.h"
#include "resources/ApplicationIcon.h"

namespace {

MaintenanceApp theApp;

}  // namespace

int main(int argc, char** argv) {
    QApplication::setApplicationName(QStringLiteral("merrowby"));
    QApplication::setApplicationVersion(QStringLiteral(MERROWBY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("merrowby"));
    // "survey" and "report" run without a window system.
    if (const std::optional<int> status = cli::RunSubcommand(argc, argv)) {
        return *status;
    }
    // Help, version and the port list need no display: answered before any window system.
    // Qt's own options (-platform, -style, ...) are left in argv for QApplication.
    const CommandLine commandLine = CommandLine::Parse(CommandLine::Arguments(argc, argv));
    ConfigurePortMapping(commandLine);
    if (const std::optional<int> status = RunWithoutWindow(commandLine)) {
        return *status;
    }
    // Qt aborts where it finds no window system; this says why and how to run instead.
    if (const std::optional<int> status = RefuseWithoutDisplay(commandLine)) {
        return *status;
    }
    std::optional<WindowSystemStartGuard> startGuard(std::in_place);
    QApplication application(argc, argv);
    startGuard.reset();
    UseCNumberFormat();
    QApplication::setWindowIcon(resources::ApplicationIcon());
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(commandLine);
    theApp.InitInstance();
    return 0;
}
