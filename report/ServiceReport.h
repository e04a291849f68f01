#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

#include "plot/CurrentRow.h"
#include "record/Authorisation.h"
#include "record/Issuer.h"
#include "record/ReportIssues.h"
#include "report/DumpRows.h"

class AcceptanceLimits;

// What a visit's record says, arranged for the report: who and where, each sensor's first and
// last readings ("As found", "As left"), the changes in order, the timing tests and the dumps.
class ServiceReport {
  public:
    static constexpr int kSensorCount = 8;
    // The technician's notes hold at most this many characters.
    static constexpr qsizetype kNotesLimit = 20000;

    struct Reading {
        QString text;  // value and unit, e.g. "2.500 V"
        QDateTime time;
        // As left only: the value this visit set, e.g. "4.800 V", where the reading differs
        // from it by more than one code step; empty otherwise.
        QString setting;
    };
    // One sensor's readings at one end of the visit; empty where none was taken.
    struct SensorReadings {
        std::optional<Reading> voltage;
        std::optional<Reading> current;
        std::optional<Reading> tripPoint;
        std::optional<Reading> powerLevel;
        std::optional<Reading> status;
    };
    struct Change {
        QDateTime time;
        QString what;
        // The value before it, empty when none was read; none for a row no value belongs to.
        std::optional<QString> before;
        QString reply;
    };
    struct TimingTest {
        QString tube;
        QDateTime start;
        QDateTime end;
        struct Row {
            QString interval;
            std::array<QString, 4> readings;
        };
        std::vector<Row> rows;
    };
    // The serial line gone and, unless the visit ended first, back.
    struct LineBreak {
        QDateTime lost;
        QDateTime back;  // invalid while not back
        QString device;
        QString backDevice;
    };
    struct Dump {
        QString tube;
        int firstSensor = 0;
        QDateTime start;
        QDateTime end;
        int samples = 0;
        double spreadLimit = 0.0;  // mA, the spread is judged against
        // The spread field's limit, which the lamps used, where the laboratory's limit for the
        // model is judged in its place.
        std::optional<double> lampSpreadLimit;
        std::array<double, CurrentRow::kColumns> maximum{};
        std::array<double, CurrentRow::kColumns> minimum{};
        std::array<bool, CurrentRow::kColumns> lampLit{};
        QString file;
        DumpRows rows;  // seconds since the start, mA
        bool ended = false;
    };

    // Who and what the report is about, as the technician typed them in the report window.
    struct Details {
        QString model;
        QString serialNumber;
        QString assetNumber;
        QString customer;
        QString site;
        QString reason;
        QString contact;  // the customer's contact: a person, a telephone number or an e-mail
    };
    // Something not in order, with the rule that makes it so.
    struct Finding {
        int sensor = -1;  // -1: the card as a whole
        QString text;     // "Sensor 1: covered.", "As found: Sensor 1: covered. ..."
        QString rule;
        bool asFound = false;  // of the As found survey; As left and the dumps otherwise
    };
    // One value held against the laboratory's acceptance limits, As left and As found.
    struct LimitResult {
        int sensor = 0;
        QString quantity;  // "Voltage", "Current", "Trip point", "Power level"
        QString value;     // As left, "4.537 V"; empty where As left did not judge it
        QString range;     // "4.000 V to 5.000 V"
        bool pass = false;
        QString foundValue;  // As found; empty where As found did not judge it
        bool foundPass = false;
    };

    // The visit before this one to the same instrument, as the history index holds it.
    struct PreviousVisit {
        bool found = false;
        QString sentence;  // without a previous visit: why none is shown
        QString reportNumber;
        QDateTime started;
        struct Row {
            int sensor = 0;
            QString quantity;  // "Voltage", "Current", "Trip point"
            QString before;    // the previous As left, "4.500 V", or "not read"
            QString now;       // this As found
            QString change;    // "+0.120 V", or "n/a"
            bool outOfTolerance = false;
        };
        std::vector<Row> rows;
    };

    // Builds the report from a record's events in order; notes are what reading it left out.
    static ServiceReport FromEvents(const QList<QJsonObject>& events,
                                    const QStringList& readNotes = {});
    // With the laboratory's acceptance limits: the As found and As left surveys' values of the
    // model in the details are judged against them, unless the record holds limits of its own
    // (none: nothing is judged).
    static ServiceReport FromEvents(const QList<QJsonObject>& events, const QStringList& readNotes,
                                    const AcceptanceLimits* limits);

    // The report of the record file at path, read one event at a time, so that a dump's samples
    // are only ever kept as the report keeps them; error says why a file is no record.
    // With limitsOverRecord, the limits given are used whatever limits the record holds.
    static ServiceReport FromRecord(const QString& path, const AcceptanceLimits* limits,
                                    QString& error, bool limitsOverRecord = false);

    QString reportNumber;
    QString technician;  // the full name, or the login where none was given
    Details details;
    QDateTime started;
    QDateTime ended;
    QString identity;
    QString port;
    QString device;
    QString programVersion;
    QString user;
    QString host;
    QString notes;
    // How the card was left at exit: put back online (with its answer), or why that is not known.
    QString cardLeft;
    // The visit goes on: the report is of the current visit before its exit, and `ended` is
    // only its latest event's time.
    bool underWay = false;
    QStringList readNotes;
    std::array<SensorReadings, kSensorCount> asFound;
    std::array<SensorReadings, kSensorCount> asLeft;
    // As found is the first survey, or, where a change came first, the readings before it.
    bool asFoundSurveyed = false;
    QDateTime asFoundTime;  // the survey's, when surveyed
    // As left is the last survey after the last change; where there is none, the sentence that
    // says so ("As left not read after the change at 10:45."), and As left is empty.
    QString asLeftNote;
    QDateTime asLeftTime;
    // Opens the report: "As found: within tolerance. As left: 6 of 8 sensors in order. Sensor 1:
    // covered. ..." (As found where acceptance limits were applied).
    QString summary;
    std::vector<Finding> findings;
    QStringList rules;     // each rule the findings used, once, in order of first use
    QString decisionRule;  // empty without acceptance limits
    QString limitsFile;    // the acceptance limits file's name, where limits were applied
    QString limitsSha256;
    std::vector<LimitResult> limitResults;
    std::vector<Change> changes;
    std::vector<TimingTest> timingTests;
    std::vector<Dump> dumps;
    // Replies that did not come, late replies dropped, commands refused and commands never
    // sent, in order.
    std::vector<Change> unanswered;
    // Go-online and go-offline replies that did not say the card is in that mode, in order.
    std::vector<Change> unconfirmed;
    std::vector<LineBreak> lineBreaks;
    // Empty where the history was not looked up.
    std::optional<PreviousVisit> previousVisit;

    // Who issues the report, as the record names it (the last "issuer"); empty where it does not.
    Issuer issuer;
    // The method: the service procedure and its revision, those the acceptance limits give for
    // the model or else the issuer's, and the measurement uncertainty the limits state.
    QString procedure;
    QString procedureRevision;
    QString uncertainty;  // empty: none is stated
    // The last authorisation the record holds.
    std::optional<Authorisation> authorisation;
    // The documents issued of this report so far, as the record holds them.
    std::vector<ReportIssues::Issue> issues;
    // This document's date of issue and revision: invalid while the report is only shown.
    QDateTime dateOfIssue;
    ReportIssues::Revision revision;
};
