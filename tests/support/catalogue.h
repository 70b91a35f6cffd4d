#pragma once

#include <QSet>
#include <QStringList>
#include <QTranslator>

// One of the program's real compiled catalogues, as the build writes it next to the
// program. Notes every lookup it has no wording for; installed while it lives, if asked.
class Catalogue : public QTranslator
{
public:
    // "Solvane_zh" or "Solvane_en".
    explicit Catalogue(const QString &name = QStringLiteral("Solvane_zh"));
    ~Catalogue() override;

    // Where the build puts the compiled catalogues.
    static QString directory();

    bool isLoaded() const { return m_loaded; }
    // Into the application, searched before the translators installed earlier.
    bool install();

    // "context | source" of every text of the program looked up without a wording, sorted;
    // Qt's own classes, which speak through Qt's catalogue, left out.
    QStringList missing() const;

    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override;

private:
    bool m_loaded = false;
    bool m_installed = false;
    mutable QSet<QString> m_missing;
};
