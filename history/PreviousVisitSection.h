#pragma once

#include <QString>
#include <optional>

#include "history/VisitSummary.h"
#include "report/ServiceReport.h"

class AcceptanceLimits;

// The report's "Previous visit": the last earlier visit to the same instrument in the
// organisation's history, or in this computer's index when none is set or it cannot be reached
// (the section's sentence then says so), its As left against this visit's As found. The
// earlier visit is looked up once for each instrument and start, so that a report made again
// and again costs no query.
class PreviousVisitSection {
  public:
    // Sets report.previousVisit from the index beside the folder of `record`, this visit's file
    // (the default index when empty); `limits` are the laboratory's (may be null).
    void AddTo(ServiceReport& report, const QString& record, const AcceptanceLimits* limits);

    // The section of `visit` against `previous` (none: no earlier visit is recorded).
    static ServiceReport::PreviousVisit Compare(const std::optional<VisitSummary>& previous,
                                                const VisitSummary& visit,
                                                const AcceptanceLimits* limits);

  private:
    QString lookedUp_;
    QString note_;
    std::optional<VisitSummary> previous_;
};
