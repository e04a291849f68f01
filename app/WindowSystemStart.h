#pragma once

#include <optional>

#include "app/CommandLine.h"

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
