#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CandidatePorts.h"

class InstrumentLink;

namespace cli {

// The window's discovery without the window: COM1 to COM4 in order, each free device given
// "N" and then "M" with a wait of 1000 ms each; the first that answers "M" holds the card
// (the "M" reply taken only after the "N" reply, however late that came),
// which is left offline. A port that does not is let go as the window lets go of it (its
// link's "N").
class CardSearch {
  public:
    static constexpr std::uint32_t kReplyWaitMs = 1000;
    static constexpr std::uint32_t kLongestReplyWaitMs = 5000;

    struct Result {
        std::unique_ptr<InstrumentLink> link;  // none when no card was found
        QString port;
        QString device;
        QStringList lines;  // the answers to "N" and "M"
        // "No available serial ports." or "No Sensor Card was found." without a link; empty
        // when the search was stopped.
        QString message;
        // Without a link and with no port opened: the devices refused or held, and why.
        std::vector<discovery::RefusedPort> refused;
    };

    // stopRequested is asked before each port: true ends the search there.
    static Result Run(const std::function<bool()>& stopRequested);
    // The link's reply, waited for up to timeoutMs; empty (and the link reset) when none came.
    static std::string WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs);

  private:
    // The go-offline's reply; a late go-online reply met first goes to onlineReply.
    static std::string OfflineReply(InstrumentLink& link, std::string& onlineReply,
                                    std::uint32_t onlineSentAt);
};

}  // namespace cli
