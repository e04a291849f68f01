#include "report/ReportDocument.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include <sys/stat.h>

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
    const int error = platform::ReplaceFile(QFile::encodeName(path).toStdString(),
                                            {bytes.constData(), std::size_t(bytes.size())});
    return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

bool IsHtmlName(const QString& path) {
    const QString lower = path.toLower();
    return lower.endsWith(QStringLiteral(".html")) || lower.endsWith(QStringLiteral(".htm")) ||
           lower.endsWith(QStringLiteral(".xhtml"));
}

// Whether the two names lead to the same file, through links or other paths.
bool IsSameFile(const QString& one, const QString& other) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(one).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(other).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
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

QString ReportDocument::SaveAs(const QString& path, const QStringList& records) {
    for (const QString& record : records) {
        if (IsSameFile(path, record)) {
            return QStringLiteral("It is the service record the report is made from.");
        }
    }
    if (const QFileInfo target(path); target.exists() && !target.isFile()) {
        return QStringLiteral("It is not a file.");
    }
    if (IsHtmlName(path)) {
        return SaveHtml(path);
    }
    if (path.toLower().endsWith(QStringLiteral(".pdf"))) {
        return SavePdf(path);
    }
    return QStringLiteral(
        "A report is made as a PDF (.pdf) or as an HTML page (.html, .htm or .xhtml).");
}

void ReportDocument::Print(QPrinter& printer) {
    const bool range = printer.printRange() == QPrinter::PageRange;
    ReportLayout::Print(content_, report_, printer, range ? printer.fromPage() : 0,
                        range ? printer.toPage() : 0);
}
