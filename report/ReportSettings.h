#pragma once

#include <QString>

#include "record/Issuer.h"

// What the service report keeps in the program's settings (~/.config/merrowby/merrowby.conf,
// group "report"): the technician's full name, the acceptance limits file, the folder of the
// last saved report and the issuer (keys issuer_name, issuer_address, issuer_contact,
// issuer_accreditation, procedure and procedure_revision).
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
    // Empty until one is set up.
    static Issuer KeptIssuer();
    static void SetIssuer(const Issuer& issuer);
};
