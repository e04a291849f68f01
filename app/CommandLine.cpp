#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

#include "platform/DeviceProbe.h"
#include "ports/PortManagerImpl.h"

namespace {

const QString kPortOption = QStringLiteral("port");
const QString kListPortsOption = QStringLiteral("list-ports");
const QString kTraceOption = QStringLiteral("trace");

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
    if (!platform::IsCharacterDevice(device)) {
        return QStringLiteral("\"%1\" is not a character device").arg(value.mid(equals + 1));
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

CommandLine CommandLine::Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        return Failure(parser.errorText());
    }
    CommandLine result;
    for (const QString& value : parser.values(kPortOption)) {
        std::string name;
        std::string device;
        const QString problem = PortProblem(value, name, device);
        if (!problem.isEmpty()) {
            return Failure(QStringLiteral("--port %1: %2").arg(value, problem));
        }
        result.ports[name] = device;
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
                                                    QFileInfo(arguments.value(0)).fileName());
    } else if (parser.isSet(QStringLiteral("version"))) {
        result.action = Action::ShowVersion;
    } else if (parser.isSet(kListPortsOption)) {
        result.action = Action::ListPorts;
    }
    return result;
}
