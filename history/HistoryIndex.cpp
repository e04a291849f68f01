#include "history/HistoryIndex.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <map>

#include "platform/FolderListing.h"
#include "record/RecordFolder.h"

namespace {

constexpr int kFound = 0;
constexpr int kLeft = 1;

const char* const kSchema[] = {
    "DROP TABLE IF EXISTS readings",
    "DROP TABLE IF EXISTS visits",
    "CREATE TABLE visits (id INTEGER PRIMARY KEY, record TEXT NOT NULL UNIQUE, size INTEGER, "
    "modified INTEGER, readable INTEGER, report_number TEXT, model TEXT, serial_number TEXT, "
    "asset_number TEXT, customer TEXT, site TEXT, technician TEXT, started TEXT, "
    "started_ms INTEGER, ended TEXT, card_left TEXT, as_left_read INTEGER, findings TEXT, "
    "conformity TEXT)",
    "CREATE INDEX visits_by_instrument ON visits (serial_number, model, started_ms)",
    // One row per visit, end and sensor where anything was read.
    "CREATE TABLE readings (visit INTEGER NOT NULL, side INTEGER NOT NULL, sensor INTEGER NOT "
    "NULL, volts REAL, milliamps REAL, trip_point REAL, power REAL, status INTEGER, "
    "PRIMARY KEY (visit, side, sensor)) WITHOUT ROWID",
};

const QString kVisitColumns = QStringLiteral(
    "id, record, report_number, model, serial_number, asset_number, customer, site, technician, "
    "started, ended, card_left, as_left_read, findings, conformity");

QVariant Optional(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> OptionalDouble(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

bool IsEmpty(const VisitSummary::Sensor& sensor) {
    return sensor == VisitSummary::Sensor{};
}

// SQLite's codes for a damaged file and for one that is no database.
bool IsDamage(const QString& nativeCode) {
    return nativeCode == QLatin1String("11") || nativeCode == QLatin1String("26");
}

QString ErrorText(const QSqlQuery& query) {
    return query.lastError().text();
}

// A statement run on its own; false with the reason.
bool Run(QSqlDatabase& database, const QString& statement, QString& error) {
    QSqlQuery query(database);
    if (!query.exec(statement)) {
        error = ErrorText(query);
        return false;
    }
    return true;
}

}  // namespace

QString HistoryIndex::DefaultPath() {
    return PathFor(RecordFolder::Default());
}

QString HistoryIndex::PathFor(const QString& recordsFolder) {
    return QFileInfo(QDir::cleanPath(recordsFolder))
        .dir()
        .filePath(QStringLiteral("history.sqlite"));
}

HistoryIndex::HistoryIndex(QString databasePath) : path_(std::move(databasePath)) {
    static QAtomicInteger<int> count;
    connection_ = QStringLiteral("history-%1").arg(count.fetchAndAddRelaxed(1));
}

HistoryIndex::~HistoryIndex() {
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QSqlDatabase HistoryIndex::Database() const {
    return QSqlDatabase::database(connection_, false);
}

bool HistoryIndex::Connect(QString& error) {
    QSqlDatabase database = QSqlDatabase::contains(connection_)
                                ? Database()
                                : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!database.isValid()) {
        error = QStringLiteral("The SQLite driver of Qt SQL is missing (libqt6sql6-sqlite).");
        return false;
    }
    database.setDatabaseName(path_);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!database.open()) {
        error = database.lastError().text();
        return false;
    }
    // A commit appends to the log without waiting for the disk: the index can always be made
    // again from the records, and a rebuild commits once per visit. Fails quietly on a file
    // that is no database, which the first query then finds.
    QString ignored;
    Run(database, QStringLiteral("PRAGMA journal_mode = WAL"), ignored);
    Run(database, QStringLiteral("PRAGMA synchronous = NORMAL"), ignored);
    return true;
}

bool HistoryIndex::Open(QString& error) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    if (!Connect(error)) {
        return false;
    }
    QSqlDatabase database = Database();
    QSqlQuery version(database);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        return StartOver(error);  // no database at all
    }
    if (version.value(0).toInt() != kSchemaVersion) {
        version.finish();
        return MakeSchema(error);
    }
    return true;
}

