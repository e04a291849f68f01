#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <array>
#include <map>
#include <optional>

// The laboratory's acceptance limits, per instrument model, from a JSON file:
//
//   {"decision_rule": "...",
//    "models": {"<model>": {"volts": {"min": 4.0, "max": 5.0}, "milliamps": {...},
//                            "trip_point_milliamps": {...}, "power_milliwatts": {...},
//                            "spread_microamps": 20, "procedure": "...",
//                            "procedure_revision": "...", "uncertainty": "..."}}}
//
// Every quantity and bound is optional: what is not given is not judged. spread_microamps is
// the largest acceptable spread of a sensor's current in a dump. Without a decision_rule the
// rule is simple acceptance (kSimpleAcceptance).
//
// The file applied to a visit goes into its record whole ("acceptance_limits": its name, its
// SHA-256 and its text), so that a report made from the record anywhere judges the same.
class AcceptanceLimits {
  public:
    enum class Quantity { Volts, Milliamps, TripPointMilliamps, PowerMilliwatts };
    static constexpr std::size_t kQuantityCount = 4;
    static const QString kSimpleAcceptance;

    struct Range {
        std::optional<double> min;
        std::optional<double> max;
        bool Holds(double value) const;
    };
    using ModelLimits = std::array<std::optional<Range>, kQuantityCount>;

    // The file read; on failure nothing, and the reason in error.
    static std::optional<AcceptanceLimits> Load(const QString& path, QString& error);
    static std::optional<AcceptanceLimits> FromJson(const QJsonObject& json, QString& error);
    // The file's bytes under its name (the file name without its folder).
    static std::optional<AcceptanceLimits> FromBytes(const QByteArray& bytes, const QString& name,
                                                     QString& error);
    // The values of an "acceptance_limits" event, and the limits back from them; nothing from
    // an event that records none (the limits put aside) or whose text is damaged.
    QJsonObject RecordValues() const;
    static std::optional<AcceptanceLimits> FromRecord(const QJsonObject& event, QString& error);
    // The values of an "acceptance_limits" event that puts the limits aside.
    static QJsonObject NoneRecordValues();

    // The field name of a quantity in the file and in a survey's sensors ("volts", ...).
    static QString FieldName(Quantity quantity);

    const QString& DecisionRule() const { return decisionRule_; }
    // Nothing for a model the file does not name.
    const ModelLimits* ForModel(const QString& model) const;
    // The model's largest acceptable dump spread in milliamperes, where the file gives one.
    std::optional<double> SpreadLimit(const QString& model) const;

    const QString& FileName() const { return fileName_; }
    // Hexadecimal, lower case; empty for limits not read from a file.
    const QString& Sha256() const { return sha256_; }
    // The same file: its name and its bytes.
    bool SameFile(const AcceptanceLimits& other) const;

    // The service procedure a model is serviced by and the measurement uncertainty of its
    // values, where the file names them: each empty where not given.
    struct Method {
        QString procedure;
        QString procedureRevision;
        QString uncertainty;
    };
    // Nothing for a model the file does not name.
    const Method* MethodForModel(const QString& model) const;

  private:
    // where names the file in a message.
    static std::optional<AcceptanceLimits> Parse(const QByteArray& bytes, const QString& name,
                                                 const QString& where, QString& error);

    QString decisionRule_;
    std::map<QString, ModelLimits> models_;
    std::map<QString, double> spreadLimits_;
    QString fileName_;
    QByteArray content_;
    QString sha256_;
    std::map<QString, Method> methods_;
};
