#include "dialogs/TrainingBinLabels.h"

namespace {

constexpr int kModelABTemperatureBins = 131;  // bins 0 to 130: 20 to 150 degrees
constexpr int kModelABBaseTemperature = 20;
constexpr QChar kDegree(0x00B0);

QString Degrees(int value) {
    return QString::number(value) + kDegree;
}

QString ModelABLabel(int bin) {
    if (bin >= kModelABTemperatureBins) {
        return QString::number(bin);
    }
    return QStringLiteral("%1 (%2C)").arg(bin).arg(Degrees(bin + kModelABBaseTemperature));
}

QString BandText(const TemperatureBand& band) {
    return Degrees(band.low) + QStringLiteral("...") + Degrees(band.high);
}

// The left tube's band index runs fastest: bin = 15 x right + left.
QString ModelCLabel(int bin) {
    if (bin >= kTemperatureBandCount * kTemperatureBandCount) {
        return QString::number(bin);
    }
    const TemperatureBand left = TemperatureBandAt(bin % kTemperatureBandCount);
    const TemperatureBand right = TemperatureBandAt(bin / kTemperatureBandCount);
    return QStringLiteral("%1 L(%2) and R(%3)").arg(bin).arg(BandText(left), BandText(right));
}

}  // namespace

TemperatureBand TemperatureBandAt(int index) {
    if (index <= 6) {
        const int low = 20 + 5 * index;
        return {low, low + 4};
    }
    if (index <= 10) {
        const int low = 13 + 6 * index;
        return {low, low + 5};
    }
    const int low = 2 + 7 * index;
    return {low, low + 6};
}

QStringList TrainingBinLabels(InstrumentModel model) {
    QStringList labels;
    labels.reserve(kTrainingBinCount);
    for (int bin = 0; bin < kTrainingBinCount; ++bin) {
        labels.append(model == InstrumentModel::TarnelC ? ModelCLabel(bin) : ModelABLabel(bin));
    }
    return labels;
}
