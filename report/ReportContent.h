#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <vector>

class ServiceReport;

// What the report says, in order, as plain blocks: headings, paragraphs, fields, tables, the
// dumps' plots, the signature lines and the end mark. The XHTML page (and so the window) and
// the paginated PDF and print are both made from it, so they say the same in the same order.
// Every text is already worded: a table cell is never empty, a missing value says so.
class ReportContent {
  public:
    // A table cell: its text, and a second, smaller line below it (a reading's time).
    struct Cell {
        QString text;
        QString detail;
    };
    using Row = std::vector<Cell>;

    struct Block {
        enum class Kind {
            Title,       // text
            Heading,     // text
            Paragraph,   // text; its line breaks are kept
            Fields,      // rows of two cells: a name (a row heading) and its value
            Table,       // headings, rows
            Plot,        // dump (an index into the report's dumps), text describes it
            Signatures,  // signers: who signs, e.g. "Technician: Jane Doe"
            EndMark,     // text
        };
        enum class Style { Normal, Strong, Caption };

        Kind kind = Kind::Paragraph;
        Style style = Style::Normal;
        QString text;
        QStringList headings;
        std::vector<Row> rows;
        std::size_t dump = 0;
        QStringList signers;
        // Kept on one page with the block that follows where the two fit on a page.
        bool keepWithNext = false;
    };

    static ReportContent From(const ServiceReport& report);

    QString title;
    // "Report number MRB-2026-0042", or that none was given: on every page.
    QString numberLine;
    // What the page header names besides the title: the instrument, where known.
    QString instrumentLine;
    std::vector<Block> blocks;

    // The text shown for a missing value, e.g. a detail the technician did not type.
    static const QString kNotGiven;
    // The sentence of the report's end.
    static const QString kEndMark;
};
