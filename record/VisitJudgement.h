#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <vector>

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

QJsonObject ToJson(const Finding& finding);

}  // namespace judgement
