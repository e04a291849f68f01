#include "report/ServiceReportWindow.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "platform/ui/EnterPresses.h"
#include "platform/ui/EscapeCloses.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/SaveAsChooser.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "record/PreviousDetails.h"
#include "record/RecordAppender.h"
#include "record/RecordFolder.h"
#include "record/VisitRecord.h"
#include "report/AuthorisationDialog.h"
#include "report/IssuerDialog.h"
#include "report/NotesEdit.h"
#include "report/ReportBrowserAccessible.h"
#include "report/ReportCaretKeys.h"
#include "report/ReportDetailsFields.h"
#include "report/ReportDocument.h"
#include "report/ReportDocumentUpdater.h"
#include "report/ReportIssuing.h"
#include "report/ReportSettings.h"
#include "report/ServiceReportBuilder.h"

namespace {

const QSize kPreferredSize(760, 640);

// Room left for the window's frame and title bar.
const QSize kFrameAllowance(16, 48);

QJsonObject DetailsValues(const ServiceReport& report) {
    const ServiceReport::Details& details = report.details;
    return {{"model", details.model},
            {"serial_number", details.serialNumber},
            {"asset_number", details.assetNumber},
            {"customer", details.customer},
            {"site", details.site},
            {"reason", details.reason},
            {"technician", report.technician},
            {"contact", details.contact}};
}

}  // namespace

ServiceReportWindow::ServiceReportWindow(VisitRecord& record, QWidget* parent)
    : QWidget(parent, Qt::Window),
      record_(record),
      builder_(std::make_unique<ServiceReportBuilder>()),
      shown_(std::make_unique<ReportDocumentUpdater>()) {
    setWindowTitle(QStringLiteral("Service Report"));
    BuildControls();
    ui::CloseOnEscape(*this);
    ui::PressFocusedButtonOnEnter(*this);
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshDelayMs);
    connect(refreshTimer_, &QTimer::timeout, this, &ServiceReportWindow::Refresh);
    notesTimer_ = new QTimer(this);
    notesTimer_->setSingleShot(true);
    notesTimer_->setInterval(kNotesDelayMs);
    connect(notesTimer_, &QTimer::timeout, this, &ServiceReportWindow::CommitNotes);
    record_.SetChangeHandler([this] { ScheduleRefresh(); });

    TakeRecordedDetails();
    LoadSavedLimits();
    FitScreen();
    Refresh();
}

ServiceReportWindow::~ServiceReportWindow() {
    record_.SetChangeHandler({});
    // The browser, which outlives the report's document, lets go of it: the focus leaving the
    // browser as the window goes reads its caret's place in the document.
    browser_->setDocument(nullptr);
}

void ServiceReportWindow::TakeRecordedDetails() {
    FeedNewEvents();
    const ServiceReport recorded = builder_->Report();
    QJsonObject values = DetailsValues(recorded);
    committedDetails_ = values;
    // A technician's name kept from an earlier visit, where the record names none.
    const QString technician = ReportSettings::Technician();
    if (recorded.technician == recorded.user && !technician.isEmpty()) {
        values.insert(QStringLiteral("technician"), technician);
    }
    details_->SetValues(values);
    CommitDetails();
}

void ServiceReportWindow::LoadSavedLimits() {
    const QString path = ReportSettings::AcceptanceLimitsPath();
    if (path.isEmpty()) {
        return;
    }
    QString error;
    limits_ = AcceptanceLimits::Load(path, error);
    limitsPath_ = limits_ ? path : QString();
    builder_->SetAcceptanceLimits(limits_ ? &*limits_ : nullptr);
    RecordLimits();
    if (!limits_) {
        SetStatus(error + QStringLiteral(" Nothing is judged against acceptance limits."));
    }
}

void ServiceReportWindow::RecordLimits() {
    const QJsonObject values =
        limits_ ? limits_->RecordValues() : AcceptanceLimits::NoneRecordValues();
    // Limits put aside before any were recorded leave the record as it is.
    if (values == recordedLimits_ || (!limits_ && recordedLimits_.isEmpty())) {
        return;
    }
    recordedLimits_ = values;
    record_.Event("acceptance_limits", values);
}

