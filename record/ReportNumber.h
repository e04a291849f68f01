#pragma once

#include <QDateTime>
#include <QString>

// The number that names a visit's report: "SR-20261208-114051-3F9A", the visit's local start
// and four hexadecimal digits. A new visit draws them at random; a record made before the
// number was kept gets them from its start and host, the same at every reading.
namespace ReportNumber {

QString New(const QDateTime& started);
QString Derived(const QDateTime& started, const QString& host);

}  // namespace ReportNumber
