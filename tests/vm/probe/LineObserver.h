#pragma once

#include <string>

// A second, shared descriptor on a serial device, opened before the port under test opens it,
// so that the line can be looked at from before that open on. Takes no exclusive hold and
// leaves RTS low once open.
class LineObserver {
  public:
    explicit LineObserver(const std::string& path);
    LineObserver(const LineObserver&) = delete;
    LineObserver& operator=(const LineObserver&) = delete;
    ~LineObserver();

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};
