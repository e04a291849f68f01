#include "report/ReportLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <numeric>

#include "report/DumpPicture.h"
#include "report/ReportContent.h"
#include "report/ServiceReport.h"

namespace {

using Block = ReportContent::Block;
using Kind = ReportContent::Block::Kind;

// Sizes in points.
constexpr double kTitleSize = 18;
constexpr double kHeadingSize = 12.5;
constexpr double kBodySize = 9.5;
constexpr double kTableSize = 8.5;
constexpr double kDetailSize = 7;
constexpr double kCaptionSize = 8;
constexpr double kMarginSize = 8;  // the header and footer
constexpr double kCellPaddingX = 3;
constexpr double kCellPaddingY = 2.5;
constexpr double kRuleWidth = 0.5;
// The plot is half as high as it is wide, and at most half the body high.
constexpr double kPlotAspect = 0.5;
constexpr double kSignatureSpace = 30;  // above the line, for the hand

constexpr QRgb kText = 0xFF000000;
constexpr QRgb kQuiet = 0xFF505050;  // header, footer, a reading's time
constexpr QRgb kRule = 0xFF808080;
constexpr QRgb kHeadingFill = 0xFFE4E4E4;
constexpr QRgb kFieldFill = 0xFFF2F2F2;

QFont Font(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Noto Sans")});
    // No ligatures: "fi" stays two letters for whoever searches or copies the PDF's text.
    font.setStyleHint(QFont::SansSerif, QFont::PreferNoShaping);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// A text laid out in lines within a width.
struct Text {
    std::unique_ptr<QTextLayout> layout;
    double height = 0.0;

    bool IsEmpty() const { return !layout; }
    int Lines() const { return layout ? layout->lineCount() : 0; }
    void Draw(QPainter& painter, const QPointF& at) const {
        if (layout) {
            layout->draw(&painter, at);
        }
    }
    // The lines whose tops are in [from, to), drawn from `at`: each once, whatever parts a row
    // is cut in (a cut is at a line's foot; the slack takes up the rounding).
    void DrawLines(QPainter& painter, const QPointF& at, double from, double to) const {
        constexpr double kSlack = 0.5;  // dots
        for (int i = 0; i < Lines(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const double top = at.y() + line.y();
            if (top >= from - kSlack && top < to - kSlack) {
                line.draw(&painter, at);
            }
        }
    }
};

Text Lay(const QString& text, const QFont& font, double width, QPaintDevice& device,
         Qt::Alignment alignment = Qt::AlignLeft) {
    Text laid;
    laid.layout = std::make_unique<QTextLayout>(
        QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator), font, &device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment);
    option.setUseDesignMetrics(true);
    laid.layout->setTextOption(option);
    laid.layout->setCacheEnabled(true);
    laid.layout->beginLayout();
    double y = 0.0;
    for (QTextLine line = laid.layout->createLine(); line.isValid();
         line = laid.layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(std::max(width, 1.0));
        line.setPosition(QPointF(0.0, y));
        y += line.height();
    }
    laid.layout->endLayout();
    laid.height = y;
    return laid;
}

struct CellText {
    Text text;
    Text detail;
    double Height() const { return text.height + detail.height; }
};

// A row's lines as [top, bottom) from the row's top, each cell's in order.
using LineSpans = std::vector<std::vector<std::pair<double, double>>>;

LineSpans SpansOf(const std::vector<CellText>& cells, double padY) {
    LineSpans spans;
    for (const CellText& cell : cells) {
        std::vector<std::pair<double, double>> lines;
        for (const auto& [text, offset] :
             {std::pair{&cell.text, padY}, std::pair{&cell.detail, padY + cell.text.height}}) {
            for (int i = 0; i < text->Lines(); ++i) {
                const QTextLine line = text->layout->lineAt(i);
                lines.emplace_back(offset + line.y(), offset + line.y() + line.height());
            }
        }
        spans.push_back(std::move(lines));
    }
    return spans;
}

// Whether a cut at y leaves every line whole on one side.
bool CutsNoLine(const LineSpans& spans, double y) {
    constexpr double kSlack = 1e-6;
    for (const auto& lines : spans) {
        const auto after = std::upper_bound(
            lines.begin(), lines.end(), y,
            [](double at, const std::pair<double, double>& line) { return at < line.first; });
        if (after != lines.begin() && std::prev(after)->second > y + kSlack &&
            std::prev(after)->first < y - kSlack) {
            return false;
        }
    }
    return true;
}

// The lowest line bottom in (from, from + most] that cuts no line; from + most where none
// does (a line taller than the page).
double CutBelow(const LineSpans& spans, double from, double most) {
    std::vector<double> bottoms;
    for (const auto& lines : spans) {
        for (const auto& line : lines) {
            if (line.second > from && line.second <= from + most) {
                bottoms.push_back(line.second);
            }
        }
    }
    std::sort(bottoms.begin(), bottoms.end(), std::greater<>());
    for (const double bottom : bottoms) {
        if (CutsNoLine(spans, bottom)) {
            return bottom;
        }
    }
    return from + most;
}

// The widest of a text's lines and of its words, as laid out unbroken.
struct Widths {
    double line = 0.0;
    double word = 0.0;
};

Widths NaturalWidths(const QString& text, const QFontMetricsF& metrics) {
    static const QRegularExpression kSpace(QStringLiteral("\\s+"));
    Widths widths;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widths.line = std::max(widths.line, metrics.horizontalAdvance(line));
        for (const QString& word : line.split(kSpace, Qt::SkipEmptyParts)) {
            widths.word = std::max(widths.word, metrics.horizontalAdvance(word));
        }
    }
    return widths;
}

}  // namespace

