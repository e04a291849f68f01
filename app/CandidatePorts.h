#pragma once

#include <QString>
#include <array>
#include <string>

// Where the card is looked for, for the window's "Poll For Instrument" and the survey command.
namespace discovery {

// The ports tried, in order.
inline constexpr std::array<const char*, 4> kCandidatePorts{"COM1", "COM2", "COM3", "COM4"};

// Whether the device of a port name exists and nobody else holds it.
bool IsPortAvailable(const std::string& portName);

// What a search that found no card says: no port could be opened, or none answered.
QString NotFoundMessage(bool anyPortAvailable);

}  // namespace discovery
