#pragma once

#include <QString>

// What the service report keeps in the program's settings (~/.config/merrowby/merrowby.conf,
// group "report"): the technician's full name, the acceptance limits file and the folder of
// the last saved report.
class ReportSettings {
  public:
    // Empty until a name is given.
    static QString Technician();
    // An empty name forgets it.
    static void SetTechnician(const QString& name);
    static QString AcceptanceLimitsPath();
    static void SetAcceptanceLimitsPath(const QString& path);
    // The folder a report was last saved in; empty until one was.
    static QString SaveFolder();
    static void SetSaveFolder(const QString& folder);
};
