#include "app/MaintenanceDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSysInfo>
#include <QTimer>
#include <QTreeWidget>

#include "Version.h"
#include "app/AboutDialog.h"
#include "app/ComposedNames.h"
#include "app/LineRecovery.h"
#include "app/ProtocolTraceWindow.h"
#include "app/RecordKeeping.h"
#include "app/ScreenReaderAids.h"
#include "controls/StatusLamp.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/WindowPlacement.h"
#include "plot/CurrentPlotFeed.h"
#include "ports/PortManager.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"
#include "report/ServiceReportWindow.h"
#include "resources/ApplicationIcon.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "trace/ProtocolTrace.h"

namespace {

constexpr int kSpreadLampCount = MaintenanceDialog::kDumpColumnCount;
constexpr double kDefaultSpreadLimit = 0.02;  // mA
const char* const kDefaultSpreadText = "20";  // µA

bool IsStatusCellId(int id) {
    return id >= MaintenanceDialog::IdFirstStatusCell &&
           id < MaintenanceDialog::IdFirstStatusCell + MaintenanceDialog::kStatusCellCount;
}

bool IsSpreadLampId(int id) {
    return id >= MaintenanceDialog::IdFirstSpreadLamp &&
           id < MaintenanceDialog::IdFirstSpreadLamp + kSpreadLampCount;
}

// The lamps are built with the template; the status cells are left to the initialisation.
QWidget* CreateCustomControl(const ui::ControlSpec& spec, QWidget* host) {
    if (IsSpreadLampId(spec.id)) {
        return new StatusLamp(host);
    }
    return nullptr;
}

// The status cells of template 102 as plain edit fields.
const ui::DialogTemplate& StatusCellTemplate() {
    static const ui::DialogTemplate cells = [] {
        ui::DialogTemplate result;
        for (const ui::ControlSpec& spec : resources::MainWindowTemplate().controls) {
            if (IsStatusCellId(spec.id)) {
                ui::ControlSpec cell = spec;
                cell.kind = ui::ControlKind::Edit;
                result.controls.push_back(cell);
            }
        }
        return result;
    }();
    return cells;
}

}  // namespace

MaintenanceDialog::MaintenanceDialog()
    : ui::TemplateDialog(resources::MainWindowTemplate(), nullptr, CreateCustomControl),
      icon_(resources::ApplicationIcon()),
      plotFeed_(std::make_unique<CurrentPlotFeed>()),
      record_(std::make_unique<VisitRecord>(VisitRecord::Origin{
          QStringLiteral(MERROWBY_VERSION), VisitRecord::UserName(), QSysInfo::machineHostName()})),
      recordKeeping_(std::make_unique<RecordKeeping>()) {
    for (const int timerId : {kTrainingTimerId, kDumpTimerId}) {
        auto* timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        timers_.emplace(timerId, timer);
    }
    connect(timers_.at(kTrainingTimerId), &QTimer::timeout, this,
            &MaintenanceDialog::OnTrainingTick);
    connect(timers_.at(kDumpTimerId), &QTimer::timeout, this, &MaintenanceDialog::OnDumpTick);
    SetUpLineRecovery();
}

MaintenanceDialog::~MaintenanceDialog() {
    // The report window reads and writes the record, which goes before the child windows do.
    delete serviceReport_;
    serviceReport_ = nullptr;
    KillTimer(kTrainingTimerId);
    for (std::unique_ptr<QLineEdit>& cell : statusCells_) {
        cell.reset();
    }
    link_.reset();
    lineRecovery_.reset();
    statusCells_.clear();
    GetPortManager()->CloseAll();
}

QWidget* MaintenanceDialog::Control(int id) const {
    if (IsStatusCellId(id)) {
        return StatusCell(id - IdFirstStatusCell);
    }
    return ui::TemplateDialog::Control(id);
}

QLineEdit* MaintenanceDialog::StatusCell(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= statusCells_.size()) {
        return nullptr;
    }
    return statusCells_[static_cast<std::size_t>(index)].get();
}

