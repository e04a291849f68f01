#pragma once

#include <QString>
#include <QStringList>

namespace cli {

// "merrowby records push": this computer's service records sent to the organisation's
// database, each that it lacks or that grew since it was sent.
class RecordsCommand {
  public:
    struct Options {
        QString database;  // the URL given; null: the settings'
        bool help = false;
        QString error;
    };

    static Options Parse(const QStringList& arguments);
    static QString HelpText();
    // argv[1] is "records"; 0 sent, 1 bad input, 2 the database cannot be reached or written.
    static int Run(int argc, char** argv);
};

}  // namespace cli
