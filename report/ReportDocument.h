#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report/ReportContent.h"
#include "report/ServiceReport.h"

class QPrinter;
class QTextDocument;
class ReportDocumentUpdater;

// A report in the forms it is handed over in: a QTextDocument for the window, an XHTML file
// with the dumps' pictures inside, and the paginated PDF and print (ReportLayout), where the
// dumps' plots are vector graphics. All are made from one ReportContent, so they say the same.
class ReportDocument {
  public:
    explicit ReportDocument(ServiceReport report);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const ServiceReport& Report() const { return report_; }
    const ReportContent& Content() const { return content_; }
    // Made on first use, as the window shows it (ReportDocumentUpdater); its pictures are
    // resources named "dump-<n>.png".
    QTextDocument& Document();
    QString Xhtml() const;

    // An empty text when written, else why not. The file is written beside the target and
    // takes its place only when whole: on failure an old file stays as it was.
    QString SavePdf(const QString& path);
    QString SaveHtml(const QString& path) const;
    // A path ending in ".pdf" gets a PDF, one ending in ".html", ".htm" or ".xhtml" XHTML; any
    // other ending is refused, and so is the file of one of the records (the record the report
    // is made from must not be written over).
    QString SaveAs(const QString& path, const QStringList& records = {});
    // The printer's page range where one was chosen.
    void Print(QPrinter& printer);

  private:
    const QImage& Picture(std::size_t dump) const;

    ServiceReport report_;
    ReportContent content_;
    mutable std::vector<QImage> pictures_;
    std::unique_ptr<ReportDocumentUpdater> shown_;
};
