#include "dialogs/SensorTimingTestDialog.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimerEvent>
#include <QTreeWidget>
#include <algorithm>

#include "dialogs/HexReadingEdit.h"
#include "dialogs/ReplyWaiter.h"
#include "platform/Tick.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/NewestRowOnFocus.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "protocol/InstrumentLink.h"
#include "resources/DialogTemplates.h"

namespace {

constexpr int kColumnCount = TimingTestTable::kColumnCount;

QWidget* CreateReadingField(const ui::ControlSpec& spec, QWidget* host) {
    if (spec.id != SensorTimingTestDialog::kReadingId) {
        return nullptr;
    }
    auto* field = new HexReadingEdit(host);
    field->setFrame(true);
    field->setMaxLength(timing::kReadingDigits);
    return field;
}

QStringList ColumnHeaders(bool leftTube) {
    const int firstSensor = leftTube ? 0 : timing::kSlotsPerRow;
    QStringList headers{QStringLiteral("t2-t1 (s)")};
    for (int slot = 0; slot < timing::kSlotsPerRow; ++slot) {
        headers << QStringLiteral("#%1").arg(firstSensor + slot);
    }
    return headers;
}

bool IsEnter(const QKeyEvent* event) {
    const bool enterKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return enterKey && modifiers == Qt::NoModifier;
}

}  // namespace

SensorTimingTestDialog::SensorTimingTestDialog(InstrumentLink& link, ReplyWaiter& replyWaiter,
                                               QWidget* parent)
    : ui::TemplateDialog(resources::SensorTimingTestTemplate(), parent, CreateReadingField),
      link_(link),
      replyWaiter_(replyWaiter) {
    BindControls();
    leftTubeButton_->setChecked(true);
    rightTubeButton_->setChecked(false);
    leftTube_ = true;
    running_ = false;
    ResetClock();
    SetUpReadingsTable();
}

void SensorTimingTestDialog::BindControls() {
    leftTubeButton_ = ControlAs<QRadioButton>(kLeftTubeId);
    rightTubeButton_ = ControlAs<QRadioButton>(kRightTubeId);
    minutesField_ = ControlAs<QLineEdit>(kMinutesId);
    secondsField_ = ControlAs<QLineEdit>(kSecondsId);
    startStopButton_ = ControlAs<QPushButton>(kStartStopId);
    readingsList_ = ControlAs<QTreeWidget>(kReadingsId);
    readingField_ = ControlAs<HexReadingEdit>(kReadingId);

    for (const ui::BuiltControl& control : Controls()) {
        auto* label = qobject_cast<QLabel*>(control.widget);
        if (label == nullptr) {
            continue;
        }
        if (control.spec->style & ui::StyleCentred) {
            label->setWordWrap(true);
        } else if (control.spec->style & ui::StyleSunken) {
            SetUpClockFace(label);
        }
    }

    connect(leftTubeButton_, &QRadioButton::clicked, this, [this] { OnTubeClicked(false); });
    connect(rightTubeButton_, &QRadioButton::clicked, this, [this] { OnTubeClicked(true); });
    connect(startStopButton_, &QPushButton::clicked, this, [this] { OnStartStop(); });
    connect(ControlAs<QPushButton>(kDoneId), &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(readingField_, &QLineEdit::textEdited, this,
            [this] { fieldHoldsRecordedReading_ = false; });
    connect(readingField_, &QLineEdit::selectionChanged, this, [this] {
        if (readingField_->selectedText() != readingField_->text()) {
            fieldHoldsRecordedReading_ = false;
        }
    });
    // The clock's colon names nothing; the two fields are named by hand.
    minutesField_->setAccessibleName(tr("Minutes"));
    secondsField_->setAccessibleName(tr("Seconds"));
    readingsList_->setAccessibleName(tr("Sensor Readings"));
    // The clock can be read from the keyboard: its two fields follow Start in the Tab order.
    for (QLineEdit* field : {minutesField_, secondsField_}) {
        field->setFocusPolicy(Qt::StrongFocus);
    }
    QWidget::setTabOrder(startStopButton_, minutesField_);
    QWidget::setTabOrder(minutesField_, secondsField_);
    ui::NewestRowOnFocus::Attach(*readingsList_);
}

// The clock is a sunken static whose colon shows between the two read-only fields laid over
// it. Without the frame's default indent the colon falls into the gap between them; the
// fields take the static's background so that the three read as one face.
void SensorTimingTestDialog::SetUpClockFace(QLabel* face) {
    const QString text = face->text();
    const QFontMetrics metrics(face->font());
    const int colonWidth = metrics.horizontalAdvance(QLatin1Char(':'));
    const int textBeforeColon = metrics.horizontalAdvance(text.left(text.size() - 1));
    const int gapLeft = minutesField_->geometry().right() + 1 - face->x();
    const int gapRight = secondsField_->x() - face->x();
    const int colonLeft = (gapLeft + gapRight - colonWidth) / 2;
    face->setIndent(std::max(0, colonLeft - face->frameWidth() - textBeforeColon));
    for (QLineEdit* field : {minutesField_, secondsField_}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, face->palette().color(QPalette::Window));
        field->setPalette(palette);
    }
}

