#pragma once

#include <QJsonObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "record/AcceptanceLimits.h"

class QAction;
class ServiceReport;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
class QTimer;
class ReportDetailsFields;
class ReportDocument;
class ReportDocumentUpdater;
class ServiceReportBuilder;
class VisitRecord;

// "Service Report": the report of the running visit, kept up to date as events come, or of an
// earlier visit's record. The technician's notes and the report's details of the running visit
// go into its record.
class ServiceReportWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRefreshDelayMs = 1000;
    // A refresh waits at least this many times the last one's cost (0.5 % of the thread), and
    // at most kLongestRefreshDelayMs.
    static constexpr qint64 kCostShare = 200;
    static constexpr qint64 kLongestRefreshDelayMs = 30000;
    static constexpr int kNotesDelayMs = 1000;

    ServiceReportWindow(VisitRecord& record, QWidget* parent);
    ~ServiceReportWindow() override;

    // Shows the running visit again.
    void ShowCurrentVisit();
    // Shows an earlier record; false, with a message, for a file that is no record.
    bool ShowRecord(const QString& path);
    bool IsShowingCurrentVisit() const { return shownPath_.isEmpty(); }
    void Refresh();
    // Notes and details typed so far go into the record now rather than after the pause.
    void CommitNotes();
    // PDF, or XHTML for ".html"; a message and false when the file cannot be written.
    bool SaveTo(const QString& path);
    // The acceptance limits the report's values are held against, kept for the next start; a
    // file that cannot be read gives a message and none. An empty path: none.
    bool UseAcceptanceLimits(const QString& path);
    // "Read All Sensors": the button triggers the window's own entry.
    void SetReadAllSensorsAction(QAction* action);
    // What is added to each report before it is shown (the previous visit from the history):
    // the report, the file of its record (may be empty) and the acceptance limits (may be null).
    using ReportAddition =
        std::function<void(ServiceReport&, const QString& record, const AcceptanceLimits*)>;
    void SetReportAddition(ReportAddition addition);
    // The details of the last visit to the instrument of a serial number (a "report_details"
    // event's fields), looked up in the history; none where there is none.
    using DetailsLookup = std::function<std::optional<QJsonObject>(const QString& serialNumber)>;
    void SetDetailsLookup(DetailsLookup lookup) { detailsLookup_ = std::move(lookup); }
    // "Authorised By": the authorisation of the report shown goes into its record; false, with a
    // message, when the record cannot take it.
    bool Authorise(const QString& name, const QString& role);

    ReportDocument& Document() const { return *document_; }
    QTextBrowser* Browser() const { return browser_; }
    QPlainTextEdit* NotesField() const { return notes_; }
    ReportDetailsFields* DetailsFields() const { return details_; }
    QLabel* StatusLabel() const { return status_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  signals:
    // "Instrument History..." was pressed.
    void InstrumentHistoryRequested();

  private:
    void BuildControls();
    void TakeRecordedDetails();
    void LoadSavedLimits();
    // The limits in use go into the visit's record, where they differ from those last recorded.
    void RecordLimits();
    void FitScreen();
    void ScheduleRefresh();
    void FeedNewEvents();
    void OfferPreviousDetails();
    void OfferLastVisitDetails();
    // The event into the record of the report shown: the running visit's, or the file shown.
    QString RecordEvent(const char* kind, const QJsonObject& values, const QDateTime& time);
    // The report shown as issued now; the issue recorded once its file is written.
    ServiceReport IssuedReport() const;
    QString RecordIssue(const ServiceReport& issued, const QString& file);
    void TakeKeptIssuer(ServiceReport& report);
    void OnIssuer();
    void OnAuthorise();
    void CommitDetails();
    void Show(std::unique_ptr<ReportDocument> document);
    void SetNotesText(const QString& text, bool editable);
    void SetStatus(const QString& text);
    void ShowLimitsState();
    void OnOpenRecord();
    // The report number as a PDF's name, in the folder a report was last saved in.
    QString SuggestedSavePath() const;
    void OnSaveAs();
    void OnPrint();
    void OnChooseLimits();

    VisitRecord& record_;
    std::unique_ptr<ServiceReportBuilder> builder_;
    qsizetype eventsFed_ = 0;
    std::optional<AcceptanceLimits> limits_;
    ReportAddition addition_;
    DetailsLookup detailsLookup_;
    // The report shown names the issuer of the settings, not its record's.
    bool issuerFromSettings_ = false;
    QString limitsPath_;
    QJsonObject recordedLimits_;
    std::unique_ptr<ReportDocument> document_;
    std::unique_ptr<ReportDocumentUpdater> shown_;
    QString shownPath_;
    QString committedNotes_;
    QJsonObject committedDetails_;
    QString detailsOfferedFor_;
    QTextBrowser* browser_ = nullptr;
    QLabel* source_ = nullptr;
    QLabel* limitsState_ = nullptr;
    QLabel* status_ = nullptr;
    ReportDetailsFields* details_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QPushButton* currentVisit_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QTimer* notesTimer_ = nullptr;
    QAction* readAllAction_ = nullptr;
};
