#include "auditentry.h"

#include "reportsignature.h"
#include "station.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Each field as its length in bytes, a colon, the bytes: no two lists of fields give the
// same text, whatever the fields hold.
void appendField(QByteArray &out, const QString &field)
{
    const QByteArray bytes = field.toUtf8();
    out += QByteArray::number(bytes.size());
    out += ':';
    out += bytes;
    out += ',';
}

const struct {
    const char *action;
    const char *text;
} kActions[] = {
    {AuditEntry::LibraryCreated, QT_TRANSLATE_NOOP("AuditEntry", "Library created")},
    {AuditEntry::LibraryAudited, QT_TRANSLATE_NOOP("AuditEntry", "Library brought under audit")},
    {AuditEntry::LibraryMigrated, QT_TRANSLATE_NOOP("AuditEntry", "Library brought up to date")},
    {AuditEntry::RecordingStored, QT_TRANSLATE_NOOP("AuditEntry", "Recording stored")},
    {AuditEntry::TextsChanged, QT_TRANSLATE_NOOP("AuditEntry", "Report texts changed")},
    {AuditEntry::RecordingRemoved, QT_TRANSLATE_NOOP("AuditEntry", "Recording removed")},
    {AuditEntry::RecordingRestored, QT_TRANSLATE_NOOP("AuditEntry", "Recording restored")},
    {AuditEntry::WindowAdded, QT_TRANSLATE_NOOP("AuditEntry", "Process window added")},
    {AuditEntry::WindowChanged, QT_TRANSLATE_NOOP("AuditEntry", "Process window changed")},
    {AuditEntry::WindowRemoved, QT_TRANSLATE_NOOP("AuditEntry", "Process window removed")},
    {AuditEntry::CalibrationPeriodChanged,
     QT_TRANSLATE_NOOP("AuditEntry", "Calibration period changed")},
    {AuditEntry::FileWritten, QT_TRANSLATE_NOOP("AuditEntry", "File written")},
    {AuditEntry::ReportPrinted, QT_TRANSLATE_NOOP("AuditEntry", "Report printed")},
    {AuditEntry::SignatureGiven, QT_TRANSLATE_NOOP("AuditEntry", "Signature given")},
};

} // namespace

QJsonObject AuditEntry::detailsObject() const
{
    return QJsonDocument::fromJson(details.toUtf8()).object();
}

void AuditEntry::setDetails(const QJsonObject &object)
{
    details = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString AuditEntry::computedHash() const
{
    QByteArray text;
    for (const QString &field :
         {previousHash, QString::number(seq), at, QString::number(utcOffsetSeconds), station, user,
          program, action, subject, recordingId > 0 ? QString::number(recordingId) : QString(),
          details})
        appendField(text, field);
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
}

void AuditEntry::stamp()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    at = now.toString(Qt::ISODateWithMs);
    utcOffsetSeconds = Station::utcOffsetSeconds(now);
    station = Station::host();
    user = Station::user();
    program = Station::program();
}

QStringList AuditEntry::actions()
{
    QStringList out;
    for (const auto &known : kActions)
        out << QLatin1String(known.action);
    return out;
}

QString AuditEntry::actionText(const QString &action)
{
    for (const auto &known : kActions) {
        if (action == QLatin1String(known.action))
            return tr(known.text);
    }
    return action;
}

QString AuditEntry::summary() const
{
    const QJsonObject d = detailsObject();
    QStringList parts{actionText(action)};
    if (!subject.isEmpty())
        parts << subject;
    if (const QString reason = d.value(QLatin1String("reason")).toString(); !reason.isEmpty())
        parts << tr("reason: %1").arg(reason);
    if (ReportSignature signature; ReportSignature::fromEntry(*this, signature))
        parts << QStringLiteral("%1 %2").arg(ReportSignature::meaningText(signature.meaning),
                                             signature.name);
    if (const QString sha = d.value(QLatin1String("sha256")).toString(); !sha.isEmpty())
        parts << QStringLiteral("SHA-256 %1").arg(sha.left(12));
    return parts.join(QStringLiteral(" · "));
}
