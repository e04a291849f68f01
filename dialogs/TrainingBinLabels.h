#pragma once

#include <QStringList>

// The labels of the instrument's training storage bins: entry n of a list labels bin n.
enum class InstrumentModel { TarnelAB, TarnelC };

inline constexpr int kTrainingBinCount = 256;
inline constexpr int kTemperatureBandCount = 15;

// One temperature band of the model C bins, in degrees Celsius, both ends included.
struct TemperatureBand {
    int low;
    int high;
};

TemperatureBand TemperatureBandAt(int index);  // index 0 to 14

QStringList TrainingBinLabels(InstrumentModel model);
