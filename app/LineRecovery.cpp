#include "app/LineRecovery.h"

#include <QSocketNotifier>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/DirectoryWatch.h"
#include "platform/UsbSerialIdentity.h"
#include "ports/DeviceMapping.h"
#include "ports/PortManagerImpl.h"
#include "trace/ProtocolTrace.h"

namespace fs = std::filesystem;

namespace {

bool IsAdapterName(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

void NoteInTrace(const std::string& text) {
    if (trace::ProtocolTrace* trace = trace::ProtocolTrace::Current()) {
        trace->Note(text);
    }
}

// Tries of a device that is there but does not open: 50 ms apart at first, each wait twice
// the one before, about 50 s in all.
constexpr int kFirstRetryMs = 50;
constexpr int kMostRetries = 10;

bool IsInside(const fs::path& folder, const fs::path& root) {
    const auto [rootEnd, folderAt] =
        std::mismatch(root.begin(), root.end(), folder.begin(), folder.end());
    return rootEnd == root.end() && folder != root;
}

}  // namespace

LineRecovery::LineRecovery(PortManagerImpl& ports, QObject* parent)
    : QObject(parent), ports_(ports) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &LineRecovery::LookForReturn);
    ports_.AddLineLossListener(this);
}

LineRecovery::~LineRecovery() {
    ports_.RemoveLineLossListener(this);
}

std::string LineRecovery::SysRoot() {
    return (fs::path(ProcessDeviceMapping().SystemRoot()) / "sys").string();
}

void LineRecovery::Follow(const std::string& portName) {
    StopWatching();
    const DeviceAssignment assignment = ProcessDeviceMapping().Resolve(portName);
    portName_ = portName;
    devicePath_ = assignment.device;
    identity_ = {};
    if (assignment.source == MappingSource::Default && IsAdapterName(devicePath_)) {
        identity_ = platform::UsbSerialIdentityOf(devicePath_, SysRoot());
    }
}

void LineRecovery::Forget() {
    StopWatching();
    portName_.clear();
    devicePath_.clear();
    identity_ = {};
}

// Also called from the notifier's own signal: it goes once the signal is done.
void LineRecovery::StopWatching() {
    lost_ = false;
    ambiguous_ = false;
    presentAtLoss_.clear();
    retry_.stop();
    retries_ = 0;
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    watch_.reset();
}

// On the port's I/O thread: noted at once, handled on the window's thread. The adapters
// there are listed now, before anything can have been plugged in since the loss.
void LineRecovery::LineLost(const std::string& portName, const std::string& devicePath) {
    auto present = platform::UsbSerialDevices(ProcessDeviceMapping().DeviceRoot(), SysRoot());
    NoteInTrace(portName + " line lost (" + devicePath + ")");
    QMetaObject::invokeMethod(
        this, [this, portName, present] { OnLost(portName, present); }, Qt::QueuedConnection);
}

void LineRecovery::OnLost(const std::string& portName,
                          const std::vector<platform::UsbSerialDevice>& presentAtLoss) {
    if (portName != portName_ || lost_) {
        return;
    }
    lost_ = true;
    presentAtLoss_ = presentAtLoss;
    emit Lost(QString::fromStdString(portName_), QString::fromStdString(devicePath_));
    watch_ = std::make_unique<platform::DirectoryWatch>();
    if (watch_->IsValid()) {
        notifier_ = std::make_unique<QSocketNotifier>(watch_->Fd(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
            watch_->Drain();
            LookForReturn();
        });
    }
    LookForReturn();  // it may be back already
}

// The device's folder and those above it inside the device folder, so that a by-id folder
// made anew is seen too; the device folder itself for an adapter found by identity.
void LineRecovery::WatchFolders() {
    const fs::path root = ProcessDeviceMapping().DeviceRoot();
    fs::path folder = fs::path(devicePath_).parent_path();
    watch_->Watch(folder.string());
    while (IsInside(folder, root)) {
        folder = folder.parent_path();
        watch_->Watch(folder.string());
    }
    if (identity_.IsKnown()) {
        watch_->Watch(root.string());
    }
}

void LineRecovery::LookForReturn() {
    if (!lost_) {
        return;
    }
    if (watch_) {
        WatchFolders();
    }
    const std::string device = ReturnedDevice();
    if (device.empty()) {
        return;
    }
    if (identity_.IsKnown()) {
        ProcessDeviceMapping().PinDefault(portName_, device);
    }
    if (!ports_.ReopenSerialPort(portName_)) {
        RetryLater();  // or its permissions are set, or it is made again: an event comes
        return;
    }
    StopWatching();
    devicePath_ = device;
    NoteInTrace(portName_ + " line back (" + device + ")");
    emit Returned(QString::fromStdString(portName_), QString::fromStdString(device));
}

void LineRecovery::RetryLater() {
    if (!retry_.isActive() && retries_ < kMostRetries) {
        retry_.start(kFirstRetryMs << retries_++);
    }
}

std::string LineRecovery::ReturnedDevice() {
    if (identity_.IsKnown()) {
        const platform::AdapterReturn found = platform::FindReturnedAdapter(
            identity_, platform::UsbSerialDevices(ProcessDeviceMapping().DeviceRoot(), SysRoot()),
            presentAtLoss_);
        const bool wasAmbiguous = ambiguous_;
        ambiguous_ = found.outcome == platform::AdapterReturn::Outcome::Ambiguous;
        if (ambiguous_ && !wasAmbiguous) {
            NoteInTrace(portName_ + " two or more adapters like the lost one");
            emit Ambiguous(QString::fromStdString(portName_));
        }
        return found.device;
    }
    std::error_code error;
    return fs::exists(devicePath_, error) ? devicePath_ : std::string();
}
