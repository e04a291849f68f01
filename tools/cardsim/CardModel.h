#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/cardsim/CardSimulator.h"

namespace cardsim {

// The card's wording. "%d" is a sensor number, "%s" a hexadecimal code.
namespace replies {
inline constexpr const char* kIdentity = "SENSOR CARD V2.1";  // first line of "N" and "M"
inline constexpr const char* kOnline = "ONLINE";
inline constexpr const char* kOffline = "OFFLINE";
inline constexpr const char* kTraining = "TRAINING SENSOR %d";
inline constexpr const char* kTrainingBegun = "OK";
inline constexpr const char* kTrained = "SENSOR %d TRAINED %s";  // %s: the new trip code
inline constexpr const char* kTrainingBusy = "BUSY";
inline constexpr const char* kSensorFault = "SENSOR FAULT";
inline constexpr const char* kSensorDisabled = "SENSOR DISABLED";
inline constexpr const char* kVoltageSet = "SENSOR %d VOLTAGE %s";
inline constexpr const char* kTripSet = "SENSOR %d TRIP %s";
inline constexpr const char* kTripAdjusted = "SENSOR %d TRIP ADJUSTED %s";
inline constexpr const char* kNotTrained = "SENSOR %d NOT TRAINED";
inline constexpr const char* kBinSaved = "BIN %s SAVED";
inline constexpr const char* kBinRestored = "BIN %s RESTORED";
inline constexpr const char* kBinEmpty = "BIN %s EMPTY";
inline constexpr const char* kPowerLevelSet = "POWER LEVEL %s";
inline constexpr const char* kLeftReportsOn = "LEFT REPORTS ON";
inline constexpr const char* kRightReportsOn = "RIGHT REPORTS ON";
inline constexpr const char* kUnknownCommand = "ERROR UNKNOWN COMMAND";
inline constexpr const char* kBadSensor = "ERROR BAD SENSOR";
inline constexpr const char* kBadValue = "ERROR BAD VALUE";
inline constexpr const char* kLineTooLong = "ERROR LINE TOO LONG";
inline constexpr const char* kExtraLine = "EXTRA %d";
}  // namespace replies

// printf-style formatting of a reply line (lines are short; longer results are cut).
std::string FormatReply(const char* format, ...);

// The card's state and its answer to each command, without any timing or line handling.
// Not thread-safe: the simulator guards it.
class CardModel {
  public:
    CardModel(const std::array<SensorState, kSensorCount>& sensors, bool online,
              std::string powerLevel);

    // Applies one command and returns the lines the card answers at once (possibly none).
    std::vector<std::string> Execute(const std::string& command);
    void StopDump() { dumpRunning_ = false; }

    // Training in progress: ends it and returns the final line.
    std::string FinishTraining();
    // One sample line of the running dump.
    std::string NextSample();

    void SetLowerCaseHex(bool lowerCase) { lowerCaseHex_ = lowerCase; }
    void SetNoise(int amplitude, std::uint32_t seed);

    bool Online() const { return online_; }
    void SetOnline(bool online) { online_ = online; }
    const SensorState& Sensor(int sensor) const { return sensors_.at(sensor); }
    void SetSensor(int sensor, const SensorState& state) { sensors_.at(sensor) = state; }
    bool Reporting(bool rightTube) const { return reporting_[rightTube ? 1 : 0]; }
    const std::string& PowerLevel() const { return powerLevel_; }
    const std::optional<BinContents>& Bin(int bin) const { return bins_.at(bin); }
    bool DumpRunning() const { return dumpRunning_; }
    bool DumpRightTube() const { return dumpRightTube_; }
    std::optional<int> TrainingSensor() const { return trainingSensor_; }

    // The trip code training and adjusting give a sensor: three quarters of its current level.
    static std::uint16_t TrainedTripCode(const SensorState& sensor);

  private:
    std::vector<std::string> Train(int sensor);
    std::vector<std::string> SetVoltage(const std::string& body);
    std::vector<std::string> SetTripPoint(const std::string& body);
    std::vector<std::string> SaveBin(const std::string& body);
    std::vector<std::string> RestoreBin(const std::string& body);
    std::vector<std::string> SetPower(const std::string& body);
    std::vector<std::string> SensorCommand(const std::string& prefix, const std::string& suffix);
    std::vector<std::string> StartDump(bool rightTube);
    std::string Hex(unsigned value, int digits) const;
    std::uint16_t ReadCurrent(int sensor);

    std::array<SensorState, kSensorCount> sensors_;
    bool online_;
    std::string powerLevel_;
    std::array<std::optional<BinContents>, kBinCount> bins_{};
    std::array<bool, 2> reporting_{false, false};
    bool dumpRunning_ = false;
    bool dumpRightTube_ = false;
    std::optional<int> trainingSensor_;
    bool lowerCaseHex_ = false;
    int noiseAmplitude_ = 0;
    std::uint32_t noiseSeed_ = 0;
    std::uint64_t readingCount_ = 0;
};

}  // namespace cardsim