struct ReportLayout::Measured {
    double spaceBefore = 0.0;
    Text text;                  // title, heading, paragraph, end mark
    std::vector<double> units;  // each unit's height: lines, rows, or the whole block
    // Tables and fields.
    struct RowPart {
        std::size_t row = 0;
        double from = 0.0;  // from the row's top
        double to = 0.0;
    };
    std::vector<RowPart> parts;  // each unit's row, a row taller than a page in several
    std::vector<double> columns;
    std::vector<CellText> heading;
    double headingHeight = 0.0;
    std::vector<std::vector<CellText>> rows;
    // Signatures: who signs, and the words under the lines.
    std::vector<Text> signers;
    Text signature;
    Text date;

    double Whole() const {
        return headingHeight + std::accumulate(units.begin(), units.end(), 0.0);
    }
    // What must come onto a page with the block's start: a table's heading row and first row,
    // a paragraph's first two lines.
    double Lead(Kind kind) const {
        const std::size_t count = kind == Kind::Paragraph ? 2 : 1;
        return headingHeight +
               std::accumulate(units.begin(), units.begin() + std::min(count, units.size()), 0.0);
    }
};

ReportLayout::ReportLayout(const ReportContent& content, QPaintDevice& device)
    : content_(content), measure_(std::make_unique<QImage>(1, 1, QImage::Format_Mono)) {
    const int dotsPerMeter = qRound(kResolution / 0.0254);
    measure_->setDotsPerMeterX(dotsPerMeter);
    measure_->setDotsPerMeterY(dotsPerMeter);
    pt_ = kResolution / 72.0;
    deviceScale_ = double(device.logicalDpiY()) / kResolution;
    page_ = QRectF(0, 0, device.width() * kResolution / double(device.logicalDpiX()),
                   device.height() * kResolution / double(device.logicalDpiY()));
    const QFontMetricsF margin(Font(kMarginSize), measure_.get());
    const double header = margin.height() + 10 * pt_;
    const double footer = margin.height() + 10 * pt_;
    body_ = QRectF(0, header, page_.width(), page_.height() - header - footer);
    measured_.reserve(content.blocks.size());
    for (std::size_t i = 0; i < content.blocks.size(); ++i) {
        Measure(i);
    }
    Paginate();
}

ReportLayout::~ReportLayout() = default;

int ReportLayout::Units(std::size_t block) const {
    return int(measured_.at(block)->units.size());
}

