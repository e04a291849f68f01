#include "cli/SurveyCommand.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>

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
#include "cli/SurveyOutput.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "record/RecordFolder.h"
#include "record/RecordWriter.h"
#include "record/VisitRecord.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds kSurveyReplyWait{1000};

void PrintError(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// The record of this run, in the records folder as the window keeps it; without a folder the
// survey goes on, as the window does.
void StartRecordFile(VisitRecord& record) {
    record.SetFailureHandler([](const QString& message) { PrintError(message); });
    if (const QString error = record.WriteTo(RecordFolder::Default()); !error.isEmpty()) {
        PrintError(error + QStringLiteral(" The survey goes on without a service record."));
    }
}

// Reads the card on the event loop: the replies arrive while the loop runs, and so does a
// termination signal, which cancels the survey. True when the survey ran to its end.
bool ReadCard(InstrumentLink& link, VisitRecord& record, bool& interrupted,
              SensorSurvey*& running) {
    SensorSurvey survey(link, kSurveyReplyWait);
    // A signal during the search is handled here, before the first query goes out.
    QCoreApplication::processEvents();
    if (interrupted) {
        return false;
    }
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
    return !survey.WasCancelled();
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

int PrintSurvey(const VisitRecord& record, bool json) {
    const QList<QJsonObject> events = record.EventsBesideSamples();
    QJsonObject document = SurveyOutput::Document(LastEvent(events, QStringLiteral("discovery")),
                                                  LastEvent(events, QStringLiteral("survey")));
    // The record to give "merrowby report"; null when there is no file.
    const QString recordPath = record.FilePath();
    document.insert(QStringLiteral("record"),
                    recordPath.isEmpty() ? QJsonValue() : QJsonValue(recordPath));
    if (json) {
        std::fputs(QJsonDocument(document).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        std::fputs(SurveyOutput::Table(document).toUtf8().constData(), stdout);
    }
    return SurveyOutput::FindingCount(document) == 0 ? kInOrder : kFindings;
}

int Survey(const SurveyCommand::Options& options) {
    VisitRecord record(VisitRecord::Origin{QStringLiteral(MERROWBY_VERSION),
                                           VisitRecord::UserName(), QSysInfo::machineHostName()});
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
        const bool read = ReadCard(*found.link, record, interrupted, running);
        const QJsonObject leaving = visit::LeavingValues(found.link->PutBackOnline());
        record.Event("go_online", leaving);
        found.link.reset();
        if (read) {
            status = PrintSurvey(record, options.json);
        } else if (interrupted) {
            PrintError(leaving.value(QStringLiteral("confirmed")).toBool()
                           ? QStringLiteral("Interrupted; the card is back online.")
                           : QStringLiteral("Interrupted; the card did not confirm that it is "
                                            "back online."));
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
        "Usage: merrowby survey [--port NAME=DEVICE ...] [--json]\n"
        "\n"
        "Finds the sensor card on COM1 to COM4 as the window does, reads the status and each\n"
        "sensor's voltage, current and trip point once, puts the card back online and prints\n"
        "the readings. Needs no display. The visit goes to the service record as the\n"
        "window's does; the record's file is named on the standard error (and as \"record\"\n"
        "in the JSON), for \"merrowby report\".\n"
        "\n"
        "Options:\n"
        "  --port NAME=DEVICE  use DEVICE for the port NAME (COM1 to COM4); repeatable\n"
        "  --json              print one JSON document instead of the table\n"
        "  -h, --help          this text\n"
        "\n"
        "Exit status: 0 every sensor in order, 3 findings, 2 no card found, 5 no port\n"
        "opened and access to a serial device refused (the group dialout), 6 no port opened\n"
        "and a serial device in use by another program, 1 any other error (an interrupted\n"
        "survey included).\n");
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
        std::fputs(qPrintable(HelpText()), stdout);
        return kInOrder;
    }
    CommandLine portChoice;
    portChoice.ports = options.ports;
    ConfigurePortMapping(portChoice);
    // The event loop of the replies; no window system is started.
    QCoreApplication application(argc, argv);
    UseCNumberFormat();
    const std::unique_ptr<trace::ProtocolTrace> trace = StartTrace(portChoice);
    return Survey(options);
}

}  // namespace cli
