#include "contexttranslator.h"

QString ContextTranslator::translate(const char *context, const char *source, const char *,
                                     int) const
{
    return QString::fromLatin1(context) + QLatin1Char('|') + QString::fromUtf8(source);
}
