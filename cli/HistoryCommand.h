#pragma once

#include <QString>
#include <QStringList>

namespace cli {

// "merrowby history": the instruments of the history index, or with a serial number that
// instrument's visits, as a table, JSON or CSV. The index is brought up to date from the
// records first (made anew when missing or damaged); or, with --database, the organisation's
// database answers, over every technician's visits.
class HistoryCommand {
  public:
    enum class Format { Table, Json, Csv };
    struct Options {
        QString serialNumber;  // empty: the list of instruments
        bool serialGiven = false;
        QString model;     // null: every model of the serial number
        QString database;  // the organisation's database URL; null: this computer's index
        Format format = Format::Json;
        bool help = false;
        QString error;
    };

    static Options Parse(const QStringList& arguments);
    static QString HelpText();
    // argv[1] is "history"; 0 done, 1 bad input, 2 no visit of the instrument.
    static int Run(int argc, char** argv);
};

}  // namespace cli
