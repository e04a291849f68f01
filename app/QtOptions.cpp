#include "app/QtOptions.h"

#include <array>
#include <cstring>

namespace {

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

}  // namespace

QtOptions QtOptions::TakeOut(const QStringList& arguments) {
    QtOptions taken;
    taken.ownArguments << arguments.value(0);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            taken.ownArguments << arguments.mid(i);
            break;
        }
        QString value;
        bool joined = false;
        const QtOption* option = FindQtOption(argument, value, joined);
        if (option == nullptr) {
            taken.ownArguments << argument;
            continue;
        }
        if (*option->value != '\0' && !joined) {
            if (i + 1 >= arguments.size()) {
                taken.error = QStringLiteral("Missing value after '%1'.").arg(argument);
                return taken;
            }
            value = arguments.at(++i);
        }
        if (std::strcmp(option->name, "platform") == 0) {
            taken.platform = value;
        } else if (std::strcmp(option->name, "display") == 0) {
            taken.display = value;
        }
    }
    return taken;
}

QString QtOptions::HelpText() {
    QString text = QStringLiteral("\nQt options (read by Qt itself, with one dash or two):\n");
    for (const QtOption& option : kQtOptions) {
        QString synopsis = QStringLiteral("-") + QLatin1String(option.name);
        if (*option.value != '\0') {
            synopsis += QStringLiteral(" <%1>").arg(QLatin1String(option.value));
        }
        text +=
            QStringLiteral("  %1  %2\n").arg(synopsis, -30).arg(QLatin1String(option.description));
    }
    return text;
}
