#include "expectedreport.h"

#include <QFile>
#include <QStringList>

QString ExpectedReport::load(const QString &path, bool chinese)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString own = chinese ? QStringLiteral("zh|") : QStringLiteral("en|");
    const QString other = chinese ? QStringLiteral("en|") : QStringLiteral("zh|");
    QString report;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(own))
            report += line.mid(own.size());
        else if (!line.startsWith(other))
            report += line;
    }
    return report;
}
