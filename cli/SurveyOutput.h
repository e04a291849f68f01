#pragma once

#include <QJsonObject>
#include <QString>

// What "merrowby survey" prints, made from the service record's events of the run.
namespace cli {

class SurveyOutput {
  public:
    // The JSON document: "card" (the card's answers to "N" and "M"), "port", "device",
    // "time" (the survey's), "sensors" (eight: "sensor", "volts", "milliamps",
    // "trip_point_milliamps" (null when not trained), "power_milliwatts", "status" with the
    // five conditions, "findings" as texts) and the card's own "findings".
    static QJsonObject Document(const QJsonObject& discoveryEvent, const QJsonObject& surveyEvent);
    // The same as a table for people.
    static QString Table(const QJsonObject& document);
    // Every finding of the card and of its sensors.
    static int FindingCount(const QJsonObject& document);
};

}  // namespace cli
