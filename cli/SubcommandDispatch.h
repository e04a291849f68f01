#pragma once

#include <optional>

// The program's subcommands, which need no display: "merrowby survey ..." and
// "merrowby report ..." and "merrowby history ...". Anything else is the window's own command line.
namespace cli {

// The subcommand's exit status, or nothing when argv names none.
std::optional<int> RunSubcommand(int argc, char** argv);

}  // namespace cli
