#include "report/ReportSettings.h"

#include <QSettings>
#include <array>

namespace {

const QString kTechnicianKey = QStringLiteral("report/technician");
const QString kLimitsKey = QStringLiteral("report/acceptance_limits");
const QString kSaveFolderKey = QStringLiteral("report/save_folder");

struct IssuerKey {
    const char* key;
    QString Issuer::*value;
};

constexpr std::array<IssuerKey, 6> kIssuerKeys{{
    {"report/issuer_name", &Issuer::name},
    {"report/issuer_address", &Issuer::address},
    {"report/issuer_contact", &Issuer::contact},
    {"report/issuer_accreditation", &Issuer::accreditation},
    {"report/procedure", &Issuer::procedure},
    {"report/procedure_revision", &Issuer::procedureRevision},
}};

QString Value(const QString& key) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("merrowby"),
                     QStringLiteral("merrowby"))
        .value(key)
        .toString();
}

void SetValue(const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("merrowby"),
                       QStringLiteral("merrowby"));
    if (value.isEmpty()) {
        settings.remove(key);
    } else {
        settings.setValue(key, value);
    }
}

}  // namespace

QString ReportSettings::Technician() {
    return Value(kTechnicianKey);
}

void ReportSettings::SetTechnician(const QString& name) {
    SetValue(kTechnicianKey, name);
}

QString ReportSettings::AcceptanceLimitsPath() {
    return Value(kLimitsKey);
}

void ReportSettings::SetAcceptanceLimitsPath(const QString& path) {
    SetValue(kLimitsKey, path);
}

QString ReportSettings::SaveFolder() {
    return Value(kSaveFolderKey);
}

void ReportSettings::SetSaveFolder(const QString& folder) {
    SetValue(kSaveFolderKey, folder);
}

Issuer ReportSettings::KeptIssuer() {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QStringLiteral("merrowby"), QStringLiteral("merrowby"));
    Issuer issuer;
    for (const IssuerKey& key : kIssuerKeys) {
        // A value typed into the file with a comma and no quotes reads as a list.
        const QVariant value = settings.value(QLatin1String(key.key));
        issuer.*key.value = value.typeId() == QMetaType::QStringList
                                ? value.toStringList().join(QStringLiteral(", "))
                                : value.toString();
    }
    return issuer;
}

void ReportSettings::SetIssuer(const Issuer& issuer) {
    for (const IssuerKey& key : kIssuerKeys) {
        SetValue(QLatin1String(key.key), (issuer.*key.value).trimmed());
    }
}
