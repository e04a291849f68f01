#include "app/SavedPortMapping.h"

#include <QSettings>

#include "ports/PortManagerImpl.h"

DeviceMapping::Table ReadSavedPortMapping() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("merrowby"),
                       QStringLiteral("merrowby"));
    return PortMappingFrom(settings);
}

DeviceMapping::Table PortMappingFrom(QSettings& settings) {
    settings.beginGroup(QStringLiteral("ports"));
    DeviceMapping::Table table;
    for (const QString& key : settings.childKeys()) {
        const std::string name = PortManagerImpl::NormaliseName(key.toStdString());
        const QString device = settings.value(key).toString();
        if (DeviceMapping::IsKnownName(name) && !device.isEmpty()) {
            table[name] = device.toStdString();
        }
    }
    settings.endGroup();
    return table;
}
