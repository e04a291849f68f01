#pragma once

#include <QIcon>
#include <QJsonObject>
#include <QPoint>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ReplyWaiter.h"
#include "platform/ui/TemplateDialog.h"

struct RecordKeeping;
class CurrentPlotFeed;
class CurrentPlotWindow;
class ServiceReportWindow;
class VisitRecord;
class InstrumentLink;
class LineRecovery;
class SensorStatus;
class StatusLamp;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeWidget;

// The main window and holder of all program state: the link to the card, the controls of the
// four sections, the query readings and the sensor current dump.
class MaintenanceDialog : public ui::TemplateDialog, public ReplyWaiter {
    Q_OBJECT
  public:
    // Control ids of dialog template 102.
    enum ControlId : int {
        IdDone = 1,
        IdGoOffline = 1000,
        IdGoOnline = 1001,
        IdResponse = 1002,
        IdSetPowerLevel = 1003,
        IdSetVoltage = 1004,
        IdSetTripPoint = 1005,
        IdTrainSensor = 1006,
        IdAdjustTripPoint = 1007,
        IdSaveTrainingData = 1008,
        IdRestoreTrainingData = 1009,
        IdPollForInstrument = 1010,
        IdUpdate = 1011,
        IdSensorReports = 1012,
        IdAutoUpdate = 1052,
        IdQueryVoltage = 1053,
        IdQueryCurrent = 1054,
        IdQueryTripPoint = 1055,
        IdVoltageReply = 1056,
        IdCurrentReply = 1057,
        IdTripPointReply = 1058,
        IdVoltageSensor = 1059,
        IdCurrentSensor = 1060,
        IdTripPointSensor = 1061,
        IdLeftTube = 1062,
        IdRightTube = 1063,
        IdStartStop = 1064,
        IdDumpList = 1065,
        IdPowerLevelSensor = 1066,
        IdPowerLevelReply = 1067,
        IdDumpToFile = 1075,
        IdDumpFileName = 1076,
        IdBrowseDumpFile = 1077,
        IdSensorTimingTest = 1083,
        IdFirstSpreadLamp = 1091,    // 1091 to 1094
        IdFirstExtremeLabel = 1095,  // 1095 to 1098 "Max", 1099 to 1102 "Min"
        IdReset = 1103,
        IdSpreadField = 1104,
        IdFirstStatusCell = 2000,  // 2000 to 2039
    };
    static constexpr int kStatusCellCount = 40;
    static constexpr int kCommandButtonCount = 13;
    static constexpr int kDumpColumnCount = 4;
    static constexpr int kSensorCount = 8;
    // Window timers.
    static constexpr int kTrainingTimerId = 100;
    static constexpr int kTrainingTimerPeriodMs = 1000;
    static constexpr int kDumpTimerId = 101;
    static constexpr int kDumpTimerPeriodMs = 910;
    // System command of the About entry.
    static constexpr unsigned kAboutCommandId = 16;
    static constexpr int kAboutStringId = 101;

    MaintenanceDialog();
    ~MaintenanceDialog() override;

    MaintenanceDialog(const MaintenanceDialog&) = delete;
    MaintenanceDialog& operator=(const MaintenanceDialog&) = delete;

    // The control with that id, the status cells included (they are not built from the template
    // but created by the initialisation).
    QWidget* Control(int id) const;
    template <class Widget>
    Widget* ControlAs(int id) const {
        return qobject_cast<Widget*>(Control(id));
    }

    // Window initialisation, once, before the window is first shown (exec() and show() run it
    // themselves); later calls do nothing. Runs instrument discovery.
    bool InitDialog();

    std::string WaitForReply(std::uint32_t timeout) override;
    // Whether the command of the last WaitForReply never reached the line (so no reply came).
    bool LastCommandUnsent() const;
    void DiscoverInstrument();
    bool CanClose();

    // Dump recorder.
    void RecordCurrentSample(std::string text);
    void ResetCurrentExtremes();

    // The system command handler; the About entry of the window's menu and F1 send
    // kAboutCommandId.
    void OnSysCommand(unsigned commandId);

    // Ends the program through the normal shutdown without asking: a running dump is
    // stopped, a pending reply abandoned, open modal dialogs closed, then the modal run ends.
    void Terminate();
    // After the modal run: puts the card back online as the link's destruction would, and
    // records how that went, then the visit's exit.
    void EndVisit();

