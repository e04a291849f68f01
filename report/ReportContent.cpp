#include "report/ReportContent.h"

#include <cstdlib>

#include "report/DumpPicture.h"
#include "report/ServiceReport.h"

const QString ReportContent::kNotGiven = QStringLiteral("not given");
const QString ReportContent::kEndMark = QStringLiteral("End of report");

namespace {

using Block = ReportContent::Block;
using Cell = ReportContent::Cell;
using Kind = ReportContent::Block::Kind;
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

// A value shown in a cell or a field: in part when very long, and never empty.
QString Value(const QString& text, const QString& missing = ReportContent::kNotGiven) {
    return text.trimmed().isEmpty() ? missing : Shown(text);
}

// "2026-12-08 11:40:51 UTC+01:00": the visit's start and end.
QString ZonedText(const QDateTime& time) {
    return time.isValid() ? DateTimeText(time) + QLatin1Char(' ') + time.timeZoneAbbreviation()
                          : QString();
}

// A date of issue with its offset from UTC, however the time was made.
QString IssueTimeText(const QDateTime& time) {
    return ZonedText(time.toOffsetFromUtc(time.offsetFromUtc()));
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

class Builder {
  public:
    Builder(const ServiceReport& report, ReportContent& content)
        : report_(report), content_(content), times_(report) {}

    void Build();

  private:
    Block& Add(Kind kind, const QString& text = {}) {
        Block block;
        block.kind = kind;
        block.text = text;
        // A heading stays with what it heads.
        block.keepWithNext = kind == Kind::Heading || kind == Kind::Title;
        content_.blocks.push_back(std::move(block));
        return content_.blocks.back();
    }
    void Heading(const QString& text) { Add(Kind::Heading, text); }
    Block& Paragraph(const QString& text, Block::Style style = Block::Style::Normal) {
        Block& block = Add(Kind::Paragraph, text);
        block.style = style;
        return block;
    }
    Block& Table(const QStringList& headings) {
        Block& block = Add(Kind::Table);
        block.headings = headings;
        return block;
    }
    QString Time(const QDateTime& time, const QString& missing = QStringLiteral("no time")) const {
        return time.isValid() ? times_.Text(time) : missing;
    }

    void Opening();
    void Issue();
    void Method();
    void Findings();
    void Acceptance();
    void Instrument();
    void Readings(bool asLeft);
    void PreviousVisit();
    void Changes(const QString& title, const std::vector<ServiceReport::Change>& changes);
    void LineBreaks();
    void TimingTests();
    void Dumps();
    void Closing();

    const ServiceReport& report_;
    ReportContent& content_;
    const TimeStyle times_;
};

void Builder::Build() {
    Opening();
    Findings();
    Acceptance();
    Instrument();
    Method();
    Readings(false);
    Readings(true);
    PreviousVisit();
    Changes(QStringLiteral("Changes"), report_.changes);
    Changes(QStringLiteral("No reply or refused"), report_.unanswered);
    Changes(QStringLiteral("Replies that did not confirm"), report_.unconfirmed);
    LineBreaks();
    TimingTests();
    Dumps();
    Closing();
}

void Builder::Opening() {
    content_.title = QStringLiteral("Service Report");
    content_.numberLine = QStringLiteral("Report number %1").arg(Value(report_.reportNumber));
    const ServiceReport::Details& details = report_.details;
    QStringList instrument;
    if (!details.model.trimmed().isEmpty()) {
        instrument << Shown(details.model.trimmed());
    }
    if (!details.serialNumber.trimmed().isEmpty()) {
        instrument << QStringLiteral("serial number %1").arg(Shown(details.serialNumber.trimmed()));
    }
    content_.instrumentLine = instrument.join(QStringLiteral(", "));

    Add(Kind::Title, content_.title);
    Paragraph(content_.numberLine, Block::Style::Strong);
    Issue();
    for (const QString& note : report_.readNotes) {
        Paragraph(QStringLiteral("Note: ") + note);
    }
    Heading(QStringLiteral("Summary"));
    Paragraph(report_.summary.trimmed().isEmpty() ? QStringLiteral("No summary was made.")
                                                  : report_.summary.trimmed());
}

// The head of the first page: whether the report is interim, who issues it, its date of issue
// and revision.
void Builder::Issue() {
    if (report_.underWay) {
        Paragraph(
            QStringLiteral("Interim report: the visit was under way when this report was made."),
            Block::Style::Strong);
    }
    const Issuer& issuer = report_.issuer;
    Block& fields = Add(Kind::Fields);
    const auto field = [&fields](const QString& name, const QString& value) {
        fields.rows.push_back({{name, {}}, {Value(value), {}}});
    };
    field(QStringLiteral("Issued by"), issuer.name);
    field(QStringLiteral("Address"),
          issuer.address.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QStringLiteral(", ")));
    field(QStringLiteral("Contact"), issuer.contact);
    if (!issuer.accreditation.trimmed().isEmpty()) {
        field(QStringLiteral("Accreditation or registration"), issuer.accreditation);
    }
    if (!report_.dateOfIssue.isValid()) {
        Paragraph(
            QStringLiteral("Not yet issued: the date of issue and the revision are given "
                           "when the report is saved or printed."));
        return;
    }
    field(QStringLiteral("Date of issue"), IssueTimeText(report_.dateOfIssue));
    const ReportIssues::Revision& revision = report_.revision;
    Paragraph(revision.supersedes ? QStringLiteral("Revision %1, supersedes revision %2 of %3.")
                                        .arg(revision.number)
                                        .arg(*revision.supersedes)
                                        .arg(Value(IssueTimeText(revision.supersededIssued),
                                                   QStringLiteral("no date")))
                                  : QStringLiteral("Revision %1.").arg(revision.number),
              Block::Style::Strong);
}

void Builder::Findings() {
    Heading(QStringLiteral("Findings"));
    if (report_.findings.empty()) {
        Paragraph(QStringLiteral("None."));
        return;
    }
    // Each rule is stated once, numbered; each finding names its rule's number.
    QStringList rules = report_.rules;
    for (const ServiceReport::Finding& finding : report_.findings) {
        if (!finding.rule.isEmpty() && !rules.contains(finding.rule)) {
            rules << finding.rule;
        }
    }
    Block& table =
        Table({QStringLiteral("Sensor"), QStringLiteral("Finding"), QStringLiteral("Rule")});
    for (const ServiceReport::Finding& finding : report_.findings) {
        const qsizetype rule = finding.rule.isEmpty() ? -1 : rules.indexOf(finding.rule);
        table.rows.push_back(
            {{finding.sensor < 0 ? QStringLiteral("Card") : QString::number(finding.sensor), {}},
             {Value(finding.text, QStringLiteral("not stated")), {}},
             {rule < 0 ? QStringLiteral("not stated") : QStringLiteral("Rule %1").arg(rule + 1),
              {}}});
    }
    if (!rules.isEmpty()) {
        table.keepWithNext = true;
        Block& ruleTable = Table({QStringLiteral("Rule"), QStringLiteral("What makes a finding")});
        for (qsizetype i = 0; i < rules.size(); ++i) {
            ruleTable.rows.push_back(
                {{QStringLiteral("Rule %1").arg(i + 1), {}}, {Shown(rules[i]), {}}});
        }
    }
}

void Builder::Acceptance() {
    Heading(QStringLiteral("Acceptance limits"));
    if (report_.decisionRule.trimmed().isEmpty()) {
        Paragraph(
            QStringLiteral("No acceptance limits were applied: no value was judged against "
                           "limits."));
        return;
    }
    if (!report_.limitsFile.isEmpty() || !report_.limitsSha256.isEmpty()) {
        Paragraph(QStringLiteral("Limits applied: %1 (SHA-256 %2).")
                      .arg(Value(report_.limitsFile), Value(report_.limitsSha256)));
    }
    Paragraph(QStringLiteral("Decision rule: ") + Shown(report_.decisionRule.trimmed()));
    if (report_.limitResults.empty()) {
        Paragraph(QStringLiteral("No value of the As left survey was held against the limits."));
        return;
    }
    int found = 0;
    int foundPassed = 0;
    int left = 0;
    int leftPassed = 0;
    for (const ServiceReport::LimitResult& result : report_.limitResults) {
        found += !result.foundValue.isEmpty();
        foundPassed += !result.foundValue.isEmpty() && result.foundPass;
        left += !result.value.isEmpty();
        leftPassed += !result.value.isEmpty() && result.pass;
    }
    if (found > 0) {
        Paragraph(QStringLiteral("As found: %1 of %2 values within their limits.")
                      .arg(foundPassed)
                      .arg(found));
    }
    Paragraph(
        QStringLiteral("As left: %1 of %2 values within their limits.").arg(leftPassed).arg(left))
        .keepWithNext = true;
    const auto judged = [](const QString& value, bool pass) {
        return value.isEmpty() ? QStringLiteral("not judged")
                               : QStringLiteral("%1: %2").arg(
                                     pass ? QStringLiteral("Pass") : QStringLiteral("Fail"),
                                     Value(value, QStringLiteral("not read")));
    };
    Block& table = Table({QStringLiteral("Sensor"), QStringLiteral("Quantity"),
                          QStringLiteral("Acceptance range"), QStringLiteral("As found"),
                          QStringLiteral("As left")});
    for (const ServiceReport::LimitResult& result : report_.limitResults) {
        table.rows.push_back({{QString::number(result.sensor), {}},
                              {Value(result.quantity), {}},
                              {Value(result.range), {}},
                              {judged(result.foundValue, result.foundPass), {}},
                              {judged(result.value, result.pass), {}}});
    }
}

void Builder::Instrument() {
    Heading(QStringLiteral("Instrument and visit"));
    Block& fields = Add(Kind::Fields);
    const auto field = [&fields](const QString& name, const QString& value) {
        fields.rows.push_back({{name, {}}, {Value(value), {}}});
    };
    const ServiceReport::Details& details = report_.details;
    field(QStringLiteral("Report number"), report_.reportNumber);
    field(QStringLiteral("Model"), details.model);
    field(QStringLiteral("Serial number"), details.serialNumber);
    field(QStringLiteral("Asset number"), details.assetNumber);
    field(QStringLiteral("Customer"), details.customer);
    field(QStringLiteral("Customer contact"), details.contact);
    field(QStringLiteral("Site"), details.site);
    field(QStringLiteral("Reason for the visit"), details.reason);
    field(QStringLiteral("Technician"),
          report_.technician.trimmed().isEmpty() ? report_.user : report_.technician);
    field(QStringLiteral("Date"), report_.started.isValid()
                                      ? report_.started.toString(QStringLiteral("yyyy-MM-dd"))
                                      : QString());
    field(QStringLiteral("Started"), ZonedText(report_.started));
    field(QStringLiteral("Ended"), report_.underWay
                                       ? QStringLiteral("Not yet: the visit is under way.")
                                       : ZonedText(report_.ended));
    field(QStringLiteral("Card left"), report_.cardLeft);
    field(QStringLiteral("Card"), report_.identity);
    field(QStringLiteral("Port"), report_.port);
    field(QStringLiteral("Device"), report_.device);
    field(QStringLiteral("Program"), report_.programVersion.isEmpty()
                                         ? QString()
                                         : QStringLiteral("Merrowby ") + report_.programVersion);
    field(QStringLiteral("Login"), report_.user);
    field(QStringLiteral("Computer"), report_.host);
    Paragraph(QStringLiteral("The results in this report relate only to the instrument serviced."),
              Block::Style::Strong);
}

void Builder::Method() {
    Heading(QStringLiteral("Method"));
    Block& fields = Add(Kind::Fields);
    fields.rows.push_back({{QStringLiteral("Procedure"), {}}, {Value(report_.procedure), {}}});
    fields.rows.push_back(
        {{QStringLiteral("Procedure revision"), {}}, {Value(report_.procedureRevision), {}}});
    Paragraph(
        QStringLiteral("The service is a functional check and adjustment of the sensor "
                       "card, not a calibration."));
    Paragraph(report_.uncertainty.trimmed().isEmpty()
                  ? QStringLiteral("No measurement uncertainty is stated.")
                  : QStringLiteral("Measurement uncertainty: %1").arg(Shown(report_.uncertainty)));
}

// A survey's replies come within this of its time (the survey takes under 2 s).
constexpr qint64 kSurveyMsecs = 5000;

// A reading's cell: the value (beside the value set where it was read back different) and
// its time below, unless it is the survey's.
Cell ReadingCell(const std::optional<Reading>& reading, const TimeStyle& times,
                 const QDateTime& surveyTime) {
    if (!reading) {
        return {QStringLiteral("not read"), {}};
    }
    QString text = Value(reading->text, QStringLiteral("no value"));
    if (!reading->setting.isEmpty()) {
        text += QStringLiteral(" (set %1)").arg(Shown(reading->setting));
    }
    if (surveyTime.isValid() && reading->time.isValid() &&
        std::abs(reading->time.msecsTo(surveyTime)) <= kSurveyMsecs) {
        return {text, {}};
    }
    return {text, reading->time.isValid() ? times.Text(reading->time) : QStringLiteral("no time")};
}

void Builder::Readings(bool asLeft) {
    const QString title = asLeft ? QStringLiteral("As left") : QStringLiteral("As found");
    if (asLeft && !report_.asLeftNote.trimmed().isEmpty()) {
        Heading(title);
        Paragraph(report_.asLeftNote.trimmed());
        return;
    }
    const bool surveyed = asLeft ? report_.asLeftTime.isValid() : report_.asFoundSurveyed;
    const QDateTime surveyTime = !surveyed ? QDateTime()
                                 : asLeft  ? report_.asLeftTime
                                           : report_.asFoundTime;
    if (surveyed) {
        Heading(title);
        Paragraph(surveyTime.isValid()
                      ? QStringLiteral("Surveyed at %1: every sensor read in one step; a value "
                                       "read at another time shows its time below it.")
                            .arg(times_.Text(surveyTime))
                      : QStringLiteral("Surveyed: every sensor read in one step."))
            .keepWithNext = true;
    } else {
        Heading(title + QStringLiteral(" (not surveyed)"));
        Paragraph(asLeft ? QStringLiteral("Not surveyed: each value is the last read in the visit, "
                                          "at the time shown below it.")
                         : QStringLiteral("Not surveyed: each value is the first read in the "
                                          "visit, at the time shown below it."))
            .keepWithNext = true;
    }
    const auto& readings = asLeft ? report_.asLeft : report_.asFound;
    Block& table = Table({QStringLiteral("Sensor"), QStringLiteral("Voltage"),
                          QStringLiteral("Current"), QStringLiteral("Trip point"),
                          QStringLiteral("Power level"), QStringLiteral("Status")});
    for (int sensor = 0; sensor < ServiceReport::kSensorCount; ++sensor) {
        const ServiceReport::SensorReadings& r = readings[sensor];
        table.rows.push_back({{QString::number(sensor), {}},
                              ReadingCell(r.voltage, times_, surveyTime),
                              ReadingCell(r.current, times_, surveyTime),
                              ReadingCell(r.tripPoint, times_, surveyTime),
                              ReadingCell(r.powerLevel, times_, surveyTime),
                              ReadingCell(r.status, times_, surveyTime)});
    }
}

void Builder::PreviousVisit() {
    if (!report_.previousVisit) {
        return;
    }
    const ServiceReport::PreviousVisit& previous = *report_.previousVisit;
    Heading(QStringLiteral("Previous visit"));
    if (!previous.found) {
        Paragraph(previous.sentence);
        return;
    }
    Paragraph(QStringLiteral("Previous visit on %1, report number %2: its As left against this "
                             "As found.")
                  .arg(DateTimeText(previous.started), Value(previous.reportNumber)))
        .keepWithNext = true;
    if (!previous.sentence.isEmpty()) {
        Paragraph(previous.sentence).keepWithNext = true;
    }
    Block& table = Table({QStringLiteral("Sensor"), QStringLiteral("Quantity"),
                          QStringLiteral("Previous As left"), QStringLiteral("This As found"),
                          QStringLiteral("Change")});
    for (const ServiceReport::PreviousVisit::Row& row : previous.rows) {
        table.rows.push_back(
            {{QString::number(row.sensor), {}},
             {row.quantity, {}},
             {row.before, {}},
             {row.now, {}},
             {row.change,
              row.outOfTolerance ? QStringLiteral("found out of tolerance") : QString()}});
    }
}

void Builder::Changes(const QString& title, const std::vector<ServiceReport::Change>& changes) {
    Heading(title);
    if (changes.empty()) {
        Paragraph(QStringLiteral("None."));
        return;
    }
    Block& table = Table({QStringLiteral("Time"), QStringLiteral("What"), QStringLiteral("Before"),
                          QStringLiteral("Reply")});
    for (const ServiceReport::Change& change : changes) {
        table.rows.push_back({{Time(change.time), {}},
                              {Value(change.what, QStringLiteral("not stated")), {}},
                              {change.before ? Value(*change.before, QStringLiteral("not read"))
                                             : QStringLiteral("n/a"),
                               {}},
                              {Value(change.reply, QStringLiteral("none")), {}}});
    }
}

void Builder::LineBreaks() {
    Heading(QStringLiteral("Line interruptions"));
    if (report_.lineBreaks.empty()) {
        Paragraph(QStringLiteral("None."));
        return;
    }
    Block& table =
        Table({QStringLiteral("Lost"), QStringLiteral("Back"), QStringLiteral("Device")});
    for (const ServiceReport::LineBreak& lineBreak : report_.lineBreaks) {
        const bool renamed = lineBreak.back.isValid() && lineBreak.backDevice != lineBreak.device;
        table.rows.push_back(
            {{Time(lineBreak.lost), {}},
             {lineBreak.back.isValid() ? times_.Text(lineBreak.back) : QStringLiteral("(not back)"),
              {}},
             {renamed ? Shown(QStringLiteral("%1, back as %2")
                                  .arg(lineBreak.device, lineBreak.backDevice))
                      : Value(lineBreak.device, QStringLiteral("not known")),
              {}}});
    }
}

void Builder::TimingTests() {
    for (std::size_t i = 0; i < report_.timingTests.size(); ++i) {
        const ServiceReport::TimingTest& test = report_.timingTests[i];
        Heading(QStringLiteral("Timing test %1").arg(i + 1));
        Paragraph(QStringLiteral("Tube: %1. From %2 to %3.")
                      .arg(Value(test.tube, QStringLiteral("not known")), Time(test.start),
                           Time(test.end, QStringLiteral("(not ended)"))))
            .keepWithNext = true;
        if (test.rows.empty()) {
            Paragraph(QStringLiteral("No readings."));
            continue;
        }
        Block& table =
            Table({QStringLiteral("Interval (s)"), QStringLiteral("Slot 0"),
                   QStringLiteral("Slot 1"), QStringLiteral("Slot 2"), QStringLiteral("Slot 3")});
        for (const ServiceReport::TimingTest::Row& row : test.rows) {
            ReportContent::Row cells{{Value(row.interval, QStringLiteral("not read")), {}}};
            for (const QString& reading : row.readings) {
                cells.push_back({Value(reading, QStringLiteral("not read")), {}});
            }
            table.rows.push_back(std::move(cells));
        }
    }
}

// The limit the dump is judged against, and where that is the laboratory's, the lamps'.
QString SpreadLimitText(const ServiceReport::Dump& dump) {
    const auto limit = [](double milliamps) {
        return QStringLiteral("%1 (%2 mA)")
            .arg(DumpPicture::Microamps(milliamps * 1000.0), QString::number(milliamps, 'f', 3));
    };
    if (dump.lampSpreadLimit) {
        return QStringLiteral(
                   "Spread limit %1, the laboratory's for the model; the spread lamps used the "
                   "window's %2.")
            .arg(limit(dump.spreadLimit), limit(*dump.lampSpreadLimit));
    }
    return dump.spreadLimit > 0 ? QStringLiteral("Spread limit %1.").arg(limit(dump.spreadLimit))
                                : QStringLiteral("No spread limit recorded.");
}

void Builder::Dumps() {
    for (std::size_t i = 0; i < report_.dumps.size(); ++i) {
        const ServiceReport::Dump& dump = report_.dumps[i];
        Heading(QStringLiteral("Sensor current dump %1").arg(i + 1));
        QString summary = QStringLiteral("Tube: %1. From %2 to %3. %4 samples. %5")
                              .arg(Value(dump.tube, QStringLiteral("not known")), Time(dump.start),
                                   dump.ended ? Time(dump.end) : QStringLiteral("(not ended)"))
                              .arg(dump.samples)
                              .arg(SpreadLimitText(dump));
        if (!dump.file.isEmpty()) {
            summary += QStringLiteral(" Dump file: %1.").arg(Shown(dump.file));
        }
        if (!dump.ended) {
            summary += QStringLiteral(
                " The dump did not end: the maximum and minimum are those of the samples "
                "recorded.");
        }
        // The heading, the table, the plot and its description stay on one page.
        Paragraph(summary).keepWithNext = true;
        Block& table = Table({QStringLiteral("Sensor"), QStringLiteral("Max (mA)"),
                              QStringLiteral("Min (mA)"), QStringLiteral("Spread (µA)"),
                              QStringLiteral("Against the limit"), QStringLiteral("Spread lamp")});
        table.keepWithNext = true;
        const DumpPicture::ColumnExtremes all = DumpPicture::AllExtremes(dump);
        for (int c = 0; c < CurrentRow::kColumns; ++c) {
            const std::optional<DumpPicture::Extremes>& extremes = all[c];
            const QString none = QStringLiteral("no samples");
            table.rows.push_back(
                {{QString::number(dump.firstSensor + c), {}},
                 {extremes ? QString::number(extremes->maximum, 'f', 3) : none, {}},
                 {extremes ? QString::number(extremes->minimum, 'f', 3) : none, {}},
                 {extremes ? QString::number(extremes->SpreadMicroamps(), 'f', 1) : none, {}},
                 {!extremes                                 ? none
                  : dump.spreadLimit <= 0                   ? QStringLiteral("no limit")
                  : DumpPicture::OverLimit(dump, *extremes) ? QStringLiteral("over")
                                                            : QStringLiteral("within"),
                  {}},
                 {dump.lampLit[c] ? QStringLiteral("lit") : QStringLiteral("off"), {}}});
        }
        const QString description = DumpPicture::Description(dump);
        Block& plot = Add(Kind::Plot, description);
        plot.dump = i;
        plot.keepWithNext = true;
        Paragraph(QStringLiteral("Figure: dump %1, each sensor's current over time and its spread "
                                 "against the limit.\n")
                          .arg(i + 1) +
                      description,
                  Block::Style::Caption);
    }
}

void Builder::Closing() {
    Heading(QStringLiteral("Notes"));
    Paragraph(report_.notes.trimmed().isEmpty() ? QStringLiteral("None.") : report_.notes);
    Heading(QStringLiteral("Signatures"));
    const std::optional<Authorisation>& authorisation = report_.authorisation;
    Block& authorised = Add(Kind::Fields);
    authorised.rows.push_back(
        {{QStringLiteral("Authorised by"), {}},
         {authorisation ? Shown(authorisation->name + QStringLiteral(", ") + authorisation->role)
                        : ReportContent::kNotGiven,
          {}}});
    authorised.rows.push_back({{QStringLiteral("Date of authorisation"), {}},
                               {authorisation && authorisation->time.isValid()
                                    ? authorisation->time.toString(QStringLiteral("yyyy-MM-dd"))
                                    : ReportContent::kNotGiven,
                                {}}});
    authorised.keepWithNext = true;
    Block& signatures = Add(Kind::Signatures);
    const QString technician =
        report_.technician.trimmed().isEmpty() ? report_.user : report_.technician;
    signatures.signers << QStringLiteral("Technician: %1").arg(Value(technician))
                       << QStringLiteral("Customer");
    if (authorisation) {
        signatures.signers << QStringLiteral("Authorised by: %1").arg(Shown(authorisation->name));
    }
    Add(Kind::EndMark, ReportContent::kEndMark);
}

}  // namespace

ReportContent ReportContent::From(const ServiceReport& report) {
    ReportContent content;
    Builder(report, content).Build();
    return content;
}
