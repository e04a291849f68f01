#include "record/AcceptanceLimits.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <cmath>

const QString AcceptanceLimits::kSimpleAcceptance = QStringLiteral(
    "Simple acceptance: a value passes when it lies within its minimum and maximum, both "
    "included; the uncertainty of the reading is not taken into account.");

namespace {

constexpr std::array<const char*, AcceptanceLimits::kQuantityCount> kFieldNames{
    "volts", "milliamps", "trip_point_milliamps", "power_milliwatts"};

// One bound: absent, or a number.
bool ReadBound(const QJsonObject& range, const char* name, std::optional<double>& bound,
               const QString& where, QString& error) {
    const QJsonValue value = range.value(QLatin1String(name));
    if (value.isUndefined()) {
        return true;
    }
    if (!value.isDouble()) {
        error = QStringLiteral("%1: \"%2\" is not a number.").arg(where, QLatin1String(name));
        return false;
    }
    bound = value.toDouble();
    return true;
}

std::optional<AcceptanceLimits::ModelLimits> ReadModel(const QJsonValue& value,
                                                       const QString& model, QString& error) {
    if (!value.isObject()) {
        error = QStringLiteral("Model \"%1\": its limits are not an object.").arg(model);
        return std::nullopt;
    }
    AcceptanceLimits::ModelLimits limits;
    for (std::size_t q = 0; q < kFieldNames.size(); ++q) {
        const QJsonValue range = value.toObject().value(QLatin1String(kFieldNames[q]));
        if (range.isUndefined()) {
            continue;
        }
        const QString where =
            QStringLiteral("Model \"%1\", %2").arg(model, QLatin1String(kFieldNames[q]));
        AcceptanceLimits::Range bounds;
        if (!range.isObject()) {
            error = where + QStringLiteral(": not an object with \"min\" and \"max\".");
            return std::nullopt;
        }
        if (!ReadBound(range.toObject(), "min", bounds.min, where, error) ||
            !ReadBound(range.toObject(), "max", bounds.max, where, error)) {
            return std::nullopt;
        }
        if (bounds.min && bounds.max && *bounds.min > *bounds.max) {
            error = where + QStringLiteral(": \"min\" is above \"max\".");
            return std::nullopt;
        }
        limits[q] = bounds;
    }
    return limits;
}

// The model's spread limit in microamperes: absent, or a number not below 0.
bool ReadSpread(const QJsonValue& value, const QString& model, std::optional<double>& microamps,
                QString& error) {
    const QJsonValue spread = value.toObject().value(QStringLiteral("spread_microamps"));
    if (spread.isUndefined()) {
        return true;
    }
    if (!spread.isDouble() || !std::isfinite(spread.toDouble()) || spread.toDouble() < 0) {
        error =
            QStringLiteral("Model \"%1\", spread_microamps: not a number of 0 or more.").arg(model);
        return false;
    }
    microamps = spread.toDouble();
    return true;
}

// The texts of a model's method; each optional, and a text when given.
std::optional<AcceptanceLimits::Method> ReadMethod(const QJsonObject& entry, const QString& model,
                                                   QString& error) {
    AcceptanceLimits::Method method;
    const std::array<std::pair<const char*, QString*>, 3> texts{{
        {"procedure", &method.procedure},
        {"procedure_revision", &method.procedureRevision},
        {"uncertainty", &method.uncertainty},
    }};
    for (const auto& [name, text] : texts) {
        const QJsonValue value = entry.value(QLatin1String(name));
        if (value.isUndefined()) {
            continue;
        }
        if (!value.isString()) {
            error = QStringLiteral("Model \"%1\": \"%2\" is not a text.")
                        .arg(model, QLatin1String(name));
            return std::nullopt;
        }
        *text = value.toString().trimmed();
    }
    return method;
}

}  // namespace

bool AcceptanceLimits::Range::Holds(double value) const {
    return (!min || value >= *min) && (!max || value <= *max);
}

std::optional<AcceptanceLimits> AcceptanceLimits::Load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("The acceptance limits %1 cannot be read: %2")
                    .arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("The acceptance limits %1 cannot be read: %2")
                    .arg(path, file.errorString());
        return std::nullopt;
    }
    return Parse(bytes, QFileInfo(path).fileName(), path, error);
}

