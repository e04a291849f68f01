#pragma once

#include <QString>
#include <QStringList>

// The options that QApplication reads from argv itself (with QGuiApplication and the X11
// platform plugin), with one dash or two, and their values: taken out of the arguments before
// the program's own options are parsed, and left in argv for QApplication.
class QtOptions {
  public:
    // arguments: the program's name first, as in argv.
    static QtOptions TakeOut(const QStringList& arguments);
    // One line per option, for --help-all.
    static QString HelpText();

    QStringList ownArguments;  // the program's name and every argument that is not Qt's
    QString platform;          // the value of -platform, empty when not given
    QString display;           // the value of -display, empty when not given
    QString error;             // one line, for a Qt option without its value
};
