#include "app/CandidatePorts.h"

#include <errno.h>
#include <fcntl.h>

#include <QStringList>

#include "platform/ExclusiveDevice.h"
#include "platform/TerminalHolders.h"
#include "ports/DeviceMapping.h"
#include "ports/DevicePath.h"

namespace discovery {

namespace {

// "picocom (process 4711)", or empty when the device's lock names no process we can see.
QString LockHolder(const std::string& device) {
    const std::string systemRoot = ProcessDeviceMapping().SystemRoot();
    const std::optional<pid_t> pid = platform::DeviceLockHolder(device, systemRoot);
    if (!pid || *pid <= 0) {
        return {};
    }
    const std::string name = platform::ProcessName(*pid, systemRoot);
    return name.empty() ? QStringLiteral("process %1").arg(*pid)
                        : QStringLiteral("%1 (process %2)")
                              .arg(QString::fromLocal8Bit(name.c_str()))
                              .arg(*pid);
}

QString PortAndDevice(const RefusedPort& port) {
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(port.portName),
                                         QString::fromLocal8Bit(port.device.c_str()));
}

// "COM1 (/dev/ttyUSB0)", "COM1 (...) and COM2 (...)", "COM1 (...), COM2 (...) and COM3 (...)".
QString Enumeration(const QStringList& items) {
    if (items.size() < 2) {
        return items.join(QString());
    }
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

}  // namespace

bool IsPortAvailable(const std::string& portName, std::vector<RefusedPort>& refused) {
    const std::string device = DevicePathForPortName(portName);
    platform::ExclusiveDevice opened;
    if (opened.Open(device, O_RDWR | O_NONBLOCK)) {
        return true;
    }
    switch (opened.OpenError()) {
        case EACCES:
            refused.push_back({portName, device, RefusedPort::Cause::kAccessRefused, {}});
            break;
        case EBUSY:
        case EWOULDBLOCK:
            refused.push_back({portName, device, RefusedPort::Cause::kInUse, LockHolder(device)});
            break;
        default:  // absent, or no device behind the name
            break;
    }
    return false;
}

QString NotFoundMessage(bool anyPortAvailable, const std::vector<RefusedPort>& refused) {
    if (anyPortAvailable) {
        return QStringLiteral("No Sensor Card was found.");
    }
    QStringList sentences{QStringLiteral("No available serial ports.")};
    QStringList denied;
    for (const RefusedPort& port : refused) {
        if (port.cause == RefusedPort::Cause::kAccessRefused) {
            denied << PortAndDevice(port);
        }
    }
    if (!denied.isEmpty()) {
        sentences << QStringLiteral(
                         "Access to %1 was refused: add the user to the group dialout, then log "
                         "out and in again.")
                         .arg(Enumeration(denied));
    }
    for (const RefusedPort& port : refused) {
        if (port.cause == RefusedPort::Cause::kInUse) {
            sentences << QStringLiteral("%1 is in use by %2.")
                             .arg(PortAndDevice(port), port.holder.isEmpty()
                                                           ? QStringLiteral("another program")
                                                           : port.holder);
        }
    }
    return sentences.join(QLatin1Char(' '));
}

}  // namespace discovery
