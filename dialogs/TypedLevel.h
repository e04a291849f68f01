#pragma once

#include <optional>
#include <string>

#include "controls/NumericEditRules.h"

// A level typed into the sensor level dialog's value field, as the slider position it stands
// for: the nearest hundredth, kept to positions 0 to maximum. Nothing for a text without a
// digit or one whose value is not strictly between the limits' bounds.
std::optional<int> TypedLevelPosition(const std::string& text, const NumericLimits& limits,
                                      int maximum);