    int exec() override;
    void setVisible(bool visible) override;

    void OnOk() override;
    void OnCancel() override;

    // Command section.
    void OnGoOffline();
    void OnGoOnline();
    void OnSetPowerLevel();
    void OnSetVoltage();
    void OnSetTripPoint();
    void OnAdjustTripPoint();
    void OnSensorReports();
    void OnTrainSensor();
    void OnSaveTrainingData();
    void OnRestoreTrainingData();
    void OnPollForInstrument();
    void OnSensorTimingTest();
    // Each tick of timer 100: the training progress.
    void OnTrainingTick();

    // Sensor status section.
    void OnUpdateStatus();
    // The status grid shows a status reply's bits.
    void ShowStatusCells(const SensorStatus& status);

    // Query section.
    void OnQueryVoltage();
    void OnQueryCurrent();
    void OnQueryTripPoint();

    // Sensor current dump section.
    void OnStartStop();
    void OnLeftTube();
    void OnRightTube();
    void OnResetExtremes();
    void OnBrowseDumpFile();
    // Each tick of timer 101: one report of the dump.
    void OnDumpTick();
    // The instrument's serial line went away, or is open again (LineRecovery).
    void OnLineLost(const QString& portName);
    void OnLineBack(const QString& portName, const QString& devicePath);
    LineRecovery& LineFollower() const { return *lineRecovery_; }

    // Called by Terminate() before the link goes: ends a running dump at once.
    void StopDumpForTermination();

    // The non-modal "Sensor Current Plot" window of the dump (menu entry and Ctrl+P); made
    // on first use, then shown and raised.
    void OpenCurrentPlot();
    CurrentPlotWindow* CurrentPlot() const { return currentPlot_; }
    CurrentPlotFeed& PlotFeed() const { return *plotFeed_; }

    // The record of this visit: every event in memory, and in the records folder once
    // StartRecordFile() has found it writable (one message, and no file, otherwise).
    VisitRecord& Record() const { return *record_; }
    bool StartRecordFile(const QString& folder);
    // At exit: waits a few seconds at most for the disk to take the record, and says what
    // it did not take.
    void FinishRecordFile();
    // The non-modal "Service Report" window of the visit; made on first use.
    void OpenServiceReport();
    ServiceReportWindow* ServiceReport() const { return serviceReport_; }

    // Window timers by id (100 and 101), as the handlers use them.
    void SetTimer(int timerId, int periodMs);
    void KillTimer(int timerId);
    bool IsTimerActive(int timerId) const;
    // The period the timer was last started with, in milliseconds.
    int TimerPeriod(int timerId) const;

    // State, for the handlers' tests.
    InstrumentLink* Link() const { return link_.get(); }
    bool IsDumpRunning() const { return dumpRunning_ != 0; }
    double SpreadLimit() const { return spreadLimit_; }
    double MaximumCurrent(int column) const { return maximumCurrent_.at(column); }
    double MinimumCurrent(int column) const { return minimumCurrent_.at(column); }
    double LastVoltage(int sensor) const { return lastVoltage_.at(sensor); }
    double LastCurrent(int sensor) const { return lastCurrent_.at(sensor); }
    StatusLamp* SpreadLamp(int column) const { return spreadLamps_.at(column); }
    QLineEdit* StatusCell(int index) const;
    const QIcon& Icon() const { return icon_; }
    // The window's menu (the system menu's counterpart), null without one.
    QMenu* SystemMenu() const { return systemMenu_; }
    bool IsInitialised() const { return initialised_; }

