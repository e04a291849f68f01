#include "report/ReportHtml.h"

#include <QXmlStreamWriter>

#include "report/ServiceReport.h"

namespace {

using Reading = ServiceReport::Reading;

QString DateTimeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

// Far beyond any value the card or the program gives; a longer one comes from a damaged or
// foreign record and would only slow the layout down.
constexpr qsizetype kMostShownCharacters = 1000;

QString Shown(const QString& text) {
    if (text.size() <= kMostShownCharacters) {
        return text;
    }
    return text.left(kMostShownCharacters) +
           QStringLiteral(" [%1 more characters]").arg(text.size() - kMostShownCharacters);
}

// "2026-12-08 11:40:51 UTC+01:00": the visit's start and end.
QString ZonedText(const QDateTime& time) {
    return time.isValid() ? DateTimeText(time) + QLatin1Char(' ') + time.timeZoneAbbreviation()
                          : QString();
}

// The times of a visit's events: the time of day, with the date too when the visit went past
// midnight, and with the zone too when the offset changed during the visit.
class TimeStyle {
  public:
    explicit TimeStyle(const ServiceReport& report)
        : withDate_(report.started.date() != report.ended.date()),
          withZone_(report.started.offsetFromUtc() != report.ended.offsetFromUtc()) {}

    QString Text(const QDateTime& time) const {
        if (!time.isValid()) {
            return {};
        }
        if (withZone_) {
            return ZonedText(time);
        }
        return withDate_ ? DateTimeText(time) : time.toString(QStringLiteral("HH:mm:ss"));
    }

  private:
    bool withDate_;
    bool withZone_;
};

class Writer {
  public:
    Writer(QString* out, const ServiceReport& report) : xml_(out), times_(report) {
        xml_.setAutoFormatting(true);
    }

    QString TimeText(const QDateTime& time) const { return times_.Text(time); }

    QXmlStreamWriter& Xml() { return xml_; }

    void Element(const char* name, const QString& text) {
        xml_.writeTextElement(QLatin1String(name), Shown(text));
    }

    void Row(const QStringList& cells, const char* cellName = "td") {
        xml_.writeStartElement(QStringLiteral("tr"));
        for (const QString& cell : cells) {
            Element(cellName, cell);
        }
        xml_.writeEndElement();
    }

    // Text whose line ends stay line ends, in full (the notes).
    void Lines(const char* name, const QString& text) {
        xml_.writeStartElement(QLatin1String(name));
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                xml_.writeEmptyElement(QStringLiteral("br"));
            }
            xml_.writeCharacters(lines[i]);
        }
        xml_.writeEndElement();
    }

    void StartTable(const QStringList& headings) {
        xml_.writeStartElement(QStringLiteral("table"));
        xml_.writeAttribute(QStringLiteral("border"), QStringLiteral("1"));
        xml_.writeAttribute(QStringLiteral("cellpadding"), QStringLiteral("3"));
        xml_.writeAttribute(QStringLiteral("cellspacing"), QStringLiteral("0"));
        if (!headings.isEmpty()) {
            Row(headings, "th");
        }
    }

    void EndTable() { xml_.writeEndElement(); }

    // A reading's cell: the value, and its time on a line of its own.
    void ReadingCell(const std::optional<Reading>& reading) {
        xml_.writeStartElement(QStringLiteral("td"));
        if (reading) {
            xml_.writeCharacters(Shown(reading->text));
            xml_.writeEmptyElement(QStringLiteral("br"));
            xml_.writeStartElement(QStringLiteral("small"));
            xml_.writeCharacters(TimeText(reading->time));
            xml_.writeEndElement();
        }
        xml_.writeEndElement();
    }

  private:
    QXmlStreamWriter xml_;
    const TimeStyle times_;
};