void SensorTimingTestDialog::SetUpReadingsTable() {
    readingsList_->setColumnCount(kColumnCount);
    SetColumnHeaders();
    const int columnWidth = readingsList_->contentsRect().width() / kColumnCount;
    for (int column = 0; column < kColumnCount; ++column) {
        readingsList_->header()->resizeSection(column, columnWidth);
        readingsList_->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }
}

void SensorTimingTestDialog::SetColumnHeaders() {
    readingsList_->setHeaderLabels(ColumnHeaders(leftTube_));
}

void SensorTimingTestDialog::OnTubeClicked(bool rightTube) {
    if (running_) {
        leftTubeButton_->setChecked(leftTube_);
        rightTubeButton_->setChecked(!leftTube_);
        ui::Beep();
        return;
    }
    leftTube_ = !rightTube;
    fieldHoldsRecordedReading_ = false;
    ResetClock();
    readingsList_->clear();
    table_.Clear();
    SetColumnHeaders();
}

void SensorTimingTestDialog::OnStartStop() {
    if (running_) {
        StopClock();
        SendReporting(false);
    } else {
        StartClock();
        SendReporting(true);
    }
}

void SensorTimingTestDialog::StartClock() {
    ResetClock();
    clockTimer_.start(kClockPeriodMs, this);
    startStopButton_->setText(QStringLiteral("Stop"));
    ui::ScreenReaderNotice::TellNewText(*startStopButton_);
    running_ = true;
}

void SensorTimingTestDialog::StopClock() {
    clockTimer_.stop();
    startStopButton_->setText(QStringLiteral("Start"));
    ui::ScreenReaderNotice::TellNewText(*startStopButton_);
    running_ = false;
}

void SensorTimingTestDialog::ResetClock() {
    clock_.Reset();
    ShowClock();
}

void SensorTimingTestDialog::ShowClock() {
    secondsField_->setText(QString::fromStdString(clock_.SecondsText()));
    minutesField_->setText(QString::fromStdString(clock_.MinutesText()));
}

void SensorTimingTestDialog::SendReporting(bool enable) {
    const bool rightTube = rightTubeButton_->isChecked();
    if (!enable) {
        SwitchReportingOff(rightTube);
        return;
    }
    if (link_.SetSensorReporting(true, rightTube)) {
        replyWaiter_.WaitForReply(kReplyWaitMs);  // the reply is only drained, not shown
    }
}

// "LD" ("RD") is the dump's start as well: the card goes on to stream the tube's samples until a
// lone "M" stops them. Sent as the dump's start, so that the link can stop the stream at once,
// the card is left taking commands again; the samples sent meanwhile are dropped.
void SensorTimingTestDialog::SwitchReportingOff(bool rightTube) {
    if (!link_.StartDump(rightTube)) {
        return;
    }
    link_.ReplyWithin(kReplyWaitMs);  // the reporting's reply wait; a sample is not kept
    if (link_.StopDump()) {
        replyWaiter_.WaitForReply(kReplyWaitMs);
    } else {
        link_.Reset();
    }
    DropSamplesOnTheirWay();
}

