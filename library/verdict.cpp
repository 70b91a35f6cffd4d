#include "verdict.h"

#include <QCoreApplication>

QString Verdict::limitText(const QString &key)
{
    static const struct {
        const char *key;
        const char *text;
    } kLimits[] = {
        {"min_peak", QT_TRANSLATE_NOOP("Verdict", "peak below the minimum")},
        {"max_peak", QT_TRANSLATE_NOOP("Verdict", "peak above the maximum")},
        {"min_dose", QT_TRANSLATE_NOOP("Verdict", "dose below the minimum")},
        {"max_dose", QT_TRANSLATE_NOOP("Verdict", "dose above the maximum")},
        {"peak_undefined", QT_TRANSLATE_NOOP("Verdict", "peak not defined")},
        {"dose_undefined", QT_TRANSLATE_NOOP("Verdict", "dose not defined")},
        {"unknown_unit", QT_TRANSLATE_NOOP("Verdict", "unit not known")},
    };
    for (const auto &limit : kLimits) {
        if (key == QLatin1String(limit.key))
            return QCoreApplication::translate("Verdict", limit.text);
    }
    return key;
}

QString Verdict::text() const
{
    switch (outcome) {
    case Outcome::None:
        return {};
    case Outcome::Pass:
        return QCoreApplication::translate("Verdict", "pass");
    case Outcome::Fail:
        break;
    }
    QStringList words;
    for (const QString &key : failed)
        words << limitText(key);
    return QCoreApplication::translate("Verdict", "fail: %1")
        .arg(words.join(QCoreApplication::translate("Verdict", ", ")));
}
