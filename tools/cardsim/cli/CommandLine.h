#pragma once

#include <string>
#include <vector>

#include "tools/cardsim/CardSimulator.h"

namespace cardsim {

struct ProgramOptions {
    CardOptions card;
    bool help = false;
    bool trace = false;
    bool exitWithParent = false;
    bool optionsFromStdin = false;
};

// Parses the program's arguments (without the program name). On a bad argument it returns false
// and sets error to a one-line explanation.
bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options,
                      std::string& error);

// One line of options for a running card, words separated by spaces: the card's options as
// the command line would give them, in place of those it has. Options that take effect only at
// start (general ones, --offline, --power) are refused with the reason in error.
bool ParseOptionChange(const std::string& line, CardOptions& card, std::string& error);

std::string HelpText();

// Bytes shown readably for the trace: printable ASCII as is, others as \r, \n or \xHH.
std::string Printable(const std::string& bytes);

}  // namespace cardsim
