#pragma once

#include <QJsonObject>
#include <QList>

#include "app/survey/SurveyReplies.h"

// The values of a "survey" event: per sensor its readings in units, its five status conditions
// and the raw replies, judged against the events before it, the acceptance limits they record
// among them (the findings go with each sensor).
namespace survey {

QJsonObject EventValues(const SurveyReplies& replies, bool cancelled, int queriesDone,
                        const QList<QJsonObject>& eventsBefore);

// Sensors whose three values all came.
int AnsweredSensors(const QJsonObject& values);
// Every finding of the event, of the sensors and of the card.
int FindingCount(const QJsonObject& values);

}  // namespace survey
