#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "report/ServiceReport.h"

class QPrinter;
class QTextDocument;

// A report with its dumps' pictures, in the forms it is handed over in: a QTextDocument for
// the window, print and PDF, and an XHTML file with the pictures inside.
class ReportDocument {
  public:
    explicit ReportDocument(ServiceReport report);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const ServiceReport& Report() const { return report_; }
    // Made on first use; its pictures are resources named "dump-<n>.png".
    QTextDocument& Document();
    QString Xhtml() const;

    // An empty text when written, else why not. The file is written beside the target and
    // takes its place only when whole: on failure an old file stays as it was.
    QString SavePdf(const QString& path);
    QString SaveHtml(const QString& path) const;
    // A path ending in ".html", ".htm" or ".xhtml" gets XHTML, any other a PDF.
    QString SaveAs(const QString& path);
    void Print(QPrinter& printer);

  private:
    const QImage& Picture(std::size_t dump) const;

    ServiceReport report_;
    mutable std::vector<QImage> pictures_;
    std::unique_ptr<QTextDocument> document_;
};
