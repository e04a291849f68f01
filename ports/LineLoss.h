#pragma once

#include <string>

// Hears of serial lines whose device went away under an open port: a hang-up or a device
// error. The port has closed the device and dropped its queue when this is called. Calls come
// from the port's I/O thread: hand the news on at once and never wait.
class LineLossListener {
  public:
    virtual void LineLost(const std::string& portName, const std::string& devicePath) = 0;

  protected:
    ~LineLossListener() = default;
};
