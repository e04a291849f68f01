#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

#include "record/AcceptanceLimits.h"

// What a visit's record says is not in order, each finding with the rule that makes it one.
// Judged only from what the card reported and what the visit did; no value is held against
// limits of its own.
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
// Each dump whose spread exceeded its limit, per sensor.
std::vector<Finding> DumpFindings(const QList<QJsonObject>& events);
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

QJsonObject ToJson(const Finding& finding);

}  // namespace judgement
