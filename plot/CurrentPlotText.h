#pragma once

#include <QString>
#include <array>
#include <optional>

#include "plot/CurrentDumpStore.h"

// The plot in words, for a screen reader: per dump column its heading, the latest current, its
// "Max" and "Min" and whether their spread is over the acceptable limit ("0 (mA): latest 1.375,
// Max 1.380, Min 1.370, spread 0.010, within the limit."); "No samples yet." before the first.
QString CurrentPlotText(
    const CurrentDumpStore& store,
    const std::array<std::optional<double>, CurrentDumpStore::kColumns>& latest);
