#include "app/ReplyAnnouncer.h"

#include <QAccessible>
#include <QLineEdit>
#include <algorithm>

#include "platform/ui/ScreenReaderNotice.h"

namespace {

const QString kNoResponse = QStringLiteral("No Response.");

QString AccessibleName(QLineEdit& field) {
    const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&field);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// "<name>: <text>", or "<name>, sensor <n>: <text>".
QString NamedText(QLineEdit& field, const QLineEdit* sensor = nullptr) {
    QString name = AccessibleName(field);
    if (sensor != nullptr && !sensor->text().isEmpty()) {
        name += QStringLiteral(", sensor ") + sensor->text();
    }
    return name.isEmpty() ? field.text() : name + QStringLiteral(": ") + field.text();
}

}  // namespace

ReplyAnnouncer::ReplyAnnouncer(QWidget* window, std::function<bool()> quiet)
    : QObject(window), window_(window), quiet_(std::move(quiet)) {}

void ReplyAnnouncer::Watch(QLineEdit& reply, QLineEdit* sensor, bool withPowerLevel) {
    const std::size_t row = rows_.size();
    rows_.push_back({&reply, sensor, withPowerLevel});
    connect(&reply, &QLineEdit::textChanged, this, [this, row] {
        if (!quiet_()) {
            Schedule(row);
        }
    });
}

void ReplyAnnouncer::SetPowerLevelField(QLineEdit& level) {
    powerLevel_ = &level;
}

void ReplyAnnouncer::TellAgain(QLineEdit& reply) {
    const auto announcers = reply.window()->findChildren<ReplyAnnouncer*>();
    for (ReplyAnnouncer* announcer : announcers) {
        for (std::size_t row = 0; row < announcer->rows_.size(); ++row) {
            if (announcer->rows_[row].reply == &reply && !announcer->quiet_()) {
                announcer->Schedule(row);
            }
        }
    }
}

void ReplyAnnouncer::Schedule(std::size_t row) {
    if (std::find(pending_.begin(), pending_.end(), row) != pending_.end()) {
        return;
    }
    if (pending_.empty()) {
        QMetaObject::invokeMethod(this, &ReplyAnnouncer::Flush, Qt::QueuedConnection);
    }
    pending_.push_back(row);
}

void ReplyAnnouncer::Flush() {
    QStringList told;
    for (const std::size_t row : pending_) {
        told << RowText(rows_[row]);
    }
    pending_.clear();
    ui::ScreenReaderNotice::Tell(*window_, told.join(QStringLiteral(". ")));
}

QString ReplyAnnouncer::RowText(const Row& row) const {
    QString text = NamedText(*row.reply, row.sensor);
    if (row.withPowerLevel && row.reply->text() != kNoResponse && powerLevel_ != nullptr) {
        text += QStringLiteral(". ") + NamedText(*powerLevel_);
    }
    return text;
}
