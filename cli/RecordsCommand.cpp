#include "cli/RecordsCommand.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/CommandLine.h"
#include "cli/ExitStatus.h"
#include "history/HistorySource.h"
#include "history/RecordPush.h"
#include "record/AcceptanceLimits.h"
#include "record/RecordFolder.h"
#include "report/ReportSettings.h"

namespace cli {

namespace {

constexpr int kUnreachable = 2;

void PrintError(const QString& text) {
    std::fprintf(stderr, "merrowby records push: %s\n", qPrintable(text));
}

}  // namespace

RecordsCommand::Options RecordsCommand::Parse(const QStringList& arguments) {
    Options options;
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        options.help = true;
        return options;
    }
    if (arguments.isEmpty() || arguments.front() != QStringLiteral("push")) {
        options.error = arguments.isEmpty()
                            ? QStringLiteral("say what to do with the records: push")
                            : QStringLiteral("unexpected argument \"%1\"").arg(arguments.front());
        return options;
    }
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--database") && i + 1 < arguments.size()) {
            options.database = arguments[++i];
        } else if (argument.startsWith(QStringLiteral("--database="))) {
            options.database = argument.mid(11);
        } else {
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return options;
        }
    }
    return options;
}

QString RecordsCommand::HelpText() {
    return QStringLiteral(
        "Usage: merrowby records push [--database URL]\n"
        "\n"
        "Sends each service record of this computer that the organisation's database lacks,\n"
        "or that grew since it was sent, each with its visit in one transaction, and says how\n"
        "many were sent. A record sent twice, or from two computers, is one visit.\n"
        "\n"
        "Options:\n"
        "  --database URL  the organisation's PostgreSQL database,\n"
        "                  postgresql://user@host:port/dbname?sslmode=verify-full\n"
        "                  (a socket folder as host=); by default the one of the settings.\n"
        "                  The password is read from ~/.pgpass or PGPASSWORD.\n"
        "  -h, --help      this text\n"
        "\n"
        "Exit status: 0 sent (or nothing to send), 1 bad input, 2 the database cannot be\n"
        "reached or written (what was sent stays).\n");
}

int RecordsCommand::Run(int argc, char** argv) {
    const Options options = Parse(CommandLine::Arguments(argc, argv).mid(2));
    if (!options.error.isEmpty()) {
        PrintError(options.error + QStringLiteral(" (see merrowby records --help)"));
        return kFailed;
    }
    if (options.help) {
        std::fputs(qPrintable(HelpText()), stdout);
        return kInOrder;
    }
    const QCoreApplication application(argc, argv);
    QString error;
    std::optional<DatabaseUrl> database = options.database.isNull()
                                              ? HistorySource::Organisation(error)
                                              : DatabaseUrl::Parse(options.database, error);
    if (!database) {
        PrintError(error.isEmpty() ? QStringLiteral("no database is set: give --database URL")
                                   : error);
        return kFailed;
    }
    std::optional<AcceptanceLimits> limits;
    if (const QString path = ReportSettings::AcceptanceLimitsPath(); !path.isEmpty()) {
        limits = AcceptanceLimits::Load(path, error);
    }
    const RecordPush::Result result =
        RecordPush::Push(*database, RecordFolder::Default(), limits ? &*limits : nullptr);
    for (const QString& note : result.notes) {
        PrintError(note);
    }
    if (!result.error.isEmpty()) {
        PrintError(result.error);
        return kUnreachable;
    }
    std::printf("%s\n", qPrintable(result.Summary()));
    return kInOrder;
}

}  // namespace cli