void ServiceReportWindow::BuildControls() {
    auto* content = new QWidget(this);
    source_ = new QLabel(content);
    source_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    limitsState_ = new QLabel(content);
    limitsState_->setWordWrap(true);
    details_ = new ReportDetailsFields(content);
    connect(details_, &ReportDetailsFields::Edited, this, [this] {
        if (IsShowingCurrentVisit()) {
            notesTimer_->start();
        }
    });
    browser_ = new QTextBrowser(content);
    ReportBrowserAccessible::Install(*browser_);
    browser_->setAccessibleName(QStringLiteral("Report"));
    // A caret the arrow keys move, for a screen reader to read line by line.
    browser_->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    ReportCaretKeys::Install(*browser_);
    browser_->setMinimumHeight(fontMetrics().lineSpacing() * 4);
    auto* notesLabel = new QLabel(QStringLiteral("&Notes:"), content);
    auto* notes = new NotesEdit(ServiceReport::kNotesLimit, content);
    notes_ = notes;
    notes_->setTabChangesFocus(true);
    notes_->setMaximumHeight(fontMetrics().lineSpacing() * 5);
    notesLabel->setBuddy(notes_);
    connect(notes_, &QPlainTextEdit::textChanged, this, [this] {
        if (IsShowingCurrentVisit()) {
            notesTimer_->start();
        }
    });
    connect(notes, &NotesEdit::Truncated, this, [this] {
        ui::Feedback::Current().Message(
            this, QStringLiteral("The notes hold at most %1 characters; the rest was left out.")
                      .arg(QLocale(QLocale::English).toString(ServiceReport::kNotesLimit)));
    });

    readAll_ = new QPushButton(QStringLiteral("Rea&d All Sensors"), content);
    readAll_->setEnabled(false);
    currentVisit_ = new QPushButton(QStringLiteral("&Current Visit"), content);
    auto* open = new QPushButton(QStringLiteral("&Open Record..."), content);
    auto* limits = new QPushButton(QStringLiteral("Acceptance &Limits..."), content);
    auto* saveAs = new QPushButton(QStringLiteral("&Save As..."), content);
    auto* print = new QPushButton(QStringLiteral("&Print..."), content);
    auto* history = new QPushButton(QStringLiteral("Instrument &History..."), content);
    auto* issuer = new QPushButton(QStringLiteral("Issuer..."), content);
    auto* authorise = new QPushButton(QStringLiteral("Authorised &By..."), content);
    connect(issuer, &QPushButton::clicked, this, &ServiceReportWindow::OnIssuer);
    connect(authorise, &QPushButton::clicked, this, &ServiceReportWindow::OnAuthorise);
    connect(history, &QPushButton::clicked, this, &ServiceReportWindow::InstrumentHistoryRequested);
    connect(readAll_, &QPushButton::clicked, this, [this] {
        ShowCurrentVisit();
        if (readAllAction_ != nullptr) {
            readAllAction_->trigger();
        }
    });
    connect(currentVisit_, &QPushButton::clicked, this, &ServiceReportWindow::ShowCurrentVisit);
    connect(open, &QPushButton::clicked, this, &ServiceReportWindow::OnOpenRecord);
    connect(limits, &QPushButton::clicked, this, &ServiceReportWindow::OnChooseLimits);
    connect(saveAs, &QPushButton::clicked, this, &ServiceReportWindow::OnSaveAs);
    connect(print, &QPushButton::clicked, this, &ServiceReportWindow::OnPrint);
    status_ = new QLabel(content);
    status_->setWordWrap(true);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(readAll_);
    buttons->addWidget(currentVisit_);
    buttons->addWidget(open);
    buttons->addWidget(limits);
    buttons->addStretch();
    buttons->addWidget(saveAs);
    buttons->addWidget(print);
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(source_);
    layout->addWidget(details_);
    layout->addWidget(limitsState_);
    layout->addWidget(browser_, 1);
    // The button row is full on a small screen: the history's button stands above it.
    auto* notesRow = new QHBoxLayout();
    notesRow->addWidget(notesLabel);
    notesRow->addStretch();
    notesRow->addWidget(issuer);
    notesRow->addWidget(authorise);
    notesRow->addWidget(history);
    layout->addLayout(notesRow);
    // Tab follows the rows as they stand.
    setTabOrder(notes_, issuer);
    setTabOrder(issuer, authorise);
    setTabOrder(authorise, history);
    setTabOrder(history, readAll_);
    layout->addWidget(notes_);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    // Where the screen is smaller than the controls need, the window scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->setFocusPolicy(Qt::NoFocus);  // not a Tab stop of its own
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

void ServiceReportWindow::FitScreen() {
    const QScreen* shown = screen();
    if (shown == nullptr) {
        resize(kPreferredSize);
        return;
    }
    resize(kPreferredSize.boundedTo(shown->availableGeometry().size() - kFrameAllowance));
}

void ServiceReportWindow::SetReadAllSensorsAction(QAction* action) {
    readAllAction_ = action;
    readAll_->setEnabled(action != nullptr);
}

void ServiceReportWindow::ScheduleRefresh() {
    // A hidden window catches up when it is shown.
    if (IsShowingCurrentVisit() && isVisible() && !refreshTimer_->isActive()) {
        refreshTimer_->start();
    }
}

void ServiceReportWindow::FeedNewEvents() {
    record_.Read(
        eventsFed_, [this](const QJsonObject& event) { builder_->Add(event); },
        [this](qint64 msecsSinceEpoch, const VisitRecord::SampleCurrents& milliamps) {
            builder_->AddDumpSample(msecsSinceEpoch, milliamps);
        });
    eventsFed_ = record_.EventCount();
}

void ServiceReportWindow::Refresh() {
    refreshTimer_->stop();
    if (!IsShowingCurrentVisit()) {
        return;
    }
    QElapsedTimer cost;
    cost.start();
    FeedNewEvents();
    ServiceReport report = builder_->Report();
    if (report.details.model.isEmpty() && report.details.serialNumber.isEmpty() &&
        report.details.assetNumber.isEmpty()) {
        const QString card = report.identity + QLatin1Char('\n') + report.port;
        if (!report.identity.isEmpty() && card != detailsOfferedFor_) {
            detailsOfferedFor_ = card;
            OfferPreviousDetails();
            FeedNewEvents();
            report = builder_->Report();
        }
    }
    if (record_.LastEvent().value(QStringLiteral("event")) != QLatin1String("exit")) {
        report.underWay = true;
        report.cardLeft = QStringLiteral("Not yet: the visit is under way.");
    }
    if (addition_) {
        addition_(report, record_.FilePath(), limits_ ? &*limits_ : nullptr);
    }
    TakeKeptIssuer(report);
    Show(std::make_unique<ReportDocument>(std::move(report)));
    const QString file = record_.FilePath();
    source_->setText(file.isEmpty() ? QStringLiteral("This visit (not written to a file)")
                                    : QStringLiteral("This visit: %1").arg(file));
    // The next refresh waits at least kCostShare times this one's cost: however long the
    // visit, the open window takes at most 1/kCostShare of the thread.
    refreshTimer_->setInterval(static_cast<int>(
        std::clamp<qint64>(cost.elapsed() * kCostShare, kRefreshDelayMs, kLongestRefreshDelayMs)));
}

void ServiceReportWindow::OfferPreviousDetails() {
    const ServiceReport current = builder_->Report();
    const QString file = record_.FilePath();
    const QString folder =
        file.isEmpty() ? RecordFolder::Default() : QFileInfo(file).absolutePath();
    const std::optional<QJsonObject> previous =
        PreviousDetails::Find(folder, current.identity, current.port, file);
    if (!previous) {
        return;
    }
    QJsonObject values = details_->Values();
    for (const char* field : {"model", "serial_number", "asset_number"}) {
        values.insert(QLatin1String(field), previous->value(QLatin1String(field)).toString());
    }
    details_->SetValues(values);
    CommitDetails();
}

// Customer, site, reason and contact as last given for the same instrument, once its serial
// number is given and none of them is.
void ServiceReportWindow::OfferLastVisitDetails() {
    QJsonObject values = details_->Values();
    const QString serialNumber = values.value(QStringLiteral("serial_number")).toString();
    if (!detailsLookup_ || serialNumber.isEmpty() ||
        serialNumber == committedDetails_.value(QStringLiteral("serial_number")).toString()) {
        return;
    }
    static constexpr std::array kOffered{"customer", "site", "reason", "contact"};
    for (const char* field : kOffered) {
        if (!values.value(QLatin1String(field)).toString().isEmpty()) {
            return;
        }
    }
    const std::optional<QJsonObject> previous = detailsLookup_(serialNumber);
    if (!previous) {
        return;
    }
    for (const char* field : kOffered) {
        values.insert(QLatin1String(field), previous->value(QLatin1String(field)).toString());
    }
    details_->SetValues(values);
}

void ServiceReportWindow::CommitDetails() {
    if (!IsShowingCurrentVisit()) {
        return;
    }
    OfferLastVisitDetails();
    const QJsonObject values = details_->Values();
    if (values == committedDetails_) {
        return;
    }
    committedDetails_ = values;
    record_.Event("report_details", values);
    const QString technician = values.value(QStringLiteral("technician")).toString();
    ReportSettings::SetTechnician(technician);
}

void ServiceReportWindow::Show(std::unique_ptr<ReportDocument> document) {
    const int scrolled = browser_->verticalScrollBar()->value();
    document_ = std::move(document);
    {
        // The update in place tells neither the caret's move nor the text changed: a screen
        // reader would read them out at each refresh. The caret stays on its text.
        const QSignalBlocker quiet(shown_->Document());
        shown_->Show(document_->Report(), document_->Content());
    }
    browser_->viewport()->update();
    if (browser_->document() != &shown_->Document()) {
        browser_->setDocument(&shown_->Document());
    }
    browser_->verticalScrollBar()->setValue(scrolled);
    ShowLimitsState();
}

void ServiceReportWindow::ShowLimitsState() {
    // A record that holds limits of its own is judged against them.
    const ServiceReport* shown = document_ ? &document_->Report() : nullptr;
    if (shown != nullptr && !shown->limitsSha256.isEmpty() &&
        (!limits_ || limits_->Sha256() != shown->limitsSha256)) {
        limitsState_->setText(
            QStringLiteral("Acceptance limits: %1, as the record holds them (SHA-256 %2)")
                .arg(shown->limitsFile, shown->limitsSha256));
        return;
    }
    if (!limits_) {
        limitsState_->setText(
            QStringLiteral("Acceptance limits: none; no value is judged "
                           "against limits."));
        return;
    }
    const QString model = document_ ? document_->Report().details.model : QString();
    QString text = QStringLiteral("Acceptance limits: %1").arg(limitsPath_);
    if (model.isEmpty()) {
        text += QStringLiteral(" (type the model to judge the values against them)");
    } else if (limits_->ForModel(model) == nullptr) {
        text += QStringLiteral(" (they name no model \"%1\": nothing is judged)").arg(model);
    }
    limitsState_->setText(text);
}

void ServiceReportWindow::SetNotesText(const QString& text, bool editable) {
    const QSignalBlocker blocker(notes_);
    notes_->setPlainText(text);
    notes_->setReadOnly(!editable);
}

void ServiceReportWindow::SetStatus(const QString& text) {
    // Shown in the window, and told to a screen reader wherever the focus is.
    status_->setText(text);
    ui::ScreenReaderNotice::Tell(*this, text);
}

void ServiceReportWindow::ShowCurrentVisit() {
    if (!IsShowingCurrentVisit()) {
        shownPath_.clear();
        SetNotesText(committedNotes_, true);
        details_->SetValues(committedDetails_);
        details_->SetReadOnly(false);
    }
    currentVisit_->setEnabled(false);
    Refresh();
}

void ServiceReportWindow::SetReportAddition(ReportAddition addition) {
    addition_ = std::move(addition);
    if (IsShowingCurrentVisit()) {
        Refresh();
    }
}

bool ServiceReportWindow::ShowRecord(const QString& path) {
    CommitNotes();
    QString error;
    ServiceReport report = ServiceReport::FromRecord(path, limits_ ? &*limits_ : nullptr, error);
    if (!error.isEmpty()) {
        ui::Feedback::Current().Message(this, error);
        return false;
    }
    shownPath_ = path;
    currentVisit_->setEnabled(true);
    if (addition_) {
        addition_(report, path, limits_ ? &*limits_ : nullptr);
    }
    TakeKeptIssuer(report);
    Show(std::make_unique<ReportDocument>(std::move(report)));
    SetNotesText(document_->Report().notes, false);
    details_->SetValues(DetailsValues(document_->Report()));
    details_->SetReadOnly(true);
    source_->setText(QStringLiteral("Record: %1").arg(path));
    return true;
}

void ServiceReportWindow::CommitNotes() {
    notesTimer_->stop();
    if (!IsShowingCurrentVisit()) {
        return;
    }
    CommitDetails();
    if (notes_->toPlainText() == committedNotes_) {
        return;
    }
    committedNotes_ = notes_->toPlainText();
    record_.Event("notes", {{"text", committedNotes_}});
}

void ServiceReportWindow::TakeKeptIssuer(ServiceReport& report) {
    issuerFromSettings_ = ReportIssuing::UseIssuer(report, ReportSettings::KeptIssuer());
}

QString ServiceReportWindow::RecordEvent(const char* kind, const QJsonObject& values,
                                         const QDateTime& time) {
    if (IsShowingCurrentVisit()) {
        record_.Event(kind, values);
        return {};
    }
    return RecordAppender::Append(shownPath_, kind, values, time);
}

ServiceReport ServiceReportWindow::IssuedReport() const {
    ServiceReport report = document_->Report();
    ReportIssuing::Prepare(report, QDateTime::currentDateTime());
    return report;
}

// The issuer it names where its record named none, and the issue itself; the record shown is
// read again, so that the next issue counts this one.
QString ServiceReportWindow::RecordIssue(const ServiceReport& issued, const QString& file) {
    QString error;
    if (issuerFromSettings_) {
        error = RecordEvent("issuer", issued.issuer.Fields(), issued.dateOfIssue);
    }
    if (error.isEmpty()) {
        error =
            RecordEvent("report_issued", ReportIssues::Fields(ReportIssuing::Issued(issued, file)),
                        issued.dateOfIssue);
    }
    if (IsShowingCurrentVisit()) {
        Refresh();
    } else {
        ShowRecord(shownPath_);
    }
    if (!error.isEmpty()) {
        error = QStringLiteral("The issue could not be recorded in %1: %2")
                    .arg(IsShowingCurrentVisit() ? record_.FilePath() : shownPath_, error);
        ui::Feedback::Current().Message(this, error);
    }
    return error;
}

bool ServiceReportWindow::SaveTo(const QString& path) {
    CommitNotes();
    Refresh();
    ReportDocument issued(IssuedReport());
    const QString error = issued.SaveAs(path, {record_.FilePath(), shownPath_});
    if (!error.isEmpty()) {
        SetStatus(QStringLiteral("Not saved: %1 could not be written.").arg(path));
        ui::Feedback::Current().Message(
            this, QStringLiteral("%1 could not be written: %2").arg(path, error));
        return false;
    }
    RecordIssue(issued.Report(), path);
    SetStatus(QStringLiteral("Saved as %1.").arg(path));
    ReportSettings::SetSaveFolder(QFileInfo(path).absolutePath());
    return true;
}

bool ServiceReportWindow::Authorise(const QString& name, const QString& role) {
    CommitNotes();
    const QString error = RecordEvent("authorisation", Authorisation{name, role, {}}.Fields(),
                                      QDateTime::currentDateTime());
    if (!error.isEmpty()) {
        ui::Feedback::Current().Message(
            this, QStringLiteral("The authorisation could not be recorded in %1: %2")
                      .arg(shownPath_, error));
        return false;
    }
    if (IsShowingCurrentVisit()) {
        Refresh();
    } else {
        ShowRecord(shownPath_);
    }
    SetStatus(QStringLiteral("Authorised by %1, %2.").arg(name, role));
    return true;
}

void ServiceReportWindow::OnAuthorise() {
    AuthorisationDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        Authorise(dialog.NameField()->text().trimmed(), dialog.RoleField()->text().trimmed());
    }
}

