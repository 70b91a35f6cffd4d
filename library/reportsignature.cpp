#include "reportsignature.h"

#include "auditentry.h"
#include "recording.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const struct {
    ReportSignature::Meaning meaning;
    const char *key;
    const char *text;
} kMeanings[] = {
    {ReportSignature::Meaning::Reviewed, "reviewed",
     QT_TRANSLATE_NOOP("ReportSignature", "Reviewed by")},
    {ReportSignature::Meaning::Approved, "approved",
     QT_TRANSLATE_NOOP("ReportSignature", "Approved by")},
};

QJsonArray array(const QStringList &texts)
{
    QJsonArray out;
    for (const QString &t : texts)
        out.append(t);
    return out;
}

} // namespace

QString ReportSignature::meaningText(Meaning meaning)
{
    for (const auto &m : kMeanings)
        if (m.meaning == meaning)
            return tr(m.text);
    return {};
}

QString ReportSignature::meaningKey(Meaning meaning)
{
    for (const auto &m : kMeanings)
        if (m.meaning == meaning)
            return QLatin1String(m.key);
    return {};
}

bool ReportSignature::meaningFromKey(const QString &key, Meaning &meaning)
{
    for (const auto &m : kMeanings) {
        if (key == QLatin1String(m.key)) {
            meaning = m.meaning;
            return true;
        }
    }
    return false;
}

QJsonObject ReportSignature::details() const
{
    return {{QStringLiteral("meaning"), meaningKey(meaning)},
            {QStringLiteral("meaning_text"), QString::fromLatin1(kMeanings[int(meaning)].text)},
            {QStringLiteral("name"), name},
            {QStringLiteral("sha256"), sha256},
            {QStringLiteral("digest"), digest},
            {QStringLiteral("texts"), array(texts)},
            {QStringLiteral("verdict"), verdict}};
}

bool ReportSignature::fromEntry(const AuditEntry &entry, ReportSignature &signature)
{
    if (entry.action != QLatin1String(AuditEntry::SignatureGiven))
        return false;
    const QJsonObject d = entry.detailsObject();
    if (!meaningFromKey(d.value(QLatin1String("meaning")).toString(), signature.meaning))
        return false;
    signature.name = d.value(QLatin1String("name")).toString();
    signature.sha256 = d.value(QLatin1String("sha256")).toString();
    signature.digest = d.value(QLatin1String("digest")).toString();
    signature.texts.clear();
    for (const QJsonValue &t : d.value(QLatin1String("texts")).toArray())
        signature.texts << t.toString();
    signature.verdict = d.value(QLatin1String("verdict")).toString();
    signature.user = entry.user;
    signature.station = entry.station;
    signature.at = entry.time();
    signature.entry = entry.seq;
    // An entry whose hash does not match its fields was altered after it was written.
    if (entry.computedHash() != entry.hash) {
        signature.isVoid = true;
        signature.whyVoid = tr("its entry in the audit trail was altered");
    }
    return true;
}

void ReportSignature::checkAgainst(const Recording &now)
{
    if (isVoid)
        return;
    QStringList why;
    if (now.sha256 != sha256 || now.contentDigest() != digest)
        why << tr("the recording changed after it was signed");
    if (now.reportTexts() != texts)
        why << tr("the report texts changed after it was signed");
    if (now.removed)
        why << tr("the recording was removed from the library");
    isVoid = !why.isEmpty();
    whyVoid = why.join(QStringLiteral("; "));
}

QString ReportSignature::html(const QList<ReportSignature> &signatures)
{
    if (signatures.isEmpty())
        return {};
    QString html = QStringLiteral("<p><b>") + tr("Signatures").toHtmlEscaped() +
                   QStringLiteral("</b></p><table width=\"100%\" border=\"0\">");
    for (const ReportSignature &s : signatures) {
        const QString when = s.at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss t"));
        QString line = tr("%1 %2 (%3 on %4), %5, trail entry %6")
                           .arg(meaningText(s.meaning), s.name, s.user, s.station, when)
                           .arg(s.entry);
        html += QStringLiteral("<tr><td>") + line.toHtmlEscaped();
        if (s.isVoid)
            html += QStringLiteral("<br /><span style=\"color:#b00000\"><b>") +
                    tr("VOID: %1").arg(s.whyVoid).toHtmlEscaped() + QStringLiteral("</b></span>");
        html += QStringLiteral("</td></tr>");
    }
    return html + QStringLiteral("</table>");
}
