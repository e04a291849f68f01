#include "cli/CardSearch.h"

#include "app/CandidatePorts.h"
#include "app/WindowText.h"
#include "ports/DeviceMapping.h"
#include "ports/DevicePath.h"
#include "protocol/InstrumentLink.h"

namespace cli {

std::string CardSearch::WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs) {
    std::string reply = link.ReplyWithin(timeoutMs);
    if (reply.empty()) {
        link.Reset();
    }
    return reply;
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
        link->GoOnline();
        const std::string onlineReply = WaitForReply(*link, kReplyWaitMs);
        link->GoOffline();
        const std::string offlineReply = WaitForReply(*link, kReplyWaitMs);
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
