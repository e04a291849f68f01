#include "report/ServiceReportWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/ui/Feedback.h"
#include "platform/ui/SaveAsChooser.h"
#include "record/RecordFolder.h"
#include "record/RecordReader.h"
#include "record/VisitRecord.h"
#include "report/NotesEdit.h"
#include "report/ReportDocument.h"

ServiceReportWindow::ServiceReportWindow(VisitRecord& record, QWidget* parent)
    : QWidget(parent, Qt::Window), record_(record) {
    setWindowTitle(QStringLiteral("Service Report"));
    BuildControls();
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshDelayMs);
    connect(refreshTimer_, &QTimer::timeout, this, &ServiceReportWindow::Refresh);
    notesTimer_ = new QTimer(this);
    notesTimer_->setSingleShot(true);
    notesTimer_->setInterval(kNotesDelayMs);
    connect(notesTimer_, &QTimer::timeout, this, &ServiceReportWindow::CommitNotes);
    record_.SetChangeHandler([this] { ScheduleRefresh(); });
    resize(760, 640);
    Refresh();
}

ServiceReportWindow::~ServiceReportWindow() {
    record_.SetChangeHandler({});
}

void ServiceReportWindow::BuildControls() {
    source_ = new QLabel(this);
    browser_ = new QTextBrowser(this);
    browser_->setAccessibleName(QStringLiteral("Report"));
    auto* notesLabel = new QLabel(QStringLiteral("&Notes:"), this);
    auto* notes = new NotesEdit(ServiceReport::kNotesLimit, this);
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

    currentVisit_ = new QPushButton(QStringLiteral("&Current Visit"), this);
    auto* open = new QPushButton(QStringLiteral("&Open Record..."), this);
    auto* saveAs = new QPushButton(QStringLiteral("&Save As..."), this);
    auto* print = new QPushButton(QStringLiteral("&Print..."), this);
    connect(currentVisit_, &QPushButton::clicked, this, &ServiceReportWindow::ShowCurrentVisit);
    connect(open, &QPushButton::clicked, this, &ServiceReportWindow::OnOpenRecord);
    connect(saveAs, &QPushButton::clicked, this, &ServiceReportWindow::OnSaveAs);
    connect(print, &QPushButton::clicked, this, &ServiceReportWindow::OnPrint);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(currentVisit_);
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(saveAs);
    buttons->addWidget(print);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source_);
    layout->addWidget(browser_, 1);
    layout->addWidget(notesLabel);
    layout->addWidget(notes_);
    layout->addLayout(buttons);
}

void ServiceReportWindow::ScheduleRefresh() {
    // A hidden window catches up when it is shown.
    if (IsShowingCurrentVisit() && isVisible() && !refreshTimer_->isActive()) {
        refreshTimer_->start();
    }
}

void ServiceReportWindow::Refresh() {
    refreshTimer_->stop();
    if (!IsShowingCurrentVisit()) {
        return;
    }
    ServiceReport report = ServiceReport::FromEvents(record_.Events());
    const QList<QJsonObject>& events = record_.Events();
    if (events.isEmpty() || events.last().value(QStringLiteral("event")) != QLatin1String("exit")) {
        report.cardLeft = QStringLiteral("Not yet: the visit is under way.");
    }
    Show(std::make_unique<ReportDocument>(std::move(report)));
    const QString file = record_.FilePath();
    source_->setText(file.isEmpty() ? QStringLiteral("This visit (not written to a file)")
                                    : QStringLiteral("This visit: %1").arg(file));
}

void ServiceReportWindow::Show(std::unique_ptr<ReportDocument> document) {
    const int scrolled = browser_->verticalScrollBar()->value();
    // The browser lets go of the old document before it goes.
    browser_->setDocument(&document->Document());
    document_ = std::move(document);
    browser_->verticalScrollBar()->setValue(scrolled);
}

void ServiceReportWindow::SetNotesText(const QString& text, bool editable) {
    const QSignalBlocker blocker(notes_);
    notes_->setPlainText(text);
    notes_->setReadOnly(!editable);
}

void ServiceReportWindow::ShowCurrentVisit() {
    if (!IsShowingCurrentVisit()) {
        shownPath_.clear();
        SetNotesText(committedNotes_, true);
    }
    currentVisit_->setEnabled(false);
    Refresh();
}

bool ServiceReportWindow::ShowRecord(const QString& path) {
    CommitNotes();
    ReadRecord read = RecordReader::Read(path);
    if (!read.IsRecord()) {
        ui::Feedback::Current().Message(this, read.error);
        return false;
    }
    shownPath_ = path;
    currentVisit_->setEnabled(true);
    Show(std::make_unique<ReportDocument>(ServiceReport::FromEvents(read.events, read.notes)));
    SetNotesText(document_->Report().notes, false);
    source_->setText(QStringLiteral("Record: %1").arg(path));
    return true;
}

void ServiceReportWindow::CommitNotes() {
    notesTimer_->stop();
    if (!IsShowingCurrentVisit() || notes_->toPlainText() == committedNotes_) {
        return;
    }
    committedNotes_ = notes_->toPlainText();
    record_.Event("notes", {{"text", committedNotes_}});
}

bool ServiceReportWindow::SaveTo(const QString& path) {
    CommitNotes();
    Refresh();
    const QString error = document_->SaveAs(path);
    if (!error.isEmpty()) {
        ui::Feedback::Current().Message(
            this, QStringLiteral("%1 could not be written: %2").arg(path, error));
        return false;
    }
    return true;
}

void ServiceReportWindow::OnOpenRecord() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Record"), RecordFolder::Default(),
                                     QStringLiteral("Service Records (*.jsonl);;All Files (*)"));
    if (!path.isEmpty()) {
        ShowRecord(path);
    }
}

void ServiceReportWindow::OnSaveAs() {
    const QString path =
        ui::AskSavePath(this, {{QStringLiteral("PDF Document (*.pdf)"), QStringLiteral("pdf")},
                               {QStringLiteral("HTML Page (*.html)"), QStringLiteral("html")}});
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
        document_->Print(printer);
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
