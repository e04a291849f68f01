#include "cli/SubcommandDispatch.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/HistoryCommand.h"
#include "cli/RecordsCommand.h"
#include "cli/ReportCommand.h"
#include "cli/SurveyCommand.h"
#include "history/HistoryIndex.h"
#include "history/HistoryUpdater.h"
#include "record/RecordFolder.h"

namespace cli {

namespace {

// The records of the default folder, the visit just ended among them, taken into the history
// index.
void UpdateHistory(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    for (const QString& note :
         HistoryUpdater::UpdateOnce(HistoryIndex::DefaultPath(), RecordFolder::Default())) {
        std::fprintf(stderr, "%s\n", qPrintable(note));
    }
}

}  // namespace

std::optional<int> RunSubcommand(int argc, char** argv) {
    if (argc < 2) {
        return std::nullopt;
    }
    if (std::strcmp(argv[1], "survey") == 0) {
        const int status = SurveyCommand::Run(argc, argv);
        UpdateHistory(argc, argv);
        return status;
    }
    if (std::strcmp(argv[1], "report") == 0) {
        // The previous visit is looked up in an index that holds every record up to now.
        UpdateHistory(argc, argv);
        return ReportCommand::Run(argc, argv);
    }
    if (std::strcmp(argv[1], "history") == 0) {
        return HistoryCommand::Run(argc, argv);
    }
    if (std::strcmp(argv[1], "records") == 0) {
        return RecordsCommand::Run(argc, argv);
    }
    return std::nullopt;
}

}  // namespace cli
