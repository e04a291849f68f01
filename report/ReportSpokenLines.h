#pragma once

#include <QString>

class QTextDocument;

// The report's text as a screen reader reads it line by line: a table row is one line whose
// every value comes with its column's heading ("Sensor: 0, Voltage: 1.234 V, ..."), a heading
// row names the table's columns, a row of a table without a heading row reads "name: value",
// and a picture reads as its alternative text.
class ReportSpokenLines {
  public:
    struct Line {
        QString text;
        int start = 0;  // document positions: the line spans [start, end)
        int end = 0;
    };

    // The line at a document position: the table row around it, or the laid-out line of its
    // paragraph.
    static Line At(const QTextDocument& document, int position);
    // Whether a position is in a table cell.
    static bool InTable(const QTextDocument& document, int position);
};
