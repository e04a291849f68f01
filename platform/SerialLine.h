#pragma once

#include <linux/serial.h>

#include <chrono>
#include <cstddef>

#include "platform/LineMode.h"

namespace platform {

// termios and modem-line services for an open serial device. Devices without modem lines
// (pseudo-terminals) refuse the RTS calls; callers treat that as "nothing to drive".

// Raw 8-bit transfer with the given line parameters: no flow control of either kind, no
// character translation, receiver on, modem status lines ignored, reads never block.
bool ApplyLineMode(int fd, const LineMode& mode);
// Discards unsent output and unread input.
bool PurgeLine(int fd);
bool ClearLineBreak(int fd);
// False when the device has no modem lines.
bool SetRts(int fd, bool raised);
// Waits until the driver has sent everything written (tcdrain, which lets the driver wait for
// its transmitter as far as it can tell), and then until the last character is surely off
// the line: not before lastOffLine, the start of the write plus its line time. One wait
// each, whatever the driver reports.
void WaitUntilSent(int fd, std::chrono::steady_clock::time_point lastOffLine);
// Time on the line of byteCount characters: start bit, data bits, parity bit, stop bits.
std::chrono::microseconds LineTime(std::size_t byteCount, const LineMode& mode);
// The settle after raising RTS before the first character: at least 1 ms.
void SettleAfterRaisingRts();

// The driver's own RTS-while-sending mode (RS-485 style), where the driver offers it.
class DriverRtsToggle {
  public:
    // True when the driver now raises RTS by itself while it sends.
    bool Enable(int fd);
    // Puts back the driver's previous mode, if Enable changed it.
    void Restore(int fd);
    bool IsEnabled() const { return enabled_; }

  private:
    bool enabled_ = false;
    serial_rs485 saved_{};
};

}  // namespace platform