// The tables made anew, empty, in one transaction.
bool HistoryIndex::MakeSchema(QString& error) {
    QSqlDatabase database = Database();
    if (!Run(database, QStringLiteral("BEGIN IMMEDIATE"), error)) {
        return false;
    }
    for (const char* statement : kSchema) {
        if (!Run(database, QLatin1String(statement), error)) {
            Run(database, QStringLiteral("ROLLBACK"), error);
            return false;
        }
    }
    return Run(database, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion), error) &&
           Run(database, QStringLiteral("COMMIT"), error);
}

// A file that is no database, or a damaged one: removed and made anew.
bool HistoryIndex::StartOver(QString& error) {
    Database().close();
    for (const QString& suffix :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        QFile::remove(path_ + suffix);
    }
    return Connect(error) && MakeSchema(error);
}

HistoryIndex::UpdateResult HistoryIndex::Update(const QString& folder,
                                                const AcceptanceLimits* limits) {
    UpdateResult result;
    std::map<QString, Indexed> indexed;
    // A damaged database fails its first read: it is made anew, and every record read again.
    // Any other failure (a lock held too long) leaves it as it is.
    QString code;
    if (!ReadIndexed(indexed, code) &&
        (!IsDamage(code) || !StartOver(result.error) || !ReadIndexed(indexed, code))) {
        if (result.error.isEmpty()) {
            result.error =
                QStringLiteral("the index could not be read (SQLite error %1)").arg(code);
        }
        return result;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    for (const platform::ListedFile& file :
         platform::ListFiles(QFile::encodeName(folder).toStdString(), ".jsonl")) {
        const QString record = base + QFile::decodeName(file.name.c_str());
        const qint64 size = file.size;
        const qint64 modified = file.modifiedMs;
        const auto known = indexed.find(record);
        const bool same = known != indexed.end() && known->second.size == size &&
                          known->second.modified == modified;
        if (known != indexed.end()) {
            indexed.erase(known);
        }
        if (same) {
            continue;
        }
        QString readError;
        const std::optional<VisitSummary> visit =
            VisitSummary::FromRecord(record, limits, readError);
        if (!visit) {
            result.notes << readError + QStringLiteral(" It is left out of the history.");
        }
        if (!WriteVisit(record, size, modified, visit ? &*visit : nullptr, result.error)) {
            return result;
        }
        result.indexed += visit ? 1 : 0;
    }
    for (const auto& [record, gone] : indexed) {
        if (!WriteVisit(record, 0, 0, nullptr, result.error)) {
            return result;
        }
        ++result.removed;
    }
    return result;
}

bool HistoryIndex::ReadIndexed(std::map<QString, Indexed>& indexed, QString& error) const {
    indexed.clear();
    QSqlQuery known(Database());
    known.setForwardOnly(true);
    if (!known.exec(QStringLiteral("SELECT record, size, modified FROM visits"))) {
        error = known.lastError().nativeErrorCode();
        return false;
    }
    while (known.next()) {
        indexed[known.value(0).toString()] = {known.value(1).toLongLong(),
                                              known.value(2).toLongLong()};
    }
    error = known.lastError().nativeErrorCode();
    return known.lastError().type() == QSqlError::NoError;
}

// The visit of `record` written anew in one transaction; a null `visit` with a zero size
// removes it, otherwise it marks a file that is no record. On failure nothing is changed.
bool HistoryIndex::WriteVisit(const QString& record, qint64 size, qint64 modified,
                              const VisitSummary* visit, QString& error) {
    QSqlDatabase database = Database();
    if (!Run(database, QStringLiteral("BEGIN IMMEDIATE"), error)) {
        return false;
    }
    const auto fail = [&](const QSqlQuery& query) {
        error = ErrorText(query);
        QString ignored;
        Run(database, QStringLiteral("ROLLBACK"), ignored);
        return false;
    };
    QSqlQuery query(database);
    query.prepare(QStringLiteral(
        "DELETE FROM readings WHERE visit IN (SELECT id FROM visits WHERE record = ?)"));
    query.addBindValue(record);
    if (!query.exec()) {
        return fail(query);
    }
    query.prepare(QStringLiteral("DELETE FROM visits WHERE record = ?"));
    query.addBindValue(record);
    if (!query.exec()) {
        return fail(query);
    }
    const bool removed = visit == nullptr && size == 0 && modified == 0;
    if (!removed) {
        query.prepare(QStringLiteral(
            "INSERT INTO visits (record, size, modified, readable, report_number, model, "
            "serial_number, asset_number, customer, site, technician, started, started_ms, ended, "
            "card_left, as_left_read, findings, conformity) VALUES "
            "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const VisitSummary none;
        const VisitSummary& v = visit != nullptr ? *visit : none;
        for (const QVariant& value :
             {QVariant(record), QVariant(size), QVariant(modified), QVariant(visit != nullptr),
              QVariant(v.reportNumber), QVariant(v.model), QVariant(v.serialNumber),
              QVariant(v.assetNumber), QVariant(v.customer), QVariant(v.site),
              QVariant(v.technician), QVariant(v.started.toString(Qt::ISODateWithMs)),
              QVariant(v.started.toMSecsSinceEpoch()),
              QVariant(v.ended.toString(Qt::ISODateWithMs)), QVariant(v.cardLeft),
              QVariant(v.asLeftRead), QVariant(v.findings.join(QLatin1Char('\n'))),
              QVariant(VisitSummary::ConformityName(v.conformity))}) {
            query.addBindValue(value);
        }
        if (!query.exec()) {
            return fail(query);
        }
        const qint64 id = query.lastInsertId().toLongLong();
        query.prepare(QStringLiteral("INSERT INTO readings VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int side : {kFound, kLeft}) {
            const VisitSummary::Sensors& sensors = side == kFound ? v.asFound : v.asLeft;
            for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
                const VisitSummary::Sensor& sensor = sensors[static_cast<std::size_t>(s)];
                if (IsEmpty(sensor)) {
                    continue;
                }
                for (const QVariant& value :
                     {QVariant(id), QVariant(side), QVariant(s), Optional(sensor.volts),
                      Optional(sensor.milliamps), Optional(sensor.tripPointMilliamps),
                      Optional(sensor.powerMilliwatts),
                      sensor.status ? QVariant(*sensor.status)
                                    : QVariant(QMetaType(QMetaType::Int))}) {
                    query.addBindValue(value);
                }
                if (!query.exec()) {
                    return fail(query);
                }
            }
        }
    }
    return Run(database, QStringLiteral("COMMIT"), error);
}

std::vector<VisitSummary> HistoryIndex::QueryVisits(const QString& where,
                                                    const QVariantList& values) const {
    QSqlDatabase database = Database();
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM visits WHERE readable = 1 AND %2")
                      .arg(kVisitColumns, where));
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    std::vector<VisitSummary> visits;
    std::map<qint64, std::size_t> byId;
    if (!query.exec()) {
        return visits;
    }
    while (query.next()) {
        VisitSummary v;
        int c = 1;
        v.record = query.value(c++).toString();
        v.reportNumber = query.value(c++).toString();
        v.model = query.value(c++).toString();
        v.serialNumber = query.value(c++).toString();
        v.assetNumber = query.value(c++).toString();
        v.customer = query.value(c++).toString();
        v.site = query.value(c++).toString();
        v.technician = query.value(c++).toString();
        v.started = QDateTime::fromString(query.value(c++).toString(), Qt::ISODateWithMs);
        v.ended = QDateTime::fromString(query.value(c++).toString(), Qt::ISODateWithMs);
        v.cardLeft = query.value(c++).toString();
        v.asLeftRead = query.value(c++).toBool();
        const QString findings = query.value(c++).toString();
        v.findings = findings.isEmpty() ? QStringList() : findings.split(QLatin1Char('\n'));
        v.conformity = VisitSummary::ConformityFromName(query.value(c++).toString());
        byId[query.value(0).toLongLong()] = visits.size();
        visits.push_back(std::move(v));
    }
    if (visits.empty()) {
        return visits;
    }
    QStringList ids;
    for (const auto& [id, at] : byId) {
        ids << QString::number(id);
    }
    QSqlQuery readings(database);
    readings.setForwardOnly(true);
    if (!readings.exec(QStringLiteral("SELECT visit, side, sensor, volts, milliamps, trip_point, "
                                      "power, status FROM readings WHERE visit IN (%1)")
                           .arg(ids.join(QLatin1Char(','))))) {
        return visits;
    }
    while (readings.next()) {
        VisitSummary& v = visits[byId[readings.value(0).toLongLong()]];
        const int sensor = readings.value(2).toInt();
        if (sensor < 0 || sensor >= VisitSummary::kSensorCount) {
            continue;
        }
        VisitSummary::Sensor& values =
            (readings.value(1).toInt() == kFound ? v.asFound : v.asLeft)[sensor];
        values.volts = OptionalDouble(readings.value(3));
        values.milliamps = OptionalDouble(readings.value(4));
        values.tripPointMilliamps = OptionalDouble(readings.value(5));
        values.powerMilliwatts = OptionalDouble(readings.value(6));
        values.status = readings.value(7).isNull() ? std::nullopt
                                                   : std::optional<int>(readings.value(7).toInt());
    }
    return visits;
}

std::vector<HistoryIndex::Instrument> HistoryIndex::Instruments() const {
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    std::vector<Instrument> instruments;
    // The last visit of each instrument stands for it (SQLite takes the bare columns from the
    // row of the maximum).
    if (!query.exec(QStringLiteral(
            "SELECT serial_number, model, customer, COUNT(*), started, conformity, "
            "MAX(started_ms) FROM visits WHERE readable = 1 GROUP BY serial_number, model "
            "ORDER BY serial_number = '', serial_number, model"))) {
        return instruments;
    }
    while (query.next()) {
        instruments.push_back({query.value(0).toString(), query.value(1).toString(),
                               query.value(2).toString(), query.value(3).toInt(),
                               QDateTime::fromString(query.value(4).toString(), Qt::ISODateWithMs),
                               VisitSummary::ConformityFromName(query.value(5).toString())});
    }
    return instruments;
}

std::vector<VisitSummary> HistoryIndex::Visits(const QString& serialNumber,
                                               const QString& model) const {
    if (model.isNull()) {
        return QueryVisits(QStringLiteral("serial_number = ? ORDER BY started_ms, record"),
                           {serialNumber});
    }
    return QueryVisits(
        QStringLiteral("serial_number = ? AND model = ? ORDER BY started_ms, record"),
        {serialNumber, model});
}

std::optional<VisitSummary> HistoryIndex::PreviousVisit(const QString& model,
                                                        const QString& serialNumber,
                                                        const QDateTime& started,
                                                        const QString& record) const {
    std::vector<VisitSummary> visits = QueryVisits(
        QStringLiteral("serial_number = ? AND model = ? AND started_ms < ? AND record != ? "
                       "ORDER BY started_ms DESC, record DESC LIMIT 1"),
        {serialNumber, model, started.toMSecsSinceEpoch(), QFileInfo(record).absoluteFilePath()});
    if (visits.empty()) {
        return std::nullopt;
    }
    return std::move(visits.front());
}
