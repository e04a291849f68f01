#include "app/ProgramStart.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QLocale>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/PortListing.h"
#include "app/SavedPortMapping.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kNoDisplay = 1;

QString ProgramName() {
    return QCoreApplication::applicationName();
}

// How to run the program where there is no display to show the window on.
const char* const kDisplayAdvice =
    "run it on a desktop or under xvfb-run, or with QT_QPA_PLATFORM=offscreen (or "
    "-platform offscreen) for a window that nobody sees";

QtMessageHandler previousHandler = nullptr;

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Qt's messages pass on as before; its fatal one (the platform plugin could not be started)
// ends the process at once with status 1. Qt has printed the cause as warnings already.
void OnStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler != nullptr) {
            previousHandler(type, context, message);
        } else {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
        return;
    }
    std::fprintf(stderr, "%s: the window system could not be started; %s\n",
                 qPrintable(ProgramName()), kDisplayAdvice);
    std::fflush(stderr);
    ::_exit(kNoDisplay);
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

std::optional<int> RefuseWithoutDisplay(const CommandLine& commandLine) {
    if (!commandLine.platform.isEmpty() || !commandLine.display.isEmpty() ||
        IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
        return std::nullopt;
    }
    std::fprintf(stderr, "%s: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); %s\n",
                 qPrintable(ProgramName()), kDisplayAdvice);
    return kNoDisplay;
}

WindowSystemStartGuard::WindowSystemStartGuard() {
    previousHandler = qInstallMessageHandler(OnStartMessage);
}

WindowSystemStartGuard::~WindowSystemStartGuard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
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
