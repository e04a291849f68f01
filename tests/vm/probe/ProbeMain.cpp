#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ports/DeviceMapping.h"
#include "tests/vm/probe/ProbeCommands.h"
#include "trace/ProtocolTrace.h"

// merrowby-vm-probe [--trace FILE] COMMAND PORT [SENSOR]: drives the program's own port and
// protocol code on a real serial driver and reports what the driver shows.
int main(int argc, char** argv) {
    int at = 1;
    std::unique_ptr<trace::ProtocolTrace> trace;
    if (argc > at + 1 && std::strcmp(argv[at], "--trace") == 0) {
        trace = std::make_unique<trace::ProtocolTrace>(argv[at + 1]);
        for (const DeviceAssignment& assignment : ProcessDeviceMapping().All()) {
            trace->Note(assignment.name + " = " + assignment.device);
        }
        at += 2;
    }
    if (argc < at + 2) {
        std::fprintf(stderr, "usage: %s [--trace FILE] settings|rts|query|dump PORT [SENSOR]\n",
                     argv[0]);
        return 2;
    }
    const std::string command = argv[at];
    const std::string port = argv[at + 1];
    int status = 2;
    if (command == "settings") {
        status = ApplyEachSetting(port);
    } else if (command == "rts") {
        status = WatchRts(port);
    } else if (command == "query") {
        status = QueryVoltage(port, argc > at + 2 ? std::atoi(argv[at + 2]) : 0);
    } else if (command == "dump") {
        status = RunDump(port);
    }
    if (trace) {
        trace->WaitUntilWritten(std::chrono::milliseconds(1000));
    }
    return status;
}
