#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

// One entry of a library's audit trail. Each entry's hash covers the previous entry's hash
// and every field of its own as stored, so that no entry can be changed, removed, moved or
// put in between without every later hash changing: one chain per library.
class AuditEntry
{
    Q_DECLARE_TR_FUNCTIONS(AuditEntry)

public:
    // The actions, as the trail stores them (never translated).
    static constexpr const char *LibraryCreated = "library.created";
    static constexpr const char *LibraryAudited =
        "library.audited"; // an older one brought under audit
    static constexpr const char *LibraryMigrated = "library.migrated";
    static constexpr const char *RecordingStored = "recording.stored";
    static constexpr const char *TextsChanged = "recording.texts";
    static constexpr const char *RecordingRemoved = "recording.removed";
    static constexpr const char *RecordingRestored = "recording.restored";
    static constexpr const char *WindowAdded = "process_window.added";
    static constexpr const char *WindowChanged = "process_window.changed";
    static constexpr const char *WindowRemoved = "process_window.removed";
    static constexpr const char *CalibrationPeriodChanged = "calibration_period.changed";
    static constexpr const char *FileWritten = "file.written";
    static constexpr const char *ReportPrinted = "report.printed";
    static constexpr const char *SignatureGiven = "signature.given";

    // The hash before the first entry.
    static QString genesisHash() { return QString(64, QLatin1Char('0')); }

    qint64 seq = 0; // 1, 2, ... without gaps
    QString at;     // UTC, ISO 8601 with milliseconds, as stored
    int utcOffsetSeconds = 0;
    QString station;
    QString user;
    QString program;
    QString action;
    QString subject;
    qint64 recordingId = 0; // 0: the entry is about no one recording
    QString details;        // compact JSON, as stored
    QString previousHash;
    QString hash;

    QJsonObject detailsObject() const;
    void setDetails(const QJsonObject &object);
    QDateTime time() const { return QDateTime::fromString(at, Qt::ISODateWithMs); }
    // The hash of this entry's fields after `previousHash`.
    QString computedHash() const;
    // Fills in time, station, user and program as they are now.
    void stamp();

    // Every action the program writes, in the order a reader meets them.
    static QStringList actions();
    // The action for a reader, translated; an unknown one as it is stored.
    static QString actionText(const QString &action);
    // One line: what was done, to what, and the details a reader needs.
    QString summary() const;
};
