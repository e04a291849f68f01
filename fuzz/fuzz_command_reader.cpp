// The simulated card's command reader, with the card model answering each command as the
// simulator does. Checks: each command is the text since the previous one up to its carriage
// return (line feeds and dump stops left out), cut at 64 characters and then marked too long;
// a dump stop is a lone "M" at the start of a line while a dump runs; no answer line holds a
// carriage return or line feed.

#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "tools/cardsim/CardModel.h"
#include "tools/cardsim/CommandReader.h"

namespace {

void CheckAnswer(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cardsim::CardModel model({}, false, "0000");
    cardsim::CommandReader reader;
    std::string line;  // what the reader should hold: the current line's bytes so far
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = static_cast<char>(data[i]);
        const bool dumpRunning = model.DumpRunning();
        const auto command = reader.Feed(byte, dumpRunning);
        if (byte == '\n') {
            FUZZ_CHECK(!command);
            continue;
        }
        if (command && command->dumpStop) {
            FUZZ_CHECK(byte == 'M' && dumpRunning && line.empty());
            FUZZ_CHECK(command->text == "M" && !command->tooLong);
            model.StopDump();
            continue;
        }
        if (byte != '\r') {
            FUZZ_CHECK(!command);
            line.push_back(byte);
            continue;
        }
        FUZZ_CHECK(command.has_value());
        FUZZ_CHECK(command->text == line.substr(0, 64));
        FUZZ_CHECK(command->tooLong == (line.size() > 64));
        line.clear();
        if (!command->text.empty() && !command->tooLong) {
            CheckAnswer(model.Execute(command->text));
        }
        if (model.DumpRunning()) {
            CheckAnswer({model.NextSample()});
        }
    }
    return 0;
}
