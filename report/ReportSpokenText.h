#pragma once

#include <QString>
#include <utility>
#include <vector>

class QTextDocument;

// The report's text as a screen reader is given it: the document's own text, except that a
// table row is one line whose every value comes with its column's heading ("Sensor: 0, Voltage:
// 1.234 V, ..."), a heading row names the table's columns, a row of a table without a heading
// row reads "name: value", and a picture reads as its alternative text. Offsets into this text
// map to the document's positions and back, for the caret.
class ReportSpokenText {
  public:
    // The document must outlive the text.
    explicit ReportSpokenText(const QTextDocument& document);

    const QString& Text() const { return text_; }
    // The offset in Text() of a document position; a position within a table row or a
    // picture's paragraph gives its line's start.
    int OffsetOf(int position) const;
    // The document position of an offset in Text(): a table row's gives its first cell's start.
    int PositionOf(int offset) const;
    // The line at an offset, [start, end) in Text(): a table row, a picture's paragraph, or a
    // line of a paragraph as laid out, with its line end.
    std::pair<int, int> LineAt(int offset) const;

  private:
    // A stretch of the document and its spoken text: a paragraph's word for word, or a table
    // row's or a picture's said in other words.
    struct Piece {
        int position = 0;
        int positionEnd = 0;
        int offset = 0;
        int length = 0;
        bool wordForWord = true;
    };

    void Add(int position, int positionEnd, const QString& text, bool wordForWord);
    const Piece& PieceAtOffset(int offset) const;
    const Piece& PieceAtPosition(int position) const;

    const QTextDocument& document_;
    QString text_;
    std::vector<Piece> pieces_;
};
