#include "report/ReportDocumentUpdater.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextOption>
#include <QUrl>

#include "report/DumpPicture.h"
#include "report/ReportContent.h"
#include "report/ReportHtml.h"

namespace {

QString ResourceName(std::size_t dump) {
    return QStringLiteral("dump-%1.png").arg(dump + 1);
}

// Everything the picture is drawn from.
bool SameDrawing(const ServiceReport::Dump& a, const ServiceReport::Dump& b) {
    return a.rows.SharesRowsWith(b.rows) && a.tube == b.tube && a.firstSensor == b.firstSensor &&
           a.start == b.start && a.end == b.end && a.samples == b.samples &&
           a.spreadLimit == b.spreadLimit && a.maximum == b.maximum && a.minimum == b.minimum &&
           a.lampLit == b.lampLit && a.ended == b.ended;
}

}  // namespace

ReportDocumentUpdater::ReportDocumentUpdater() : document_(std::make_unique<QTextDocument>()) {
    // One long word (a note without spaces) breaks anywhere rather than widening the page.
    QTextOption option = document_->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document_->setDefaultTextOption(option);
    // Replaced blocks are not kept for undoing: a long visit would pile them up.
    document_->setUndoRedoEnabled(false);
}

ReportDocumentUpdater::~ReportDocumentUpdater() = default;

void ReportDocumentUpdater::Show(const ServiceReport& report, const ReportContent& content) {
    for (std::size_t i = 0; i < report.dumps.size(); ++i) {
        UpdatePicture(i, report.dumps[i]);
    }
    drawn_.resize(report.dumps.size());
    const std::size_t count = content.blocks.size();
    blocksChanged_ = count > frames_.size() ? count - frames_.size() : frames_.size() - count;
    MatchFrameCount(count);
    shownHtml_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        QString html = ReportHtml::RenderBlocks(content, i, i + 1, ResourceName);
        if (html != shownHtml_[i]) {
            Replace(frames_[i], html);
            shownHtml_[i] = std::move(html);
            ++blocksChanged_;
        }
    }
}

void ReportDocumentUpdater::UpdatePicture(std::size_t index, const ServiceReport::Dump& dump) {
    if (index < drawn_.size() && SameDrawing(drawn_[index].dump, dump)) {
        return;
    }
    if (index >= drawn_.size()) {
        drawn_.resize(index + 1);
    }
    drawn_[index] = {dump, DumpPicture::Render(dump)};
    document_->addResource(QTextDocument::ImageResource, QUrl(ResourceName(index)),
                           drawn_[index].picture);
}

void ReportDocumentUpdater::MatchFrameCount(std::size_t count) {
    QTextCursor cursor(document_.get());
    while (frames_.size() > count) {
        // The frame with the empty paragraph that follows it.
        cursor.setPosition(frames_.back()->firstPosition() - 1);
        cursor.setPosition(frames_.back()->lastPosition() + 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        frames_.pop_back();
        shownHtml_.pop_back();
    }
    while (frames_.size() < count) {
        cursor.setPosition(document_->rootFrame()->lastPosition());
        frames_.push_back(cursor.insertFrame(QTextFrameFormat()));
        shownHtml_.emplace_back();
    }
}

void ReportDocumentUpdater::Replace(QTextFrame* frame, const QString& html) {
    QTextCursor cursor(document_.get());
    cursor.beginEditBlock();
    cursor.setPosition(frame->firstPosition());
    cursor.setPosition(frame->lastPosition(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.insertHtml(html);
    cursor.endEditBlock();
}
