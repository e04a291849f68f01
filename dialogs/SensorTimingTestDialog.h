#pragma once

#include <QBasicTimer>
#include <cstdint>

#include "dialogs/TimingClock.h"
#include "dialogs/TimingTestTable.h"
#include "platform/ui/TemplateDialog.h"

class HexReadingEdit;
class InstrumentLink;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class ReplyWaiter;

// The sensor timing test (template 136): an 8:15 clock that keeps the card's sensor reporting
// switched on for one tube, and a table into which the technician types the card's timing
// readings, four to a row. The only way out is "Done", refused while the clock runs.
class SensorTimingTestDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    enum ControlId {
        kLeftTubeId = 1081,
        kRightTubeId = 1082,
        kMinutesId = 1084,
        kSecondsId = 1085,
        kStartStopId = 1086,
        kReadingsId = 1087,
        kReadingId = 1088,
        kDoneId = 2,
    };
    static constexpr int kClockPeriodMs = 1000;
    static constexpr std::uint32_t kReplyWaitMs = 100;
    static constexpr int kFinishBeeps = 4;
    // After the stop of the stream that "LD" starts: the quiet that ends it, and the longest
    // time spent dropping samples.
    static constexpr std::uint32_t kQuietMs = 100;
    static constexpr std::uint32_t kDrainLimitMs = 2000;

    // Neither the link nor the waiter is owned; both must outlive the dialog.
    SensorTimingTestDialog(InstrumentLink& link, ReplyWaiter& replyWaiter,
                           QWidget* parent = nullptr);

    // One tick of the 1-second clock timer. The timer calls it; tests may call it directly.
    // Does nothing while the clock is stopped.
    void OnClockTick();

    bool IsRunning() const { return running_; }
    bool IsClockTimerActive() const { return clockTimer_.isActive(); }
    bool IsLeftTube() const { return leftTube_; }
    const TimingClock& Clock() const { return clock_; }
    const TimingTestTable& Table() const { return table_; }

    // Enter: accepts a reading when the reading field has the focus, otherwise nothing.
    void OnOk() override;
    // "Done", Escape and the close box: refused while the clock runs.
    void OnCancel() override;
    // Closes the window even while the clock runs, which is first ended as at 8:15: the
    // card's sensor reporting is switched off. For the program's termination.
    void Abandon();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void BindControls();
    void SetUpClockFace(QLabel* face);
    void SetUpReadingsTable();
    void SetColumnHeaders();
    void OnTubeClicked(bool rightTube);
    void OnStartStop();
    void StartClock();
    void StopClock();
    void ResetClock();
    void ShowClock();
    void SendReporting(bool enable);
    void SwitchReportingOff(bool rightTube);
    void DropSamplesOnTheirWay();
    void AcceptReading();
    void ShowChange(const TimingTestTable::Change& change);
    void TellRecorded(const TimingTestTable::Change& change, const QTreeWidgetItem& item);

    InstrumentLink& link_;
    ReplyWaiter& replyWaiter_;

    QRadioButton* leftTubeButton_ = nullptr;
    QRadioButton* rightTubeButton_ = nullptr;
    QLineEdit* minutesField_ = nullptr;
    QLineEdit* secondsField_ = nullptr;
    QPushButton* startStopButton_ = nullptr;
    QTreeWidget* readingsList_ = nullptr;
    HexReadingEdit* readingField_ = nullptr;

    QBasicTimer clockTimer_;
    TimingClock clock_;
    TimingTestTable table_;
    bool running_ = false;
    bool leftTube_ = true;
    // The field still shows the reading that closed the last row, untouched and wholly
    // selected since.
    bool fieldHoldsRecordedReading_ = false;
};
