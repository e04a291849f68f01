#pragma once

#include <QString>
#include <vector>

// One condition of the status grid and the sensors (0 to 7) for which it holds.
struct ConditionSensors {
    QString condition;  // "Enabled", ...
    std::vector<int> sensors;
};

// What "Update" read, in one sentence for a screen reader: the conditions that hold for any
// sensor, in lower case, each with its sensors in runs ("Status: enabled 0-7, trained 0-3 and 5,
// covered 1."); "Status: no condition holds." when none does.
QString StatusSummary(const std::vector<ConditionSensors>& conditions);
