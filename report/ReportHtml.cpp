#include "report/ReportHtml.h"

#include <QXmlStreamWriter>

#include "report/ReportContent.h"
#include "report/ServiceReport.h"

namespace {

using Block = ReportContent::Block;
using Kind = ReportContent::Block::Kind;

class Writer {
  public:
    explicit Writer(QString* out) : xml_(out) { xml_.setAutoFormatting(true); }

    QXmlStreamWriter& Xml() { return xml_; }

    void Start(const char* name) { xml_.writeStartElement(QLatin1String(name)); }
    void End() { xml_.writeEndElement(); }
    void Attribute(const char* name, const QString& value) {
        xml_.writeAttribute(QLatin1String(name), value);
    }

    // Text whose line ends stay line ends.
    void Lines(const QString& text) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) {
                xml_.writeEmptyElement(QStringLiteral("br"));
            }
            xml_.writeCharacters(lines[i]);
        }
    }

    void Element(const char* name, const QString& text) {
        Start(name);
        Lines(text);
        End();
    }

    void Cell(const char* name, const ReportContent::Cell& cell, const char* scope = nullptr) {
        Start(name);
        if (scope != nullptr) {
            Attribute("scope", QLatin1String(scope));
            Attribute("align", QStringLiteral("left"));
        }
        Lines(cell.text);
        if (!cell.detail.isEmpty()) {
            xml_.writeEmptyElement(QStringLiteral("br"));
            Element("small", cell.detail);
        }
        End();
    }

    void StartTable() {
        Start("table");
        Attribute("border", QStringLiteral("1"));
        Attribute("cellpadding", QStringLiteral("3"));
        Attribute("cellspacing", QStringLiteral("0"));
    }

  private:
    QXmlStreamWriter xml_;
};

void WriteTable(Writer& w, const Block& block) {
    w.StartTable();
    w.Start("thead");
    w.Start("tr");
    for (const QString& heading : block.headings) {
        w.Cell("th", {heading, {}}, "col");
    }
    w.End();
    w.End();
    w.Start("tbody");
    for (const ReportContent::Row& row : block.rows) {
        w.Start("tr");
        for (const ReportContent::Cell& cell : row) {
            w.Cell("td", cell);
        }
        w.End();
    }
    w.End();
    w.End();
}

// Each row's name is its heading: a reader says "Serial number" with its value.
void WriteFields(Writer& w, const Block& block) {
    w.StartTable();
    w.Start("tbody");
    for (const ReportContent::Row& row : block.rows) {
        w.Start("tr");
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i == 0) {
                w.Cell("th", row[i], "row");
            } else {
                w.Cell("td", row[i]);
            }
        }
        w.End();
    }
    w.End();
    w.End();
}

void WriteBlock(Writer& w, const Block& block, const ReportHtml::PictureSource& picture) {
    switch (block.kind) {
        case Kind::Title:
            w.Element("h1", block.text);
            break;
        case Kind::Heading:
            w.Element("h2", block.text);
            break;
        case Kind::Paragraph:
            w.Start("p");
            if (block.style == Block::Style::Strong) {
                w.Element("strong", block.text);
            } else if (block.style == Block::Style::Caption) {
                w.Element("small", block.text);
            } else {
                w.Lines(block.text);
            }
            w.End();
            break;
        case Kind::Fields:
            WriteFields(w, block);
            break;
        case Kind::Table:
            WriteTable(w, block);
            break;
        case Kind::Plot:
            w.Start("p");
            w.Xml().writeEmptyElement(QStringLiteral("img"));
            w.Attribute("src", picture(block.dump));
            w.Attribute("alt", QString(block.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
            w.Attribute("width", QStringLiteral("600"));
            w.End();
            break;
        case Kind::Signatures:
            for (const QString& signer : block.signers) {
                w.Element("p", signer + QStringLiteral(". Signature: ______________________"
                                                       "  Date: ____________"));
            }
            break;
        case Kind::EndMark:
            w.Start("p");
            w.Attribute("align", QStringLiteral("center"));
            w.Element("strong", block.text);
            w.End();
            break;
    }
}

QString Page(const ReportContent& content, std::size_t first, std::size_t last,
             const ReportHtml::PictureSource& picture, bool withDeclaration) {
    QString out;
    Writer w(&out);
    QXmlStreamWriter& xml = w.Xml();
    if (withDeclaration) {
        xml.writeStartDocument();
    }
    w.Start("html");
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/1999/xhtml"));
    w.Attribute("lang", QStringLiteral("en"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("en"));
    w.Start("head");
    xml.writeEmptyElement(QStringLiteral("meta"));
    w.Attribute("charset", QStringLiteral("UTF-8"));
    w.Element("title", content.title + QStringLiteral(", ") + content.numberLine);
    // A long word breaks anywhere rather than widening its table past the page.
    w.Element("style", QStringLiteral("td, th, p { overflow-wrap: anywhere; }"));
    w.End();
    w.Start("body");
    for (std::size_t i = first; i < last; ++i) {
        WriteBlock(w, content.blocks[i], picture);
    }
    w.End();
    w.End();
    xml.writeEndDocument();
    return out;
}

}  // namespace

QString ReportHtml::Render(const ServiceReport& report, const PictureSource& picture,
                           bool withDeclaration) {
    return Render(ReportContent::From(report), picture, withDeclaration);
}

QString ReportHtml::Render(const ReportContent& content, const PictureSource& picture,
                           bool withDeclaration) {
    return Page(content, 0, content.blocks.size(), picture, withDeclaration);
}

QString ReportHtml::RenderBlocks(const ReportContent& content, std::size_t first, std::size_t last,
                                 const PictureSource& picture) {
    return Page(content, first, last, picture, false);
}