void WriteHeader(Writer& w, const ServiceReport& report) {
    w.Element("h1", QStringLiteral("Service Report"));
    for (const QString& note : report.readNotes) {
        w.Element("p", QStringLiteral("Note: ") + note);
    }
    w.StartTable({});
    w.Row({QStringLiteral("Date"), report.started.isValid()
                                       ? report.started.toString(QStringLiteral("yyyy-MM-dd"))
                                       : QString()});
    w.Row({QStringLiteral("Started"), ZonedText(report.started)});
    w.Row({QStringLiteral("Ended"), ZonedText(report.ended)});
    w.Row({QStringLiteral("Card left"), report.cardLeft});
    w.Row({QStringLiteral("Card"), report.identity});
    w.Row({QStringLiteral("Port"), report.port});
    w.Row({QStringLiteral("Device"), report.device});
    w.Row({QStringLiteral("Program"), QStringLiteral("Merrowby ") + report.programVersion});
    w.Row({QStringLiteral("Technician"), report.user});
    w.Row({QStringLiteral("Computer"), report.host});
    w.Xml().writeStartElement(QStringLiteral("tr"));
    w.Element("td", QStringLiteral("Notes"));
    w.Lines("td", report.notes);
    w.Xml().writeEndElement();
    w.EndTable();
}

void WriteReadings(
    Writer& w, const char* title,
    const std::array<ServiceReport::SensorReadings, ServiceReport::kSensorCount>& readings) {
    w.Element("h2", QLatin1String(title));
    w.StartTable({QStringLiteral("Sensor"), QStringLiteral("Voltage"), QStringLiteral("Current"),
                  QStringLiteral("Trip point"), QStringLiteral("Power level"),
                  QStringLiteral("Status")});
    for (int sensor = 0; sensor < ServiceReport::kSensorCount; ++sensor) {
        const ServiceReport::SensorReadings& r = readings[sensor];
        w.Xml().writeStartElement(QStringLiteral("tr"));
        w.Element("td", QString::number(sensor));
        w.ReadingCell(r.voltage);
        w.ReadingCell(r.current);
        w.ReadingCell(r.tripPoint);
        w.ReadingCell(r.powerLevel);
        w.ReadingCell(r.status);
        w.Xml().writeEndElement();
    }
    w.EndTable();
}

void WriteChanges(Writer& w, const char* title, const std::vector<ServiceReport::Change>& changes) {
    w.Element("h2", QLatin1String(title));
    if (changes.empty()) {
        w.Element("p", QStringLiteral("None."));
        return;
    }
    w.StartTable({QStringLiteral("Time"), QStringLiteral("What"), QStringLiteral("Before"),
                  QStringLiteral("Reply")});
    for (const ServiceReport::Change& change : changes) {
        w.Row({w.TimeText(change.time), change.what, change.before, change.reply});
    }
    w.EndTable();
}

void WriteLineBreaks(Writer& w, const std::vector<ServiceReport::LineBreak>& breaks) {
    w.Element("h2", QStringLiteral("Line interruptions"));
    if (breaks.empty()) {
        w.Element("p", QStringLiteral("None."));
        return;
    }
    w.StartTable({QStringLiteral("Lost"), QStringLiteral("Back"), QStringLiteral("Device")});
    for (const ServiceReport::LineBreak& lineBreak : breaks) {
        const bool renamed = lineBreak.back.isValid() && lineBreak.backDevice != lineBreak.device;
        w.Row({w.TimeText(lineBreak.lost),
               lineBreak.back.isValid() ? w.TimeText(lineBreak.back) : QStringLiteral("(not back)"),
               renamed
                   ? QStringLiteral("%1, back as %2").arg(lineBreak.device, lineBreak.backDevice)
                   : lineBreak.device});
    }
    w.EndTable();
}

