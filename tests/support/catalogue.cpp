#include "catalogue.h"

#include <QCoreApplication>

Catalogue::Catalogue(const QString &name)
{
    m_loaded = load(name, directory());
}

Catalogue::~Catalogue()
{
    if (m_installed)
        QCoreApplication::removeTranslator(this);
}

QString Catalogue::directory()
{
    return QStringLiteral(SOLVANE_SUPPORT_QM_DIR);
}

bool Catalogue::install()
{
    m_installed = m_loaded && QCoreApplication::installTranslator(this);
    return m_installed;
}

QStringList Catalogue::missing() const
{
    QStringList list;
    for (const QString &entry : m_missing) {
        // "QObject" is the program's general context, not one of Qt's classes.
        const bool qtClass = entry.size() > 1 && entry[0] == QLatin1Char('Q') &&
                             entry[1].isUpper() && !entry.startsWith(QLatin1String("QObject |"));
        if (!qtClass)
            list.append(entry);
    }
    list.sort();
    return list;
}

QString Catalogue::translate(const char *context, const char *source, const char *disambiguation,
                             int n) const
{
    const QString text = QTranslator::translate(context, source, disambiguation, n);
    if (text.isNull() && source && *source)
        m_missing.insert(QString::fromUtf8(context) + QLatin1String(" | ") +
                         QString::fromUtf8(source));
    return text;
}
