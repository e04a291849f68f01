#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <array>
#include <optional>

#include "plot/CurrentRow.h"
#include "record/AcceptanceLimits.h"
#include "record/SampleLine.h"
#include "record/VisitJudgement.h"
#include "report/ServiceReport.h"

// Reads a record's events one at a time into compact state, so that a report kept open over a
// running visit costs only the events added since it was last made. Report() makes the report
// of the events so far.
class ServiceReportBuilder {
  public:
    ServiceReportBuilder();

    void Add(const QJsonObject& event);
    // A "dump_sample" event read without its JSON document: as Add() of the same line.
    void Add(const SampleLine& sample);
    // A "dump_sample" event given by its time and currents.
    void AddDumpSample(qint64 msecsSinceEpoch, const std::array<double, CurrentRow::kColumns>& mA);
    // The As found and As left surveys' values held against the limits of the model in the
    // details, where the record holds no limits of its own ("acceptance_limits"), or whatever
    // it holds with overRecord; none (the default) judges nothing against limits but the
    // record's. Kept by pointer: it must outlive the builder.
    void SetAcceptanceLimits(const AcceptanceLimits* limits, bool overRecord = false) {
        limits_ = limits;
        limitsOverRecord_ = overRecord;
    }

    ServiceReport Report(const QStringList& readNotes = {}) const;

  private:
    using Readings = std::array<ServiceReport::SensorReadings, ServiceReport::kSensorCount>;
    using Slot = std::optional<ServiceReport::Reading> ServiceReport::SensorReadings::*;
    // A sensor's value as last read or set: what a change finds before it.
    struct Known {
        QString voltage;
        QString tripPoint;
    };
    struct Survey {
        qsizetype judgedIndex = -1;
        QDateTime time;
    };

    bool AddIssueEvent(const QString& kind, const QJsonObject& event);
    void AddVisit(const QJsonObject& event, const QDateTime& time);
    void AddDetails(const QJsonObject& event);
    void AddUnsent(const QString& kind, const QDateTime& time);
    void AddExitGoOnline(const QJsonObject& event, const QDateTime& time);
    void AddDiscovery(const QJsonObject& event);
    void AddLineEvent(const QString& kind, const QJsonObject& event, const QDateTime& time);
    void AddReading(const QString& kind, const QJsonObject& event, const QDateTime& time);
    void AddSurvey(const QJsonObject& event, const QDateTime& time);
    void AddChange(const QString& kind, const QJsonObject& event, const QDateTime& time);
    void AddUnconfirmed(const QJsonObject& event, const QDateTime& time, const QString& what);
    void AddDump(const QString& kind, const QJsonObject& event, const QDateTime& time);
    void AddTimingTest(const QString& kind, const QJsonObject& event, const QDateTime& time);
    // A change of the card's settings: As found and As left are judged around it.
    void NoteChange(const QDateTime& time);
    void Note(int sensor, Slot slot, const ServiceReport::Reading& reading);
    void Know(int sensor, QString Known::*value, const QString& text);
    QString Before(QString Known::*value, int sensor) const;
    bool HasVoltageAndCurrent(int sensor) const;

    void FillFoundAndLeft(ServiceReport& report) const;
    void FillFindings(ServiceReport& report) const;
    // The limits the values are held against: given over the record's, the record's, or given.
    const AcceptanceLimits* Limits() const;
    // The values held against the limits, As found beside As left, into the report.
    void FillLimitResults(const judgement::Conformity& conformity, ServiceReport& report) const;
    // "As found: within tolerance." or what was out of it; empty without limits.
    QString FoundSentence(const judgement::Conformity& conformity) const;
    void FillMethod(ServiceReport& report) const;
    // A setting read back different, beside its As left value.
    void ShowSettings(const std::vector<judgement::Finding>& findings, ServiceReport& report) const;
    Readings SurveyReadings(const Survey& survey) const;
    QString TimeText(const ServiceReport& report, const QDateTime& time) const;

    ServiceReport report_;
    // The last event's time where a sample's line gave it (report_.ended otherwise), made into
    // a QDateTime only for the report.
    std::optional<SampleLine> lastSample_;
    bool cardConnected_ = false;
    bool exited_ = false;
    std::array<Known, ServiceReport::kSensorCount> known_;
    QString lastPowerLevel_;
    QDateTime timingStart_;
    qint64 dumpStartMsecs_ = 0;
    QString technician_;

    Readings firstReadings_;
    Readings lastReadings_;
    // The first readings as they stood at the first change.
    std::optional<Readings> beforeFirstChange_;
    QDateTime lastChange_;
    // The events the findings are judged from: settings, complete surveys and dump ends.
    QList<QJsonObject> judged_;
    std::optional<Survey> firstSurvey_;
    bool firstSurveyBeforeChange_ = false;
    std::optional<Survey> lastSurvey_;
    bool changedSinceLastSurvey_ = false;
    const AcceptanceLimits* limits_ = nullptr;
    bool limitsOverRecord_ = false;
    // The limits the record holds, as last recorded; none where it holds none or put them aside.
    std::optional<AcceptanceLimits> recordedLimits_;
    QString recordedLimitsError_;
    // Values no card can produce, left out or replaced, each told in a note.
    int damagedSamples_ = 0;
    int damagedValues_ = 0;
};
