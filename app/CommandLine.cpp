#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/DeviceProbe.h"
#include "ports/PortManagerImpl.h"

namespace {

const QString kPortOption = QStringLiteral("port");
const QString kListPortsOption = QStringLiteral("list-ports");
const QString kTraceOption = QStringLiteral("trace");

// The options that QApplication (with QGuiApplication and the X11 platform plugin) takes from
// the command line itself. Each may be written with one dash or two; value is the name of its
// argument, empty for an option without one; joined: also accepted as -name=VALUE.
struct QtOption {
    const char* name;
    const char* value;
    bool joined;
    const char* description;
};

constexpr std::array kQtOptions{
    QtOption{"platform", "name[:options]", false, "Qt platform plugin (e.g. xcb, offscreen)"},
    QtOption{"platformpluginpath", "path", false, "where to look for platform plugins"},
    QtOption{"platformtheme", "theme", false, "platform theme"},
    QtOption{"plugin", "plugin", false, "an additional Qt plugin, e.g. an input device"},
    QtOption{"qmljsdebugger", "port:N[,block]", true, "QML debugging"},
    QtOption{"qwindowgeometry", "geometry", false, "geometry of the first window"},
    QtOption{"qwindowicon", "icon", false, "default window icon"},
    QtOption{"qwindowtitle", "title", false, "title of the first window"},
    QtOption{"reverse", "", false, "right-to-left layout"},
    QtOption{"session", "session", false, "restore from a session manager's session"},
    QtOption{"style", "style", true, "widget style (e.g. fusion)"},
    QtOption{"stylesheet", "file", true, "style sheet"},
    QtOption{"widgetcount", "", false, "report the widgets left at the end"},
    QtOption{"testability", "", false, "load the testability plugin"},
    QtOption{"display", "display", false, "X11: the X server to use (as DISPLAY)"},
    QtOption{"geometry", "geometry", false, "X11: as -qwindowgeometry"},
    QtOption{"title", "title", false, "X11: as -qwindowtitle"},
    QtOption{"icon", "icon", false, "X11: as -qwindowicon"},
    QtOption{"name", "name", false, "X11: the application's resource name"},
    QtOption{"visual", "visual", false, "X11: the visual id to use"},
    QtOption{"nograb", "", false, "X11: never grab the mouse or keyboard"},
    QtOption{"dograb", "", false, "X11: grab even under a debugger"},
    QtOption{"sync", "", false, "X11: synchronous X calls, for debugging"},
    QtOption{"ncols", "count", false, "X11 (earlier Qt): colours to allocate"},
    QtOption{"cmap", "", false, "X11 (earlier Qt): a private colour map"},
    QtOption{"fn", "font", false, "X11 (earlier Qt): application font"},
    QtOption{"font", "font", false, "X11 (earlier Qt): application font"},
    QtOption{"bg", "colour", false, "X11 (earlier Qt): background colour"},
    QtOption{"background", "colour", false, "X11 (earlier Qt): background colour"},
    QtOption{"fg", "colour", false, "X11 (earlier Qt): foreground colour"},
    QtOption{"foreground", "colour", false, "X11 (earlier Qt): foreground colour"},
    QtOption{"btn", "colour", false, "X11 (earlier Qt): button colour"},
    QtOption{"button", "colour", false, "X11 (earlier Qt): button colour"},
    QtOption{"im", "server", false, "X11 (earlier Qt): input method server"},
    QtOption{"inputstyle", "style", false, "X11 (earlier Qt): input style"},
    QtOption{"qdevel", "", false, "obsolete, ignored"},
    QtOption{"qdebug", "", false, "obsolete, ignored"},
};

// What is left of the arguments once Qt's own options (and their values) are taken out.
struct OwnArguments {
    QStringList arguments;
    QString platform;
    QString display;
    QString error;  // a Qt option without its value
};

// The Qt option an argument names, with the value it carries after "=", if any.
const QtOption* FindQtOption(const QString& argument, QString& joinedValue, bool& hasJoined) {
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-") ||
        argument == QLatin1String("--")) {
        return nullptr;
    }
    // Qt reads "--name" as "-name".
    const QString body = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    for (const QtOption& option : kQtOptions) {
        const QLatin1String name(option.name);
        if (body == name) {
            hasJoined = false;
            return &option;
        }
        if (option.joined && body.startsWith(name + QLatin1Char('='))) {
            hasJoined = true;
            joinedValue = body.mid(name.size() + 1);
            return &option;
        }
    }
    return nullptr;
}

OwnArguments TakeOutQtOptions(const QStringList& arguments) {
    OwnArguments own;
    own.arguments << arguments.value(0);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            own.arguments << arguments.mid(i);
            break;
        }
        QString value;
        bool joined = false;
        const QtOption* option = FindQtOption(argument, value, joined);
        if (option == nullptr) {
            own.arguments << argument;
            continue;
        }
        if (*option->value != '\0' && !joined) {
            if (i + 1 >= arguments.size()) {
                own.error = QStringLiteral("Missing value after '%1'.").arg(argument);
                return own;
            }
            value = arguments.at(++i);
        }
        if (std::strcmp(option->name, "platform") == 0) {
            own.platform = value;
        } else if (std::strcmp(option->name, "display") == 0) {
            own.display = value;
        }
    }
    return own;
}

QString QtOptionsHelp() {
    QString text = QStringLiteral("\nQt options (read by Qt itself, with one dash or two):\n");
    for (const QtOption& option : kQtOptions) {
        QString synopsis = QStringLiteral("-") + QLatin1String(option.name);
        if (*option.value != '\0') {
            synopsis += QStringLiteral(" <%1>").arg(QLatin1String(option.value));
        }
        text += QStringLiteral("  %1  %2\n").arg(synopsis, -30).arg(QLatin1String(option.description));
    }
    return text;
}

// What the help says after the options: where else the ports and the trace come from.
const char* const kHelpEpilogue =
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

CommandLine CommandLine::Parse(const QStringList& arguments) {
    const OwnArguments own = TakeOutQtOptions(arguments);
    if (!own.error.isEmpty()) {
        return Failure(own.error);
    }
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(own.arguments)) {
        return Failure(parser.errorText());
    }
    CommandLine result;
    result.platform = own.platform;
    result.display = own.display;
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
                                                    QFileInfo(arguments.value(0)).fileName()) +
                          QLatin1String(kHelpEpilogue);
        if (parser.isSet(QStringLiteral("help-all"))) {
            result.helpText += QtOptionsHelp();
        }
    } else if (parser.isSet(QStringLiteral("version"))) {
        result.action = Action::ShowVersion;
    } else if (parser.isSet(kListPortsOption)) {
        result.action = Action::ListPorts;
    }
    return result;
}
