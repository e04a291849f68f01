#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "ports/PortTap.h"

// Counts, per port name, the strings the ports dropped unsent (a hang-up drops a port's write
// queue). A port tap for its lifetime.
class DroppedStrings final : public PortTap {
  public:
    DroppedStrings();
    ~DroppedStrings();
    DroppedStrings(const DroppedStrings&) = delete;
    DroppedStrings& operator=(const DroppedStrings&) = delete;

    std::uint64_t Count(const std::string& portName) const;

    void Written(const std::string& portName, const std::string& data) override;
    void Received(const std::string& portName, const std::string& chunk) override;
    void Dropped(const std::string& portName, const std::string& data) override;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::uint64_t> counts_;
};
