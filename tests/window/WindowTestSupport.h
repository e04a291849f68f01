#pragma once

#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tools/cardsim/CardSimulator.h"

namespace windowtest {

using namespace std::chrono_literals;
constexpr auto kDeadline = 10s;

// Points MERROWBY_COM1 to MERROWBY_COM4 at paths of the test's choosing (by default paths
// that do not exist) and restores the environment afterwards.
class PortEnvironment {
  public:
    PortEnvironment();
    ~PortEnvironment();
    PortEnvironment(const PortEnvironment&) = delete;
    PortEnvironment& operator=(const PortEnvironment&) = delete;

    void Set(int comNumber, const std::string& path);
    // A path in a fresh folder that nobody creates.
    std::string AbsentPath() const { return absent_; }

  private:
    std::string absent_;
    std::optional<std::string> saved_[4];
};

cardsim::CardOptions SilentCard();
cardsim::CardOptions OnlineOnlyCard();

// What the card has received, with carriage returns shown as "\r".
std::string Printable(const std::string& bytes);

}  // namespace windowtest
