#include "cli/CardSearch.h"

#include <algorithm>

#include "app/CandidatePorts.h"
#include "app/WindowText.h"
#include "platform/Tick.h"
#include "ports/DeviceMapping.h"
#include "ports/DevicePath.h"
#include "protocol/InstrumentLink.h"
#include "record/ModeConfirmation.h"

namespace cli {

std::string CardSearch::WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs) {
    std::string reply = link.ReplyWithin(timeoutMs);
    if (reply.empty()) {
        link.Reset();
    }
    return reply;
}

// The go-offline's answer. A go-online that got no answer in time may still answer first, in
// order: a reply that ends as the go-online's ("ONLINE") is its late answer, and the
// go-offline's is awaited again, a full wait from then. A late answer whose first line went
// out with the go-offline leaves its last line first ("ONLINE", then the go-offline's first
// line): the go-offline's second line is then awaited alone. After a late go-online the
// go-offline is awaited twice as long as the go-online took, up to kLongestReplyWaitMs.
std::string CardSearch::OfflineReply(InstrumentLink& link, std::string& onlineReply,
                                     std::uint32_t onlineSentAt) {
    bool onlineUnanswered = onlineReply.empty();
    const QLatin1String online("ONLINE");
    const QString onlineFirst = online + QLatin1Char(' ');
    std::string before;
    std::uint32_t waitMs = kReplyWaitMs;
    for (;;) {
        std::string reply = link.ReplyWithin(waitMs);
        if (reply.empty()) {
            link.Reset();
            return reply;
        }
        const QString text = ToWindowText(reply);
        if (!onlineUnanswered) {
            return before + reply;
        }
        onlineUnanswered = false;
        // A card that slow answers the go-offline as late: it is given twice as long.
        waitMs = std::clamp(2 * (platform::TickCount() - onlineSentAt), kReplyWaitMs,
                            kLongestReplyWaitMs);
        if (ReplyConfirmsMode(text, online)) {
            link.AwaitAgainAfterLateLine(ReplyState::OfflineFirstLine, reply);
            onlineReply = reply;
        } else if (text.startsWith(onlineFirst)) {
            link.AwaitAgainAfterLateLine(ReplyState::OfflineSecondLine, online.data());
            before = reply.substr(static_cast<std::size_t>(onlineFirst.size())) + " ";
            onlineReply = online.data();
        } else {
            return reply;
        }
    }
}

CardSearch::Result CardSearch::Run(const std::function<bool()>& stopRequested) {
    ProcessDeviceMapping().Rescan();
    bool noPortAvailable = true;
    std::vector<discovery::RefusedPort> refused;
    for (const char* const portName : discovery::kCandidatePorts) {
        if (stopRequested()) {
            return {};
        }
        if (!discovery::IsPortAvailable(portName, refused)) {
            continue;
        }
        noPortAvailable = false;
        auto link = std::make_unique<InstrumentLink>(portName);
        const std::uint32_t onlineSentAt = platform::TickCount();
        link->GoOnline();
        std::string onlineReply = WaitForReply(*link, kReplyWaitMs);
        link->GoOffline();
        const std::string offlineReply = OfflineReply(*link, onlineReply, onlineSentAt);
        if (!offlineReply.empty()) {
            return {std::move(link),
                    QString::fromLatin1(portName),
                    QString::fromStdString(DevicePathForPortName(portName)),
                    {ToWindowText(onlineReply), ToWindowText(offlineReply)},
                    {},
                    {}};
        }
    }
    Result none;
    none.message = discovery::NotFoundMessage(!noPortAvailable, refused);
    if (noPortAvailable) {
        none.refused = std::move(refused);
    }
    return none;
}

}  // namespace cli
