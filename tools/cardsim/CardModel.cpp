#include "tools/cardsim/CardModel.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace cardsim {

std::string FormatReply(const char* format, ...) {
    char buffer[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, static_cast<std::size_t>(std::clamp(length, 0, 127)));
}

namespace {

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool IsDecimal(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An upper-case hexadecimal field of at least minDigits digits (at most 8).
std::optional<unsigned> ParseHexField(const std::string& text, std::size_t minDigits) {
    if (text.size() < minDigits || text.size() > 8 ||
        !std::all_of(text.begin(), text.end(), IsUpperHexDigit)) {
        return std::nullopt;
    }
    return static_cast<unsigned>(std::stoul(text, nullptr, 16));
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// splitmix64: a fixed mixing function, so readings depend only on seed, sensor and count.
std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

using Lines = std::vector<std::string>;

}  // namespace

std::array<SensorState, kSensorCount> DefaultSensors() {
    std::array<SensorState, kSensorCount> sensors{};
    for (int i = 0; i < kSensorCount; ++i) {
        sensors[i].voltageCode = static_cast<std::uint16_t>(0x700 + 0x21 * i);
        sensors[i].currentLevel = static_cast<std::uint16_t>(0x1000 + 0x111 * i);
        sensors[i].tripCode = CardModel::TrainedTripCode(sensors[i]);
    }
    sensors[7].trained = false;
    return sensors;
}

CardModel::CardModel(const std::array<SensorState, kSensorCount>& sensors, bool online,
                     std::string powerLevel)
    : sensors_(sensors), online_(online), powerLevel_(std::move(powerLevel)) {}

void CardModel::SetNoise(int amplitude, std::uint32_t seed) {
    noiseAmplitude_ = std::max(amplitude, 0);
    noiseSeed_ = seed;
}

std::uint16_t CardModel::TrainedTripCode(const SensorState& sensor) {
    return static_cast<std::uint16_t>(std::min<unsigned>(sensor.currentLevel * 3u / 4u, 0x7FFF));
}

std::string CardModel::Hex(unsigned value, int digits) const {
    return FormatReply(lowerCaseHex_ ? "%0*x" : "%0*X", digits, value);
}

std::uint16_t CardModel::ReadCurrent(int sensor) {
    const std::uint64_t count = readingCount_++;
    const int level = sensors_[sensor].currentLevel;
    if (noiseAmplitude_ == 0) {
        return static_cast<std::uint16_t>(level);
    }
    const std::uint64_t hash = Mix(Mix(noiseSeed_) ^ (count * kSensorCount + sensor));
    const int span = 2 * noiseAmplitude_ + 1;
    const int noise = static_cast<int>(hash % static_cast<std::uint64_t>(span)) - noiseAmplitude_;
    return static_cast<std::uint16_t>(std::clamp(level + noise, 0, 0xFFFF));
}

std::vector<std::string> CardModel::Execute(const std::string& command) {
    if (command == "N") {
        online_ = true;
        return {replies::kIdentity, replies::kOnline};
    }
    if (command == "M") {
        online_ = false;
        return {replies::kIdentity, replies::kOffline};
    }
    if (command == "SQ") {
        std::array<unsigned, 5> bytes{};
        for (int i = 0; i < kSensorCount; ++i) {
            const SensorState& s = sensors_[i];
            const std::array<bool, 5> bits{s.enabled, s.trained, s.shorted, s.opened, s.covered};
            for (std::size_t b = 0; b < bytes.size(); ++b) {
                bytes[b] |= (bits[b] ? 1u : 0u) << i;
            }
        }
        std::string line = Hex(bytes[0], 2);
        for (std::size_t b = 1; b < bytes.size(); ++b) {
            line += ' ' + Hex(bytes[b], 2);
        }
        return {line};
    }
    if (command == "LE" || command == "RE") {
        const bool right = command[0] == 'R';
        reporting_[right ? 1 : 0] = true;
        return {right ? replies::kRightReportsOn : replies::kLeftReportsOn};
    }
    if (command == "LD" || command == "RD") {
        return StartDump(command[0] == 'R');
    }
    for (const char* suffix : {"VQ", "CQ", "TQ"}) {
        if (EndsWith(command, suffix)) {
            return SensorCommand(command.substr(0, command.size() - 2), suffix);
        }
    }
    if (command.size() < 2) {
        return {replies::kUnknownCommand};
    }
    const std::string body = command.substr(0, command.size() - 1);
    switch (command.back()) {
        case 'L':
        case 'A':
            return SensorCommand(body, std::string(1, command.back()));
        case 'V':
            return SetVoltage(body);
        case 'T':
            return SetTripPoint(body);
        case 'S':
            return SaveBin(body);
        case 'R':
            return RestoreBin(body);
        case 'P':
            return SetPower(body);
        default:
            return {replies::kUnknownCommand};
    }
}

// Commands of the form "<sensor><suffix>".
std::vector<std::string> CardModel::SensorCommand(const std::string& prefix,
                                                  const std::string& suffix) {
    if (!IsDecimal(prefix)) {
        return {replies::kUnknownCommand};
    }
    if (prefix.size() != 1 || prefix[0] > '7') {
        return {replies::kBadSensor};
    }
    const int sensor = prefix[0] - '0';
    SensorState& s = sensors_[sensor];
    if (suffix == "VQ") {
        return {Hex(s.voltageCode, 3)};
    }
    if (suffix == "CQ") {
        return {Hex(ReadCurrent(sensor), 4)};
    }
    if (suffix == "TQ") {
        return {s.trained ? Hex(s.tripCode, 4) : FormatReply(replies::kNotTrained, sensor)};
    }
    if (suffix == "A") {
        if (!s.trained) {
            return {FormatReply(replies::kNotTrained, sensor)};
        }
        s.tripCode = TrainedTripCode(s);
        return {FormatReply(replies::kTripAdjusted, sensor, Hex(s.tripCode, 4).c_str())};
    }
    return Train(sensor);
}

std::vector<std::string> CardModel::Train(int sensor) {
    const std::string first = FormatReply(replies::kTraining, sensor);
    if (trainingSensor_) {
        return {first, replies::kTrainingBusy};
    }
    const SensorState& s = sensors_[sensor];
    if (!s.enabled) {
        return {first, replies::kSensorDisabled};
    }
    if (s.shorted || s.opened) {
        return {first, replies::kSensorFault};
    }
    trainingSensor_ = sensor;
    return {first, replies::kTrainingBegun};
}

std::string CardModel::FinishTraining() {
    if (!trainingSensor_) {
        return {};
    }
    const int sensor = *trainingSensor_;
    trainingSensor_.reset();
    SensorState& s = sensors_[sensor];
    s.trained = true;
    s.tripCode = TrainedTripCode(s);
    return FormatReply(replies::kTrained, sensor, Hex(s.tripCode, 4).c_str());
}

// "<code><sensor>V" and "<code><sensor>T": the sensor is the digit before the letter.
std::vector<std::string> CardModel::SetVoltage(const std::string& body) {
    if (body.size() < 2 || !IsDecimal(body.substr(body.size() - 1))) {
        return {body.empty() ? replies::kUnknownCommand : replies::kBadValue};
    }
    const int sensor = body.back() - '0';
    const auto code = ParseHexField(body.substr(0, body.size() - 1), 3);
    if (!code || *code > 0xFFF) {
        return {replies::kBadValue};
    }
    if (sensor > 7) {
        return {replies::kBadSensor};
    }
    sensors_[sensor].voltageCode = static_cast<std::uint16_t>(*code);
    return {FormatReply(replies::kVoltageSet, sensor, Hex(*code, 3).c_str())};
}

std::vector<std::string> CardModel::SetTripPoint(const std::string& body) {
    if (body.size() < 2 || !IsDecimal(body.substr(body.size() - 1))) {
        return {body.empty() ? replies::kUnknownCommand : replies::kBadValue};
    }
    const int sensor = body.back() - '0';
    const auto code = ParseHexField(body.substr(0, body.size() - 1), 4);
    if (!code || *code > 0x7FFF) {
        return {replies::kBadValue};
    }
    if (sensor > 7) {
        return {replies::kBadSensor};
    }
    sensors_[sensor].tripCode = static_cast<std::uint16_t>(*code);
    return {FormatReply(replies::kTripSet, sensor, Hex(*code, 4).c_str())};
}

std::vector<std::string> CardModel::SaveBin(const std::string& body) {
    const auto bin = body.size() == 2 ? ParseHexField(body, 2) : std::nullopt;
    if (!bin) {
        return {replies::kBadValue};
    }
    BinContents contents{};
    for (int i = 0; i < kSensorCount; ++i) {
        contents[i] = TrainingLevel{sensors_[i].trained, sensors_[i].tripCode};
    }
    bins_[*bin] = contents;
    return {FormatReply(replies::kBinSaved, Hex(*bin, 2).c_str())};
}

std::vector<std::string> CardModel::RestoreBin(const std::string& body) {
    const auto bin = body.size() == 2 ? ParseHexField(body, 2) : std::nullopt;
    if (!bin) {
        return {replies::kBadValue};
    }
    if (!bins_[*bin]) {
        return {FormatReply(replies::kBinEmpty, Hex(*bin, 2).c_str())};
    }
    for (int i = 0; i < kSensorCount; ++i) {
        sensors_[i].trained = (*bins_[*bin])[i].trained;
        sensors_[i].tripCode = (*bins_[*bin])[i].tripCode;
    }
    return {FormatReply(replies::kBinRestored, Hex(*bin, 2).c_str())};
}

std::vector<std::string> CardModel::SetPower(const std::string& body) {
    if (body.size() != 4 || !ParseHexField(body, 4)) {
        return {replies::kBadValue};
    }
    powerLevel_ = body;
    return {FormatReply(replies::kPowerLevelSet, body.c_str())};
}

// "LD" and "RD" also switch that tube's reporting off; the samples are the only answer.
std::vector<std::string> CardModel::StartDump(bool rightTube) {
    reporting_[rightTube ? 1 : 0] = false;
    dumpRunning_ = true;
    dumpRightTube_ = rightTube;
    return {};
}

std::string CardModel::NextSample() {
    const int first = dumpRightTube_ ? 4 : 0;
    std::string line;
    for (int j = 0; j < 4; ++j) {
        if (j > 0) {
            line += ' ';
        }
        line += Hex(ReadCurrent(first + j), 4);
    }
    return line;
}

}  // namespace cardsim
