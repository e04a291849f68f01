#pragma once

#include <QDateTime>
#include <QString>

#include "record/Issuer.h"
#include "record/ReportIssues.h"

class ServiceReport;

// Makes a report into a document issued: who issues it, its date of issue and its revision
// after the issues its record holds, and, once its file is written, the issue to record.
class ReportIssuing {
  public:
    // The issuer of the settings where the record names none, and the procedure of the method
    // from it where the report has none; true when the report took it (it is then recorded).
    static bool UseIssuer(ServiceReport& report, const Issuer& kept);
    // SHA-256 (hexadecimal) of what the report says, its date of issue and revision left out.
    static QString ContentSha256(const ServiceReport& report);
    // The date of issue (time) and the revision the content gets after the recorded issues.
    static void Prepare(ServiceReport& report, const QDateTime& time);
    // The issue of the prepared report written to file (empty: printed on paper), with the
    // SHA-256 of the file's bytes.
    static ReportIssues::Issue Issued(const ServiceReport& report, const QString& file);
};
