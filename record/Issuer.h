#pragma once

#include <QJsonObject>
#include <QString>

// Who issues the service report: the laboratory or service organisation, with the service
// procedure it follows. Kept in the settings and copied into each visit's record ("issuer"),
// so that a report made again from the record names the same issuer.
struct Issuer {
    QString name;
    QString address;  // may span lines
    QString contact;
    QString accreditation;  // accreditation or registration number; optional
    QString procedure;
    QString procedureRevision;

    bool IsEmpty() const;
    // The fields of an "issuer" event.
    QJsonObject Fields() const;
    static Issuer FromFields(const QJsonObject& fields);

    bool operator==(const Issuer&) const = default;
};
