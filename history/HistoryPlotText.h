#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "history/VisitSummary.h"
#include "record/AcceptanceLimits.h"

// The words of the history window's plot, for those who do not see it: one quantity of one
// sensor across the visits, As found and As left apart, and the limits where they apply.
namespace history {

QString QuantityName(AcceptanceLimits::Quantity quantity);  // "Voltage"
QString UnitOf(AcceptanceLimits::Quantity quantity);        // "V"

QString PlotText(const std::vector<VisitSummary>& visits, int sensor,
                 AcceptanceLimits::Quantity quantity,
                 const std::optional<AcceptanceLimits::Range>& limits);

}  // namespace history
