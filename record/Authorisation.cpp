#include "record/Authorisation.h"

std::optional<Authorisation> Authorisation::Parse(const QString& text, QString& error) {
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    Authorisation authorisation;
    authorisation.name = text.left(comma).trimmed();
    authorisation.role = comma < 0 ? QString() : text.mid(comma + 1).trimmed();
    if (authorisation.name.isEmpty() || authorisation.role.isEmpty()) {
        error = QStringLiteral("\"%1\" is not \"NAME, ROLE\"").arg(text);
        return std::nullopt;
    }
    return authorisation;
}

QJsonObject Authorisation::Fields() const {
    return {{"name", name}, {"role", role}};
}

Authorisation Authorisation::FromEvent(const QJsonObject& event) {
    return {
        event.value(QStringLiteral("name")).toString(),
        event.value(QStringLiteral("role")).toString(),
        QDateTime::fromString(event.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs)};
}
