#include "app/ProgramStart.h"

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/PortListing.h"
#include "app/SavedPortMapping.h"

namespace {

constexpr int kUsageError = 2;

QString ProgramName() {
    return QCoreApplication::applicationName();
}

QString TracePath(const CommandLine& commandLine) {
    if (!commandLine.traceFile.isEmpty()) {
        return commandLine.traceFile;
    }
    return QString::fromLocal8Bit(std::getenv("MERROWBY_TRACE"));
}

}  // namespace

void UseCNumberFormat() {
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

void ConfigurePortMapping(const CommandLine& commandLine) {
    DeviceMapping& mapping = ProcessDeviceMapping();
    const char* root = std::getenv("MERROWBY_DEVICE_ROOT");
    mapping.SetDeviceRoot(root != nullptr && *root != '\0' ? root : "/dev");
    const char* systemRoot = std::getenv("MERROWBY_SYSTEM_ROOT");
    mapping.SetSystemRoot(systemRoot != nullptr && *systemRoot != '\0' ? systemRoot : "/");
    mapping.SetSettings(ReadSavedPortMapping());
    mapping.SetCommandLine(commandLine.ports);
}

std::optional<int> RunWithoutWindow(const CommandLine& commandLine) {
    switch (commandLine.action) {
        case CommandLine::Action::RunWindow:
            return std::nullopt;
        case CommandLine::Action::Fail:
            std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramName()),
                         qPrintable(commandLine.error));
            return kUsageError;
        case CommandLine::Action::ShowHelp:
            std::fputs(qPrintable(commandLine.helpText), stdout);
            return EXIT_SUCCESS;
        case CommandLine::Action::ShowVersion:
            std::printf("%s %s\n", qPrintable(ProgramName()),
                        qPrintable(QCoreApplication::applicationVersion()));
            return EXIT_SUCCESS;
        case CommandLine::Action::ListPorts:
            for (const std::string& line : PortListingLines(ProcessDeviceMapping())) {
                std::printf("%s\n", line.c_str());
            }
            return EXIT_SUCCESS;
    }
    return std::nullopt;
}

std::unique_ptr<trace::ProtocolTrace> StartTrace(const CommandLine& commandLine) {
    const QString path = TracePath(commandLine);
    auto trace = std::make_unique<trace::ProtocolTrace>(path.toStdString());
    if (!path.isEmpty() && !trace->FileOpen()) {
        std::fprintf(stderr, "%s: cannot open the trace file %s (%s); going on without it\n",
                     qPrintable(ProgramName()), qPrintable(path), trace->FileError().c_str());
    }
    for (const DeviceAssignment& assignment : ProcessDeviceMapping().All()) {
        trace->Note(AssignmentText(assignment));
    }
    return trace;
}
