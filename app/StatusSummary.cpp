#include "app/StatusSummary.h"

#include <QStringList>
#include <algorithm>

namespace {

// "0-3 and 5" for 0, 1, 2, 3, 5; "1, 3 and 5" for 1, 3, 5.
QString Runs(std::vector<int> sensors) {
    std::sort(sensors.begin(), sensors.end());
    QStringList runs;
    for (std::size_t first = 0; first < sensors.size();) {
        std::size_t last = first;
        while (last + 1 < sensors.size() && sensors[last + 1] == sensors[last] + 1) {
            ++last;
        }
        runs << (last == first ? QString::number(sensors[first])
                               : QStringLiteral("%1-%2").arg(sensors[first]).arg(sensors[last]));
        first = last + 1;
    }
    if (runs.size() < 2) {
        return runs.join(QString());
    }
    const QString lastRun = runs.takeLast();
    return runs.join(QStringLiteral(", ")) + QStringLiteral(" and ") + lastRun;
}

}  // namespace

QString StatusSummary(const std::vector<ConditionSensors>& conditions) {
    QStringList parts;
    for (const ConditionSensors& row : conditions) {
        if (!row.sensors.empty()) {
            parts << row.condition.toLower() + QLatin1Char(' ') + Runs(row.sensors);
        }
    }
    if (parts.isEmpty()) {
        return QStringLiteral("Status: no condition holds.");
    }
    return QStringLiteral("Status: ") + parts.join(QStringLiteral(", ")) + QLatin1Char('.');
}
