#include "tools/cardsim/cli/CommandLine.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace cardsim {

namespace {

const std::string kGarbage("\x00\x1B\xFE", 3);

// Options a running card cannot take: they set up the program or the card's state at start.
const std::set<std::string> kStartOnly = {"-h",     "--help",    "--trace", "--exit-with-parent",
                                          "--link", "--offline", "--power", "--options-from-stdin"};

bool ParseUnsigned(const std::string& text, int base, unsigned long max, unsigned long& value) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    std::size_t used = 0;
    try {
        value = std::stoul(text, &used, base);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size() && text[0] != '-' && text[0] != '+' && value <= max;
}

bool ParseMs(const std::string& text, std::chrono::milliseconds& value) {
    unsigned long ms = 0;
    if (!ParseUnsigned(text, 10, 3'600'000, ms)) {
        return false;
    }
    value = std::chrono::milliseconds(ms);
    return true;
}

// COMMAND:MS, e.g. SQ:2000.
bool ParseCommandDelay(const std::string& text, CardOptions& card) {
    const std::size_t colon = text.rfind(':');
    std::chrono::milliseconds delay{0};
    if (colon == 0 || colon == std::string::npos || !ParseMs(text.substr(colon + 1), delay)) {
        return false;
    }
    card.commandDelays[text.substr(0, colon)] = delay;
    return true;
}

bool ParseInt(const std::string& text, unsigned long max, int& value) {
    unsigned long parsed = 0;
    if (!ParseUnsigned(text, 10, max, parsed)) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

bool ParseFlag(const std::string& text, bool& value) {
    if (text == "1" || text == "on" || text == "yes") {
        value = true;
        return true;
    }
    if (text == "0" || text == "off" || text == "no") {
        value = false;
        return true;
    }
    return false;
}

bool ParseCode(const std::string& text, unsigned long max, std::uint16_t& value) {
    unsigned long parsed = 0;
    if (!ParseUnsigned(text, 16, max, parsed)) {
        return false;
    }
    value = static_cast<std::uint16_t>(parsed);
    return true;
}

// "N:key=value,key=value".
bool ParseSensor(const std::string& text, CardOptions& card) {
    if (text.size() < 3 || text[0] < '0' || text[0] > '7' || text[1] != ':') {
        return false;
    }
    SensorState& s = card.sensors[text[0] - '0'];
    std::size_t at = 2;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        const std::string key = item.substr(0, equals);
        const std::string value = item.substr(equals + 1);
        bool ok = false;
        if (key == "voltage") {
            ok = ParseCode(value, 0xFFF, s.voltageCode);
        } else if (key == "trip") {
            ok = ParseCode(value, 0x7FFF, s.tripCode);
        } else if (key == "current") {
            ok = ParseCode(value, 0xFFFF, s.currentLevel);
        } else if (key == "enabled") {
            ok = ParseFlag(value, s.enabled);
        } else if (key == "trained") {
            ok = ParseFlag(value, s.trained);
        } else if (key == "shorted") {
            ok = ParseFlag(value, s.shorted);
        } else if (key == "opened") {
            ok = ParseFlag(value, s.opened);
        } else if (key == "covered") {
            ok = ParseFlag(value, s.covered);
        }
        if (!ok) {
            return false;
        }
        at = comma + 1;
    }
    return true;
}

bool ParseMask(const std::string& text, CardOptions& card, bool SensorState::*bit) {
    unsigned long mask = 0;
    if (!ParseUnsigned(text, 16, 0xFF, mask)) {
        return false;
    }
    for (int i = 0; i < kSensorCount; ++i) {
        card.sensors[i].*bit = (mask >> i) & 1u;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options,
                      std::string& error) {
    CardOptions& card = options.card;
    const std::map<std::string, std::function<void()>> flags = {
        {"--help", [&] { options.help = true; }},
        {"-h", [&] { options.help = true; }},
        {"--trace", [&] { options.trace = true; }},
        {"--exit-with-parent", [&] { options.exitWithParent = true; }},
        {"--options-from-stdin", [&] { options.optionsFromStdin = true; }},
        {"--lf", [&] { card.lineEnding.assign(1, '\n'); }},
        {"--offline", [&] { card.startOnline = false; }},
        {"--silent", [&] { card.silent = true; }},
        {"--online-only", [&] { card.answerOnlineOnly = true; }},
        {"--lower-hex", [&] { card.lowerCaseHex = true; }},
        {"--never-end-line", [&] { card.neverEndLine = true; }},
    };
    std::string value;
    const std::map<std::string, std::function<bool()>> valued = {
        {"--link", [&] { return !(card.linkPath = value).empty(); }},
        {"--power",
         [&] {
             std::uint16_t code = 0;
             card.powerLevel = value;
             return value.size() == 4 && ParseCode(value, 0xFFFF, code);
         }},
        {"--sensor", [&] { return ParseSensor(value, card); }},
        {"--enabled", [&] { return ParseMask(value, card, &SensorState::enabled); }},
        {"--trained", [&] { return ParseMask(value, card, &SensorState::trained); }},
        {"--shorted", [&] { return ParseMask(value, card, &SensorState::shorted); }},
        {"--opened", [&] { return ParseMask(value, card, &SensorState::opened); }},
        {"--covered", [&] { return ParseMask(value, card, &SensorState::covered); }},
        {"--training-ms", [&] { return ParseMs(value, card.trainingDuration); }},
        {"--dump-ms", [&] { return ParseMs(value, card.dumpInterval); }},
        {"--noise", [&] { return ParseInt(value, 0x7FFF, card.noiseAmplitude); }},
        {"--seed",
         [&] {
             unsigned long seed = 0;
             const bool ok = ParseUnsigned(value, 10, 0xFFFFFFFFul, seed);
             card.noiseSeed = static_cast<std::uint32_t>(seed);
             return ok;
         }},
        {"--silent-after",
         [&] {
             int count = 0;
             const bool ok = ParseInt(value, 1'000'000, count);
             card.silentAfterCommands = count;
             return ok;
         }},
        {"--delay-ms", [&] { return ParseMs(value, card.replyDelay); }},
        {"--delay-command", [&] { return ParseCommandDelay(value, card); }},
        {"--chunk",
         [&] {
             int size = 0;
             const bool ok = ParseInt(value, 4096, size);
             card.chunkSize = static_cast<std::size_t>(size);
             return ok;
         }},
        {"--chunk-gap-ms", [&] { return ParseMs(value, card.chunkGap); }},
        {"--garbage",
         [&] {
             card.garbageBefore = (value == "before" || value == "both") ? kGarbage : "";
             card.garbageAfter = (value == "after" || value == "both") ? kGarbage : "";
             return value == "before" || value == "after" || value == "both";
         }},
        {"--extra-lines", [&] { return ParseInt(value, 100, card.extraLines); }},
        {"--flood", [&] { return ParseInt(value, 1000, card.samplesPerInterval); }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t equals = name.find('=');
            name.rfind("--", 0) == 0 && equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !inlineValue) {
            flag->second();
            continue;
        }
        const auto option = valued.find(name);
        if (option == valued.end()) {
            error = "unknown option " + args[i];
            return false;
        }
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = name + " needs a value";
            return false;
        }
        if (!option->second()) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    return true;
}

bool ParseOptionChange(const std::string& line, CardOptions& card, std::string& error) {
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        const std::string name = word.substr(0, word.find('='));
        if (kStartOnly.count(name) != 0) {
            error = name + " takes effect only at start";
            return false;
        }
        args.push_back(word);
    }
    ProgramOptions options;
    if (!ParseCommandLine(args, options, error)) {
        return false;
    }
    card = options.card;
    return true;
}

std::string Printable(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

std::string HelpText() {
    return R"(Usage: merrowby-card-sim [options]

Plays the sensor card on a pseudo-terminal and prints the slave device's path on stdout.
Point the utility (MERROWBY_COM1..4) or a terminal program (picocom, screen) at that path.
Runs until SIGINT or SIGTERM.

General:
  -h, --help              this text
  --link PATH             also make a symbolic link PATH to the slave device
  --trace                 print every command, every write and every change of options with
                          a time stamp to stderr
  --exit-with-parent      end when the parent process ends
  --options-from-stdin    take each line read on standard input as the card's options in
                          place of those it has (as on the command line, without the general
                          ones and --offline and --power); the sensors become as the line sets
                          them, the online state, power level and bins stay; answers "ok" or
                          "refused: REASON" on standard output
  --lf                    end reply lines with a line feed alone (default: CR LF)

Card state (codes in hexadecimal):
  --offline               start offline (default: online)
  --power CODE            power level code, four hexadecimal digits (default 0000)
  --sensor N:KEY=V[,...]  sensor N (0-7); keys: voltage (0-FFF), trip (0-7FFF),
                          current (mean current code, 0-FFFF), enabled, trained, shorted,
                          opened, covered (0 or 1)
  --enabled MASK          bit n of the hexadecimal byte MASK sets sensor n's flag
  --trained MASK          (defaults: all enabled, sensors 0-6 trained, no faults;
  --shorted MASK           voltage 700 + 21*n, current 1000 + 111*n,
  --opened MASK            trip = current * 3 / 4)
  --covered MASK
  --training-ms MS        time from "OK" to the end of a training (default 3000)
  --dump-ms MS            time between current samples of a dump (default 1000)
  --noise COUNTS          current readings vary by up to COUNTS (default 8)
  --seed N                noise seed (default 1); same options, same readings

Misbehaviours:
  --silent                hear and answer nothing
  --online-only           answer "N" but ignore "M" (go offline)
  --silent-after N        act on N commands, then fall silent
  --delay-ms MS           wait MS before each reply
  --delay-command CMD:MS  wait MS before the reply to the command CMD (e.g. SQ:2000) instead;
                          repeatable
  --chunk BYTES           write replies in pieces of BYTES bytes
  --chunk-gap-ms MS       pause between pieces (default 0)
  --lower-hex             hexadecimal values in lower case
  --garbage WHERE         before, after or both: put the bytes 00 1B FE before and/or after
                          the text of every line sent
  --never-end-line        the last line of each reply gets no line end
  --extra-lines N         add lines "EXTRA 1" .. "EXTRA N" after each reply
  --flood N               send N samples per dump interval

Commands and replies (sensor n = 0-7, codes upper-case hexadecimal, each command ends with CR):
  N              SENSOR CARD V2.1 / ONLINE          (two lines)
  M              SENSOR CARD V2.1 / OFFLINE         (two lines)
  nL             TRAINING SENSOR n / OK, after the training time: SENSOR n TRAINED tttt
                 (second line BUSY, SENSOR DISABLED or SENSOR FAULT instead of OK when
                 training cannot begin; shorted or opened sensors cannot be trained)
  vvvnV          SENSOR n VOLTAGE vvv
  ttttnT         SENSOR n TRIP tttt
  bbS            BIN bb SAVED                       (trained flags and trip codes)
  bbR            BIN bb RESTORED, or BIN bb EMPTY
  ppppP          POWER LEVEL pppp
  nTQ            tttt, or SENSOR n NOT TRAINED
  nCQ            cccc                               (current level with noise)
  nA             SENSOR n TRIP ADJUSTED tttt, or SENSOR n NOT TRAINED
  nVQ            vvv
  SQ             ee tt ss oo cc   enabled, trained, shorted, opened, covered; bit n = sensor n
  LE, RE         LEFT REPORTS ON, RIGHT REPORTS ON
  LD, RD         reporting off for that tube, and current samples "cccc cccc cccc cccc"
                 (sensors 0-3 or 4-7) every dump interval until the single byte M (no CR)
  anything else  ERROR UNKNOWN COMMAND, ERROR BAD SENSOR or ERROR BAD VALUE;
                 a line over 64 characters: ERROR LINE TOO LONG
Training and adjusting set the trip code to three quarters of the sensor's current level.
)";
}

}  // namespace cardsim
