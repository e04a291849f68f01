#include "report/DumpPicture.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "controls/StatusLamp.h"

namespace {

using Dump = ServiceReport::Dump;
constexpr int kColumns = CurrentRow::kColumns;

// The plot window's colours, one per column; red stays the lamp's (a spread over the limit).
constexpr std::array<QRgb, kColumns> kLineColours = {0xFF0072B2, 0xFF009E73, 0xFFE69F00,
                                                     0xFFCC79A7};
constexpr int kBandAlpha = 48;
constexpr int kOverLimitBandAlpha = 96;
constexpr QRgb kAxis = 0xFF404040;
constexpr QRgb kGrid = 0xFFD8D8D8;
constexpr QRgb kText = 0xFF000000;

constexpr double kSmallestCurrentSpan = 0.02;  // mA
constexpr double kShortestTimeSpan = 10.0;     // s
constexpr double kCurrentMarginShare = 0.1;
// The line of a long dump keeps each bucket's smallest and largest sample: at most this many
// buckets across, so a PDF holds some thousands of points a column, not every sample.
constexpr int kMostBuckets = 600;

// 1, 2 or 5 times a power of ten, the nearest at or above the step.
double NiceStep(double step) {
    if (!(step > 0.0) || !std::isfinite(step)) {
        return 1.0;
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(step)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= step * (1.0 - 1e-9)) {
            return factor * magnitude;
        }
    }
    return 10.0 * magnitude;
}

// Decimals enough to tell the ticks of the step apart.
int Decimals(double step) {
    return std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 6);
}

// More ticks than this are never drawn, whatever the values.
constexpr int kMostTicks = 50;

struct Axis {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;

    // Counted rather than summed: a step lost in the rounding of large values would never
    // reach the end.
    int Ticks() const {
        const double count = std::round((high - low) / step);
        return std::isfinite(count) ? int(std::clamp(count, 0.0, double(kMostTicks))) + 1 : 1;
    }
    double Tick(int index) const { return low + index * step; }
    double Span() const { return high > low ? high - low : 1.0; }
};

// Round ticks over the range, about `ticks` of them.
Axis NiceAxis(double low, double high, int ticks) {
    Axis axis;
    if (!std::isfinite(low) || !std::isfinite(high)) {
        return axis;
    }
    axis.step = NiceStep((high - low) / ticks);
    axis.low = std::floor(low / axis.step + 1e-9) * axis.step;
    axis.high = std::ceil(high / axis.step - 1e-9) * axis.step;
    if (axis.high <= axis.low) {
        axis.high = axis.low + axis.step;
    }
    return axis;
}

