#pragma once

#include <string>

namespace cardsim {

// A pseudo-terminal in raw mode. The master side is non-blocking. A slave descriptor stays open
// for the object's lifetime, so the master never sees a hang-up while the other side closes and
// reopens the slave.
class PseudoTerminal {
  public:
    PseudoTerminal();  // throws std::runtime_error
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return master_; }  // -1 once hung up
    // Closes both sides held here: the other side of the slave sees the line gone.
    void HangUp();
    const std::string& SlavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace cardsim
