#pragma once

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QString>
#include <functional>

// Walks a library's audit trail from its first entry, recomputing every hash, and checks
// every recording against what the trail says it was: its samples against its SHA-256, its
// values, its report texts and whether it is removed. Names the first break it finds.
class LibraryVerifier
{
    Q_DECLARE_TR_FUNCTIONS(LibraryVerifier)

public:
    enum class Break {
        None,
        Unreadable,   // the library could not be read
        Missing,      // an entry's number is not the one after its predecessor's
        Unlinked,     // an entry's previous hash is not its predecessor's hash
        Altered,      // an entry's hash does not match its fields
        Inconsistent, // an entry contradicts the ones before it
        Unrecorded,   // a recording without its "stored" entry
        Samples,      // a recording's samples (a meter group's values) do not match its SHA-256
        Values,       // a recording's values are not those stored
        Texts,        // report texts changed without an entry
        RemovedState, // removed or restored without an entry
        Deleted,      // a recording the trail holds is gone
        HeadNotFound, // the head hash given is in no entry
    };

    struct Result {
        Break found = Break::None;
        QString problem; // translated, naming the entry or recording
        qint64 entry = 0;
        qint64 recording = 0;
        qint64 entries = 0;
        qint64 recordings = 0;
        QString head; // the last entry's hash
        bool ok() const { return found == Break::None; }
    };

    // `knownHead`, when given, must be the hash of one of the entries (one written down at an
    // earlier audit). `progress` gets the entries and recordings checked so far.
    static Result run(const QSqlDatabase &db, const QString &knownHead = {},
                      const std::function<void(qint64)> &progress = {});
    // A machine name of the break, for JSON: "missing", "altered", ...
    static QString breakKey(Break found);
};
