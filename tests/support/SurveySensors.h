#pragma once

#include <QJsonArray>
#include <QJsonObject>

// The eight sensors of a survey line, all enabled and trained and in order, every one at `volts`
// but `sensor` (where one is given) at `sensorVolts`.
inline QJsonArray SurveySensors(double volts, int sensor = -1, double sensorVolts = 0.0) {
    QJsonArray sensors;
    for (int s = 0; s < 8; ++s) {
        sensors.append(QJsonObject{{"sensor", s},
                                   {"volts", s == sensor ? sensorVolts : volts},
                                   {"milliamps", 1.25},
                                   {"trip_point_milliamps", 1.0},
                                   {"power_milliwatts", 5.6},
                                   {"enabled", true},
                                   {"trained", true},
                                   {"shorted", false},
                                   {"opened", false},
                                   {"covered", false},
                                   {"no_response", QJsonArray()}});
    }
    return sensors;
}
