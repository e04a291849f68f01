#include "report/ReportSettings.h"

#include <QSettings>

namespace {

const QString kTechnicianKey = QStringLiteral("report/technician");
const QString kLimitsKey = QStringLiteral("report/acceptance_limits");
const QString kSaveFolderKey = QStringLiteral("report/save_folder");

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
