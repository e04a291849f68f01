#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>

#include "app/CandidatePorts.h"
#include "app/LateReplyNotes.h"
#include "app/MaintenanceDialog.h"
#include "app/WindowText.h"
#include "platform/ui/Feedback.h"
#include "ports/DeviceMapping.h"
#include "ports/DevicePath.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace {

constexpr std::uint32_t kProbeWaitMs = 1000;

}  // namespace

void MaintenanceDialog::DestroyLink() {
    link_.reset();
}

void MaintenanceDialog::DiscoverInstrument() {
    if (link_) {
        if (link_->IsPending()) {
            ui::Beep();
            return;
        }
        DestroyLink();
        GetPortManager()->CloseAll();
    }
    link_.reset();
    FollowLine();
    ProcessDeviceMapping().Rescan();  // an adapter plugged in since is found now
    bool noPortAvailable = true;
    std::vector<discovery::RefusedPort> refused;

    for (const char* const portName : discovery::kCandidatePorts) {
        if (!discovery::IsPortAvailable(portName, refused)) {
            continue;
        }
        noPortAvailable = false;
        link_ = std::make_unique<InstrumentLink>(portName);
        NoteLateReplies(*link_, nullptr);  // the record's port is not this one yet

        link_->GoOnline();
        const std::string onlineReply = WaitForReply(kProbeWaitMs);
        if (!onlineReply.empty()) {
            goOnline_->setChecked(true);
            goOffline_->setChecked(false);
            response_->setText(ToWindowText(onlineReply));
        }

        link_->GoOffline();
        const std::string offlineReply = WaitForReply(kProbeWaitMs);
        if (!offlineReply.empty()) {
            record_->Event(
                "discovery",
                {{"port", portName},
                 {"device", QString::fromStdString(DevicePathForPortName(portName))},
                 {"lines", QJsonArray{ToWindowText(onlineReply), ToWindowText(offlineReply)}}});
            NoteLateReplies(*link_, record_.get());
            goOffline_->setChecked(true);
            goOnline_->setChecked(false);
            response_->setText(ToWindowText(offlineReply));
            FollowLine();
            return;
        }
        DestroyLink();
    }

    const QString message = discovery::NotFoundMessage(!noPortAvailable, refused);
    // No port from here on: the events that follow have none.
    record_->Event("not_found", {{"message", message}, {"port", ""}, {"device", ""}});
    ui::Beep();
    ui::Feedback::Current().Message(this, message);
}

void MaintenanceDialog::OnPollForInstrument() {
    DiscoverInstrument();
}
