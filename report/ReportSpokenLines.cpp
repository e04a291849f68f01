#include "report/ReportSpokenLines.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextTable>

namespace {

constexpr QChar kObjectReplacement(0xfffc);

// A block's text from one position to another, a picture replaced by its alternative text.
QString SpokenText(const QTextBlock& block, int from, int to) {
    QString text;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = std::max(fragment.position(), from);
        const int end = std::min(fragment.position() + fragment.length(), to);
        if (start >= end) {
            continue;
        }
        const QString part = fragment.text().mid(start - fragment.position(), end - start);
        const QTextImageFormat image = fragment.charFormat().toImageFormat();
        if (image.isValid()) {
            const QString alt = image.stringProperty(QTextFormat::ImageAltText);
            text += QString(part).replace(kObjectReplacement,
                                          alt.isEmpty() ? QStringLiteral("Picture") : alt);
        } else {
            text += part;
        }
    }
    return text.replace(QChar::Nbsp, QLatin1Char(' '));
}

// A cell's second line (a reading's time) reads in brackets after the first.
QString CellLines(const QString& text) {
    QStringList lines = text.split(QChar::LineSeparator);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        lines[i] = QStringLiteral("(") + lines[i].trimmed() + QLatin1Char(')');
    }
    return lines.join(QLatin1Char(' '));
}

QString CellText(const QTextTableCell& cell) {
    QStringList blocks;
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        const QTextBlock block = it.currentBlock();
        if (block.isValid()) {
            const QString text =
                SpokenText(block, block.position(), block.position() + block.length());
            if (!text.trimmed().isEmpty()) {
                blocks << CellLines(text.trimmed());
            }
        }
    }
    return blocks.join(QLatin1Char(' '));
}

QString RowText(const QTextTable& table, int row) {
    const int headingRows = table.format().headerRowCount();
    QStringList cells;
    for (int column = 0; column < table.columns(); ++column) {
        cells << CellText(table.cellAt(row, column));
    }
    if (row < headingRows) {
        return QStringLiteral("Table of %1 rows: %2")
            .arg(table.rows() - headingRows)
            .arg(cells.join(QStringLiteral(", ")));
    }
    if (headingRows == 0) {
        // The first cell names the row.
        const QString name = cells.takeFirst();
        return name + QStringLiteral(": ") + cells.join(QStringLiteral(", "));
    }
    QStringList named;
    for (int column = 0; column < cells.size(); ++column) {
        const QString heading = CellText(table.cellAt(headingRows - 1, column));
        named << heading + QStringLiteral(": ") + cells[column];
    }
    return named.join(QStringLiteral(", "));
}

}  // namespace

bool ReportSpokenLines::InTable(const QTextDocument& document, int position) {
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position);
    return cursor.currentTable() != nullptr;
}

ReportSpokenLines::Line ReportSpokenLines::At(const QTextDocument& document, int position) {
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(std::clamp(position, 0, document.characterCount() - 1));
    if (const QTextTable* table = cursor.currentTable()) {
        const int row = table->cellAt(cursor).row();
        const QTextTableCell first = table->cellAt(row, 0);
        const QTextTableCell last = table->cellAt(row, table->columns() - 1);
        return {RowText(*table, row), first.firstPosition(), last.lastPosition() + 1};
    }
    const QTextBlock block = cursor.block();
    const int inBlock = cursor.position() - block.position();
    int start = block.position();
    int end = block.position() + block.length();
    if (const QTextLayout* layout = block.layout(); layout != nullptr && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(inBlock);
        if (line.isValid()) {
            start = block.position() + line.textStart();
            end = start + line.textLength();
            if (end == block.position() + block.length() - 1) {
                ++end;  // with the paragraph's end
            }
        }
    }
    return {SpokenText(block, start, end).replace(QChar::LineSeparator, QLatin1Char(' ')), start,
            end};
}
