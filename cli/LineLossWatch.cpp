#include "cli/LineLossWatch.h"

#include "ports/PortManagerImpl.h"

namespace cli {

LineLossWatch::LineLossWatch(PortManagerImpl& ports, std::string portName, QObject& context,
                             Lost lost)
    : ports_(ports), portName_(std::move(portName)), context_(context), lost_(std::move(lost)) {
    ports_.AddLineLossListener(this);
}

LineLossWatch::~LineLossWatch() {
    ports_.RemoveLineLossListener(this);
}

// On the port's thread; what is told runs on the context's, and not at all once it is gone.
void LineLossWatch::LineLost(const std::string& portName, const std::string& devicePath) {
    if (portName != portName_) {
        return;
    }
    QMetaObject::invokeMethod(
        &context_, [lost = lost_, devicePath] { lost(devicePath); }, Qt::QueuedConnection);
}

}  // namespace cli
