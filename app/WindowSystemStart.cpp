#include "app/WindowSystemStart.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kNoDisplay = 1;

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
                 qPrintable(QCoreApplication::applicationName()), kDisplayAdvice);
    std::fflush(stderr);
    ::_exit(kNoDisplay);
}

}  // namespace

std::optional<int> RefuseWithoutDisplay(const CommandLine& commandLine) {
    if (!commandLine.platform.isEmpty() || !commandLine.display.isEmpty() ||
        IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
        return std::nullopt;
    }
    std::fprintf(stderr, "%s: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set); %s\n",
                 qPrintable(QCoreApplication::applicationName()), kDisplayAdvice);
    return kNoDisplay;
}

WindowSystemStartGuard::WindowSystemStartGuard() {
    previousHandler = qInstallMessageHandler(OnStartMessage);
}

WindowSystemStartGuard::~WindowSystemStartGuard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}
