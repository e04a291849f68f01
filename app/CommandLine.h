#pragma once

#include <QString>
#include <QStringList>

#include "ports/DeviceMapping.h"

// What the program was asked on its command line.
class CommandLine {
  public:
    enum class Action { RunWindow, ShowHelp, ShowVersion, ListPorts, Fail };

    // arguments: the program's name first, as in argv.
    static CommandLine Parse(const QStringList& arguments);
    static QStringList Arguments(int argc, char** argv);
    // Takes one --port value (NAME=DEVICE) into ports; the one-line reason when it cannot be
    // used ("--port COM9=/dev/ttyS0: unknown port name ..."), else an empty text.
    static QString TakePort(const QString& value, DeviceMapping::Table& ports);

    Action action = Action::RunWindow;
    QString error;     // one line, for Fail
    QString helpText;  // for ShowHelp
    DeviceMapping::Table ports;
    QString traceFile;  // empty: none asked for
    // Qt's own options, which QApplication reads from argv itself: the values of -platform
    // and -display, empty when not given.
    QString platform;
    QString display;
};
