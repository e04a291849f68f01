#pragma once

#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
class QTimer;
class ReportDocument;
class VisitRecord;

// "Service Report": the report of the running visit, kept up to date as events come, or of an
// earlier visit's record. The technician's notes of the running visit go into its record.
class ServiceReportWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRefreshDelayMs = 1000;
    static constexpr int kNotesDelayMs = 1000;

    ServiceReportWindow(VisitRecord& record, QWidget* parent);
    ~ServiceReportWindow() override;

    // Shows the running visit again.
    void ShowCurrentVisit();
    // Shows an earlier record; false, with a message, for a file that is no record.
    bool ShowRecord(const QString& path);
    bool IsShowingCurrentVisit() const { return shownPath_.isEmpty(); }
    void Refresh();
    // Notes typed so far go into the record now rather than after the pause.
    void CommitNotes();
    // PDF, or XHTML for ".html"; a message and false when the file cannot be written.
    bool SaveTo(const QString& path);

    ReportDocument& Document() const { return *document_; }
    QTextBrowser* Browser() const { return browser_; }
    QPlainTextEdit* NotesField() const { return notes_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void BuildControls();
    void ScheduleRefresh();
    void Show(std::unique_ptr<ReportDocument> document);
    void SetNotesText(const QString& text, bool editable);
    void OnOpenRecord();
    void OnSaveAs();
    void OnPrint();

    VisitRecord& record_;
    std::unique_ptr<ReportDocument> document_;
    QString shownPath_;
    QString committedNotes_;
    QTextBrowser* browser_ = nullptr;
    QLabel* source_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QPushButton* currentVisit_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QTimer* notesTimer_ = nullptr;
};
