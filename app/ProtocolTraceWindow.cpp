#include "app/ProtocolTraceWindow.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/ui/EnterPresses.h"
#include "platform/ui/EscapeCloses.h"
#include "platform/ui/Feedback.h"
#include "trace/ProtocolTrace.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kShowIntervalMs = 500;
constexpr auto kMaxEntries = static_cast<qsizetype>(trace::ProtocolTrace::kHistoryLines);

void KeepLast(QStringList& lines) {
    if (lines.size() > kMaxEntries) {
        lines.remove(0, lines.size() - kMaxEntries);
    }
}

}  // namespace

ProtocolTraceWindow::ProtocolTraceWindow(trace::ProtocolTrace* trace, QWidget* parent)
    : QWidget(parent, Qt::Window), trace_(trace) {
    setWindowTitle(QStringLiteral("Protocol Trace"));
    entries_ = new QPlainTextEdit(this);
    entries_->setReadOnly(true);
    entries_->setLineWrapMode(QPlainTextEdit::NoWrap);
    entries_->setMaximumBlockCount(static_cast<int>(trace::ProtocolTrace::kHistoryLines));
    entries_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    entries_->setAccessibleName(QStringLiteral("Trace entries"));
    auto* saveAs = new QPushButton(QStringLiteral("Save As..."), this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    connect(saveAs, &QPushButton::clicked, this, &ProtocolTraceWindow::SaveAs);
    connect(clear, &QPushButton::clicked, this, &ProtocolTraceWindow::Clear);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveAs);
    buttons->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(entries_);
    layout->addLayout(buttons);
    resize(kWidth, kHeight);
    ui::CloseOnEscape(*this);
    ui::PressFocusedButtonOnEnter(*this);
    pendingTimer_ = new QTimer(this);
    pendingTimer_->setSingleShot(true);
    pendingTimer_->setInterval(kShowIntervalMs);
    connect(pendingTimer_, &QTimer::timeout, this, &ProtocolTraceWindow::ShowPending);

    if (trace_ == nullptr) {
        return;
    }
    // New lines come on the trace's writer thread; they are shown on this window's.
    auto subscription = trace_->History().Subscribe([this](const std::string& line) {
        QMetaObject::invokeMethod(
            this, [this, text = QString::fromStdString(line)] { Append(text); },
            Qt::QueuedConnection);
    });
    subscription_ = subscription.id;
    for (const std::string& line : subscription.lines) {
        Append(QString::fromStdString(line));
    }
}

ProtocolTraceWindow::~ProtocolTraceWindow() {
    if (trace_ != nullptr) {
        trace_->History().Unsubscribe(subscription_);
    }
}

QStringList ProtocolTraceWindow::Entries() const {
    const QString text = entries_->toPlainText();
    QStringList entries = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    entries += pending_;
    KeepLast(entries);
    return entries;
}

bool ProtocolTraceWindow::SaveTo(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    for (const QString& entry : Entries()) {
        file.write(entry.toUtf8());
        file.write("\n");
    }
    return file.commit();
}

void ProtocolTraceWindow::Clear() {
    pending_.clear();
    entries_->clear();
    if (trace_ != nullptr) {
        trace_->History().Clear();
    }
}

void ProtocolTraceWindow::Append(const QString& line) {
    pending_.append(line);
    KeepLast(pending_);
    if (isVisible() && !pendingTimer_->isActive()) {
        pendingTimer_->start();
    }
}

void ProtocolTraceWindow::ShowPending() {
    if (pending_.isEmpty()) {
        return;
    }
    entries_->appendPlainText(pending_.join(QLatin1Char('\n')));
    pending_.clear();
}

void ProtocolTraceWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowPending();
}

void ProtocolTraceWindow::hideEvent(QHideEvent* event) {
    pendingTimer_->stop();
    QWidget::hideEvent(event);
}

void ProtocolTraceWindow::SaveAs() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Protocol Trace"));
    if (path.isEmpty()) {
        return;
    }
    if (!SaveTo(path)) {
        ui::Beep();
        ui::Feedback::Current().Message(this, QStringLiteral("Cannot write %1.").arg(path));
    }
}
