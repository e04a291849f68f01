#pragma once

#include <QLatin1String>
#include <array>

#include "protocol/SensorStatus.h"

namespace visit {

// The record's names of the status conditions, in the order of SensorStatus::Condition.
inline constexpr std::array<const char*, SensorStatus::kConditionCount> kConditionNames{
    "enabled", "trained", "shorted", "opened", "covered"};

// The record's name of a status condition: "enabled", "trained", "shorted", "opened", "covered".
inline QLatin1String ConditionName(SensorStatus::Condition condition) {
    return QLatin1String(kConditionNames[static_cast<std::size_t>(condition)]);
}

}  // namespace visit
