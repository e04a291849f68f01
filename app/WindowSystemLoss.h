#pragma once

#include <functional>

// Qt's xcb and Wayland platforms end the process at once when the connection to the display
// breaks (a session that ends, a forwarded display that drops, the X server killed): they say
// so in a warning and call exit(1), deep in the event loop, so that no modal run returns and no
// destructor on the stack runs. While a guard lives, that warning first runs its shutdown, once,
// on the user-interface thread, with the program still whole. One guard at a time.
class WindowSystemLossGuard {
  public:
    explicit WindowSystemLossGuard(std::function<void()> shutdown);
    ~WindowSystemLossGuard();
    WindowSystemLossGuard(const WindowSystemLossGuard&) = delete;
    WindowSystemLossGuard& operator=(const WindowSystemLossGuard&) = delete;
};
