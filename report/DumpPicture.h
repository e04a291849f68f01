#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

#include "report/ServiceReport.h"

class QPainter;

// A dump's plot for the report, drawn with QPainter alone so that it stays vector graphics on a
// PDF or a printer: on the left each column's current over the dump's time, as the "Sensor
// Current Plot" window shows it; on the right each column's spread (its largest less its
// smallest current) in µA as a bar against the dump's spread limit, a dashed line, so that a
// spread of a few µA is seen against the usual 20 µA.
class DumpPicture {
  public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 400;

    // Each column's largest and smallest current, in mA: the recorder's final ones for a dump
    // that ended, else those of the samples recorded (kept as they come); none for a running
    // dump without samples.
    struct Extremes {
        double maximum = 0.0;
        double minimum = 0.0;
        double SpreadMicroamps() const { return (maximum - minimum) * 1000.0; }
    };
    using ColumnExtremes = std::array<std::optional<Extremes>, CurrentRow::kColumns>;
    static ColumnExtremes AllExtremes(const ServiceReport::Dump& dump);
    // Over the limit as the window's lamp judges it: spread greater than the limit.
    static bool OverLimit(const ServiceReport::Dump& dump, const Extremes& extremes);

    // "20.0 µA": a value in µA as the report writes it.
    static QString Microamps(double microamps);
    // The plot in words, per column: its maximum, minimum and spread against the limit, e.g.
    // "Sensor 4: maximum 1.250 mA, minimum 1.236 mA, spread 14.0 µA, within the limit of
    // 20.0 µA." One sentence a line.
    static QString Description(const ServiceReport::Dump& dump);

    // Draws the plot into the rectangle. Sizes of text and lines follow the painter's device's
    // resolution, in points, so the plot reads alike on paper and on the screen.
    static void Paint(QPainter& painter, const QRectF& rect, const ServiceReport::Dump& dump);
    // The same drawing as a picture, for the window and the XHTML file.
    static QImage Render(const ServiceReport::Dump& dump, const QSize& size = {kWidth, kHeight});
};
