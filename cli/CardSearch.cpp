#include "cli/CardSearch.h"

#include <fcntl.h>

#include <array>
#include <chrono>

#include "app/WindowText.h"
#include "platform/ExclusiveDevice.h"
#include "ports/DeviceMapping.h"
#include "ports/DevicePath.h"
#include "protocol/InstrumentLink.h"

namespace cli {

namespace {

constexpr std::array<const char*, 4> kCandidatePorts{"COM1", "COM2", "COM3", "COM4"};

bool IsPortAvailable(const std::string& portName) {
    platform::ExclusiveDevice device;
    return device.Open(DevicePathForPortName(portName), O_RDWR | O_NONBLOCK);
}

}  // namespace

std::string CardSearch::WaitForReply(InstrumentLink& link, std::uint32_t timeoutMs) {
    using std::chrono::milliseconds;
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(timeoutMs);
    while (true) {
        std::string reply = link.ReadReply();
        if (!reply.empty()) {
            return reply;
        }
        const auto left =
            std::chrono::ceil<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        link.WaitForUnread(static_cast<std::uint32_t>(left.count()));
    }
    link.Reset();
    return {};
}

CardSearch::Result CardSearch::Run(const std::function<bool()>& stopRequested) {
    ProcessDeviceMapping().Rescan();
    bool noPortAvailable = true;
    for (const char* const portName : kCandidatePorts) {
        if (stopRequested()) {
            return {};
        }
        if (!IsPortAvailable(portName)) {
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
                    {}};
        }
    }
    Result none;
    none.message = noPortAvailable ? QStringLiteral("No available serial ports.")
                                   : QStringLiteral("No Sensor Card was found.");
    return none;
}

}  // namespace cli