  protected:
    bool CloseRequested() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void AttachControls();
    void CreateStatusCells();
    void ConnectHandlers();
    void AnnounceReplies();
    void AppendAboutEntry();
    void AppendTraceEntry();
    void AppendCurrentPlotEntry();
    void AppendKeyboardMenuKey();
    // Where the window's menu opens when asked for from the keyboard: under the focused
    // control.
    QPoint KeyboardMenuPosition() const;
    void AppendServiceReportEntry();
    // "Read All Sensors" (Ctrl+R): the survey of the whole card (app/survey).
    void AppendReadAllSensorsEntry();
    void SetUpDumpColumns();
    // The four column headings of the tube whose sensors begin at firstSensor.
    void SetDumpHeadings(int firstSensor);
    void DestroyLink();
    void SetUpLineRecovery();
    // The line of the link just found is the one followed (none without a link).
    void FollowLine();
    bool IsFollowedLine(const QString& portName) const;
    // Takes the card offline on a line that came back, once no reply is pending and no
    // timing test runs.
    void TakeUpLineIfDue();
    // The take-up's end, with the card's answer to "M" (empty when it was silent).
    void FinishLineTakeUp(const std::string& reply);
    // A pending reply or an open timing test holds the line for now.
    bool LineTakeUpWaits() const;
    void ShowLineLost();
    // A line event in the service record, with the device it names.
    void RecordLine(const char* kind, const QString& portName, const QString& devicePath);
    // The end of a dump: timer 101 stopped, "Start" again, the link reset and drained, the
    // command buttons and the spread field enabled.
    void EndDump();
    // At "Stop": the reports received and not yet read go to the recorder.
    void TakeReportsBeforeStop();
    void CloseOtherModalDialogs();
    // The dump file the recorder writes to, empty when none; and the record of a dump's end.
    QString DumpFileForRecord() const;
    QJsonObject DumpSummary() const;

    // Members in the order of the window's data model.
    std::unique_ptr<InstrumentLink> link_;
    QIcon icon_;
    QRadioButton* goOffline_ = nullptr;
    QRadioButton* goOnline_ = nullptr;
    QLineEdit* response_ = nullptr;
    std::vector<std::unique_ptr<QLineEdit>> statusCells_;
    QLineEdit* voltageReply_ = nullptr;
    QLineEdit* voltageSensor_ = nullptr;
    QLineEdit* currentReply_ = nullptr;
    QLineEdit* currentSensor_ = nullptr;
    QLineEdit* tripPointReply_ = nullptr;
    QLineEdit* tripPointSensor_ = nullptr;
    QLineEdit* powerLevelReply_ = nullptr;
    QLineEdit* powerLevelSensor_ = nullptr;
    // 1003, 1004, 1005, 1007, 1012, 1006, 1008, 1009, 1010, 1011, 1053, 1054, 1055.
    std::array<QPushButton*, kCommandButtonCount> commandButtons_{};
    std::array<double, kSensorCount> lastVoltage_{};
    std::array<double, kSensorCount> lastCurrent_{};
    QRadioButton* leftTube_ = nullptr;
    QRadioButton* rightTube_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QTreeWidget* dumpList_ = nullptr;
    QLineEdit* dumpFileName_ = nullptr;
    QCheckBox* dumpToFile_ = nullptr;
    int dumpRunning_ = 0;
    std::array<StatusLamp*, kDumpColumnCount> spreadLamps_{};
    QPushButton* resetButton_ = nullptr;
    std::array<QLabel*, 2 * kDumpColumnCount> extremeLabels_{};
    QLineEdit* spreadField_ = nullptr;
    double spreadLimit_ = 0.02;
    std::array<double, kDumpColumnCount> maximumCurrent_{};
    std::array<double, kDumpColumnCount> minimumCurrent_{};

    // Training progress (timer 100): consecutive ticks without a reply line.
    std::int32_t emptyTickCount_ = 0;
    // Dump (timer 101): consecutive ticks without text, and the tube of the last start.
    std::int32_t silentTickCount_ = 0;
    bool dumpRightTube_ = false;

    // The dump as the plot shows it, collected whether or not the plot is open.
    std::unique_ptr<CurrentPlotFeed> plotFeed_;
    CurrentPlotWindow* currentPlot_ = nullptr;

    std::unique_ptr<VisitRecord> record_;
    std::unique_ptr<RecordKeeping> recordKeeping_;
    ServiceReportWindow* serviceReport_ = nullptr;
    // Samples of the running dump, for its record.
    int dumpSampleCount_ = 0;

    // The link's serial line: lost and back.
    std::unique_ptr<LineRecovery> lineRecovery_;
    bool lineTakeUpDue_ = false;
    bool lineLostDuringDump_ = false;
    bool timingTestOpen_ = false;
    QString lineBackDevice_;

    std::map<int, QTimer*> timers_;
    QMenu* systemMenu_ = nullptr;
    bool initialised_ = false;
    bool terminating_ = false;
};
