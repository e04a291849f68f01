#include "app/CommandLine.h"

#include <sys/stat.h>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "app/QtOptions.h"
#include "platform/DeviceProbe.h"
#include "ports/PortManagerImpl.h"

namespace {

const QString kPortOption = QStringLiteral("port");
const QString kListPortsOption = QStringLiteral("list-ports");
const QString kTraceOption = QStringLiteral("trace");

// What the help says after the options: where else the ports and the trace come from.
const char* const kHelpEpilogue =
    "\n"
    "Subcommands (no window, no display needed; each has its own --help):\n"
    "  survey [--port NAME=DEVICE ...] [--json]\n"
    "                     find the card, read all its sensors, put it back online\n"
    "                     and print the readings (exit status 0 in order, 3 findings,\n"
    "                     2 no card, 1 other error)\n"
    "  report RECORD.jsonl --output FILE.pdf|FILE.html\n"
    "                     write the service report of a record\n"
    "  history [SERIAL [--json | --csv]]\n"
    "                     the instruments of the recorded visits, or one instrument's\n"
    "                     visits with drift and trend\n"
    "\n"
    "Qt's own options (-platform, -style, -session and the others) are accepted too;\n"
    "--help-all lists them.\n"
    "\n"
    "Environment:\n"
    "  MERROWBY_COM1 to MERROWBY_COM4,\n"
    "  MERROWBY_LPT1 to MERROWBY_LPT3  the device of that port name, e.g.\n"
    "                                  MERROWBY_COM1=/dev/ttyUSB0; --port overrides it\n"
    "  MERROWBY_TRACE                  a file to append the trace to, as --trace\n"
    "  QT_QPA_PLATFORM                 the Qt platform plugin; offscreen runs the\n"
    "                                  window without a display\n"
    "\n"
    "Files:\n"
    "  ~/.config/merrowby/merrowby.conf  the saved settings (under $XDG_CONFIG_HOME\n"
    "                                    when that is set); its group [ports] holds\n"
    "                                    one NAME=DEVICE line per port name\n"
    "\n"
    "A port's device comes from the first of: --port, the environment, the settings\n"
    "file, the default (for COM1 to COM4 the serial devices present; LPT1 to LPT3 are\n"
    "/dev/lp0 to /dev/lp2).\n";

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Sensor card maintenance utility."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        kPortOption,
        QStringLiteral("Use DEVICE for the port NAME (COM1 to COM4, LPT1 to LPT3); repeatable."),
        QStringLiteral("NAME=DEVICE")));
    parser.addOption(QCommandLineOption(
        kListPortsOption,
        QStringLiteral("Show which device each port name stands for, and exit.")));
    parser.addOption(QCommandLineOption(
        kTraceOption, QStringLiteral("Append a trace of what goes over the ports to FILE."),
        QStringLiteral("FILE")));
}

CommandLine Failure(const QString& error) {
    CommandLine result;
    result.action = CommandLine::Action::Fail;
    result.error = error;
    return result;
}

// The reason a --port value cannot be used, or an empty text.
QString PortProblem(const QString& value, std::string& name, std::string& device) {
    const qsizetype equals = value.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return QStringLiteral("expected NAME=DEVICE, e.g. COM1=/dev/ttyUSB0");
    }
    name = PortManagerImpl::NormaliseName(value.left(equals).toStdString());
    device = value.mid(equals + 1).toStdString();
    if (!DeviceMapping::IsKnownName(name)) {
        return QStringLiteral("unknown port name \"%1\" (COM1 to COM4, LPT1 to LPT3)")
            .arg(value.left(equals));
    }
    const QString shown = value.mid(equals + 1);
    if (device.empty()) {
        return QStringLiteral("the device is missing after \"=\" (e.g. %1=/dev/ttyUSB0)")
            .arg(value.left(equals));
    }
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return QStringLiteral("\"%1\" does not exist").arg(shown);
        }
        return QStringLiteral("\"%1\" cannot be examined (%2)")
            .arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!platform::IsCharacterDevice(device)) {
        return QStringLiteral("\"%1\" is not a character device").arg(shown);
    }
    return {};
}

}  // namespace

QStringList CommandLine::Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

QString CommandLine::TakePort(const QString& value, DeviceMapping::Table& ports) {
    std::string name;
    std::string device;
    const QString problem = PortProblem(value, name, device);
    if (!problem.isEmpty()) {
        return QStringLiteral("--port %1: %2").arg(value, problem);
    }
    ports[name] = device;
    return {};
}

CommandLine CommandLine::Parse(const QStringList& arguments) {
    const QtOptions qtOptions = QtOptions::TakeOut(arguments);
    if (!qtOptions.error.isEmpty()) {
        return Failure(qtOptions.error);
    }
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(qtOptions.ownArguments)) {
        return Failure(parser.errorText());
    }
    CommandLine result;
    result.platform = qtOptions.platform;
    result.display = qtOptions.display;
    for (const QString& value : parser.values(kPortOption)) {
        if (const QString error = TakePort(value, result.ports); !error.isEmpty()) {
            return Failure(error);
        }
    }
    result.traceFile = parser.value(kTraceOption);
    if (!parser.positionalArguments().isEmpty()) {
        return Failure(QStringLiteral("unexpected argument \"%1\"")
                           .arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = Action::ShowHelp;
        // Parsed before any application object exists, which would name the program.
        result.helpText = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                    QFileInfo(arguments.value(0)).fileName()) +
                          QLatin1String(kHelpEpilogue);
        if (parser.isSet(QStringLiteral("help-all"))) {
            result.helpText += QtOptions::HelpText();
        }
    } else if (parser.isSet(QStringLiteral("version"))) {
        result.action = Action::ShowVersion;
    } else if (parser.isSet(kListPortsOption)) {
        result.action = Action::ListPorts;
    }
    return result;
}
