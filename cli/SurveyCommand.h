#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "ports/DeviceMapping.h"

namespace cli {

// "merrowby survey [--port NAME=DEVICE ...] [--model M --serial-number S ...] [--limits FILE]
// [--json]": finds the
// card as the window does, reads it as "Read All Sensors" does, puts it back online and prints the
// readings, with no window system at all. The service record is written as the window writes it.
// SIGINT and SIGTERM end the survey and still put the card back online.
class SurveyCommand {
  public:
    struct Options {
        DeviceMapping::Table ports;
        // The instrument as the report window records it ("report_details"); empty when no
        // option names it.
        QJsonObject details;
        QString limits;  // the acceptance limits file; empty: none
        bool json = false;
        bool help = false;
        QString error;  // one line when the arguments cannot be used
    };

    // The arguments after "survey".
    static Options Parse(const QStringList& arguments);
    static QString HelpText();
    // argv[1] is "survey"; returns the exit status.
    static int Run(int argc, char** argv);
};

}  // namespace cli
