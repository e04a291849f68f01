#include "record/Issuer.h"

#include <array>

namespace {

struct Field {
    const char* name;
    QString Issuer::*value;
};

constexpr std::array<Field, 6> kFields{{
    {"name", &Issuer::name},
    {"address", &Issuer::address},
    {"contact", &Issuer::contact},
    {"accreditation", &Issuer::accreditation},
    {"procedure", &Issuer::procedure},
    {"procedure_revision", &Issuer::procedureRevision},
}};

}  // namespace

bool Issuer::IsEmpty() const {
    for (const Field& field : kFields) {
        if (!(this->*field.value).trimmed().isEmpty()) {
            return false;
        }
    }
    return true;
}

QJsonObject Issuer::Fields() const {
    QJsonObject fields;
    for (const Field& field : kFields) {
        fields.insert(QLatin1String(field.name), (this->*field.value).trimmed());
    }
    return fields;
}

Issuer Issuer::FromFields(const QJsonObject& fields) {
    Issuer issuer;
    for (const Field& field : kFields) {
        issuer.*field.value = fields.value(QLatin1String(field.name)).toString();
    }
    return issuer;
}