std::optional<AcceptanceLimits> AcceptanceLimits::FromBytes(const QByteArray& bytes,
                                                            const QString& name, QString& error) {
    return Parse(bytes, name, name, error);
}

std::optional<AcceptanceLimits> AcceptanceLimits::Parse(const QByteArray& bytes,
                                                        const QString& name, const QString& where,
                                                        QString& error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (!document.isObject()) {
        error = QStringLiteral("The acceptance limits %1 are not a JSON object: %2 (at byte %3).")
                    .arg(where, parseError.errorString())
                    .arg(parseError.offset);
        return std::nullopt;
    }
    std::optional<AcceptanceLimits> limits = FromJson(document.object(), error);
    if (!limits) {
        error = QStringLiteral("The acceptance limits %1: %2").arg(where, error);
        return std::nullopt;
    }
    limits->fileName_ = name;
    limits->content_ = bytes;
    limits->sha256_ =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    return limits;
}

QJsonObject AcceptanceLimits::RecordValues() const {
    return {{"file", fileName_},
            {"sha256", sha256_},
            {"decision_rule", decisionRule_},
            {"content", QString::fromUtf8(content_)}};
}

QJsonObject AcceptanceLimits::NoneRecordValues() {
    return {{"none", true}};
}

std::optional<AcceptanceLimits> AcceptanceLimits::FromRecord(const QJsonObject& event,
                                                             QString& error) {
    if (event.value(QStringLiteral("none")).toBool()) {
        return std::nullopt;
    }
    const QByteArray bytes = event.value(QStringLiteral("content")).toString().toUtf8();
    std::optional<AcceptanceLimits> limits =
        FromBytes(bytes, event.value(QStringLiteral("file")).toString(), error);
    if (limits && limits->sha256_ != event.value(QStringLiteral("sha256")).toString()) {
        error = QStringLiteral("The acceptance limits %1 recorded do not match their SHA-256.")
                    .arg(limits->fileName_);
        return std::nullopt;
    }
    if (!limits) {
        return std::nullopt;
    }
    return limits;
}

bool AcceptanceLimits::SameFile(const AcceptanceLimits& other) const {
    return fileName_ == other.fileName_ && content_ == other.content_;
}

std::optional<AcceptanceLimits> AcceptanceLimits::FromJson(const QJsonObject& json,
                                                           QString& error) {
    AcceptanceLimits limits;
    const QJsonValue rule = json.value(QStringLiteral("decision_rule"));
    limits.decisionRule_ = rule.isString() && !rule.toString().trimmed().isEmpty()
                               ? rule.toString().trimmed()
                               : kSimpleAcceptance;
    const QJsonValue models = json.value(QStringLiteral("models"));
    if (!models.isObject()) {
        error = QStringLiteral("they name no \"models\".");
        return std::nullopt;
    }
    const QJsonObject byModel = models.toObject();
    for (auto model = byModel.begin(); model != byModel.end(); ++model) {
        std::optional<ModelLimits> modelLimits = ReadModel(model.value(), model.key(), error);
        std::optional<double> spreadMicroamps;
        if (!modelLimits || !ReadSpread(model.value(), model.key(), spreadMicroamps, error)) {
            return std::nullopt;
        }
        limits.models_.emplace(model.key(), *modelLimits);
        if (spreadMicroamps) {
            limits.spreadLimits_.emplace(model.key(), *spreadMicroamps * 0.001);
        }
        std::optional<Method> method = ReadMethod(model.value().toObject(), model.key(), error);
        if (!method) {
            return std::nullopt;
        }
        limits.methods_.emplace(model.key(), std::move(*method));
    }
    return limits;
}

QString AcceptanceLimits::FieldName(Quantity quantity) {
    return QLatin1String(kFieldNames[static_cast<std::size_t>(quantity)]);
}

const AcceptanceLimits::ModelLimits* AcceptanceLimits::ForModel(const QString& model) const {
    const auto found = models_.find(model);
    return found == models_.end() ? nullptr : &found->second;
}

std::optional<double> AcceptanceLimits::SpreadLimit(const QString& model) const {
    const auto found = spreadLimits_.find(model);
    return found == spreadLimits_.end() ? std::nullopt : std::optional<double>(found->second);
}

const AcceptanceLimits::Method* AcceptanceLimits::MethodForModel(const QString& model) const {
    const auto found = methods_.find(model);
    return found == methods_.end() ? nullptr : &found->second;
}
