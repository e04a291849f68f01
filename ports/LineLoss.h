#pragma once

#include <string>

// Hears of serial lines whose device went away under an open port: a hang-up, an end of file
// or a device error. The port has closed the device and dropped its queue when this is
// called. Calls come from the port's I/O thread: hand the news on at once and never wait.
class LineLossListener {
  public:
    virtual void LineLost(const std::string& portName, const std::string& devicePath) = 0;

  protected:
    ~LineLossListener() = default;
};

// The process's one listener, or none (nullptr). Installing waits for calls in progress on
// the previous one, so a listener may be destroyed once it has been replaced.
void InstallLineLossListener(LineLossListener* listener);

// Called by the serial ports; does nothing without a listener.
void NotifyLineLost(const std::string& portName, const std::string& devicePath);

// Opens the device of a serial port of the process's port manager again, with the settings
// the port had, for the listeners still attached to it. The device path is looked up by the
// port name as at any open. False when there is no such serial port or the open fails; true
// also when the device is open already.
bool ReopenLine(const std::string& portName);
