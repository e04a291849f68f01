#include <QApplication>
#include <QTextDocument>
#include <cstdio>

#include "record/RecordReader.h"
#include "report/ReportDocument.h"
#include "report/ServiceReport.h"

namespace {

void PrintLine(const char* kind, const QString& text) {
    std::printf("%s %s\n", kind, text.toUtf8().constData());
}

}  // namespace

// merrowby-vm-report PATH: opens a service record as the report window does and prints
// what it holds: "EVENT kind" for each event read, then "NOTE text" for each note the report shows
// at its top; "ERROR text" and exit status 1 for a file that is no record.
int main(int argc, char** argv) {
    QApplication application(argc, argv);  // a dump's plot is drawn by a widget
    if (argc != 2) {
        std::fprintf(stderr, "usage: merrowby-vm-report RECORD\n");
        return 2;
    }
    const ReadRecord read = RecordReader::Read(QString::fromLocal8Bit(argv[1]));
    if (!read.IsRecord()) {
        PrintLine("ERROR", read.error);
        return 1;
    }
    for (const QJsonObject& event : read.events) {
        PrintLine("EVENT", event.value(QStringLiteral("event")).toString());
    }
    ReportDocument report(ServiceReport::FromEvents(read.events, read.notes));
    const QString prefix = QStringLiteral("Note: ");
    for (const QString& line : report.Document().toPlainText().split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix)) {
            PrintLine("NOTE", line.mid(prefix.size()).trimmed());
        }
    }
    return 0;
}
