#pragma once

#include <QString>
#include <QStringList>

class AcceptanceLimits;

#include "report/ServiceReport.h"

namespace cli {

// "merrowby report RECORD.jsonl --output FILE.pdf" (or .html): the service report of a record,
// rendered on the offscreen platform, so that no display is needed. A file that is no record
// or an output that cannot be written gets one line on the standard error and the status 1;
// an existing output file is then left as it was.
class ReportCommand {
  public:
    struct Options {
        QString record;
        QString output;
        QString limits;        // the acceptance limits file named; empty: the report window's
        QString authorisedBy;  // "NAME, ROLE"; empty: the record's authorisation, if any
        bool help = false;
        QString error;  // one line when the arguments cannot be used
    };

    // The arguments after "report".
    static Options Parse(const QStringList& arguments);
    static QString HelpText();
    // The report of the record at recordPath written to output, with the previous visit of
    // its instrument from the history index beside the record, judged against the limits given
    // (none: nothing is judged against limits): an empty text, else the line to show. Needs a
    // QApplication (the dumps' pictures are drawn with widgets). The document is issued: the
    // issue (and the issuer of the settings where the record names none) goes into the record;
    // one that cannot be recorded is told in `warning`.
    static QString Write(ServiceReport report, const QString& recordPath, const QString& output,
                         const AcceptanceLimits* limits = nullptr);
    static QString Write(ServiceReport report, const QString& recordPath, const QString& output,
                         const AcceptanceLimits* limits, QString& warning);
    // argv[1] is "report"; returns the exit status.
    static int Run(int argc, char** argv);
};

}  // namespace cli
