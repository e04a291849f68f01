#pragma once

#include <string>

// Sees every string a port writes to its device (when it goes out), every queued string a
// port drops unsent, and every chunk a port receives, e.g. for a protocol trace. Calls come from
// the writing thread and from the port's I/O thread: they must hand the bytes on at once and never
// wait.
class PortTap {
  public:
    virtual void Written(const std::string& portName, const std::string& data) = 0;
    virtual void Received(const std::string& portName, const std::string& chunk) = 0;
    virtual void Dropped(const std::string& portName, const std::string& data) = 0;

  protected:
    ~PortTap() = default;
};

// The process's taps (a trace, a count of dropped strings), each told of every event in the
// order they were added. Removing waits for calls in progress, so a tap may be destroyed once
// it has been removed.
void AddPortTap(PortTap* tap);
void RemovePortTap(PortTap* tap);

// Called by the ports; do nothing without a tap.
void TapWritten(const std::string& portName, const std::string& data);
void TapReceived(const std::string& portName, const std::string& chunk);
void TapDropped(const std::string& portName, const std::string& data);
