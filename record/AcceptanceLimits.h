#pragma once

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
//                            "procedure": "...", "procedure_revision": "...",
//                            "uncertainty": "..."}}}
//
// Every quantity and bound is optional: what is not given is not judged. Without a
// decision_rule the rule is simple acceptance (kSimpleAcceptance).
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

    // The field name of a quantity in the file and in a survey's sensors ("volts", ...).
    static QString FieldName(Quantity quantity);

    const QString& DecisionRule() const { return decisionRule_; }
    // Nothing for a model the file does not name.
    const ModelLimits* ForModel(const QString& model) const;

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
    QString decisionRule_;
    std::map<QString, ModelLimits> models_;
    std::map<QString, Method> methods_;
};
