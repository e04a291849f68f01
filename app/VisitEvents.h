#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <array>
#include <string>

#include "protocol/SensorIndex.h"
#include "protocol/SensorStatus.h"

// The values of the window's events as the service record keeps them: in units, with the raw
// reply beside them.
namespace visit {

// The values with the card's reply as the window shows it, or "no_response" when none came.
QJsonObject WithReply(QJsonObject values, const std::string& reply);
// The five condition bytes, and each condition's bit per sensor 0 to 7.
QJsonObject StatusValues(const SensorStatus& status);
// "left" or "right".
QString TubeName(bool rightTube);
// A reading: the value and its unit.
QJsonObject Reading(SensorIndex sensor, double value, const char* unit);

template <std::size_t N>
QJsonArray Numbers(const std::array<double, N>& values) {
    QJsonArray numbers;
    for (const double value : values) {
        numbers.append(value);
    }
    return numbers;
}

}  // namespace visit
