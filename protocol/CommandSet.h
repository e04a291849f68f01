#pragma once

#include <cstdint>
#include <string>

#include "protocol/SensorIndex.h"

// Command texts of the sensor card, without the carriage return that the link appends.
// Numbers are written with fixed ASCII rules, independent of the process locale.
namespace protocol {

inline constexpr char kCommandTerminator = '\r';

// 12-bit voltage code: volts x 409.5, truncated toward zero.
std::int32_t VoltageCode(double volts);
// 15-bit trip code: mA x 3276.7, truncated toward zero.
std::int32_t TripCode(double milliamps);

// Uppercase hexadecimal of the value's 32-bit pattern, zero-padded to at least minDigits
// (what "%.<minDigits>X" writes for an int).
std::string UppercaseHex(std::int32_t value, int minDigits);
// Decimal without leading zeros (what "%d" writes).
std::string Decimal(std::int32_t value);

std::string GoOnlineText();                                          // "N"
std::string GoOfflineText();                                         // "M"
std::string TrainSensorText(SensorIndex sensor);                     // "%dL"
std::string SetVoltageText(double volts, SensorIndex sensor);        // "%.3X%dV"
std::string SetTripPointText(double milliamps, SensorIndex sensor);  // "%.4X%dT"
std::string SaveTrainingDataText(std::int32_t bin);                  // "%.2XS", low 8 bits
std::string RestoreTrainingDataText(std::int32_t bin);               // "%.2XR", low 8 bits
std::string SetPowerLevelText(const std::string& code);              // code, then "P"
std::string QueryTripPointText(SensorIndex sensor);                  // "%dTQ"
std::string QueryCurrentText(SensorIndex sensor);                    // "%dCQ"
std::string AdjustTripPointText(SensorIndex sensor);                 // "%dA"
std::string QueryVoltageText(SensorIndex sensor);                    // "%dVQ"
std::string StartDumpText(bool rightTube);                           // "LD" or "RD"
std::string StopDumpText();                                          // "M", sent without "\r"
std::string SetSensorReportingText(bool enable, bool rightTube);     // "LE", "LD", "RE", "RD"
std::string QueryStatusText();                                       // "SQ"

}  // namespace protocol
