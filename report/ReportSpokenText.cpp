#include "report/ReportSpokenText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextTable>
#include <algorithm>

namespace {

constexpr QChar kObjectReplacement(0xfffc);

// A block's text, each picture replaced by its alternative text; false for has none.
std::pair<QString, bool> BlockText(const QTextBlock& block) {
    QString text;
    bool pictures = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextImageFormat image = fragment.charFormat().toImageFormat();
        if (image.isValid()) {
            const QString alt = image.stringProperty(QTextFormat::ImageAltText);
            text += fragment.text().replace(kObjectReplacement,
                                            alt.isEmpty() ? QStringLiteral("Picture") : alt);
            pictures = true;
        } else {
            text += fragment.text();
        }
    }
    return {text, pictures};
}

// A cell's second line (a reading's time) reads in brackets after the first.
QString CellText(const QTextTableCell& cell) {
    QStringList parts;
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        const QTextBlock block = it.currentBlock();
        if (!block.isValid()) {
            continue;
        }
        QStringList lines = BlockText(block).first.split(QChar::LineSeparator);
        for (QString& line : lines) {
            line = line.simplified();
        }
        lines.removeAll(QString());
        for (qsizetype i = 1; i < lines.size(); ++i) {
            lines[i] = QStringLiteral("(") + lines[i] + QLatin1Char(')');
        }
        if (!lines.isEmpty()) {
            parts << lines.join(QLatin1Char(' '));
        }
    }
    return parts.join(QLatin1Char(' '));
}

QString RowText(const QTextTable& table, int row) {
    const int headingRows = table.format().headerRowCount();
    QStringList cells;
    for (int column = 0; column < table.columns(); ++column) {
        cells << CellText(table.cellAt(row, column));
    }
    if (row < headingRows) {
        const int rows = table.rows() - headingRows;
        return QStringLiteral("Table of %1 %2: %3")
            .arg(rows)
            .arg(rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
                 cells.join(QStringLiteral(", ")));
    }
    if (headingRows == 0) {
        // The first cell names the row.
        const QString name = cells.takeFirst();
        return name + QStringLiteral(": ") + cells.join(QStringLiteral(", "));
    }
    QStringList named;
    for (int column = 0; column < cells.size(); ++column) {
        named << CellText(table.cellAt(headingRows - 1, column)) + QStringLiteral(": ") +
                     cells[column];
    }
    return named.join(QStringLiteral(", "));
}

}  // namespace

ReportSpokenText::ReportSpokenText(const QTextDocument& document) : document_(document) {
    const QTextTable* lastTable = nullptr;
    int lastRow = -1;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextCursor cursor(block);
        if (const QTextTable* table = cursor.currentTable()) {
            const int row = table->cellAt(block.position()).row();
            if (table != lastTable || row != lastRow) {
                lastTable = table;
                lastRow = row;
                const int end = table->cellAt(row, table->columns() - 1).lastPosition() + 1;
                Add(table->cellAt(row, 0).firstPosition(), end,
                    RowText(*table, row) + QLatin1Char('\n'), false);
            }
            continue;
        }
        if (block.length() == 1) {
            continue;  // an empty paragraph between two of the report's blocks
        }
        auto [text, pictures] = BlockText(block);
        if (!pictures) {
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
        }
        text.replace(QChar::Nbsp, QLatin1Char(' '));
        Add(block.position(), block.position() + block.length(), text + QLatin1Char('\n'),
            !pictures);
    }
    if (pieces_.empty()) {
        Add(0, 1, QStringLiteral("\n"), true);
    }
}

void ReportSpokenText::Add(int position, int positionEnd, const QString& text, bool wordForWord) {
    pieces_.push_back({position, positionEnd, int(text_.size()), int(text.size()), wordForWord});
    text_ += text;
}

const ReportSpokenText::Piece& ReportSpokenText::PieceAtOffset(int offset) const {
    auto after = std::upper_bound(pieces_.begin(), pieces_.end(), offset,
                                  [](int o, const Piece& piece) { return o < piece.offset; });
    return after == pieces_.begin() ? pieces_.front() : *(after - 1);
}

const ReportSpokenText::Piece& ReportSpokenText::PieceAtPosition(int position) const {
    auto after = std::upper_bound(pieces_.begin(), pieces_.end(), position,
                                  [](int p, const Piece& piece) { return p < piece.position; });
    return after == pieces_.begin() ? pieces_.front() : *(after - 1);
}

int ReportSpokenText::OffsetOf(int position) const {
    const Piece& piece = PieceAtPosition(position);
    if (!piece.wordForWord) {
        return piece.offset;
    }
    return piece.offset + std::clamp(position - piece.position, 0, piece.length - 1);
}

int ReportSpokenText::PositionOf(int offset) const {
    const Piece& piece = PieceAtOffset(offset);
    if (!piece.wordForWord) {
        return piece.position;
    }
    return piece.position +
           std::clamp(offset - piece.offset, 0, piece.positionEnd - piece.position - 1);
}

std::pair<int, int> ReportSpokenText::LineAt(int offset) const {
    const Piece& piece = PieceAtOffset(offset);
    const std::pair<int, int> whole{piece.offset, piece.offset + piece.length};
    if (!piece.wordForWord) {
        return whole;
    }
    const QTextBlock block = document_.findBlock(piece.position);
    const QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->lineCount() == 0) {
        return whole;
    }
    const QTextLine line =
        layout->lineForTextPosition(std::clamp(offset - piece.offset, 0, piece.length - 1));
    if (!line.isValid()) {
        return whole;
    }
    const int start = piece.offset + line.textStart();
    const int end = start + line.textLength();
    // The paragraph's last line ends with its line end.
    return {start, end >= whole.second - 1 ? whole.second : end};
}