// Until the line has been quiet for kQuietMs, for at most kDrainLimitMs.
void SensorTimingTestDialog::DropSamplesOnTheirWay() {
    const std::uint32_t start = platform::TickCount();
    do {
        link_.DiscardUnread();
    } while (link_.WaitForUnread(kQuietMs) && platform::TickCount() - start < kDrainLimitMs);
    link_.DiscardUnread();
}

void SensorTimingTestDialog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == clockTimer_.timerId()) {
        OnClockTick();
        return;
    }
    ui::TemplateDialog::timerEvent(event);
}

void SensorTimingTestDialog::OnClockTick() {
    if (!running_) {
        return;
    }
    const TimingClock::TickAction action = clock_.Tick();
    ShowClock();
    switch (action) {
        case TimingClock::TickAction::Finish:
            SendReporting(false);
            StopClock();
            for (int beep = 0; beep < kFinishBeeps; ++beep) {
                ui::Beep();
            }
            break;
        case TimingClock::TickAction::RepeatEnable:
            SendReporting(true);
            break;
        case TimingClock::TickAction::None:
            break;
    }
}

void SensorTimingTestDialog::keyPressEvent(QKeyEvent* event) {
    if (!IsEnter(event)) {
        ui::TemplateDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        button->click();
        return;
    }
    OnOk();
}

void SensorTimingTestDialog::OnOk() {
    if (focusWidget() == readingField_) {
        AcceptReading();
    }
}

void SensorTimingTestDialog::OnCancel() {
    if (running_) {
        ui::Beep();
        startStopButton_->setFocus(Qt::OtherFocusReason);
        return;
    }
    reject();
}

void SensorTimingTestDialog::Abandon() {
    if (running_) {
        SendReporting(false);
        StopClock();
    }
    reject();
}

void SensorTimingTestDialog::AcceptReading() {
    const QString text = readingField_->text();
    if (text.size() != timing::kReadingDigits || fieldHoldsRecordedReading_) {
        ui::Beep();
        return;
    }
    const std::optional<TimingTestTable::Change> change = table_.Accept(text.toStdString());
    if (!change) {
        ui::Beep();
        return;
    }
    ShowChange(*change);
    if (change->rowClosed) {
        readingField_->selectAll();
        fieldHoldsRecordedReading_ = true;
    } else {
        readingField_->setText(QString::fromStdString(change->nextEntry));
    }
}

void SensorTimingTestDialog::ShowChange(const TimingTestTable::Change& change) {
    if (change.rowOpened) {
        auto* item = new QTreeWidgetItem(readingsList_);  // owned by the list
        item->setText(0, QString::fromLatin1(TimingTestTable::kNoInterval));
        for (int column = 0; column < kColumnCount; ++column) {
            item->setTextAlignment(column, Qt::AlignCenter);
        }
    }
    QTreeWidgetItem* item = readingsList_->topLevelItem(change.row);
    if (item == nullptr) {
        return;
    }
    item->setText(change.column, QString::fromStdString(change.cellText));
    if (change.interval) {
        item->setText(0, QString::fromStdString(*change.interval));
    }
    ui::NewestRowOnFocus::NameCellsByHeadings(*item);
    readingsList_->scrollToItem(item);
    TellRecorded(change, *item);
}

// Enter refills the field, which is all a screen reader would say: the reading recorded is
// told as well, with its row and column, and the interval of a row that closed.
void SensorTimingTestDialog::TellRecorded(const TimingTestTable::Change& change,
                                          const QTreeWidgetItem& item) {
    const QTreeWidgetItem* headings = readingsList_->headerItem();
    QString told = tr("Row %1, %2: %3.")
                       .arg(change.row + 1)
                       .arg(headings->text(change.column), item.text(change.column));
    if (change.interval) {
        told += QLatin1Char(' ') + headings->text(0) + QStringLiteral(": ") + item.text(0) +
                QLatin1Char('.');
    }
    ui::ScreenReaderNotice::Tell(*this, told);
}
