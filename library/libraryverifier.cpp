#include "libraryverifier.h"

#include "auditentry.h"
#include "audittrail.h"
#include "recordingrow.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// What the trail says a recording is, replayed entry by entry.
struct Expected {
    QString sha256;
    QString digest;
    QStringList texts;
    bool removed = false;
    qint64 storedBy = 0; // the entry that stored it
};

QStringList strings(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &v : value.toArray())
        out << v.toString();
    return out;
}

Expected expectedFrom(const QJsonObject &d, qint64 entry)
{
    return {d.value(QLatin1String("sha256")).toString(),
            d.value(QLatin1String("digest")).toString(), strings(d.value(QLatin1String("texts"))),
            false, entry};
}

} // namespace

QString LibraryVerifier::breakKey(Break found)
{
    static const char *const keys[] = {
        "none",    "unreadable", "missing", "unlinked", "altered", "inconsistent",  "unrecorded",
        "samples", "values",     "texts",   "removed",  "deleted", "head_not_found"};
    return QLatin1String(keys[int(found)]);
}

LibraryVerifier::Result LibraryVerifier::run(const QSqlDatabase &db, const QString &knownHead,
                                             const std::function<void(qint64)> &progress)
{
    Result result;
    auto broken = [&](Break kind, const QString &problem, qint64 entry = 0, qint64 recording = 0) {
        result.found = kind;
        result.problem = problem;
        result.entry = entry;
        result.recording = recording;
        return result;
    };
    QHash<qint64, Expected> expected;
    bool headSeen = knownHead.isEmpty();
    qint64 done = 0;

    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT %1 FROM audit_trail ORDER BY seq").arg(AuditTrail::columns())))
        return broken(Break::Unreadable,
                      tr("The audit trail cannot be read: %1").arg(q.lastError().text()));
    AuditEntry previous;
    previous.hash = AuditEntry::genesisHash();
    while (q.next()) {
        const AuditEntry e = AuditTrail::fromRow(q);
        if (e.seq != previous.seq + 1)
            return broken(Break::Missing,
                          e.seq == previous.seq + 2
                              ? tr("Entry %1 of the audit trail is missing.").arg(previous.seq + 1)
                              : tr("Entries %1 to %2 of the audit trail are missing.")
                                    .arg(previous.seq + 1)
                                    .arg(e.seq - 1),
                          previous.seq + 1);
        if (e.previousHash != previous.hash)
            return broken(Break::Unlinked,
                          tr("Entry %1 of the audit trail does not follow entry %2: it names "
                             "another entry before it.")
                              .arg(e.seq)
                              .arg(previous.seq),
                          e.seq);
        if (e.computedHash() != e.hash)
            return broken(Break::Altered,
                          tr("Entry %1 of the audit trail was altered: its hash does not match "
                             "its content.")
                              .arg(e.seq),
                          e.seq);
        headSeen = headSeen || e.hash == knownHead;

        const QJsonObject d = e.detailsObject();
        const qint64 id = e.recordingId;
        auto inconsistent = [&](const QString &why) {
            return broken(Break::Inconsistent, why, e.seq, id);
        };
        if (e.action == QLatin1String(AuditEntry::LibraryAudited)) {
            for (const QJsonValue &v : d.value(QLatin1String("recordings")).toArray()) {
                const QJsonObject held = v.toObject();
                expected.insert(held.value(QLatin1String("id")).toInteger(),
                                expectedFrom(held, e.seq));
            }
        } else if (e.action == QLatin1String(AuditEntry::RecordingStored)) {
            if (expected.contains(id))
                return inconsistent(
                    tr("Entry %1 of the audit trail stores recording %2 a second time.")
                        .arg(e.seq)
                        .arg(id));
            expected.insert(id, expectedFrom(d, e.seq));
        } else if (e.action == QLatin1String(AuditEntry::TextsChanged) ||
                   e.action == QLatin1String(AuditEntry::RecordingRemoved) ||
                   e.action == QLatin1String(AuditEntry::RecordingRestored)) {
            const auto found = expected.find(id);
            if (found == expected.end())
                return inconsistent(
                    tr("Entry %1 of the audit trail changes recording %2, which it never stored.")
                        .arg(e.seq)
                        .arg(id));
            if (e.action == QLatin1String(AuditEntry::TextsChanged)) {
                // An honest change starts from the texts the trail last gave.
                if (strings(d.value(QLatin1String("old"))) != found->texts)
                    return broken(Break::Texts,
                                  tr("The report texts of recording %1 were changed without an "
                                     "entry in the audit trail before entry %2.")
                                      .arg(id)
                                      .arg(e.seq),
                                  e.seq, id);
                found->texts = strings(d.value(QLatin1String("new")));
            } else {
                found->removed = e.action == QLatin1String(AuditEntry::RecordingRemoved);
            }
        }
        previous = e;
        ++result.entries;
        if (progress && ++done % 4096 == 0)
            progress(done);
    }
    if (q.lastError().isValid())
        return broken(Break::Unreadable,
                      tr("The audit trail cannot be read: %1").arg(q.lastError().text()));
    result.head = previous.hash;
    if (!headSeen)
        return broken(Break::HeadNotFound,
                      tr("No entry of the audit trail has the hash %1: the trail was rewritten "
                         "since that hash was taken.")
                          .arg(knownHead));

    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT ") + RecordingRow::columns(true) +
                   QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = "
                                  "r.instrument_id ORDER BY r.id")))
        return broken(Break::Unreadable,
                      tr("The recordings cannot be read: %1").arg(rows.lastError().text()));
    while (rows.next()) {
        const Recording r = RecordingRow::read(rows, true);
        const auto found = expected.constFind(r.id);
        if (found == expected.cend())
            return broken(
                Break::Unrecorded,
                tr("Recording %1 has no entry in the audit trail that stored it.").arg(r.id), 0,
                r.id);
        if (Recording::hashOf(r.hashedBytes()) != r.sha256)
            return broken(
                Break::Samples,
                r.family == Recording::Family::Logger
                    ? tr("The samples of recording %1 do not match its SHA-256.").arg(r.id)
                    : tr("The values of meter group %1 do not match its SHA-256.").arg(r.id),
                found->storedBy, r.id);
        if (r.sha256 != found->sha256 || r.contentDigest() != found->digest)
            return broken(Break::Values,
                          tr("Recording %1 is not what entry %2 of the audit trail stored.")
                              .arg(r.id)
                              .arg(found->storedBy),
                          found->storedBy, r.id);
        if (r.reportTexts() != found->texts)
            return broken(Break::Texts,
                          tr("The report texts of recording %1 were changed without an entry in "
                             "the audit trail.")
                              .arg(r.id),
                          0, r.id);
        if (r.removed != found->removed)
            return broken(Break::RemovedState,
                          r.removed ? tr("Recording %1 was removed without an entry in the audit "
                                         "trail.")
                                          .arg(r.id)
                                    : tr("Recording %1 was restored without an entry in the "
                                         "audit trail.")
                                          .arg(r.id),
                          0, r.id);
        expected.remove(r.id);
        ++result.recordings;
        if (progress && ++done % 4096 == 0)
            progress(done);
    }
    if (rows.lastError().isValid())
        return broken(Break::Unreadable,
                      tr("The recordings cannot be read: %1").arg(rows.lastError().text()));
    if (!expected.isEmpty()) {
        qint64 first = std::numeric_limits<qint64>::max();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            first = std::min(first, it.key());
        return broken(Break::Deleted,
                      tr("Recording %1, stored by entry %2 of the audit trail, was deleted from "
                         "the library.")
                          .arg(first)
                          .arg(expected.value(first).storedBy),
                      expected.value(first).storedBy, first);
    }
    return result;
}
