#pragma once

#include <QRectF>
#include <QString>
#include <cstddef>
#include <memory>
#include <vector>

class QImage;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class ReportContent;
class ServiceReport;

// The report set on pages: each block of the content measured against the page's width with the
// device's fonts, then laid down page by page. A paragraph breaks between its lines; a table
// between its rows, a row taller than a page between its lines, with its heading row again at the
// top of each new page; a heading, a plot and the signature lines are never broken, and a block
// kept with the next one goes to a new page with it where the two would fit on one. Each page has a
// header (the title and the instrument) and a footer (the report number and "Page x of y"):
// measured first, painted second, so the number of pages is known on the first.
//
// Lengths are in dots of kResolution whatever the device, so that a PDF and a print break their
// pages alike; the painter is scaled to the device. The styles are in points.
class ReportLayout {
  public:
    static constexpr int kResolution = 1200;  // dots an inch

    // A part of a block on a page: [first, last) of its units (a paragraph's lines, a table's
    // rows; an unbroken block has one), `top` from the top of the page's body.
    struct Placement {
        std::size_t block = 0;
        int first = 0;
        int last = 0;
        bool headingRow = false;  // a table's heading row above its rows here
        double top = 0.0;
        double height = 0.0;
    };
    struct Page {
        std::vector<Placement> placements;
    };

    // Lays the content out on pages the size of the device's paintable area (its width() and
    // height() at its resolution).
    ReportLayout(const ReportContent& content, QPaintDevice& device);
    ~ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    const std::vector<Page>& Pages() const { return pages_; }
    int PageCount() const { return int(pages_.size()); }
    // Where the blocks go on each page, below the header and above the footer.
    QRectF Body() const { return body_; }
    // How many units a block has: a paragraph's lines, a table's rows (one taller than a page
    // in parts), else 1.
    int Units(std::size_t block) const;

    // "Page 2 of 5".
    static QString PageText(int page, int pages);

    // Paints one page (from 0) with a painter on the device; the report gives the dumps'
    // samples for their plots.
    void PaintPage(QPainter& painter, int page, const ServiceReport& report) const;

    // Lays out and paints every page of the report on the device (QPdfWriter, QPrinter), or
    // those of `fromPage` to `toPage` (from 1) where they are given. False when the device
    // cannot be painted on.
    static bool Print(const ReportContent& content, const ServiceReport& report,
                      QPagedPaintDevice& device, int fromPage = 0, int toPage = 0);

  private:
    struct Measured;

    void Measure(std::size_t index);
    void Paginate();
    void PaintHeaderAndFooter(QPainter& painter, int page) const;
    void PaintPlacement(QPainter& painter, const Placement& placement,
                        const ServiceReport& report) const;

    const ReportContent& content_;
    // The texts are laid out for this, a picture of a dot at kResolution.
    std::unique_ptr<QImage> measure_;
    double deviceScale_ = 1.0;  // the device's pixels a dot
    double pt_ = 1.0;           // dots a point
    QRectF page_;
    QRectF body_;
    std::vector<std::unique_ptr<Measured>> measured_;
    std::vector<Page> pages_;
};
