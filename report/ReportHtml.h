#pragma once

#include <QString>
#include <cstddef>
#include <functional>

class ServiceReport;

// The report as XHTML. Each dump's plot is an <img> whose source the caller gives: a resource
// name for a QTextDocument, a data: URL for a file that stands on its own.
class ReportHtml {
  public:
    using PictureSource = std::function<QString(std::size_t dumpIndex)>;

    // With the XML declaration for a file of its own, without it for a QTextDocument.
    static QString Render(const ServiceReport& report, const PictureSource& picture,
                          bool withDeclaration);
};
