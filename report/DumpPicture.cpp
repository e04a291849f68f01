#include "report/DumpPicture.h"

#include <QLayout>
#include <algorithm>

#include "plot/CurrentChartView.h"
#include "plot/CurrentDumpStore.h"
#include "plot/CurrentPlotWindow.h"

QImage DumpPicture::Render(const ServiceReport::Dump& dump, const QSize& size) {
    CurrentDumpStore store;
    CurrentDumpStore::Headings headings;
    CurrentDumpStore::Bands bands{};
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        headings[c] = QStringLiteral("%1 (mA)").arg(dump.firstSensor + c).toStdString();
        bands[c] = {dump.minimum[c], dump.maximum[c], dump.lampLit[c]};
    }
    store.SetHeadings(headings);
    for (const CurrentRow& row : dump.rows) {
        store.Append(row);
    }
    if (!dump.ended) {
        // Without the recorder's final extremes the bands span the samples themselves.
        for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
            bands[c] = {dump.rows.empty() ? 0.0 : dump.rows.front().milliamps[c],
                        dump.rows.empty() ? 0.0 : dump.rows.front().milliamps[c], false};
            for (const CurrentRow& row : dump.rows) {
                bands[c].minimum = std::min(bands[c].minimum, row.milliamps[c]);
                bands[c].maximum = std::max(bands[c].maximum, row.milliamps[c]);
            }
        }
    }
    store.SetBands(bands);
    CurrentPlotWindow window(store, nullptr);
    window.Refresh();
    // Out of the window's layout, the view keeps the size asked for.
    window.layout()->removeWidget(window.ChartView());
    window.ChartView()->resize(size);
    return window.ChartView()->grab().toImage();
}