bool MaintenanceDialog::InitDialog() {
    if (initialised_) {
        return true;
    }
    initialised_ = true;
    AppendAboutEntry();
    AppendTraceEntry();
    AppendCurrentPlotEntry();
    AppendKeyboardMenuKey();
    AppendServiceReportEntry();
    AppendReadAllSensorsEntry();
    setWindowIcon(icon_);
    AttachControls();
    CreateStatusCells();
    NameUnlabelledControls(*this);
    lastVoltage_.fill(0.0);
    lastCurrent_.fill(0.0);
    dumpRunning_ = 0;
    leftTube_->setChecked(true);
    SetUpDumpColumns();
    spreadField_->setText(QString::fromLatin1(kDefaultSpreadText));
    spreadLimit_ = kDefaultSpreadLimit;
    ResetCurrentExtremes();
    ConnectHandlers();
    AnnounceReplies();
    goOffline_->setFocus(Qt::OtherFocusReason);
    // Discovery's messages come before the window: centred on where it will show.
    if (!testAttribute(Qt::WA_Moved)) {
        ui::CentreOnScreen(*this);
    }
    DiscoverInstrument();
    return true;
}

void MaintenanceDialog::AppendAboutEntry() {
    const QString aboutText = resources::LoadResourceString(kAboutStringId);
    if (!(windowFlags() & Qt::WindowSystemMenuHint) || aboutText.isEmpty()) {
        return;
    }
    systemMenu_ = new QMenu(this);
    systemMenu_->addSeparator();
    QAction* about = systemMenu_->addAction(aboutText);
    about->setShortcut(QKeySequence(Qt::Key_F1));
    about->setShortcutContext(Qt::WindowShortcut);
    addAction(about);
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(kAboutCommandId); });
}

void MaintenanceDialog::AppendCurrentPlotEntry() {
    auto* plot = new QAction(QStringLiteral("Current Plot..."), this);
    plot->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    plot->setShortcutContext(Qt::WindowShortcut);
    addAction(plot);
    if (systemMenu_ != nullptr) {
        systemMenu_->addAction(plot);
    }
    connect(plot, &QAction::triggered, this, &MaintenanceDialog::OpenCurrentPlot);
}

void MaintenanceDialog::AppendTraceEntry() {
    if (systemMenu_ == nullptr) {
        return;
    }
    QAction* entry = systemMenu_->addAction(QStringLiteral("Protocol Trace..."));
    entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    entry->setShortcutContext(Qt::WindowShortcut);
    addAction(entry);
    // Opens the trace window, or brings the open one to the front.
    connect(entry, &QAction::triggered, this, [this] {
        auto* window = findChild<ProtocolTraceWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (window == nullptr) {
            window = new ProtocolTraceWindow(trace::ProtocolTrace::Current(), this);
            ui::ShowBeside(*window, *this);
        }
        window->show();
        window->raise();
        window->activateWindow();
    });
}

// The replies of commands and queries are told to screen readers (the dump's report lines,
// shown in the response field on every tick, are not), and the window's other aids for them.
void MaintenanceDialog::AnnounceReplies() {
    AddScreenReaderAids(*this);
}

