#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "record/AcceptanceLimits.h"

// What a visit's record says is not in order, each finding with the rule that makes it one.
// Judged from what the card reported and what the visit did, and against the laboratory's
// acceptance limits where they are given.
namespace judgement {

struct Finding {
    QString kind;     // "shorted", "opened", "covered", "not_enabled", "not_trained",
                      // "voltage_differs", "trip_point_differs", "spread_exceeded", "no_response"
    int sensor = -1;  // -1: the card as a whole
    QString text;     // "Sensor 1: covered."
    QString rule;     // the rule's own text

    bool operator==(const Finding&) const = default;
};

// The findings of the survey at events[surveyIndex]: the conditions its status reports, its
// values that did not come, and its values that differ from what this visit set before it.
// None for a cancelled survey or an index that is no survey.
std::vector<Finding> SurveyFindings(const QList<QJsonObject>& events, qsizetype surveyIndex);
// Each dump whose spread exceeded its limit, per sensor: the laboratory's limit where one is
// given (in mA), else the limit the dump was recorded with (the window's spread field).
std::vector<Finding> DumpFindings(const QList<QJsonObject>& events,
                                  std::optional<double> laboratoryLimit = std::nullopt);
// The last complete survey's findings, then the dumps'.
std::vector<Finding> VisitFindings(const QList<QJsonObject>& events);

// One value of a survey held against its acceptance limits.
struct Verdict {
    int sensor = -1;
    AcceptanceLimits::Quantity quantity = AcceptanceLimits::Quantity::Volts;
    double value = 0;
    AcceptanceLimits::Range range;
    bool pass = false;
};

// Each value of the survey at events[surveyIndex] that came and has limits for the model: pass
// or fail. None for a cancelled survey.
std::vector<Verdict> LimitVerdicts(const QList<QJsonObject>& events, qsizetype surveyIndex,
                                   const AcceptanceLimits::ModelLimits& limits);
// The values that failed, as findings whose rule is the decision rule.
std::vector<Finding> LimitFindings(const std::vector<Verdict>& verdicts,
                                   const QString& decisionRule);

// The values of the survey at events[surveyIndex] outside the acceptance limits recorded
// before it ("acceptance_limits"), for the model last recorded before it ("report_details").
std::vector<Finding> RecordedLimitFindings(const QList<QJsonObject>& events, qsizetype surveyIndex);

// A visit's conformity as found and as left, judged alike, with the dumps.
struct Conformity {
    struct Found {
        Finding finding;
        // Not found again as left, where As left was surveyed and tells.
        bool mended = false;
        // For a value outside its limits: its index in foundVerdicts.
        qsizetype verdict = -1;
    };
    bool limitsApplied = false;  // the model has limits in the file
    std::vector<Verdict> foundVerdicts;
    std::vector<Verdict> leftVerdicts;
    std::vector<Found> asFound;
    std::vector<Finding> asLeft;
    std::vector<Finding> dumps;
    // Each rule the findings use, once, in the order of the findings: as found, as left, dumps.
    QStringList rules;
};

// The surveys at events[foundSurvey] and events[leftSurvey] (-1: none) judged by the card's
// status and replies and against the limits of the model (none: no limits), and every dump.
Conformity JudgeConformity(const QList<QJsonObject>& events, qsizetype foundSurvey,
                           qsizetype leftSurvey, const AcceptanceLimits* limits,
                           const QString& model);

QJsonObject ToJson(const Finding& finding);

}  // namespace judgement
