#pragma once

#include <optional>
#include <string>

#include "controls/NumericEditRules.h"

// A level typed into the sensor level dialog's value field, as the slider position it stands
// for: the nearest hundredth, kept to positions 0 to maximum. Nothing for a text without a
// digit or one whose value is not strictly between the limits' bounds.
std::optional<int> TypedLevelPosition(const std::string& text, const NumericLimits& limits,
                                      int maximum);

// Whether a slider position stands for the typed level itself, so that showing the position
// with two decimals keeps the typed value ("4.8" at 480); false when it rounds or clamps it
// ("0.004" at 0).
bool PositionKeepsTypedLevel(const std::string& text, int position);