void WriteTimingTests(Writer& w, const ServiceReport& report) {
    for (std::size_t i = 0; i < report.timingTests.size(); ++i) {
        const ServiceReport::TimingTest& test = report.timingTests[i];
        w.Element("h2", QStringLiteral("Timing test %1").arg(i + 1));
        w.Element("p", QStringLiteral("Tube: %1. From %2 to %3.")
                           .arg(test.tube, w.TimeText(test.start), w.TimeText(test.end)));
        w.StartTable({QStringLiteral("Interval (s)"), QStringLiteral("Slot 0"),
                      QStringLiteral("Slot 1"), QStringLiteral("Slot 2"),
                      QStringLiteral("Slot 3")});
        for (const ServiceReport::TimingTest::Row& row : test.rows) {
            w.Row(
                {row.interval, row.readings[0], row.readings[1], row.readings[2], row.readings[3]});
        }
        w.EndTable();
    }
}

void WriteDumps(Writer& w, const ServiceReport& report, const ReportHtml::PictureSource& picture) {
    for (std::size_t i = 0; i < report.dumps.size(); ++i) {
        const ServiceReport::Dump& dump = report.dumps[i];
        w.Element("h2", QStringLiteral("Sensor current dump %1").arg(i + 1));
        QString summary =
            QStringLiteral("Tube: %1. From %2 to %3. %4 samples. Spread limit %5 mA.")
                .arg(dump.tube, w.TimeText(dump.start),
                     dump.ended ? w.TimeText(dump.end) : QStringLiteral("(not ended)"))
                .arg(dump.samples)
                .arg(QString::number(dump.spreadLimit, 'f', 3));
        if (!dump.file.isEmpty()) {
            summary += QStringLiteral(" Dump file: %1.").arg(dump.file);
        }
        w.Element("p", summary);
        w.StartTable({QStringLiteral("Sensor"), QStringLiteral("Max (mA)"),
                      QStringLiteral("Min (mA)"), QStringLiteral("Spread lamp")});
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            w.Row({QString::number(dump.firstSensor + c),
                   dump.ended ? QString::number(dump.maximum[c], 'f', 3) : QString(),
                   dump.ended ? QString::number(dump.minimum[c], 'f', 3) : QString(),
                   dump.lampLit[c] ? QStringLiteral("lit") : QStringLiteral("off")});
        }
        w.EndTable();
        w.Xml().writeStartElement(QStringLiteral("p"));
        w.Xml().writeEmptyElement(QStringLiteral("img"));
        w.Xml().writeAttribute(QStringLiteral("src"), picture(i));
        w.Xml().writeAttribute(QStringLiteral("alt"),
                               QStringLiteral("Sensor currents of dump %1").arg(i + 1));
        w.Xml().writeAttribute(QStringLiteral("width"), QStringLiteral("600"));
        w.Xml().writeEndElement();
    }
}

}  // namespace

QString ReportHtml::Render(const ServiceReport& report, const PictureSource& picture,
                           bool withDeclaration) {
    QString out;
    Writer w(&out, report);
    QXmlStreamWriter& xml = w.Xml();
    if (withDeclaration) {
        xml.writeStartDocument();
    }
    xml.writeStartElement(QStringLiteral("html"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/1999/xhtml"));
    xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("en"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("en"));
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeEmptyElement(QStringLiteral("meta"));
    xml.writeAttribute(QStringLiteral("charset"), QStringLiteral("UTF-8"));
    w.Element("title", QStringLiteral("Service Report ") + DateTimeText(report.started));
    // A long word breaks anywhere rather than widening its table past the page.
    w.Element("style", QStringLiteral("td, th, p { overflow-wrap: anywhere; }"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
    WriteHeader(w, report);
    WriteReadings(w, "As found", report.asFound);
    WriteReadings(w, "As left", report.asLeft);
    WriteChanges(w, "Changes", report.changes);
    WriteChanges(w, "No reply or refused", report.unanswered);
    WriteChanges(w, "Replies that did not confirm", report.unconfirmed);
    WriteLineBreaks(w, report.lineBreaks);
    WriteTimingTests(w, report);
    WriteDumps(w, report, picture);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}
