#pragma once

#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "trace/ProtocolTrace.h"

// Gives the process's port mapping its device folder (MERROWBY_DEVICE_ROOT, else /dev), the
// saved settings and the command line's choices.
void ConfigurePortMapping(const CommandLine& commandLine);

// Numbers are shown and read the C way whatever the user's locale (called once QApplication
// has taken the environment's).
void UseCNumberFormat();

// Answers what needs no window (help, version, the port list, a bad command line) on the
// standard streams and returns the exit status; nothing when the window is to run.
std::optional<int> RunWithoutWindow(const CommandLine& commandLine);

// Qt's default platform needs a display: without -platform, -display or QT_QPA_PLATFORM and
// with neither DISPLAY nor WAYLAND_DISPLAY set, says so in one line on the standard error and
// returns the exit status 1; nothing when the window system can be tried.
std::optional<int> RefuseWithoutDisplay(const CommandLine& commandLine);

// While it lives (around the construction of QApplication), a window system that Qt cannot
// start (an unreachable display, a platform plugin that cannot be loaded) ends the process
// with Qt's explanation, one line of this program's own and the exit status 1, instead of
// Qt's abort.
class WindowSystemStartGuard {
  public:
    WindowSystemStartGuard();
    ~WindowSystemStartGuard();
    WindowSystemStartGuard(const WindowSystemStartGuard&) = delete;
    WindowSystemStartGuard& operator=(const WindowSystemStartGuard&) = delete;
};

// The trace for the program's run: to the command line's file, else MERROWBY_TRACE's, else
// into the trace window's history only; it starts with the port mapping. A file that cannot
// be opened is reported once on the standard error.
std::unique_ptr<trace::ProtocolTrace> StartTrace(const CommandLine& commandLine);
