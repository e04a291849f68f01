#include "cli/ReportCommand.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "app/CommandLine.h"
#include "app/ProgramStart.h"
#include "cli/ExitStatus.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"

namespace cli {

ReportCommand::Options ReportCommand::Parse(const QStringList& arguments) {
    Options options;
    const QString outputOption = QStringLiteral("--output");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (argument == outputOption || argument == QStringLiteral("-o")) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a file name").arg(argument);
                return options;
            }
            options.output = arguments[++i];
        } else if (argument.startsWith(outputOption + QLatin1Char('='))) {
            options.output = argument.mid(outputOption.size() + 1);
        } else if (argument.startsWith(QLatin1Char('-')) || !options.record.isEmpty()) {
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return options;
        } else {
            options.record = argument;
        }
    }
    if (!options.help && options.record.isEmpty()) {
        options.error = QStringLiteral("the record to report is missing");
    } else if (!options.help && options.output.isEmpty()) {
        options.error = QStringLiteral("--output FILE.pdf or --output FILE.html is missing");
    }
    return options;
}

QString ReportCommand::HelpText() {
    return QStringLiteral(
        "Usage: merrowby report RECORD.jsonl --output FILE.pdf|FILE.html\n"
        "\n"
        "Writes the service report of a visit's record, as \"Save As...\" of the report\n"
        "window does: a PDF, or an HTML page for an output ending in .html, .htm or .xhtml.\n"
        "Needs no display. The records are in ~/.local/share/merrowby/records.\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE  the report to write, ending in .pdf, .html, .htm or .xhtml;\n"
        "                     an existing file is replaced only once the new one is whole,\n"
        "                     and never the record itself\n"
        "  -h, --help         this text\n"
        "\n"
        "Exit status: 0 written, 1 not (the reason on the standard error).\n");
}

QString ReportCommand::Write(ServiceReport report, const QString& recordPath,
                             const QString& output) {
    ReportDocument document(std::move(report));
    if (const QString error = document.SaveAs(output, {recordPath}); !error.isEmpty()) {
        return QStringLiteral("%1 could not be written: %2").arg(output, error);
    }
    return {};
}

int ReportCommand::Run(int argc, char** argv) {
    const Options options = Parse(CommandLine::Arguments(argc, argv).mid(2));
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s (see merrowby report --help)\n",
                     qPrintable(options.error));
        return kFailed;
    }
    if (options.help) {
        std::fputs(qPrintable(HelpText()), stdout);
        return kInOrder;
    }
    QString error;
    ServiceReport report = ServiceReport::FromRecord(options.record, nullptr, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(error));
        return kFailed;
    }
    // The report's pictures and its PDF are drawn off screen, whatever display there is. The
    // platform wants a runtime folder, which a shell outside a login session (su, cron) lacks.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<QTemporaryDir> runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder.emplace();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
    }
    QApplication application(argc, argv);
    UseCNumberFormat();
    if (const QString error = Write(std::move(report), options.record, options.output);
        !error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(error));
        return kFailed;
    }
    return kInOrder;
}

}  // namespace cli
