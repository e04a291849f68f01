#pragma once

#include <linux/serial.h>

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
// Waits until the driver's output queue and then the transmitter are empty, at most
// boundMs milliseconds. A driver that cannot report either counts as empty.
void WaitTransmitterEmpty(int fd, int boundMs);
// Time on the line of byteCount characters at the given rate (start, 8 data, parity, 2 stop).
int LineTimeMs(std::size_t byteCount, int baudRate);

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
