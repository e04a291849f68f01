#include "report/ReportDocumentUpdater.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
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
    std::vector<bool> redrawn(report.dumps.size());
    for (std::size_t i = 0; i < report.dumps.size(); ++i) {
        redrawn[i] = UpdatePicture(i, report.dumps[i]);
    }
    drawn_.resize(report.dumps.size());
    const std::size_t count = content.blocks.size();
    blocksChanged_ = frames_.size() > count ? frames_.size() - count : 0;
    MatchFrameCount(count);
    shownHtml_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        QString html = ReportHtml::RenderBlocks(content, i, i + 1, ResourceName);
        if (html != shownHtml_[i]) {
            Replace(frames_[i], html);
            shownHtml_[i] = std::move(html);
            ++blocksChanged_;
        } else if (content.blocks[i].kind == ReportContent::Block::Kind::Plot &&
                   redrawn[content.blocks[i].dump]) {
            // The same words, a new picture: laid out and painted again.
            document_->markContentsDirty(frames_[i]->firstPosition(),
                                         frames_[i]->lastPosition() - frames_[i]->firstPosition());
        }
    }
}

bool ReportDocumentUpdater::UpdatePicture(std::size_t index, const ServiceReport::Dump& dump) {
    if (index < drawn_.size() && SameDrawing(drawn_[index].dump, dump)) {
        return false;
    }
    if (index >= drawn_.size()) {
        drawn_.resize(index + 1);
    }
    drawn_[index] = {dump, DumpPicture::Render(dump)};
    document_->addResource(QTextDocument::ImageResource, QUrl(ResourceName(index)),
                           drawn_[index].picture);
    return true;
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
    QTextDocument page;
    page.setHtml(html);
    QTextCursor cursor(document_.get());
    cursor.beginEditBlock();
    cursor.setPosition(frame->firstPosition());
    cursor.setPosition(frame->lastPosition(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.insertFragment(QTextDocumentFragment(&page));
    // An inserted first paragraph takes the formats of the one it lands in: a heading's are
    // given back. A table that comes first stays after that paragraph, as on a whole page.
    const QTextBlock first = page.begin();
    if (QTextCursor(first).currentFrame() == page.rootFrame()) {
        cursor.setPosition(frame->firstPosition());
        cursor.setBlockFormat(first.blockFormat());
        cursor.setBlockCharFormat(first.charFormat());
    }
    cursor.endEditBlock();
}
