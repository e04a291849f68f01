#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

// The instrument's details as last typed for the same card on the same port: the last
// "report_details" of the newest record in the folder whose card and port match (its last
// discovery's). Only the newest kMostRecords records are looked at.
class PreviousDetails {
  public:
    static constexpr int kMostRecords = 50;

    // Nothing when no such record is found; `skipPath` (the running visit's) is not read.
    static std::optional<QJsonObject> Find(const QString& folder, const QString& identity,
                                           const QString& port, const QString& skipPath);
};
