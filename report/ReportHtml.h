#pragma once

#include <QString>
#include <cstddef>
#include <functional>

class ReportContent;
class ServiceReport;

// The report as XHTML, for the window (through a QTextDocument) and for a file of its own, read
// alike by a screen reader: tables have a heading row (thead, th) or row headings, no cell is
// empty, and each dump's plot is an <img> whose alt text and the caption below it describe it.
// The plot's source is the caller's: a resource name for a QTextDocument, a data: URL for a
// file that stands on its own.
class ReportHtml {
  public:
    using PictureSource = std::function<QString(std::size_t dumpIndex)>;

    // With the XML declaration for a file of its own, without it for a QTextDocument.
    static QString Render(const ServiceReport& report, const PictureSource& picture,
                          bool withDeclaration);
    static QString Render(const ReportContent& content, const PictureSource& picture,
                          bool withDeclaration);
    // The page for a QTextDocument with only the blocks [first, last) of the content: what a
    // document made of such pages one after the other shows alike.
    static QString RenderBlocks(const ReportContent& content, std::size_t first, std::size_t last,
                                const PictureSource& picture);
};
