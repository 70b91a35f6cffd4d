#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class AuditEntry;
class Recording;

// A signature given to a report: its meaning, the name the signer typed, and what it was
// given to, bound into an entry of the library's audit trail. It stays valid while the
// recording and the report texts are what was signed.
class ReportSignature
{
    Q_DECLARE_TR_FUNCTIONS(ReportSignature)

public:
    enum class Meaning { Reviewed, Approved };

    Meaning meaning = Meaning::Reviewed;
    QString name;    // as the signer typed it
    QString user;    // the operating-system user
    QString station; // the computer
    QDateTime at;    // UTC
    QString sha256;  // the recording's
    QString digest;  // the recording's content digest
    QStringList texts;
    QString verdict; // the verdict line the report showed, empty when none
    qint64 entry = 0;

    bool isVoid = false;
    QString whyVoid; // translated

    // "Reviewed by", "Approved by", translated.
    static QString meaningText(Meaning meaning);
    static QString meaningKey(Meaning meaning);
    static bool meaningFromKey(const QString &key, Meaning &meaning);

    // The entry's details, and a signature read back from an entry (false: not one).
    QJsonObject details() const;
    static bool fromEntry(const AuditEntry &entry, ReportSignature &signature);
    // Void, with why, where `now` is not what was signed.
    void checkAgainst(const Recording &now);
    // The signature block of a report, as HTML; empty without signatures.
    static QString html(const QList<ReportSignature> &signatures);
};
