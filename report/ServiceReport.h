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
        QString before;  // the reading before it, empty when there was none
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
        double spreadLimit = 0.0;  // mA
        std::array<double, CurrentRow::kColumns> maximum{};
        std::array<double, CurrentRow::kColumns> minimum{};
        std::array<bool, CurrentRow::kColumns> lampLit{};
        QString file;
        std::vector<CurrentRow> rows;  // seconds since the start, mA
        bool ended = false;
    };

    // Builds the report from a record's events in order; notes are what reading it left out.
    static ServiceReport FromEvents(const QList<QJsonObject>& events,
                                    const QStringList& readNotes = {});

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
    QStringList readNotes;
    std::array<SensorReadings, kSensorCount> asFound;
    std::array<SensorReadings, kSensorCount> asLeft;
    std::vector<Change> changes;
    std::vector<TimingTest> timingTests;
    std::vector<Dump> dumps;
    // Replies that did not come, late replies dropped, commands refused and commands never
    // sent, in order.
    std::vector<Change> unanswered;
    // Go-online and go-offline replies that did not say the card is in that mode, in order.
    std::vector<Change> unconfirmed;
    std::vector<LineBreak> lineBreaks;
};