void MaintenanceDialog::AttachControls() {
    goOffline_ = ControlAs<QRadioButton>(IdGoOffline);
    goOnline_ = ControlAs<QRadioButton>(IdGoOnline);
    response_ = ControlAs<QLineEdit>(IdResponse);
    voltageReply_ = ControlAs<QLineEdit>(IdVoltageReply);
    voltageSensor_ = ControlAs<QLineEdit>(IdVoltageSensor);
    currentReply_ = ControlAs<QLineEdit>(IdCurrentReply);
    currentSensor_ = ControlAs<QLineEdit>(IdCurrentSensor);
    tripPointReply_ = ControlAs<QLineEdit>(IdTripPointReply);
    tripPointSensor_ = ControlAs<QLineEdit>(IdTripPointSensor);
    powerLevelReply_ = ControlAs<QLineEdit>(IdPowerLevelReply);
    powerLevelSensor_ = ControlAs<QLineEdit>(IdPowerLevelSensor);
    static constexpr std::array<int, kCommandButtonCount> commandIds{
        IdSetPowerLevel,     IdSetVoltage,  IdSetTripPoint,     IdAdjustTripPoint,
        IdSensorReports,     IdTrainSensor, IdSaveTrainingData, IdRestoreTrainingData,
        IdPollForInstrument, IdUpdate,      IdQueryVoltage,     IdQueryCurrent,
        IdQueryTripPoint};
    for (std::size_t i = 0; i < commandIds.size(); ++i) {
        commandButtons_[i] = ControlAs<QPushButton>(commandIds[i]);
    }
    leftTube_ = ControlAs<QRadioButton>(IdLeftTube);
    rightTube_ = ControlAs<QRadioButton>(IdRightTube);
    startButton_ = ControlAs<QPushButton>(IdStartStop);
    dumpList_ = ControlAs<QTreeWidget>(IdDumpList);
    dumpFileName_ = ControlAs<QLineEdit>(IdDumpFileName);
    dumpToFile_ = ControlAs<QCheckBox>(IdDumpToFile);
    for (int c = 0; c < kDumpColumnCount; ++c) {
        spreadLamps_[c] = ControlAs<StatusLamp>(IdFirstSpreadLamp + c);
    }
    resetButton_ = ControlAs<QPushButton>(IdReset);
    for (int i = 0; i < 2 * kDumpColumnCount; ++i) {
        extremeLabels_[i] = ControlAs<QLabel>(IdFirstExtremeLabel + i);
    }
    spreadField_ = ControlAs<QLineEdit>(IdSpreadField);
}

void MaintenanceDialog::CreateStatusCells() {
    const ui::DialogTemplate& cells = StatusCellTemplate();
    ui::TemplateBuilder builder(cells, this, Units());
    builder.Build();
    statusCells_.clear();
    statusCells_.resize(kStatusCellCount);
    for (int i = 0; i < kStatusCellCount; ++i) {
        auto* cell = qobject_cast<QLineEdit*>(builder.Control(IdFirstStatusCell + i));
        statusCells_[static_cast<std::size_t>(i)].reset(cell);
    }
}

void MaintenanceDialog::SetUpDumpColumns() {
    dumpList_->setColumnCount(kDumpColumnCount);
    // The recorder's follow rule counts in rows.
    dumpList_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    SetDumpHeadings(0);
    // Sized for the vertical scroll bar a full list shows, so that no column is cut off then.
    const int clientWidth = dumpList_->maximumViewportSize().width() -
                            dumpList_->verticalScrollBar()->sizeHint().width();
    dumpList_->header()->setMinimumSectionSize(1);
    dumpList_->header()->setStretchLastSection(false);
    for (int c = 0; c < kDumpColumnCount; ++c) {
        dumpList_->headerItem()->setTextAlignment(c, Qt::AlignHCenter | Qt::AlignVCenter);
        dumpList_->setColumnWidth(c, clientWidth / kDumpColumnCount);
    }
}

