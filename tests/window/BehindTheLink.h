#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

#include "ports/PortListener.h"

namespace windowtest {

// Listens on a port after the link attached to it: the port hands each chunk to its listeners
// in order, so once this has seen a byte, so has the link. Lets a test know that bytes the card
// sent are in the link before it sends the next command.
class BehindTheLink : public PortListener {
  public:
    explicit BehindTheLink(std::string portName);
    ~BehindTheLink();
    BehindTheLink(const BehindTheLink&) = delete;
    BehindTheLink& operator=(const BehindTheLink&) = delete;

    bool IsAttached() const { return attached_; }
    void OnReceive(const std::string& chunk) override;
    // Waits until count bytes came since the start; false after 10 s.
    bool WaitForBytes(std::size_t count);

  private:
    const std::string portName_;
    bool attached_ = false;
    std::mutex lock_;
    std::condition_variable arrived_;
    std::size_t bytes_ = 0;
};

}  // namespace windowtest
