#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

#include "ports/PortListener.h"

// A port listener that keeps what arrives and lets a caller wait for a line feed.
class LineCollector : public PortListener {
  public:
    void OnReceive(const std::string& chunk) override;
    // True once count line feeds have arrived in all, waiting at most timeout for them.
    bool WaitForLines(std::size_t count, std::chrono::milliseconds timeout);
    std::string Received();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string received_;
};