QString ReportLayout::PageText(int page, int pages) {
    return QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

void ReportLayout::Measure(std::size_t index) {
    const Block& block = content_.blocks[index];
    auto m = std::make_unique<Measured>();
    const double width = body_.width();
    switch (block.kind) {
        case Kind::Title:
            m->text = Lay(block.text, Font(kTitleSize, true), width, *measure_);
            m->units = {m->text.height + 4 * pt_};
            break;
        case Kind::Heading:
            m->spaceBefore = 12 * pt_;
            m->text = Lay(block.text, Font(kHeadingSize, true), width, *measure_);
            m->units = {m->text.height + 3 * pt_};
            break;
        case Kind::EndMark:
            m->spaceBefore = 16 * pt_;
            m->text = Lay(block.text, Font(kBodySize, true), width, *measure_, Qt::AlignHCenter);
            m->units = {m->text.height};
            break;
        case Kind::Paragraph: {
            m->spaceBefore = 5 * pt_;
            const double size = block.style == Block::Style::Caption ? kCaptionSize : kBodySize;
            m->text =
                Lay(block.text, Font(size, block.style == Block::Style::Strong), width, *measure_);
            for (int i = 0; i < m->text.Lines(); ++i) {
                m->units.push_back(m->text.layout->lineAt(i).height());
            }
            break;
        }
        case Kind::Plot: {
            m->spaceBefore = 6 * pt_;
            m->units = {std::min(width * kPlotAspect, body_.height() / 2)};
            break;
        }
        case Kind::Signatures: {
            m->spaceBefore = 4 * pt_;
            m->signature = Lay(QStringLiteral("Signature"), Font(kCaptionSize), width, *measure_);
            m->date = Lay(QStringLiteral("Date"), Font(kCaptionSize), width, *measure_);
            double height = 0.0;
            for (const QString& signer : block.signers) {
                m->signers.push_back(Lay(signer, Font(kBodySize, true), width, *measure_));
                height += m->signers.back().height + kSignatureSpace * pt_ + 2 * pt_ +
                          m->signature.height + 10 * pt_;
            }
            m->units = {height};
            break;
        }
        case Kind::Fields:
        case Kind::Table: {
            m->spaceBefore = 5 * pt_;
            const bool fields = block.kind == Kind::Fields;
            const QFont headingFont = Font(kTableSize, true);
            const QFont cellFont = Font(kTableSize);
            const QFont detailFont = Font(kDetailSize);
            const QFontMetricsF headingMetrics(headingFont, measure_.get());
            const QFontMetricsF cellMetrics(cellFont, measure_.get());
            const QFontMetricsF detailMetrics(detailFont, measure_.get());
            std::size_t columns = block.headings.size();
            for (const ReportContent::Row& row : block.rows) {
                columns = std::max(columns, row.size());
            }
            if (columns == 0) {
                break;
            }
            // A column whose widest line fits in its share of the room gets it; the others share
            // what is left in proportion to their widest lines, each at least as wide as its
            // widest word.
            const double padding = 2 * kCellPaddingX * pt_;
            std::vector<double> least(columns, 0.0);
            std::vector<double> most(columns, 0.0);
            const auto consider = [&](std::size_t c, const Widths& w) {
                least[c] = std::max(least[c], std::min(w.word + padding, width * 0.3));
                most[c] = std::max(most[c], std::min(w.line + padding, width));
            };
            for (std::size_t c = 0; c < std::size_t(block.headings.size()); ++c) {
                consider(c, NaturalWidths(block.headings[c], headingMetrics));
            }
            for (const ReportContent::Row& row : block.rows) {
                for (std::size_t c = 0; c < row.size(); ++c) {
                    consider(c, NaturalWidths(row[c].text,
                                              fields && c == 0 ? headingMetrics : cellMetrics));
                    consider(c, NaturalWidths(row[c].detail, detailMetrics));
                }
            }
            for (std::size_t c = 0; c < columns; ++c) {
                least[c] = std::max(least[c], 3 * padding);
                most[c] = std::max(most[c], least[c]);
            }
            m->columns.assign(columns, 0.0);
            std::vector<bool> open(columns, true);
            double room = width;
            for (std::size_t left = columns; left > 0;) {
                const double share = room / double(left);
                bool settled = false;
                for (std::size_t c = 0; c < columns; ++c) {
                    if (open[c] && most[c] <= share) {
                        m->columns[c] = most[c];
                        room -= most[c];
                        open[c] = false;
                        --left;
                        settled = true;
                    }
                }
                if (!settled) {
                    double wanted = 0.0;
                    for (std::size_t c = 0; c < columns; ++c) {
                        wanted += open[c] ? most[c] : 0.0;
                    }
                    for (std::size_t c = 0; c < columns; ++c) {
                        if (open[c]) {
                            m->columns[c] = std::max(least[c], room * most[c] / wanted);
                        }
                    }
                    break;
                }
            }
            // The table as wide as the page: room left over goes to every column alike, and
            // too little is taken from every column alike.
            const double total = std::accumulate(m->columns.begin(), m->columns.end(), 0.0);
            if (!fields) {
                for (double& column : m->columns) {
                    column *= width / total;
                }
            }
            if (fields) {
                // The names as wide as they need, the values the rest.
                m->columns.assign(columns, 0.0);
                for (std::size_t c = 0; c + 1 < columns; ++c) {
                    m->columns[c] = std::min(most[c], width * 0.3);
                }
                const double names = std::accumulate(m->columns.begin(), m->columns.end() - 1, 0.0);
                m->columns.back() = width - names;
            }
            const double padY = 2 * kCellPaddingY * pt_;
            const auto layCell = [&](const ReportContent::Cell& cell, std::size_t c,
                                     const QFont& font) {
                CellText laid;
                laid.text = Lay(cell.text, font, m->columns[c] - padding, *measure_);
                if (!cell.detail.isEmpty()) {
                    laid.detail = Lay(cell.detail, detailFont, m->columns[c] - padding, *measure_);
                }
                return laid;
            };
            if (!block.headings.isEmpty()) {
                for (std::size_t c = 0; c < columns; ++c) {
                    m->heading.push_back(
                        layCell({block.headings.value(qsizetype(c)), {}}, c, headingFont));
                    m->headingHeight =
                        std::max(m->headingHeight, m->heading.back().Height() + padY);
                }
            }
            // A row taller than a page goes on in parts, each cut between lines.
            const double tallest = std::max(body_.height() - m->headingHeight, body_.height() / 2);
            for (const ReportContent::Row& row : block.rows) {
                std::vector<CellText> cells;
                double height = 0.0;
                for (std::size_t c = 0; c < row.size(); ++c) {
                    cells.push_back(layCell(row[c], c, fields && c == 0 ? headingFont : cellFont));
                    height = std::max(height, cells.back().Height() + padY);
                }
                double from = 0.0;
                if (height > tallest) {
                    const LineSpans spans = SpansOf(cells, padY / 2);
                    while (height - from > tallest) {
                        const double to = CutBelow(spans, from, tallest);
                        m->parts.push_back({m->rows.size(), from, to});
                        m->units.push_back(to - from);
                        from = to;
                    }
                }
                m->parts.push_back({m->rows.size(), from, height});
                m->units.push_back(height - from);
                m->rows.push_back(std::move(cells));
            }
            break;
        }
    }
    measured_.push_back(std::move(m));
}

void ReportLayout::Paginate() {
    const double bottom = body_.height();
    const std::vector<Block>& blocks = content_.blocks;
    pages_.assign(1, Page());
    double y = 0.0;
    const auto pageEmpty = [&] { return pages_.back().placements.empty(); };
    const auto newPage = [&] {
        if (!pageEmpty()) {
            pages_.emplace_back();
        }
        y = 0.0;
    };
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Measured& m = *measured_[b];
        // A block kept with the next starts a chain: the whole chain goes to a new page where it
        // would fit on one but not on this one; else at least the chain's start with the start
        // of its last block.
        if (blocks[b].keepWithNext && (b == 0 || !blocks[b - 1].keepWithNext) && !pageEmpty()) {
            double whole = 0.0;
            double lead = 0.0;
            for (std::size_t k = b; k < blocks.size(); ++k) {
                const double space = k == b ? 0.0 : measured_[k]->spaceBefore;
                lead = whole + space + measured_[k]->Lead(blocks[k].kind);
                whole += space + measured_[k]->Whole();
                if (!blocks[k].keepWithNext) {
                    break;
                }
            }
            const double start = y + m.spaceBefore;
            if ((whole <= bottom && start + whole > bottom) ||
                (whole > bottom && lead <= bottom && start + lead > bottom)) {
                newPage();
            }
        }
        if (m.units.empty()) {
            continue;
        }
        if (!pageEmpty() && y + m.spaceBefore + m.Lead(blocks[b].kind) > bottom) {
            newPage();
        }
        y += pageEmpty() ? 0.0 : m.spaceBefore;
        Placement placement{b, 0, 0, m.headingHeight > 0, y, m.headingHeight};
        y += m.headingHeight;
        for (int unit = 0; unit < int(m.units.size()); ++unit) {
            if (y + m.units[unit] > bottom && placement.last > placement.first) {
                pages_.back().placements.push_back(placement);
                pages_.emplace_back();
                y = 0.0;
                placement = {b, unit, unit, m.headingHeight > 0, y, m.headingHeight};
                y += m.headingHeight;
            }
            placement.last = unit + 1;
            placement.height += m.units[unit];
            y += m.units[unit];
        }
        pages_.back().placements.push_back(placement);
    }
}

