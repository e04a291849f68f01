#include <QApplication>
#include <chrono>
#include <memory>

#include "app/CommandLine.h"
#include "app/MaintenanceDialog.h"
#include "app/ProgramStart.h"

// merrowby-vm-window [merrowby's options]: the main window, offscreen, through a start and a
// "Poll For Instrument": discovery at initialisation, a second discovery over the device list
// read again, then the window's destruction, which puts the card back online and closes every
// port. The port mapping and the trace come from the command line as merrowby takes them.
int main(int argc, char** argv) {
    const CommandLine commandLine = CommandLine::Parse(CommandLine::Arguments(argc, argv));
    ConfigurePortMapping(commandLine);
    QApplication application(argc, argv);
    UseCNumberFormat();
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(commandLine);
    {
        MaintenanceDialog window;
        window.InitDialog();
        trace->Note("poll for instrument");
        window.DiscoverInstrument();
    }
    trace->WaitUntilWritten(std::chrono::milliseconds(1000));
    return 0;
}
