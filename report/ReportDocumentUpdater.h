#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

#include "report/ServiceReport.h"

class QTextDocument;
class QTextFrame;
class ReportContent;

// The QTextDocument a report is shown in, kept up to date in place: each of the content's
// blocks has a frame of its own, and showing a newer report replaces only the frames whose
// XHTML changed, so the cost follows what changed, and a reader's caret and scroll position
// stay. A dump's picture is drawn again only when its dump changed. Its pictures are
// resources named "dump-<n>.png".
class ReportDocumentUpdater {
  public:
    ReportDocumentUpdater();
    ~ReportDocumentUpdater();
    ReportDocumentUpdater(const ReportDocumentUpdater&) = delete;
    ReportDocumentUpdater& operator=(const ReportDocumentUpdater&) = delete;

    QTextDocument& Document() const { return *document_; }
    // The content must be that of the report.
    void Show(const ServiceReport& report, const ReportContent& content);
    // How many blocks the last Show replaced or took away.
    std::size_t BlocksChanged() const { return blocksChanged_; }

  private:
    // The dump as last drawn; its rows are shared, not copied.
    struct Drawn {
        ServiceReport::Dump dump;
        QImage picture;
    };

    // True where the picture was drawn again.
    bool UpdatePicture(std::size_t index, const ServiceReport::Dump& dump);
    void MatchFrameCount(std::size_t count);
    void Replace(QTextFrame* frame, const QString& html);

    std::unique_ptr<QTextDocument> document_;
    std::vector<QTextFrame*> frames_;
    std::vector<QString> shownHtml_;
    std::vector<Drawn> drawn_;
    std::size_t blocksChanged_ = 0;
};
