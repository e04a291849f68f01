#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <map>
#include <optional>
#include <vector>

#include "history/DatabaseUrl.h"
#include "history/VisitSummary.h"

class AcceptanceLimits;
class QSqlDatabase;

// The index of every visit's record, in an SQLite database beside the records folder. The
// records stay the source: the index is brought up to date from them (new, changed and removed
// files, told by their size and time) and made anew whole when it is missing, damaged or of
// another schema. Each visit is written in a transaction of its own; other programs updating
// it at the same time are waited for at most kBusyTimeoutMs.
//
// Or the organisation's history, in a PostgreSQL database: the same tables and queries, with
// each visit's record kept whole beside its summary. Visits are only ever added there: a record
// that grew since it was sent is added again, and the longest copy of each visit stands for it.
class HistoryIndex {
  public:
    static constexpr int kSchemaVersion = 1;
    static constexpr int kServerSchemaVersion = 1;
    static constexpr int kBusyTimeoutMs = 5000;

    // <data dir>/merrowby/history.sqlite, beside the records folder.
    static QString DefaultPath();
    // The index of the records in `recordsFolder`: history.sqlite in the folder above it.
    static QString PathFor(const QString& recordsFolder);

    explicit HistoryIndex(QString databasePath);
    // The organisation's database.
    explicit HistoryIndex(DatabaseUrl organisation);
    ~HistoryIndex();
    HistoryIndex(const HistoryIndex&) = delete;
    HistoryIndex& operator=(const HistoryIndex&) = delete;

    // Opens the database, made anew when needed (the organisation's: made or upgraded where
    // this login may); false with the reason in `error`.
    bool Open(QString& error);
    bool IsOrganisation() const { return organisation_.has_value(); }

    struct UpdateResult {
        int indexed = 0;  // visits added or read again
        int removed = 0;
        QStringList notes;  // one for each record left out, when first seen
        QString error;      // the index could not be written; what it held is kept
    };
    // Brings the index up to date with the records in `folder`, judging each newly read As
    // left against `limits` (none: findings of the card only).
    UpdateResult Update(const QString& folder, const AcceptanceLimits* limits);

    struct Instrument {
        QString serialNumber;  // empty: the visits of no serial number, "not identified"
        QString model;
        QString customer;  // of the last visit
        int visits = 0;
        QDateTime lastVisit;
        VisitSummary::Conformity lastConformity = VisitSummary::Conformity::NotRead;
    };
    // Each instrument, by serial number and model.
    std::vector<Instrument> Instruments() const;
    // The visits of a serial number in time order, of every model when `model` is null.
    std::vector<VisitSummary> Visits(const QString& serialNumber,
                                     const QString& model = QString()) const;
    // The last visit to the same instrument that started before `started`, other than the
    // visit of `record`.
    std::optional<VisitSummary> PreviousVisit(const QString& model, const QString& serialNumber,
                                              const QDateTime& started,
                                              const QString& record) const;

    // A record as the organisation's database keeps it: known by its opening line, one copy
    // for each size it was sent at.
    struct RecordCopy {
        QString key;       // the hash of the record's first line
        QString fileName;  // the file's name on the computer that sent it
        qint64 size = 0;   // the bytes of its complete lines
        QByteArray lines;  // its lines as a JSON array
    };
    // The largest size sent of each of `keys`; empty, with the reason, on failure.
    std::optional<std::map<QString, qint64>> SentSizes(const QStringList& keys,
                                                       QString& error) const;
    enum class Added { Sent, AlreadyThere };
    // The record and its visit added in one transaction; empty, with the reason, on failure.
    std::optional<Added> AddRecord(const RecordCopy& record, const VisitSummary& visit,
                                   QString& error);

  private:
    // A record as the index last read it.
    struct Indexed {
        qint64 size = 0;
        qint64 modified = 0;
    };

    QSqlDatabase Database() const;
    // The records indexed; false with SQLite's error code.
    bool ReadIndexed(std::map<QString, Indexed>& indexed, QString& error) const;
    bool Connect(QString& error);
    bool OpenOrganisation(QString& error);
    bool MakeSchema(QString& error);
    bool StartOver(QString& error);
    bool WriteVisit(const QString& record, qint64 size, qint64 modified, const VisitSummary* visit,
                    QString& error);
    // The visit's row and readings, within the caller's transaction; the row's id, none where
    // `conflict` left it out.
    std::optional<qint64> InsertVisit(const QStringList& columns, const QVariantList& values,
                                      const QString& conflict, const VisitSummary& visit,
                                      QString& error);
    bool InsertReadings(qint64 id, const VisitSummary& visit, QString& error);
    std::vector<VisitSummary> QueryVisits(const QString& where, const QVariantList& values) const;
    // What `record` is called in the visits table.
    QString RecordName(const QString& record) const;

    std::optional<DatabaseUrl> organisation_;
    QString path_;
    QString connection_;
};
