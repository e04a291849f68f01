#include "cli/SurveyCommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/LateReplyNotes.h"
#include "app/ProgramStart.h"
#include "app/TerminationSignals.h"
#include "app/VisitEvents.h"
#include "app/survey/SensorSurvey.h"
#include "app/survey/SurveyEvent.h"
#include "cli/CardSearch.h"
#include "cli/ExitStatus.h"
#include "cli/LineLossWatch.h"
#include "cli/SurveyOutput.h"
#include "ports/PortManager.h"
#include "ports/PortManagerImpl.h"
#include "protocol/InstrumentLink.h"
#include "record/AcceptanceLimits.h"
#include "record/RecordFolder.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"
#include "report/ReportSettings.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kSurveyReplyWait{1000};

void PrintError(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// The text on the standard output, flushed: empty when all of it was written, else why not.
QString WriteOut(const QByteArray& text) {
    errno = 0;
    const bool written = std::fputs(text.constData(), stdout) >= 0 && std::fflush(stdout) == 0 &&
                         std::ferror(stdout) == 0;
    if (written) {
        return {};
    }
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno))
                      : QStringLiteral("write error");
}

// Why the closing "N" leaves the card's mode unknown; empty when the card confirmed it.
QString NotBackOnlineCause(const QJsonObject& leaving) {
    if (leaving.value(QStringLiteral("confirmed")).toBool()) {
        return {};
    }
    if (leaving.value(QStringLiteral("not_sent")).toBool()) {
        return QStringLiteral("\"N\" could not be sent");
    }
    if (leaving.value(QStringLiteral("no_response")).toBool()) {
        return QStringLiteral("\"N\" got no answer");
    }
    return QStringLiteral("its answer to \"N\" was \"%1\"")
        .arg(leaving.value(QStringLiteral("reply")).toString());
}

// The record of this run, in the records folder as the window keeps it; without a folder the
// survey goes on, as the window does.
void StartRecordFile(VisitRecord& record) {
    record.SetFailureHandler([](const QString& message) { PrintError(message); });
    if (const QString error = record.WriteTo(RecordFolder::Default()); !error.isEmpty()) {
        PrintError(error + QStringLiteral(" The survey goes on without a service record."));
    }
}

// How long the card took, when that was past the first wait.
void TellSlowCard(const SurveyReplies& replies) {
    if (replies.slowestReply <= kSurveyReplyWait) {
        return;
    }
    PrintError(QStringLiteral("The card took up to %1 s to answer; the survey waited up to %2 s "
                              "for each reply.")
                   .arg(static_cast<double>(replies.slowestReply.count()) / 1000.0, 0, 'f', 1)
                   .arg(static_cast<double>(replies.lastWait.count()) / 1000.0, 0, 'f', 1));
}

// Reads the card on the event loop: the replies arrive while the loop runs, and so does a
// termination signal, which cancels the survey, and the loss of the line, which ends it. True
// when the survey ran to its end.
bool ReadCard(InstrumentLink& link, VisitRecord& record, bool& interrupted, SensorSurvey*& running,
              std::chrono::milliseconds& replyWait) {
    SensorSurvey survey(link, kSurveyReplyWait);
    // A signal during the search is handled here, before the first query goes out.
    QCoreApplication::processEvents();
    if (interrupted) {
        return false;
    }
    const QString portName = QString::fromStdString(link.PortName());
    const LineLossWatch lineWatch(
        ProcessPortManager(), link.PortName(), survey, [&](const std::string& devicePath) {
            const QString device = QString::fromStdString(devicePath);
            record.Event("line_lost", {{"port", portName}, {"device", device}});
            PrintError(QStringLiteral("The line to the card on %1 (%2) was lost; the survey "
                                      "stops. Queries not yet sent are left out.")
                           .arg(portName, device));
            survey.LineLost();
        });
    QEventLoop loop;
    QObject::connect(&survey, &SensorSurvey::Finished, &loop, &QEventLoop::quit);
    if (!survey.Start()) {
        record.Event("refused", {{"command", "read_all_sensors"}});
        PrintError(QStringLiteral("The card's line refused the survey's first query."));
        return false;
    }
    running = &survey;
    loop.exec();
    running = nullptr;
    record.Event("survey", survey::EventValues(survey.Replies(), survey.WasCancelled(),
                                               survey.QueriesDone(), record.EventsBesideSamples()));
    TellSlowCard(survey.Replies());
    replyWait = std::max(replyWait, survey.Replies().lastWait);
    return !survey.WasCancelled() && !survey.Replies().lineLost;
}

