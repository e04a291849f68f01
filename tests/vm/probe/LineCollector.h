#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "ports/PortListener.h"

// A port listener that keeps what arrives and lets a caller wait for a line feed.
class LineCollector : public PortListener {
  public:
    void OnReceive(const std::string& chunk) override;
    // True once a line feed has arrived, waiting at most timeout for it.
    bool WaitForLineFeed(std::chrono::milliseconds timeout);
    std::string Received();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string received_;
};
