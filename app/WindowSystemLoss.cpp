#include "app/WindowSystemLoss.h"

#include <QString>
#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>

namespace {

QtMessageHandler previousHandler = nullptr;
// Messages come from any thread; the shutdown is only run, and only touched, on the guard's.
std::atomic<bool> armed{false};
std::thread::id guardingThread;
std::function<void()> pendingShutdown;

// xcb: "The X11 connection broke (error 1). Did the X11 server die?"; Xlib's I/O error: "The
// X11 connection broke: I/O error (code 1)"; Wayland: "The Wayland connection broke. Did the
// Wayland compositor die?" or "... experienced a fatal error: ...".
bool IsConnectionLoss(const QString& message) {
    return message.startsWith(QLatin1String("The X11 connection broke")) ||
           message.startsWith(QLatin1String("The Wayland connection "));
}

void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (previousHandler != nullptr) {
        previousHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    PassOn(type, context, message);
    if (type != QtWarningMsg || !armed.load() || std::this_thread::get_id() != guardingThread ||
        !IsConnectionLoss(message)) {
        return;
    }
    armed = false;
    const std::function<void()> shutdown = std::exchange(pendingShutdown, nullptr);
    shutdown();
}

}  // namespace

WindowSystemLossGuard::WindowSystemLossGuard(std::function<void()> shutdown) {
    pendingShutdown = std::move(shutdown);
    guardingThread = std::this_thread::get_id();
    armed = true;
    previousHandler = qInstallMessageHandler(OnMessage);
}

WindowSystemLossGuard::~WindowSystemLossGuard() {
    armed = false;
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
    pendingShutdown = nullptr;
}