// No card: a device refused to this user comes first, then one held elsewhere.
int NotFoundStatus(const std::vector<discovery::RefusedPort>& refused) {
    const auto any = [&refused](discovery::RefusedPort::Cause cause) {
        return std::any_of(
            refused.begin(), refused.end(),
            [cause](const discovery::RefusedPort& port) { return port.cause == cause; });
    };
    if (any(discovery::RefusedPort::Cause::kAccessRefused)) {
        return kAccessRefused;
    }
    return any(discovery::RefusedPort::Cause::kInUse) ? kLineInUse : kNoCard;
}

QJsonObject LastEvent(const QList<QJsonObject>& events, const QString& kind) {
    for (auto event = events.crbegin(); event != events.crend(); ++event) {
        if (event->value(QStringLiteral("event")).toString() == kind) {
            return *event;
        }
    }
    return {};
}

// A result that could not be written is a failure: nobody learns what the card holds.
int PrintSurvey(const VisitRecord& record, bool json) {
    const QList<QJsonObject> events = record.EventsBesideSamples();
    QJsonObject document = SurveyOutput::Document(LastEvent(events, QStringLiteral("discovery")),
                                                  LastEvent(events, QStringLiteral("survey")));
    // The record to give "merrowby report"; null when there is no file.
    const QString recordPath = record.FilePath();
    document.insert(QStringLiteral("record"),
                    recordPath.isEmpty() ? QJsonValue() : QJsonValue(recordPath));
    const QByteArray text = json ? QJsonDocument(document).toJson(QJsonDocument::Indented)
                                 : SurveyOutput::Table(document).toUtf8();
    if (const QString error = WriteOut(text); !error.isEmpty()) {
        PrintError(
            QStringLiteral("merrowby survey: the result could not be written: %1").arg(error));
        return kFailed;
    }
    return SurveyOutput::FindingCount(document) == 0 ? kInOrder : kFindings;
}

// The instrument's details as the report window records them, with the technician's full
// name as last given there.
void RecordDetails(VisitRecord& record, QJsonObject details) {
    if (details.isEmpty()) {
        return;
    }
    for (const char* field :
         {"model", "serial_number", "asset_number", "customer", "site", "reason"}) {
        if (!details.contains(QLatin1String(field))) {
            details.insert(QLatin1String(field), QString());
        }
    }
    details.insert(QStringLiteral("technician"), ReportSettings::Technician());
    record.Event("report_details", details);
}

// "--model" and the like: the field of "report_details" each sets.
constexpr std::array<std::pair<const char*, const char*>, 5> kDetailOptions{{
    {"--model", "model"},
    {"--serial-number", "serial_number"},
    {"--asset-number", "asset_number"},
    {"--customer", "customer"},
    {"--site", "site"},
}};

// An option with its value as "--name VALUE" or "--name=VALUE"; false when `argument` is not
// `name`. A missing value is an error.
bool TakeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString& value,
               QString& error) {
    const QString& argument = arguments[i];
    if (argument.startsWith(name + QLatin1Char('='))) {
        value = argument.mid(name.size() + 1);
        return true;
    }
    if (argument != name) {
        return false;
    }
    if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        error = QStringLiteral("%1 needs a value").arg(name);
    }
    return true;
}

// A detail option's value taken into the details; false when `arguments[i]` is none.
bool TakeDetail(const QStringList& arguments, qsizetype& i, SurveyCommand::Options& options) {
    for (const auto& [option, field] : kDetailOptions) {
        QString value;
        if (TakeValue(arguments, i, QLatin1String(option), value, options.error)) {
            options.details.insert(QLatin1String(field), value.trimmed());
            return true;
        }
    }
    return false;
}

