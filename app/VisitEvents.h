#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <array>
#include <string>

#include "protocol/InstrumentLink.h"
#include "protocol/SensorIndex.h"
#include "protocol/SensorStatus.h"
#include "record/ConditionNames.h"

// The values of the window's events as the service record keeps them: in units, with the raw
// reply beside them.
namespace visit {

// The values with the card's reply as the window shows it, "no_response" when none came, or
// "not_sent" when the command never reached the line (unsent).
QJsonObject WithReply(QJsonObject values, const std::string& reply, bool unsent);
// A go-online or go-offline: the reply, and "confirmed" only when its last word is the one the
// card answers the command with ("ONLINE", "OFFLINE"). Anything else (dump samples the command
// happened to end, say) leaves the card's mode unknown.
QJsonObject WithConfirmation(QJsonObject values, const std::string& reply, bool unsent,
                             const char* confirmingWord);
// The go-online that puts the card back online at exit: "at_exit", with the card's answer,
// none, or why it was not sent.
QJsonObject LeavingValues(const InstrumentLink::Leaving& leaving);
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
