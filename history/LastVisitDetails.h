#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

// The details last typed for an instrument (a "report_details" event's fields): those of the
// last visit the history index holds for its serial number, read from that visit's record.
class LastVisitDetails {
  public:
    // The index beside recordsFolder; the visit of skipRecord (the running one) is passed over.
    // Nothing when no earlier visit is indexed or its record holds no details.
    static std::optional<QJsonObject> Find(const QString& recordsFolder,
                                           const QString& serialNumber, const QString& skipRecord);
};