// The acceptance limits named, for the model named; the reason in error when they cannot be
// held against it.
std::optional<AcceptanceLimits> LoadLimits(const SurveyCommand::Options& options, QString& error) {
    std::optional<AcceptanceLimits> limits = AcceptanceLimits::Load(options.limits, error);
    if (!limits) {
        return std::nullopt;
    }
    const QString model = options.details.value(QStringLiteral("model")).toString();
    if (model.isEmpty()) {
        error = QStringLiteral("--limits needs --model: the limits are held against a model's.");
        return std::nullopt;
    }
    if (limits->ForModel(model) == nullptr) {
        error = QStringLiteral("The acceptance limits %1 name no model \"%2\".")
                    .arg(options.limits, model);
        return std::nullopt;
    }
    return limits;
}

int Survey(const SurveyCommand::Options& options, const std::optional<AcceptanceLimits>& limits) {
    VisitRecord record(VisitRecord::Origin{QStringLiteral(MERROWBY_VERSION),
                                           VisitRecord::UserName(), QSysInfo::machineHostName()});
    RecordDetails(record, options.details);
    if (limits) {
        // Before the survey, which is judged against them.
        record.Event("acceptance_limits", limits->RecordValues());
    }
    // Who issues the reports, as the report window keeps it: the visit's record names it.
    if (const Issuer issuer = ReportSettings::KeptIssuer(); !issuer.IsEmpty()) {
        record.Event("issuer", issuer.Fields());
    }
    StartRecordFile(record);
    bool interrupted = false;
    SensorSurvey* running = nullptr;
    // Held until the card is back online: a signal meanwhile is only noted.
    const TerminationSignals terminationSignals([&](int) {
        interrupted = true;
        if (running != nullptr) {
            running->Cancel();
        }
    });

    int status = kFailed;
    // A signal during the search ends it before the next port.
    CardSearch::Result found = CardSearch::Run([&interrupted] {
        QCoreApplication::processEvents();
        return interrupted;
    });
    if (!found.link && interrupted) {
        PrintError(QStringLiteral("Interrupted before a card was found."));
    } else if (!found.link) {
        record.Event("not_found", {{"message", found.message}, {"port", ""}, {"device", ""}});
        PrintError(found.message);
        status = NotFoundStatus(found.refused);
    } else {
        record.Event("discovery", {{"port", found.port},
                                   {"device", found.device},
                                   {"lines", QJsonArray::fromStringList(found.lines)}});
        NoteLateReplies(*found.link, &record);
        // A card slower than the wait is given as long to answer the go-online.
        std::chrono::milliseconds replyWait = kSurveyReplyWait;
        const bool read = ReadCard(*found.link, record, interrupted, running, replyWait);
        const QJsonObject leaving = visit::LeavingValues(
            found.link->PutBackOnline(static_cast<std::uint32_t>(replyWait.count())));
        record.Event("go_online", leaving);
        found.link.reset();
        const QString notBackOnline = NotBackOnlineCause(leaving);
        const QString mayBeOffline =
            QStringLiteral("did not confirm that it is back online (%1): it may still be offline.")
                .arg(notBackOnline);
        if (read) {
            status = PrintSurvey(record, options.json);
        } else if (LastEvent(record.EventsBesideSamples(), QStringLiteral("survey"))
                       .value(QStringLiteral("line_lost"))
                       .toBool()) {
            PrintSurvey(record, options.json);  // what came before the loss; still a failure
        }
        if (!read && interrupted) {
            PrintError(notBackOnline.isEmpty()
                           ? QStringLiteral("Interrupted; the card is back online.")
                           : QStringLiteral("Interrupted; the card ") + mayBeOffline);
        } else if (!notBackOnline.isEmpty()) {
            PrintError(QStringLiteral("The card ") + mayBeOffline);
            status = kFailed;
        }
    }
    GetPortManager()->CloseAll();
    record.Event("exit", {});
    if (const QString unwritten = record.Finish(RecordWriter::kExitWait); !unwritten.isEmpty()) {
        PrintError(unwritten);
    }
    if (!record.FilePath().isEmpty()) {
        PrintError(QStringLiteral("Service record: %1").arg(record.FilePath()));
    }
    return status;
}

}  // namespace

