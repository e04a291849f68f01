#include "cli/SubcommandDispatch.h"

#include <cstring>

#include "cli/ReportCommand.h"
#include "cli/SurveyCommand.h"

namespace cli {

std::optional<int> RunSubcommand(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    if (std::strcmp(argv[1], "survey") == 0) {
        return SurveyCommand::Run(argc, argv);
    }
    if (std::strcmp(argv[1], "report") == 0) {
        return ReportCommand::Run(argc, argv);
    }
    return std::nullopt;
}

}  // namespace cli
