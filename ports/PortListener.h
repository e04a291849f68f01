#pragma once

#include <string>

// Receives the bytes a port reads, one chunk per read, on the port's I/O thread.
class PortListener {
  public:
    virtual void OnReceive(const std::string& chunk) = 0;

  protected:
    ~PortListener() = default;
};
