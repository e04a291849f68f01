#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

// Who authorised the report, in what role, and when: an "authorisation" event of the record.
struct Authorisation {
    QString name;
    QString role;
    QDateTime time;

    // "NAME, ROLE": the name before the first comma, the role after it. Nothing, with the
    // reason in error, when either is missing.
    static std::optional<Authorisation> Parse(const QString& text, QString& error);
    // The event's fields (its time is the event's).
    QJsonObject Fields() const;
    static Authorisation FromEvent(const QJsonObject& event);
};