void ReportLayout::PaintHeaderAndFooter(QPainter& painter, int page) const {
    const double width = page_.width();
    const QFont font = Font(kMarginSize);
    painter.setPen(QColor::fromRgba(kQuiet));
    const Text title = Lay(content_.title, Font(kMarginSize, true), width, *measure_);
    title.Draw(painter, QPointF(0, 0));
    Lay(content_.instrumentLine, font, width, *measure_, Qt::AlignRight)
        .Draw(painter, QPointF(0, 0));
    const double header = title.height + 3 * pt_;
    const double footer = body_.bottom() + 6 * pt_;
    painter.setPen(QPen(QColor::fromRgba(kRule), kRuleWidth * pt_));
    painter.drawLine(QPointF(0, header), QPointF(width, header));
    painter.drawLine(QPointF(0, footer), QPointF(width, footer));
    painter.setPen(QColor::fromRgba(kQuiet));
    Lay(content_.numberLine, font, width, *measure_).Draw(painter, QPointF(0, footer + 2 * pt_));
    Lay(PageText(page + 1, PageCount()), font, width, *measure_, Qt::AlignRight)
        .Draw(painter, QPointF(0, footer + 2 * pt_));
}

void ReportLayout::PaintPage(QPainter& painter, int page, const ServiceReport& report) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Everything is laid out in dots; the device has its own resolution.
    painter.scale(deviceScale_, deviceScale_);
    PaintHeaderAndFooter(painter, page);
    for (const Placement& placement : pages_.at(page).placements) {
        painter.save();
        // Only a line taller than a whole page reaches past the body; it is cut there.
        if (placement.top + placement.height > body_.height()) {
            painter.setClipRect(body_);
        }
        painter.translate(body_.left(), body_.top() + placement.top);
        painter.setPen(QColor::fromRgba(kText));
        PaintPlacement(painter, placement, report);
        painter.restore();
    }
    painter.restore();
}

