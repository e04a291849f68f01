#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <vector>

#include "history/HistoryIndex.h"
#include "record/AcceptanceLimits.h"

// What "merrowby history" prints: the instruments as a table, and one instrument's visits as
// JSON (with drift and trend) or as CSV.
namespace HistoryOutput {

// The visits (of one instrument, in time order) with each one's drift since the one before
// and, with three visits or more, the trends; `limits` (may be null) are the model's.
QJsonObject Document(const std::vector<VisitSummary>& visits,
                     const AcceptanceLimits::ModelLimits* limits);
// Indented JSON whose every number that is not a whole count has a decimal point ("5.0"),
// whatever the locale.
QByteArray JsonText(const QJsonValue& value);
// One row per visit and sensor, with a heading row.
QString Csv(const std::vector<VisitSummary>& visits);
QString InstrumentTable(const std::vector<HistoryIndex::Instrument>& instruments);
// A number as the JSON and CSV write it: "4.5", "5.0", "1.0e-07".
QByteArray NumberText(double value);

}  // namespace HistoryOutput
