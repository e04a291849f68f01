#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class AcceptanceLimits;
class ServiceReport;

// What the history keeps of one visit: who, where and when, how the card was left, and each
// sensor's values as found and as left, as numbers.
struct VisitSummary {
    static constexpr int kSensorCount = 8;
    static constexpr int kConditionCount = 5;  // enabled, trained, shorted, opened, covered

    // One sensor at one end of the visit; a value is empty where it was not read.
    struct Sensor {
        std::optional<double> volts;
        std::optional<double> milliamps;
        std::optional<double> tripPointMilliamps;
        std::optional<double> powerMilliwatts;
        // The five status bits, bit 0 "enabled" to bit 4 "covered"; empty without a status.
        std::optional<int> status;

        bool operator==(const Sensor&) const = default;
    };
    using Sensors = std::array<Sensor, kSensorCount>;

    // How the As left was judged.
    enum class Conformity { InOrder, Findings, NotRead };

    QString record;  // the record's file
    QString reportNumber;
    QString model;
    QString serialNumber;
    QString assetNumber;
    QString customer;
    QString site;
    QString technician;
    QDateTime started;
    QDateTime ended;
    QString cardLeft;
    Sensors asFound{};
    Sensors asLeft{};
    bool asLeftRead = false;
    QStringList findings;
    Conformity conformity = Conformity::NotRead;

    // The visit of a record, read without its dump samples; the As left judged against the
    // limits when given. Empty, with the reason in `error`, for a file that is no record.
    static std::optional<VisitSummary> FromRecord(const QString& path,
                                                  const AcceptanceLimits* limits, QString& error);

    // The visit as a report tells it: its readings as the report shows them (volts and
    // milliamps to three decimals, power to one).
    static VisitSummary FromReport(const ServiceReport& report);

    static QString ConformityName(Conformity conformity);  // "in_order", "findings", "not_read"
    static Conformity ConformityFromName(const QString& name);
};
