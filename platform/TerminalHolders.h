#pragma once

#include <sys/types.h>

#include <optional>
#include <set>
#include <string>

namespace platform {

// What the kernel says about who uses which terminal, read from <systemRoot>/sys and
// <systemRoot>/proc ("/" on a running system) without opening any device.
struct ConsoleDevices {
    std::set<std::string> names;  // "ttyS0"
    std::set<dev_t> numbers;
};

// The system console: sys/class/tty/console/active, proc/consoles and every console= of
// proc/cmdline.
ConsoleDevices SystemConsoles(const std::string& systemRoot);

// The device numbers of the terminals processes have as their controlling terminal (the
// tty_nr of each proc/<pid>/stat): a login shell's, a getty's.
std::set<dev_t> ControllingTerminals(const std::string& systemRoot);

// Whether an flock is held on the device node at path (proc/locks), as this program and
// terminal programs take on the devices they use.
bool IsDeviceLocked(const std::string& path, const std::string& systemRoot);

// The process that holds an flock on the device node at path (proc/locks): none when no lock
// is held, 0 when the kernel does not say which (a process outside our pid namespace).
std::optional<pid_t> DeviceLockHolder(const std::string& path, const std::string& systemRoot);

// The command name of a process (proc/<pid>/comm); empty when it cannot be read.
std::string ProcessName(pid_t pid, const std::string& systemRoot);

}  // namespace platform
