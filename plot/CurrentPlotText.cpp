#include "plot/CurrentPlotText.h"

#include <QStringList>

namespace {

QString Milliamps(double value) {
    return QString::number(value, 'f', 3);
}

}  // namespace

QString CurrentPlotText(
    const CurrentDumpStore& store,
    const std::array<std::optional<double>, CurrentDumpStore::kColumns>& latest) {
    if (store.SampleCount() == 0) {
        return QStringLiteral("No samples yet.");
    }
    QStringList columns;
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        const CurrentBand& band = store.ColumnBands()[c];
        QString text = QString::fromStdString(store.ColumnHeadings()[c]) + QStringLiteral(": ");
        if (latest[c]) {
            text += QStringLiteral("latest ") + Milliamps(*latest[c]) + QStringLiteral(", ");
        }
        text += QStringLiteral("Max %1, Min %2, spread %3, %4.")
                    .arg(Milliamps(band.maximum), Milliamps(band.minimum),
                         Milliamps(band.maximum - band.minimum),
                         band.overLimit ? QStringLiteral("over the limit")
                                        : QStringLiteral("within the limit"));
        columns << text;
    }
    return columns.join(QLatin1Char(' '));
}
