#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "platform/UsbSerialIdentity.h"
#include "ports/LineLoss.h"

class PortManagerImpl;
class QSocketNotifier;
namespace platform {
class DirectoryWatch;
}

// Follows the serial line of the instrument. Hears from the port when the line's device goes
// away, then watches the device folders (inotify: no timer) until a device for that port name
// is back: the same path for a path given by hand or a stable by-id link; for a default-mapped
// ttyUSB or ttyACM the same adapter (platform::FindReturnedAdapter), whatever name the kernel
// gives it now. Then it opens the port again and says so.
//
// Hears of losses as one of the port manager's line loss listeners. Notes the loss and the
// return in the protocol trace.
class LineRecovery : public QObject, private LineLossListener {
    Q_OBJECT
  public:
    explicit LineRecovery(PortManagerImpl& ports, QObject* parent = nullptr);
    ~LineRecovery() override;
    LineRecovery(const LineRecovery&) = delete;
    LineRecovery& operator=(const LineRecovery&) = delete;

    // The line to follow from now on, with its device as mapped now.
    void Follow(const std::string& portName);
    // Nothing followed any more.
    void Forget();
    bool IsLost() const { return lost_; }
    // Lost, and two or more adapters like the lost one came: none is taken up.
    bool IsAmbiguous() const { return ambiguous_; }
    const std::string& PortName() const { return portName_; }
    // The device the line was last opened on, or is awaited on.
    const std::string& DevicePath() const { return devicePath_; }

  signals:
    void Lost(const QString& portName, const QString& devicePath);
    // The port is open again on devicePath.
    void Returned(const QString& portName, const QString& devicePath);
    // Two or more adapters like the lost one appeared (none has a serial number): none is
    // taken up, the user chooses.
    void Ambiguous(const QString& portName);

  private:
    void LineLost(const std::string& portName, const std::string& devicePath) override;
    void OnLost(const std::string& portName,
                const std::vector<platform::UsbSerialDevice>& presentAtLoss);
    void StopWatching();
    void WatchFolders();
    void LookForReturn();
    // A device that is there but cannot be opened yet is tried again a little later: the
    // kernel may make the node before its driver takes opens, and tells nothing more.
    void RetryLater();
    // The device now standing for the followed line, empty while there is none.
    std::string ReturnedDevice();
    // sys/ in the port mapping's system folder.
    static std::string SysRoot();

    std::string portName_;
    std::string devicePath_;
    PortManagerImpl& ports_;
    platform::UsbSerialIdentity identity_;  // of a default-mapped USB adapter
    std::vector<platform::UsbSerialDevice> presentAtLoss_;
    bool lost_ = false;
    bool ambiguous_ = false;
    std::unique_ptr<platform::DirectoryWatch> watch_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer retry_;
    int retries_ = 0;
};
