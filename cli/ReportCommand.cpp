#include "cli/ReportCommand.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "app/CommandLine.h"
#include "app/ProgramStart.h"
#include "cli/ExitStatus.h"
#include "history/PreviousVisitSection.h"
#include "record/AcceptanceLimits.h"
#include "record/Authorisation.h"
#include "record/RecordAppender.h"
#include "report/ReportDocument.h"
#include "report/ReportIssuing.h"
#include "report/ReportSettings.h"
#include "report/ServiceReport.h"

namespace cli {

namespace {

struct ChosenLimits {
    std::optional<AcceptanceLimits> limits;
    QString error;    // the file named cannot be used: nothing is written
    QString warning;  // the window's file cannot be used: the report judges nothing
};

// The limits file named, or else the one the report window keeps in the settings. The
// window's file that cannot be used is passed over, as the window passes over it.
ChosenLimits ChooseLimits(const QString& named) {
    ChosenLimits chosen;
    const QString path = named.isEmpty() ? ReportSettings::AcceptanceLimitsPath() : named;
    if (path.isEmpty()) {
        return chosen;
    }
    QString error;
    chosen.limits = AcceptanceLimits::Load(path, error);
    if (!chosen.limits && !named.isEmpty()) {
        chosen.error = error;
    } else if (!chosen.limits) {
        chosen.warning = error + QStringLiteral(" Nothing is judged against acceptance limits.");
    }
    return chosen;
}

}  // namespace

ReportCommand::Options ReportCommand::Parse(const QStringList& arguments) {
    Options options;
    const QString outputOption = QStringLiteral("--output");
    const QString limitsOption = QStringLiteral("--limits");
    const QString authorisedOption = QStringLiteral("--authorised-by");
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
        } else if (argument == limitsOption) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a file name").arg(argument);
                return options;
            }
            options.limits = arguments[++i];
        } else if (argument.startsWith(limitsOption + QLatin1Char('='))) {
            options.limits = argument.mid(limitsOption.size() + 1);
        } else if (argument == authorisedOption) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs \"NAME, ROLE\"").arg(argument);
                return options;
            }
            options.authorisedBy = arguments[++i];
        } else if (argument.startsWith(authorisedOption + QLatin1Char('='))) {
            options.authorisedBy = argument.mid(authorisedOption.size() + 1);
        } else if (argument.startsWith(QLatin1Char('-')) || !options.record.isEmpty()) {
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return options;
        } else {
            options.record = argument;
        }
    }
    QString authorisationError;
    if (!options.authorisedBy.isEmpty() &&
        !Authorisation::Parse(options.authorisedBy, authorisationError)) {
        options.error = QStringLiteral("--authorised-by: %1").arg(authorisationError);
    } else if (!options.help && options.record.isEmpty()) {
        options.error = QStringLiteral("the record to report is missing");
    } else if (!options.help && options.output.isEmpty()) {
        options.error = QStringLiteral("--output FILE.pdf or --output FILE.html is missing");
    }
    return options;
}

QString ReportCommand::HelpText() {
    return QStringLiteral(
        "Usage: merrowby report RECORD.jsonl --output FILE.pdf|FILE.html [--limits FILE]\n"
        "                       [--authorised-by \"NAME, ROLE\"]\n"
        "\n"
        "Writes the service report of a visit's record, as \"Save As...\" of the report\n"
        "window does: a PDF, or an HTML page for an output ending in .html, .htm or .xhtml.\n"
        "Needs no display. The records are in ~/.local/share/merrowby/records.\n"
        "The As found and As left values are judged against the acceptance limits the\n"
        "record holds (those applied during the visit), else against those the report\n"
        "window uses (\"Acceptance Limits...\", kept in ~/.config/merrowby/merrowby.conf);\n"
        "--limits is used over both.\n"
        "The report is issued: its date of issue and revision (a new one where its\n"
        "content differs from the last issued) are recorded in the record, with the\n"
        "file's SHA-256, and so is the issuer of the settings where the record names none.\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE  the report to write, ending in .pdf, .html, .htm or .xhtml;\n"
        "                     an existing file is replaced only once the new one is whole,\n"
        "                     and never the record itself\n"
        "  --limits FILE      the acceptance limits (JSON) to judge against instead\n"
        "                     of the record's\n"
        "  --authorised-by \"NAME, ROLE\"\n"
        "                     who authorises the report, recorded with the time in the\n"
        "                     record; without it the record's authorisation holds\n"
        "  -h, --help         this text\n"
        "\n"
        "Exit status: 0 written, 1 not (the reason on the standard error).\n");
}

QString ReportCommand::Write(ServiceReport report, const QString& recordPath, const QString& output,
                             const AcceptanceLimits* limits) {
    QString warning;
    return Write(std::move(report), recordPath, output, limits, warning);
}

QString ReportCommand::Write(ServiceReport report, const QString& recordPath, const QString& output,
                             const AcceptanceLimits* limits, QString& warning) {
    PreviousVisitSection().AddTo(report, recordPath, limits);
    const bool issuerTaken = ReportIssuing::UseIssuer(report, ReportSettings::KeptIssuer());
    ReportIssuing::Prepare(report, QDateTime::currentDateTime());
    ReportDocument document(std::move(report));
    if (const QString error = document.SaveAs(output, {recordPath}); !error.isEmpty()) {
        return QStringLiteral("%1 could not be written: %2").arg(output, error);
    }
    const ServiceReport& issued = document.Report();
    QString error;
    if (issuerTaken) {
        error = RecordAppender::Append(recordPath, "issuer", issued.issuer.Fields(),
                                       issued.dateOfIssue);
    }
    if (error.isEmpty()) {
        error = RecordAppender::Append(recordPath, "report_issued",
                                       ReportIssues::Fields(ReportIssuing::Issued(issued, output)),
                                       issued.dateOfIssue);
    }
    if (!error.isEmpty()) {
        warning =
            QStringLiteral("the issue could not be recorded in %1: %2").arg(recordPath, error);
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
    const ChosenLimits chosen = ChooseLimits(options.limits);
    if (!chosen.error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(chosen.error));
        return kFailed;
    }
    QString error;
    // The limits named are used over those the record holds; the window's only where it
    // holds none.
    ServiceReport report =
        ServiceReport::FromRecord(options.record, chosen.limits ? &*chosen.limits : nullptr, error,
                                  !options.limits.isEmpty());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(error));
        return kFailed;
    }
    if (!chosen.warning.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(chosen.warning));
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
    if (!options.authorisedBy.isEmpty()) {
        QString parseError;
        report.authorisation = Authorisation::Parse(options.authorisedBy, parseError);
        report.authorisation->time = QDateTime::currentDateTime();
        if (const QString error =
                RecordAppender::Append(options.record, "authorisation",
                                       report.authorisation->Fields(), report.authorisation->time);
            !error.isEmpty()) {
            std::fprintf(stderr,
                         "merrowby report: the authorisation could not be recorded in %s: %s\n",
                         qPrintable(options.record), qPrintable(error));
            return kFailed;
        }
    }
    QString warning;
    if (const QString error = Write(std::move(report), options.record, options.output,
                                    chosen.limits ? &*chosen.limits : nullptr, warning);
        !error.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(error));
        return kFailed;
    }
    if (!warning.isEmpty()) {
        std::fprintf(stderr, "merrowby report: %s\n", qPrintable(warning));
    }
    return kInOrder;
}

}  // namespace cli