void ServiceReportWindow::OnIssuer() {
    IssuerDialog dialog(ReportSettings::KeptIssuer(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const Issuer issuer = dialog.Value();
    ReportSettings::SetIssuer(issuer);
    // The running visit is issued by it from now on; an earlier record keeps its own.
    if (IsShowingCurrentVisit()) {
        const Issuer recorded =
            document_ && !issuerFromSettings_ ? document_->Report().issuer : Issuer();
        if (issuer != recorded) {
            record_.Event("issuer", issuer.Fields());
        }
        Refresh();
    } else {
        ShowRecord(shownPath_);
    }
}

bool ServiceReportWindow::UseAcceptanceLimits(const QString& path) {
    QString error;
    std::optional<AcceptanceLimits> loaded;
    if (!path.isEmpty()) {
        loaded = AcceptanceLimits::Load(path, error);
    }
    if (loaded) {
        limits_ = std::move(loaded);
        limitsPath_ = path;
        ReportSettings::SetAcceptanceLimitsPath(path);
    } else {
        limits_.reset();
        limitsPath_.clear();
        ReportSettings::SetAcceptanceLimitsPath({});
    }
    builder_->SetAcceptanceLimits(limits_ ? &*limits_ : nullptr);
    RecordLimits();
    if (IsShowingCurrentVisit()) {
        Refresh();
    } else {
        ShowRecord(shownPath_);
    }
    if (!error.isEmpty()) {
        SetStatus(QStringLiteral("Acceptance limits not used."));
        ui::Feedback::Current().Message(
            this, error + QStringLiteral("\nNothing is judged against acceptance limits."));
        return false;
    }
    return true;
}

void ServiceReportWindow::OnChooseLimits() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Acceptance Limits"), QFileInfo(limitsPath_).absolutePath(),
        QStringLiteral("Acceptance Limits (*.json);;All Files (*)"));
    if (!path.isEmpty()) {
        UseAcceptanceLimits(path);
    }
}

