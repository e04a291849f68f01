#include "report/ReportDocument.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include <cstring>

#include "platform/DurableFile.h"
#include "report/DumpPicture.h"
#include "report/ReportDocumentUpdater.h"
#include "report/ReportHtml.h"
#include "report/ReportLayout.h"

namespace {

constexpr int kPdfResolution = 300;
// A4 with room to file it: more at the left, where it is punched.
const QMarginsF kPdfMargins(22, 15, 15, 15);  // mm

// A failed write leaves the old file as it was.
QString WriteBeside(const QString& path, const QByteArray& bytes) {
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        return QStringLiteral("It is not a file.");
    }
    // A link is followed: the file it names is replaced, not the link.
    const QString file = target.isSymLink() ? target.canonicalFilePath() : path;
    const int error = platform::ReplaceFile(QFile::encodeName(file).toStdString(),
                                            {bytes.constData(), std::size_t(bytes.size())});
    return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

ReportDocument::ReportDocument(ServiceReport report)
    : report_(std::move(report)), content_(ReportContent::From(report_)) {}

ReportDocument::~ReportDocument() = default;

const QImage& ReportDocument::Picture(std::size_t dump) const {
    if (pictures_.size() != report_.dumps.size()) {
        pictures_.assign(report_.dumps.size(), QImage());
    }
    if (pictures_[dump].isNull()) {
        pictures_[dump] = DumpPicture::Render(report_.dumps[dump]);
    }
    return pictures_[dump];
}

QTextDocument& ReportDocument::Document() {
    if (!shown_) {
        shown_ = std::make_unique<ReportDocumentUpdater>();
        shown_->Show(report_, content_);
    }
    return shown_->Document();
}

QString ReportDocument::Xhtml() const {
    return ReportHtml::Render(
        content_,
        [this](std::size_t dump) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            Picture(dump).save(&buffer, "PNG");
            return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
        },
        true);
}

QString ReportDocument::SaveHtml(const QString& path) const {
    return WriteBeside(path, Xhtml().toUtf8());
}

QString ReportDocument::SavePdf(const QString& path) {
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(kPdfMargins, QPageLayout::Millimeter);
        writer.setResolution(kPdfResolution);
        writer.setTitle(content_.title + QStringLiteral(", ") + content_.numberLine);
        writer.setCreator(QStringLiteral("Merrowby ") + report_.programVersion);
        if (!ReportLayout::Print(content_, report_, writer)) {
            return QStringLiteral("The PDF could not be drawn.");
        }
    }
    return WriteBeside(path, pdf);
}

QString ReportDocument::SaveAs(const QString& path) {
    const QString lower = path.toLower();
    if (lower.endsWith(QStringLiteral(".html")) || lower.endsWith(QStringLiteral(".htm")) ||
        lower.endsWith(QStringLiteral(".xhtml"))) {
        return SaveHtml(path);
    }
    return SavePdf(path);
}

void ReportDocument::Print(QPrinter& printer) {
    const bool range = printer.printRange() == QPrinter::PageRange;
    ReportLayout::Print(content_, report_, printer, range ? printer.fromPage() : 0,
                        range ? printer.toPage() : 0);
}