void ReportLayout::PaintPlacement(QPainter& painter, const Placement& placement,
                                  const ServiceReport& report) const {
    const Block& block = content_.blocks[placement.block];
    const Measured& m = *measured_[placement.block];
    const double width = body_.width();
    const QPen rule(QColor::fromRgba(kRule), kRuleWidth * pt_);
    switch (block.kind) {
        case Kind::Title:
        case Kind::Heading:
            m.text.Draw(painter, QPointF(0, 0));
            break;
        case Kind::EndMark: {
            m.text.Draw(painter, QPointF(0, 0));
            const QTextLine line = m.text.layout->lineAt(0);
            const double middle = line.height() / 2;
            const double gap = 8 * pt_;
            painter.setPen(rule);
            painter.drawLine(QPointF(width * 0.2, middle),
                             QPointF(line.naturalTextRect().left() - gap, middle));
            painter.drawLine(QPointF(line.naturalTextRect().right() + gap, middle),
                             QPointF(width * 0.8, middle));
            break;
        }
        case Kind::Paragraph: {
            if (block.style == Block::Style::Caption) {
                painter.setPen(QColor::fromRgba(kQuiet));
            }
            const double shift = m.text.layout->lineAt(placement.first).y();
            for (int i = placement.first; i < placement.last; ++i) {
                m.text.layout->lineAt(i).draw(&painter, QPointF(0, -shift));
            }
            break;
        }
        case Kind::Plot: {
            const QRectF area(0, 0, width, m.units[0]);
            if (block.dump < report.dumps.size()) {
                // The plot draws in the device's pixels, with fonts sized for the device.
                painter.save();
                painter.scale(1 / deviceScale_, 1 / deviceScale_);
                QFont font = Font(kTableSize);
                font.setHintingPreference(QFont::PreferDefaultHinting);
                painter.setFont(font);
                DumpPicture::Paint(
                    painter, QRectF(area.topLeft() * deviceScale_, area.size() * deviceScale_),
                    report.dumps[block.dump]);
                painter.restore();
            }
            painter.setPen(rule);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(area);
            break;
        }
        case Kind::Signatures: {
            double y = 0.0;
            for (const Text& signer : m.signers) {
                painter.setPen(QColor::fromRgba(kText));
                signer.Draw(painter, QPointF(0, y));
                y += signer.height + kSignatureSpace * pt_;
                painter.setPen(QPen(QColor::fromRgba(kText), 0.75 * pt_));
                painter.drawLine(QPointF(0, y), QPointF(width * 0.6, y));
                painter.drawLine(QPointF(width * 0.68, y), QPointF(width, y));
                painter.setPen(QColor::fromRgba(kQuiet));
                m.signature.Draw(painter, QPointF(0, y + 2 * pt_));
                m.date.Draw(painter, QPointF(width * 0.68, y + 2 * pt_));
                y += 2 * pt_ + m.signature.height + 10 * pt_;
            }
            break;
        }
        case Kind::Fields:
        case Kind::Table: {
            const bool fields = block.kind == Kind::Fields;
            const double padX = kCellPaddingX * pt_;
            const double padY = kCellPaddingY * pt_;
            // The rows' fills first, so that no fill covers a line drawn before it.
            // The part [from, to) of a row at top: the lines whose tops are in it.
            const auto paintRow = [&](const std::vector<CellText>& cells, double top, double from,
                                      double to, bool heading) {
                const double rowTop = top - from;
                double x = 0.0;
                for (std::size_t c = 0; c < m.columns.size(); ++c) {
                    if (heading || (fields && c == 0)) {
                        painter.fillRect(QRectF(x, top, m.columns[c], to - from),
                                         QColor::fromRgba(heading ? kHeadingFill : kFieldFill));
                    }
                    if (c < cells.size()) {
                        const double start = rowTop + from;
                        const double end = rowTop + to;
                        painter.setPen(QColor::fromRgba(kText));
                        cells[c].text.DrawLines(painter, QPointF(x + padX, rowTop + padY), start,
                                                end);
                        painter.setPen(QColor::fromRgba(kQuiet));
                        cells[c].detail.DrawLines(
                            painter, QPointF(x + padX, rowTop + padY + cells[c].text.height), start,
                            end);
                    }
                    x += m.columns[c];
                }
            };
            std::vector<double> lines;
            double y = 0.0;
            if (placement.headingRow && !m.heading.empty()) {
                paintRow(m.heading, y, 0.0, m.headingHeight, true);
                y += m.headingHeight;
                lines.push_back(y);
            }
            for (int r = placement.first; r < placement.last; ++r) {
                const Measured::RowPart& part = m.parts[r];
                paintRow(m.rows[part.row], y, part.from, part.to, false);
                y += m.units[r];
                lines.push_back(y);
            }
            // The frame and the lines between the rows and the columns.
            painter.setPen(rule);
            painter.setBrush(Qt::NoBrush);
            const double tableWidth = std::accumulate(m.columns.begin(), m.columns.end(), 0.0);
            for (const double line : lines) {
                painter.drawLine(QPointF(0, line), QPointF(tableWidth, line));
            }
            painter.drawRect(QRectF(0, 0, tableWidth, y));
            double x = 0.0;
            for (std::size_t c = 0; c + 1 < m.columns.size(); ++c) {
                x += m.columns[c];
                painter.drawLine(QPointF(x, 0), QPointF(x, y));
            }
            break;
        }
    }
}

bool ReportLayout::Print(const ReportContent& content, const ServiceReport& report,
                         QPagedPaintDevice& device, int fromPage, int toPage) {
    const ReportLayout layout(content, device);
    const int first = fromPage > 0 ? std::min(fromPage, layout.PageCount()) - 1 : 0;
    const int last = toPage > 0 ? std::min(toPage, layout.PageCount()) : layout.PageCount();
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    for (int page = first; page < last; ++page) {
        if (page > first && !device.newPage()) {
            return false;
        }
        layout.PaintPage(painter, page, report);
    }
    return painter.end();
}
