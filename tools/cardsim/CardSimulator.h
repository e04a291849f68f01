#pragma once

// A simulated sensor card on a pseudo-terminal. The simulator owns the master side and plays the
// card; the utility (or a terminal program) opens SlavePath() as its serial line.
//
// Commands are text up to a carriage return; while a current dump runs, the single byte "M"
// (without a carriage return) stops it. Replies are lines ended by the configured line ending.
// CardModel.h holds the wording of every reply.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cardsim {

constexpr int kSensorCount = 8;
constexpr int kBinCount = 256;

// One sensor as the card holds it. Codes are the card's raw values: voltage 12-bit, trip 15-bit,
// current level 16-bit (the mean around which current readings vary by the noise amplitude).
struct SensorState {
    std::uint16_t voltageCode = 0x800;
    std::uint16_t tripCode = 0x0C00;
    std::uint16_t currentLevel = 0x1000;
    bool enabled = true;
    bool trained = true;
    bool shorted = false;
    bool opened = false;
    bool covered = false;

    bool operator==(const SensorState&) const = default;
};

// The training levels of one sensor as a storage bin keeps them.
struct TrainingLevel {
    bool trained = false;
    std::uint16_t tripCode = 0;

    bool operator==(const TrainingLevel&) const = default;
};
using BinContents = std::array<TrainingLevel, kSensorCount>;

// The default sensors: codes differ per sensor (so a wrong sensor number shows), sensor 7 is
// untrained, everything enabled, no faults.
std::array<SensorState, kSensorCount> DefaultSensors();

struct CardOptions {
    // Card state at construction.
    std::array<SensorState, kSensorCount> sensors = DefaultSensors();
    bool startOnline = true;
    std::string powerLevel = "0000";  // four hexadecimal digits, as the "P" command sets them

    // Behaviour.
    std::string lineEnding = "\r\n";                   // "\r\n" or "\n"
    std::chrono::milliseconds trainingDuration{3000};  // from "OK" to the final training line
    std::chrono::milliseconds dumpInterval{1000};      // between sample batches of a dump
    int noiseAmplitude = 8;       // current readings vary by at most this many counts
    std::uint32_t noiseSeed = 1;  // same seed, same commands: same readings

    // Misbehaviours.
    bool silent = false;                      // hears nothing, answers nothing
    bool answerOnlineOnly = false;            // answers "N" but ignores "M" (offline)
    std::optional<int> silentAfterCommands;   // answers this many commands, then as silent
    std::chrono::milliseconds replyDelay{0};  // before each command's reply
    std::size_t chunkSize = 0;                // 0: each line in one write; else bytes per write
    std::chrono::milliseconds chunkGap{0};    // pause between chunks
    bool lowerCaseHex = false;                // hexadecimal values in replies in lower case
    std::string garbageBefore;                // bytes put before the text of every line sent
    std::string garbageAfter;                 // bytes put after the text, before the line end
    bool neverEndLine = false;                // the last line of each reply gets no line end
    // The line is cut, as a cable pulled out, the moment the bytes received end in this text.
    std::string hangUpAfter;
    int extraLines = 0;          // lines "EXTRA 1".."EXTRA n" after each reply
    int samplesPerInterval = 1;  // >1 floods: that many samples per interval
    // Before the reply to these commands (text without carriage return), in place of replyDelay.
    std::map<std::string, std::chrono::milliseconds> commandDelays;

    // Optional symbolic link to the slave device, made at construction, removed at destruction.
    // An existing symbolic link there is replaced; any other file there is an error.
    std::string linkPath;
};

// One event for the trace: a command the card decoded, or bytes it wrote to the line.
struct TraceEvent {
    bool fromCard = false;  // false: a command received; true: bytes sent
    std::string text;       // the command text (no carriage return) or the bytes written
    std::chrono::steady_clock::time_point time;  // when it was read or written
};
using TraceFunction = std::function<void(const TraceEvent&)>;

class CardSimulator {
  public:
    // Opens the pseudo-terminal (raw mode) and starts the card's thread. Throws
    // std::runtime_error when the pseudo-terminal or the link cannot be made.
    explicit CardSimulator(CardOptions options = {}, TraceFunction trace = {});
    ~CardSimulator();
    CardSimulator(const CardSimulator&) = delete;
    CardSimulator& operator=(const CardSimulator&) = delete;

    const std::string& SlavePath() const;
    const std::string& LinkPath() const;  // empty without a link

    // Record of the line. Wait predicates run under the simulator's lock: they must not call
    // back into the simulator.
    std::string Received() const;               // every byte received, in order
    std::string Sent() const;                   // every byte written to the line, in order
    std::vector<std::string> Commands() const;  // decoded commands, without carriage return;
                                                // a dump stop appears as "M"
    bool WaitForReceived(std::function<bool(const std::string&)> predicate,
                         std::chrono::milliseconds timeout) const;
    bool WaitForReceivedContaining(const std::string& needle,
                                   std::chrono::milliseconds timeout) const;
    bool WaitForSent(std::function<bool(const std::string&)> predicate,
                     std::chrono::milliseconds timeout) const;
    bool WaitForSentContaining(const std::string& needle, std::chrono::milliseconds timeout) const;
    bool WaitForCommandCount(std::size_t count, std::chrono::milliseconds timeout) const;
    void ClearRecord();  // forgets Received, Sent and Commands

    // Pushes raw bytes to the line at once, ahead of nothing already queued.
    void Inject(const std::string& bytes);

    // Card state. Commands are applied before their bytes show in Received(), so a test that has
    // waited for a command's bytes sees its effect.
    bool Online() const;
    SensorState Sensor(int sensor) const;
    bool Reporting(bool rightTube) const;
    std::string PowerLevel() const;
    std::optional<BinContents> Bin(int bin) const;  // empty while nothing was saved there
    bool DumpRunning() const;
    bool DumpRightTube() const;                 // tube of the running or last dump
    std::optional<int> TrainingSensor() const;  // sensor being trained, if any
    CardOptions Options() const;

    // Runtime changes (thread-safe; take effect for the next command or line).
    void SetOnline(bool online);
    void SetSensor(int sensor, const SensorState& state);
    void SetOptions(const CardOptions& options);  // behaviour and misbehaviours; keeps card state
    void SetLineEnding(const std::string& lineEnding);
    void SetTrainingDuration(std::chrono::milliseconds duration);
    void SetDumpInterval(std::chrono::milliseconds interval);
    void SetNoise(int amplitude, std::uint32_t seed);
    void SetSilent(bool silent);
    void SetAnswerOnlineOnly(bool onlineOnly);
    void SetSilentAfterCommands(std::optional<int> count);  // counts from this call
    void SetReplyDelay(std::chrono::milliseconds delay);
    void SetChunking(std::size_t chunkSize, std::chrono::milliseconds gap);
    void SetLowerCaseHex(bool lowerCase);
    void SetGarbage(const std::string& before, const std::string& after);
    void SetNeverEndLine(bool neverEnd);
    void SetHangUpAfter(const std::string& received);
    void SetExtraLines(int count);
    void SetSamplesPerInterval(int count);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace cardsim