SurveyCommand::Options SurveyCommand::Parse(const QStringList& arguments) {
    Options options;
    const QString portOption = QStringLiteral("--port");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--json")) {
            options.json = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.help = true;
        } else if (TakeValue(arguments, i, QStringLiteral("--limits"), options.limits,
                             options.error)) {
            if (!options.error.isEmpty()) {
                return options;
            }
        } else if (TakeDetail(arguments, i, options)) {
            if (!options.error.isEmpty()) {
                return options;
            }
        } else if (argument == portOption || argument.startsWith(portOption + QLatin1Char('='))) {
            QString value;
            if (argument != portOption) {
                value = argument.mid(portOption.size() + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                options.error = QStringLiteral("--port needs a value, NAME=DEVICE");
                return options;
            }
            options.error = CommandLine::TakePort(value, options.ports);
            if (!options.error.isEmpty()) {
                return options;
            }
        } else {
            options.error = QStringLiteral("unexpected argument \"%1\"").arg(argument);
            return options;
        }
    }
    return options;
}

QString SurveyCommand::HelpText() {
    return QStringLiteral(
        "Usage: merrowby survey [--port NAME=DEVICE ...] [--model M --serial-number S]\n"
        "                       [--asset-number A] [--customer C] [--site S]\n"
        "                       [--limits FILE] [--json]\n"
        "\n"
        "Finds the sensor card on COM1 to COM4 as the window does, reads the status and each\n"
        "sensor's voltage, current and trip point once, puts the card back online and prints\n"
        "the readings. Needs no display. The visit goes to the service record as the\n"
        "window's does; the record's file is named on the standard error (and as \"record\"\n"
        "in the JSON), for \"merrowby report\".\n"
        "\n"
        "Options:\n"
        "  --port NAME=DEVICE  use DEVICE for the port NAME (COM1 to COM4); repeatable\n"
        "  --model M, --serial-number S, --asset-number A, --customer C, --site S\n"
        "                      the instrument and the visit, recorded as the service\n"
        "                      report window records them (see merrowby history)\n"
        "  --limits FILE       hold the values against the acceptance limits (JSON, as\n"
        "                      \"Acceptance Limits...\" takes them) of the model given with\n"
        "                      --model: a value outside its limits is a finding; the\n"
        "                      limits go into the service record\n"
        "  --json              print one JSON document instead of the table\n"
        "  -h, --help          this text\n"
        "\n"
        "Exit status: 0 every sensor in order, 3 findings, 2 no card found, 5 no port\n"
        "opened and access to a serial device refused (the group dialout), 6 no port opened\n"
        "and a serial device in use by another program, 1 any other error: an interrupted\n"
        "survey, a card that did not confirm it is back online (it may still be offline), a\n"
        "line lost during the survey, a result that could not be written, a --limits file\n"
        "that cannot be used or names no --model.\n");
}

int SurveyCommand::Run(int argc, char** argv) {
    const QStringList arguments = CommandLine::Arguments(argc, argv).mid(2);
    const Options options = Parse(arguments);
    if (!options.error.isEmpty()) {
        PrintError(
            QStringLiteral("merrowby survey: %1 (see merrowby survey --help)").arg(options.error));
        return kFailed;
    }
    if (options.help) {
        if (const QString error = WriteOut(HelpText().toUtf8()); !error.isEmpty()) {
            PrintError(
                QStringLiteral("merrowby survey: the help could not be written: %1").arg(error));
            return kFailed;
        }
        return kInOrder;
    }
    std::optional<AcceptanceLimits> limits;
    if (!options.limits.isEmpty()) {
        QString error;
        limits = LoadLimits(options, error);
        if (!limits) {
            PrintError(QStringLiteral("merrowby survey: %1").arg(error));
            return kFailed;
        }
    }
    CommandLine portChoice;
    portChoice.ports = options.ports;
    ConfigurePortMapping(portChoice);
    // The event loop of the replies; no window system is started.
    QCoreApplication application(argc, argv);
    UseCNumberFormat();
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(portChoice);
    return Survey(options, limits);
}

}  // namespace cli
