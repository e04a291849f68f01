#pragma once

#include <QString>
#include <array>
#include <string>
#include <vector>

// Where the card is looked for, for the window's "Poll For Instrument" and the survey command.
namespace discovery {

// The ports tried, in order.
inline constexpr std::array<const char*, 4> kCandidatePorts{"COM1", "COM2", "COM3", "COM4"};

// A port whose device is there but could not be opened, and why.
struct RefusedPort {
    enum class Cause { kAccessRefused, kInUse };

    std::string portName;
    std::string device;
    Cause cause = Cause::kInUse;
    // The program holding the device, "picocom (process 4711)", where its lock tells it.
    QString holder;
};

// Whether the device of a port name exists and nobody else holds it. A device that is there
// but refused this user or held by another program is added to `refused`.
bool IsPortAvailable(const std::string& portName, std::vector<RefusedPort>& refused);

// What a search that found no card says: no port could be opened, or none answered. Where no
// port could be opened, the ports refused and why follow the first sentence.
QString NotFoundMessage(bool anyPortAvailable, const std::vector<RefusedPort>& refused);

}  // namespace discovery
