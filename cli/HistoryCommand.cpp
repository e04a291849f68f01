#include "cli/HistoryCommand.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/CommandLine.h"
#include "cli/ExitStatus.h"
#include "history/HistoryIndex.h"
#include "history/HistoryOutput.h"
#include "record/RecordFolder.h"
#include "report/ReportSettings.h"

namespace cli {

namespace {

constexpr int kNoVisit = 2;

void PrintError(const QString& text) {
    std::fprintf(stderr, "merrowby history: %s\n", qPrintable(text));
}

// The laboratory's limits as the report window uses them; none when not set or unreadable.
std::optional<AcceptanceLimits> LoadLimits() {
    const QString path = ReportSettings::AcceptanceLimitsPath();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QString error;
    std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(path, error);
    if (!limits) {
        PrintError(error + QStringLiteral(" No acceptance limits are applied."));
    }
    return limits;
}

int PrintVisits(const HistoryIndex& index, const HistoryCommand::Options& options,
                const AcceptanceLimits* limits) {
    const std::vector<VisitSummary> visits = index.Visits(options.serialNumber, options.model);
    if (visits.empty()) {
        PrintError(QStringLiteral("no visit of \"%1\" is recorded").arg(options.serialNumber));
        return kNoVisit;
    }
    QStringList models;
    for (const VisitSummary& visit : visits) {
        if (!models.contains(visit.model)) {
            models << visit.model;
        }
    }
    if (models.size() > 1) {
        PrintError(QStringLiteral("\"%1\" is the serial number of instruments of several models "
                                  "(%2); choose one with --model")
                       .arg(options.serialNumber, models.join(QStringLiteral(", "))));
        return kFailed;
    }
    if (options.format == HistoryCommand::Format::Csv) {
        std::fputs(HistoryOutput::Csv(visits).toUtf8().constData(), stdout);
    } else {
        const AcceptanceLimits::ModelLimits* modelLimits =
            limits != nullptr ? limits->ForModel(models.front()) : nullptr;
        std::fputs(
            HistoryOutput::JsonText(HistoryOutput::Document(visits, modelLimits)).constData(),
            stdout);
    }
    return kInOrder;
}

// The list of instruments, or the visits of the one asked for.
int Print(const HistoryIndex& index, const HistoryCommand::Options& options,
          const AcceptanceLimits* limits) {
    if (!options.serialGiven) {
        std::fputs(HistoryOutput::InstrumentTable(index.Instruments()).toUtf8().constData(),
                   stdout);
        return kInOrder;
    }
    return PrintVisits(index, options, limits);
}

}  // namespace

HistoryCommand::Options HistoryCommand::Parse(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--json")) {
            options.format = Format::Json;
        } else if (argument == QStringLiteral("--csv")) {
            options.format = Format::Csv;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == QStringLiteral("--model") && i + 1 < arguments.size()) {
            options.model = arguments[++i];
        } else if (argument.startsWith(QStringLiteral("--model="))) {
            options.model = argument.mid(8);
        } else if (argument == QStringLiteral("--database") && i + 1 < arguments.size()) {
            options.database = arguments[++i];
        } else if (argument.startsWith(QStringLiteral("--database="))) {
            options.database = argument.mid(11);
        } else if (argument.startsWith(QLatin1Char('-')) || options.serialGiven) {
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return options;
        } else {
            options.serialNumber = argument;
            options.serialGiven = true;
        }
    }
    if (!options.serialGiven && arguments.contains(QStringLiteral("--csv"))) {
        options.error = QStringLiteral("--csv needs a serial number");
    }
    return options;
}

QString HistoryCommand::HelpText() {
    return QStringLiteral(
        "Usage: merrowby history [--database URL]\n"
        "       merrowby history SERIAL [--model M] [--json | --csv] [--database URL]\n"
        "\n"
        "Without SERIAL, lists the instruments of the recorded visits: serial number, model,\n"
        "customer, number of visits, last visit and how its As left was judged. With SERIAL,\n"
        "prints that instrument's visits in time order as JSON (the default): each visit's\n"
        "As found, As left, findings and drift since the visit before, and with three visits\n"
        "or more each sensor's trend; or with --csv one row per visit and sensor.\n"
        "The index (~/.local/share/merrowby/history.sqlite) is brought up to date from the\n"
        "service records first. With --database, the organisation's PostgreSQL database\n"
        "answers instead, over the visits every technician has sent (merrowby records push).\n"
        "\n"
        "Options:\n"
        "  --model M   only the visits of model M, where SERIAL names several models\n"
        "  --json      JSON (the default)\n"
        "  --csv       one row per visit and sensor\n"
        "  --database URL  the organisation's database, postgresql://user@host/dbname\n"
        "  -h, --help  this text\n"
        "\n"
        "Exit status: 0 printed, 1 bad input or an index or database that cannot be read,\n"
        "2 no visit of the instrument.\n");
}

int HistoryCommand::Run(int argc, char** argv) {
    const Options options = Parse(CommandLine::Arguments(argc, argv).mid(2));
    if (!options.error.isEmpty()) {
        PrintError(options.error + QStringLiteral(" (see merrowby history --help)"));
        return kFailed;
    }
    if (options.help) {
        std::fputs(qPrintable(HelpText()), stdout);
        return kInOrder;
    }
    const QCoreApplication application(argc, argv);
    const std::optional<AcceptanceLimits> limits = LoadLimits();
    QString error;
    if (!options.database.isNull()) {
        const std::optional<DatabaseUrl> database = DatabaseUrl::Parse(options.database, error);
        if (!database) {
            PrintError(error);
            return kFailed;
        }
        HistoryIndex organisation(*database);
        if (!organisation.Open(error)) {
            PrintError(QStringLiteral("the organisation's database cannot be read: %1").arg(error));
            return kFailed;
        }
        return Print(organisation, options, limits ? &*limits : nullptr);
    }
    HistoryIndex index(HistoryIndex::DefaultPath());
    if (!index.Open(error)) {
        PrintError(QStringLiteral("the history index cannot be opened: %1").arg(error));
        return kFailed;
    }
    const HistoryIndex::UpdateResult updated =
        index.Update(RecordFolder::Default(), limits ? &*limits : nullptr);
    for (const QString& note : updated.notes) {
        PrintError(note);
    }
    if (!updated.error.isEmpty()) {
        // What the index held is still there to be read.
        PrintError(QStringLiteral("the history index could not be brought up to date: %1")
                       .arg(updated.error));
    }
    return Print(index, options, limits ? &*limits : nullptr);
}

}  // namespace cli
