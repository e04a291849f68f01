#include <QLineEdit>
#include <QString>
#include <optional>

#include "app/MaintenanceDialog.h"
#include "app/StatusGridView.h"
#include "app/VisitEvents.h"
#include "platform/ui/Feedback.h"
#include "protocol/InstrumentLink.h"
#include "protocol/ReplyDecoding.h"
#include "record/VisitRecord.h"

void MaintenanceDialog::OnUpdateStatus() {
    if (!link_ || !link_->QueryStatus()) {
        record_->Event("refused", {{"command", "status"}});
        ui::Beep();
        return;
    }
    const std::string reply = WaitForReply(1000);
    const std::optional<SensorStatus> status = protocol::DecodeStatusReply(reply);
    record_->Event("status", visit::WithReply(status ? visit::StatusValues(*status)
                                                     : QJsonObject{{"incomplete", !reply.empty()}},
                                              reply, LastCommandUnsent()));
    if (!status) {
        // No answer, or too short to hold every byte: the cells keep their texts.
        ui::Beep();
        return;
    }
    ShowStatusCells(*status);
    StatusGridView::TellSummary(*this);
}

void MaintenanceDialog::ShowStatusCells(const SensorStatus& status) {
    constexpr int kColumns = 8;
    for (int row = 0; row < static_cast<int>(SensorStatus::kConditionCount); ++row) {
        const std::uint8_t byte = status.Byte(static_cast<SensorStatus::Condition>(row));
        for (int column = 0; column < kColumns; ++column) {
            const bool set = ((byte >> (7 - column)) & 1u) != 0;
            statusCells_.at(static_cast<std::size_t>(row * kColumns + column))
                ->setText(set ? QStringLiteral("1") : QStringLiteral("0"));
        }
    }
}