QFont Font(const QPainter& painter, double points, bool bold = false) {
    QFont font = painter.font();
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QColor WithAlpha(QRgb rgb, int alpha) {
    QColor colour = QColor::fromRgba(rgb);
    colour.setAlpha(alpha);
    return colour;
}

// A part's title at the top of its area, in the text colour; its height.
double PaintTitle(QPainter& painter, const QRectF& area, const QString& title) {
    painter.setFont(Font(painter, 7.5, true));
    const double height = QFontMetricsF(painter.font(), painter.device()).height();
    painter.setPen(QColor::fromRgba(kText));
    painter.drawText(QRectF(area.left(), area.top(), area.width(), height),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    return height;
}

// The currents over the dump's time, with each column's band from its smallest to its largest.
void PaintCurrents(QPainter& painter, const QRectF& area, const Dump& dump,
                   const DumpPicture::ColumnExtremes& extremes, double pt) {
    const double titleHeight =
        PaintTitle(painter, area, QStringLiteral("Current (mA) over time (s)"));

    painter.setFont(Font(painter, 7));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double legendHeight = metrics.height() * 1.4;

    // The extremes span every sample: the recorder's take them all in, a running dump's are
    // the samples'.
    double low = 0.0;
    double high = 0.0;
    bool any = false;
    for (int c = 0; c < kColumns; ++c) {
        if (extremes[c]) {
            low = any ? std::min(low, extremes[c]->minimum) : extremes[c]->minimum;
            high = any ? std::max(high, extremes[c]->maximum) : extremes[c]->maximum;
            any = true;
        }
    }
    if (!any) {
        low = 0.0;
        high = 1.0;
    }
    const double margin = std::max(high - low, kSmallestCurrentSpan) * kCurrentMarginShare;
    const double middle = (low + high) / 2.0;
    const double half = std::max(high - low, kSmallestCurrentSpan) / 2.0 + margin;
    const Axis current = any ? NiceAxis(middle - half, middle + half, 5) : NiceAxis(0.0, 1.0, 5);
    const double lastSecond = dump.rows.empty() ? 0.0 : dump.rows.back().seconds;
    const Axis time = NiceAxis(0.0, std::max(lastSecond, kShortestTimeSpan), 6);

    const int currentDecimals = Decimals(current.step);
    double labelWidth = 0.0;
    for (int tick = 0; tick < current.Ticks(); ++tick) {
        const double v = current.Tick(tick);
        labelWidth = std::max(labelWidth,
                              metrics.horizontalAdvance(QString::number(v, 'f', currentDecimals)));
    }
    // Below the title by half a label, so that the top label stays clear of it.
    const double top = titleHeight + metrics.height() / 2 + 2 * pt;
    const QRectF plot(area.left() + labelWidth + 4 * pt, area.top() + top,
                      area.width() - labelWidth - 8 * pt,
                      area.height() - top - metrics.height() - 4 * pt - legendHeight);
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const auto x = [&](double seconds) {
        return plot.left() + (seconds - time.low) / time.Span() * plot.width();
    };
    const auto y = [&](double milliamps) {
        return plot.bottom() - (milliamps - current.low) / current.Span() * plot.height();
    };

    // Grid and tick labels.
    painter.setPen(QPen(QColor::fromRgba(kGrid), 0.5 * pt));
    for (int tick = 0; tick < current.Ticks(); ++tick) {
        const double v = current.Tick(tick);
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
    }
    for (int tick = 0; tick < time.Ticks(); ++tick) {
        const double s = time.Tick(tick);
        painter.drawLine(QPointF(x(s), plot.top()), QPointF(x(s), plot.bottom()));
    }
    painter.setPen(QColor::fromRgba(kText));
    for (int tick = 0; tick < current.Ticks(); ++tick) {
        const double v = current.Tick(tick);
        painter.drawText(
            QRectF(area.left(), y(v) - metrics.height() / 2, labelWidth, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', currentDecimals));
    }
    const int timeDecimals = time.step >= 1.0 ? 0 : Decimals(time.step);
    for (int tick = 0; tick < time.Ticks(); ++tick) {
        const double s = time.Tick(tick);
        const QString label = QString::number(s, 'f', timeDecimals);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QRectF(x(s) - w, plot.bottom() + 2 * pt, 2 * w, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }

    painter.save();
    painter.setClipRect(plot);
    // Each column's band, red where its spread went over the limit.
    for (int c = 0; c < kColumns; ++c) {
        if (!extremes[c]) {
            continue;
        }
        const bool over = DumpPicture::OverLimit(dump, *extremes[c]);
        const double top = y(extremes[c]->maximum);
        const double bottom = y(extremes[c]->minimum);
        painter.fillRect(QRectF(plot.left(), top, plot.width(), std::max(bottom - top, 0.6 * pt)),
                         over ? WithAlpha(StatusLamp::kLitBody, kOverLimitBandAlpha)
                              : WithAlpha(kLineColours[c], kBandAlpha));
    }
    // Each column's line, a long dump's by each bucket's smallest and largest sample in order.
    const int buckets = std::max(1, std::min(kMostBuckets, int(plot.width())));
    // One pass over the samples for every column: a bucket's samples are the same rows.
    std::array<QPolygonF, kColumns> lines;
    std::array<const CurrentRow*, kColumns> smallest{};
    std::array<const CurrentRow*, kColumns> largest{};
    const auto flush = [&] {
        for (int c = 0; c < kColumns; ++c) {
            if (smallest[c] == nullptr) {
                continue;
            }
            const CurrentRow* first =
                smallest[c]->seconds <= largest[c]->seconds ? smallest[c] : largest[c];
            const CurrentRow* second = first == smallest[c] ? largest[c] : smallest[c];
            lines[c] << QPointF(x(first->seconds), y(first->milliamps[c]));
            if (second != first) {
                lines[c] << QPointF(x(second->seconds), y(second->milliamps[c]));
            }
        }
    };
    int bucket = -1;
    const double perBucket = buckets / time.Span();
    for (const CurrentRow& row : dump.rows) {
        const double place = (row.seconds - time.low) * perBucket;
        const int at = std::isfinite(place) ? int(std::clamp(place, 0.0, buckets - 1.0)) : 0;
        if (at != bucket) {
            flush();
            bucket = at;
            smallest.fill(&row);
            largest.fill(&row);
            continue;
        }
        for (int c = 0; c < kColumns; ++c) {
            if (row.milliamps[c] < smallest[c]->milliamps[c]) {
                smallest[c] = &row;
            }
            if (row.milliamps[c] > largest[c]->milliamps[c]) {
                largest[c] = &row;
            }
        }
    }
    flush();
    // A picture's lines one pixel wide, which Qt draws fast; on paper a point.
    const bool picture = painter.paintEngine()->type() == QPaintEngine::Raster;
    for (int c = 0; c < kColumns; ++c) {
        painter.setPen(QPen(QColor::fromRgba(kLineColours[c]), picture ? 1.0 : 1.0 * pt,
                            Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        if (lines[c].size() == 1) {
            painter.drawPoint(lines[c].first());
        } else {
            painter.drawPolyline(lines[c]);
        }
    }
    painter.restore();

    painter.setPen(QPen(QColor::fromRgba(kAxis), 0.75 * pt));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (dump.rows.empty()) {
        painter.setPen(QColor::fromRgba(kText));
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("No samples recorded."));
    }

    // The legend: each column's colour and sensor.
    double left = plot.left();
    const double legendTop = plot.bottom() + 2 * pt + metrics.height() + 2 * pt;
    for (int c = 0; c < kColumns; ++c) {
        const double middleY = legendTop + legendHeight / 2;
        painter.setPen(QPen(QColor::fromRgba(kLineColours[c]), 2.0 * pt));
        painter.drawLine(QPointF(left, middleY), QPointF(left + 12 * pt, middleY));
        painter.setPen(QColor::fromRgba(kText));
        const QString label = QStringLiteral("Sensor %1").arg(dump.firstSensor + c);
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QRectF(left + 15 * pt, legendTop, w + 2 * pt, legendHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        left += 15 * pt + w + 10 * pt;
    }
}

// Each column's spread as a bar, against the limit as a dashed line.
void PaintSpreads(QPainter& painter, const QRectF& area, const Dump& dump,
                  const DumpPicture::ColumnExtremes& extremes, double pt) {
    const double titleHeight =
        PaintTitle(painter, area, QStringLiteral("Spread (µA) against the limit"));

    painter.setFont(Font(painter, 7));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double limit = dump.spreadLimit * 1000.0;
    double highest = limit > 0 ? limit * 1.25 : 0.0;
    for (int c = 0; c < kColumns; ++c) {
        if (extremes[c]) {
            highest = std::max(highest, extremes[c]->SpreadMicroamps() * 1.15);
        }
    }
    const Axis axis = NiceAxis(0.0, std::max(highest, 1.0), 5);
    const int decimals = Decimals(axis.step);
    double labelWidth = 0.0;
    for (int tick = 0; tick < axis.Ticks(); ++tick) {
        const double v = axis.Tick(tick);
        labelWidth =
            std::max(labelWidth, metrics.horizontalAdvance(QString::number(v, 'f', decimals)));
    }
    // Room above the bars for their values, below them for the sensors, under that the limit.
    const QRectF plot(area.left() + labelWidth + 4 * pt,
                      area.top() + titleHeight + 4 * pt + metrics.height(),
                      area.width() - labelWidth - 6 * pt,
                      area.height() - titleHeight - 4 * pt - 3.4 * metrics.height() - 6 * pt);
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const auto y = [&](double microamps) {
        return plot.bottom() - (microamps - axis.low) / axis.Span() * plot.height();
    };

    painter.setPen(QPen(QColor::fromRgba(kGrid), 0.5 * pt));
    for (int tick = 0; tick < axis.Ticks(); ++tick) {
        const double v = axis.Tick(tick);
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
    }
    painter.setPen(QColor::fromRgba(kText));
    for (int tick = 0; tick < axis.Ticks(); ++tick) {
        const double v = axis.Tick(tick);
        painter.drawText(
            QRectF(area.left(), y(v) - metrics.height() / 2, labelWidth, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', decimals));
    }

    const double slot = plot.width() / kColumns;
    for (int c = 0; c < kColumns; ++c) {
        const QRectF column(plot.left() + c * slot, plot.top(), slot, plot.height());
        painter.setPen(QColor::fromRgba(kText));
        painter.drawText(QRectF(column.left(), plot.bottom() + 2 * pt, slot, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Sensor %1").arg(dump.firstSensor + c));
        if (!extremes[c]) {
            painter.drawText(
                QRectF(column.left(), plot.bottom() - metrics.height(), slot, metrics.height()),
                Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("none"));
            continue;
        }
        const double spread = extremes[c]->SpreadMicroamps();
        const bool over = DumpPicture::OverLimit(dump, *extremes[c]);
        const double barWidth = slot * 0.55;
        const QRectF bar(column.center().x() - barWidth / 2, y(spread), barWidth,
                         plot.bottom() - y(spread));
        painter.setPen(QPen(over ? QColor::fromRgba(StatusLamp::kLitBody).darker(130)
                                 : QColor::fromRgba(kLineColours[c]).darker(120),
                            0.6 * pt));
        painter.setBrush(over ? QColor::fromRgba(StatusLamp::kLitBody)
                              : QColor::fromRgba(kLineColours[c]));
        painter.drawRect(bar);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QColor::fromRgba(kText));
        painter.setFont(Font(painter, 7, over));
        const QString value =
            QString::number(spread, 'f', 1) + (over ? QStringLiteral(" over") : QString());
        painter.drawText(QRectF(column.left() - slot / 4, bar.top() - metrics.height() - 1 * pt,
                                slot * 1.5, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignBottom, value);
        painter.setFont(Font(painter, 7));
    }

    painter.setPen(QPen(QColor::fromRgba(kAxis), 0.75 * pt));
    painter.drawRect(plot);

    // The legend: the dashed line is the limit.
    const double legendTop = plot.bottom() + 2 * pt + metrics.height() + 2 * pt;
    const double middleY = legendTop + metrics.height() * 0.7;
    QString limitText = QStringLiteral("No limit recorded");
    double textLeft = plot.left();
    if (limit > 0) {
        painter.setPen(
            QPen(QColor::fromRgba(StatusLamp::kLitBody).darker(120), 1.2 * pt, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y(limit)), QPointF(plot.right(), y(limit)));
        painter.drawLine(QPointF(plot.left(), middleY), QPointF(plot.left() + 14 * pt, middleY));
        limitText = QStringLiteral("Limit %1").arg(DumpPicture::Microamps(limit));
        textLeft += 17 * pt;
    }
    painter.setPen(QColor::fromRgba(kText));
    painter.drawText(QRectF(textLeft, legendTop, area.right() - textLeft, metrics.height() * 1.4),
                     Qt::AlignLeft | Qt::AlignVCenter, limitText);
}

}  // namespace

DumpPicture::ColumnExtremes DumpPicture::AllExtremes(const Dump& dump) {
    ColumnExtremes extremes;
    if (dump.ended) {
        for (int c = 0; c < kColumns; ++c) {
            extremes[c] = Extremes{dump.maximum[c], dump.minimum[c]};
        }
        return extremes;
    }
    if (dump.rows.empty()) {
        return extremes;
    }
    for (int c = 0; c < kColumns; ++c) {
        extremes[c] = Extremes{dump.rows.Maximum()[c], dump.rows.Minimum()[c]};
    }
    return extremes;
}

bool DumpPicture::OverLimit(const Dump& dump, const Extremes& extremes) {
    return dump.spreadLimit > 0 && extremes.maximum - extremes.minimum > dump.spreadLimit;
}

QString DumpPicture::Microamps(double microamps) {
    return QString::number(microamps, 'f', 1) + QStringLiteral(" µA");
}

QString DumpPicture::Description(const Dump& dump) {
    QStringList lines;
    const QString limit = Microamps(dump.spreadLimit * 1000.0);
    const ColumnExtremes all = AllExtremes(dump);
    for (int c = 0; c < kColumns; ++c) {
        const int sensor = dump.firstSensor + c;
        const std::optional<Extremes>& extremes = all[c];
        if (!extremes) {
            lines << QStringLiteral("Sensor %1: no samples recorded.").arg(sensor);
            continue;
        }
        QString against;
        if (dump.spreadLimit <= 0) {
            against = QStringLiteral("no limit recorded");
        } else if (OverLimit(dump, *extremes)) {
            against = QStringLiteral("over the limit of %1").arg(limit);
        } else {
            against = QStringLiteral("within the limit of %1").arg(limit);
        }
        lines << QStringLiteral("Sensor %1: maximum %2 mA, minimum %3 mA, spread %4, %5.")
                     .arg(sensor)
                     .arg(QString::number(extremes->maximum, 'f', 3),
                          QString::number(extremes->minimum, 'f', 3),
                          Microamps(extremes->SpreadMicroamps()), against);
    }
    return lines.join(QLatin1Char('\n'));
}

void DumpPicture::Paint(QPainter& painter, const QRectF& rect, const Dump& dump) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double pt = painter.device()->logicalDpiY() / 72.0;
    painter.fillRect(rect, Qt::white);
    const QRectF inner = rect.adjusted(4 * pt, 4 * pt, -4 * pt, -4 * pt);
    const double split = inner.width() * 0.64;
    const ColumnExtremes extremes = AllExtremes(dump);
    PaintCurrents(painter, QRectF(inner.left(), inner.top(), split - 8 * pt, inner.height()), dump,
                  extremes, pt);
    PaintSpreads(painter,
                 QRectF(inner.left() + split, inner.top(), inner.width() - split, inner.height()),
                 dump, extremes, pt);
    painter.restore();
}

QImage DumpPicture::Render(const Dump& dump, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    Paint(painter, QRectF(QPointF(0, 0), QSizeF(size)), dump);
    return image;
}