void MaintenanceDialog::ConnectHandlers() {
    using Handler = void (MaintenanceDialog::*)();
    static const std::array<std::pair<int, Handler>, 22> handlers{{
        {IdGoOffline, &MaintenanceDialog::OnGoOffline},
        {IdGoOnline, &MaintenanceDialog::OnGoOnline},
        {IdSetPowerLevel, &MaintenanceDialog::OnSetPowerLevel},
        {IdSetVoltage, &MaintenanceDialog::OnSetVoltage},
        {IdSetTripPoint, &MaintenanceDialog::OnSetTripPoint},
        {IdAdjustTripPoint, &MaintenanceDialog::OnAdjustTripPoint},
        {IdSensorReports, &MaintenanceDialog::OnSensorReports},
        {IdTrainSensor, &MaintenanceDialog::OnTrainSensor},
        {IdSaveTrainingData, &MaintenanceDialog::OnSaveTrainingData},
        {IdRestoreTrainingData, &MaintenanceDialog::OnRestoreTrainingData},
        {IdPollForInstrument, &MaintenanceDialog::OnPollForInstrument},
        {IdSensorTimingTest, &MaintenanceDialog::OnSensorTimingTest},
        {IdUpdate, &MaintenanceDialog::OnUpdateStatus},
        {IdQueryVoltage, &MaintenanceDialog::OnQueryVoltage},
        {IdQueryCurrent, &MaintenanceDialog::OnQueryCurrent},
        {IdQueryTripPoint, &MaintenanceDialog::OnQueryTripPoint},
        {IdStartStop, &MaintenanceDialog::OnStartStop},
        {IdLeftTube, &MaintenanceDialog::OnLeftTube},
        {IdRightTube, &MaintenanceDialog::OnRightTube},
        {IdReset, &MaintenanceDialog::OnResetExtremes},
        {IdBrowseDumpFile, &MaintenanceDialog::OnBrowseDumpFile},
        {IdDone, &MaintenanceDialog::OnOk},
    }};
    for (const auto& [id, handler] : handlers) {
        auto* button = ControlAs<QAbstractButton>(id);
        if (button == nullptr) {
            continue;
        }
        connect(button, &QAbstractButton::clicked, this, [this, handler] { (this->*handler)(); });
    }
    // A long path shows only its tail in the field.
    connect(dumpFileName_, &QLineEdit::textChanged, dumpFileName_, &QWidget::setToolTip);
}

std::string MaintenanceDialog::WaitForReply(std::uint32_t timeout) {
    if (!link_) {
        return {};
    }
    // The window stays blocked as before; the thread sleeps between the card's bytes.
    recordKeeping_->delivery.WaitBegins(*link_);
    if (std::string reply = link_->ReplyWithin(timeout); !reply.empty()) {
        return reply;
    }
    recordKeeping_->delivery.WaitTimedOut(*link_);
    link_->Reset();
    return {};
}

bool MaintenanceDialog::LastCommandUnsent() const {
    return recordKeeping_->delivery.Unsent();
}

void MaintenanceDialog::OnSysCommand(unsigned commandId) {
    if ((commandId & 0xFFF0u) == kAboutCommandId) {
        AboutDialog about(this);
        about.exec();
    }
}

void MaintenanceDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (systemMenu_ == nullptr) {
        ui::TemplateDialog::contextMenuEvent(event);
        return;
    }
    systemMenu_->exec(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                  : KeyboardMenuPosition());
    event->accept();
}

QPoint MaintenanceDialog::KeyboardMenuPosition() const {
    const QWidget* focus = focusWidget();
    if (focus == nullptr) {
        return mapToGlobal(rect().center());
    }
    return focus->mapToGlobal(QPoint(0, focus->height()));
}

void MaintenanceDialog::AppendKeyboardMenuKey() {
    // Shift+F10 asks for the focused control's menu as the Menu key does; a control without one
    // passes the request on to the window.
    auto* key = new QAction(this);
    key->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
    key->setShortcutContext(Qt::WindowShortcut);
    addAction(key);
    connect(key, &QAction::triggered, this, [this] {
        QWidget* target = focusWidget() != nullptr ? focusWidget() : this;
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(0, target->height()),
                                  target->mapToGlobal(QPoint(0, target->height())));
        QApplication::sendEvent(target, &request);
    });
}

void MaintenanceDialog::SetTimer(int timerId, int periodMs) {
    QTimer* timer = timers_.at(timerId);
    timer->start(periodMs);
}

void MaintenanceDialog::KillTimer(int timerId) {
    timers_.at(timerId)->stop();
}

bool MaintenanceDialog::IsTimerActive(int timerId) const {
    return timers_.at(timerId)->isActive();
}

int MaintenanceDialog::TimerPeriod(int timerId) const {
    return timers_.at(timerId)->interval();
}

int MaintenanceDialog::exec() {
    InitDialog();
    if (terminating_) {
        return QDialog::Rejected;
    }
    return ui::TemplateDialog::exec();
}

void MaintenanceDialog::setVisible(bool visible) {
    if (visible && !initialised_) {
        InitDialog();
    }
    ui::TemplateDialog::setVisible(visible);
}