void ServiceReportWindow::OnOpenRecord() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Record"), RecordFolder::Default(),
                                     QStringLiteral("Service Records (*.jsonl);;All Files (*)"));
    if (!path.isEmpty()) {
        ShowRecord(path);
    }
}

QString ServiceReportWindow::SuggestedSavePath() const {
    QString folder = ReportSettings::SaveFolder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QDir::homePath();
    }
    const QString number = document_->Report().reportNumber;
    return QDir(folder).filePath((number.isEmpty() ? QStringLiteral("report") : number) +
                                 QStringLiteral(".pdf"));
}

void ServiceReportWindow::OnSaveAs() {
    const QString path =
        ui::AskSavePath(this,
                        {{QStringLiteral("PDF Document (*.pdf)"), QStringLiteral("pdf")},
                         {QStringLiteral("HTML Page (*.html)"), QStringLiteral("html")}},
                        SuggestedSavePath());
    if (!path.isEmpty()) {
        SaveTo(path);
    }
}

void ServiceReportWindow::OnPrint() {
    CommitNotes();
    Refresh();
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted) {
        ReportDocument issued(IssuedReport());
        issued.Print(printer);
        RecordIssue(issued.Report(), printer.outputFileName());
        SetStatus(printer.outputFileName().isEmpty()
                      ? QStringLiteral("Printed on %1.").arg(printer.printerName())
                      : QStringLiteral("Printed to %1.").arg(printer.outputFileName()));
    }
}

void ServiceReportWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (IsShowingCurrentVisit()) {
        currentVisit_->setEnabled(false);
        Refresh();
    }
}

void ServiceReportWindow::hideEvent(QHideEvent* event) {
    CommitNotes();
    QWidget::hideEvent(event);
}
