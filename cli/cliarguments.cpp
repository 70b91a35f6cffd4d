#include "cliarguments.h"

#include <QCoreApplication>

namespace {

constexpr char16_t kEscape = 0xDC00;

bool isEscape(const QString &text, qsizetype i)
{
    const char16_t c = text.at(i).unicode();
    return c >= kEscape + 0x80 && c <= kEscape + 0xFF &&
           (i == 0 || !text.at(i - 1).isHighSurrogate());
}

bool inRange(const QByteArray &bytes, qsizetype i, quint8 low, quint8 high)
{
    if (i >= bytes.size())
        return false;
    const quint8 b = static_cast<quint8>(bytes.at(i));
    return b >= low && b <= high;
}

// The length of the well-formed UTF-8 sequence at `i` (RFC 3629), 0 for none.
qsizetype sequenceAt(const QByteArray &bytes, qsizetype i)
{
    const quint8 lead = static_cast<quint8>(bytes.at(i));
    if (lead < 0x80)
        return 1;
    quint8 low = 0x80, high = 0xBF;
    qsizetype length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (!inRange(bytes, i + 1, low, high))
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (!inRange(bytes, i + k, 0x80, 0xBF))
            return 0;
    }
    return length;
}

} // namespace

QStringList CliArguments::fromSystem(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // The system gives UTF-16 there, and Qt takes it as it is.
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return QCoreApplication::arguments().mid(1);
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(decode(QByteArray(argv[i])));
    return arguments;
#endif
}

QString CliArguments::decode(const QByteArray &bytes)
{
    QString text;
    qsizetype from = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = sequenceAt(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + from, i - from);
        text += QChar(char16_t(kEscape + static_cast<quint8>(bytes.at(i))));
        from = ++i;
    }
    return text + QString::fromUtf8(bytes.constData() + from, bytes.size() - from);
}

QByteArray CliArguments::encode(const QString &argument)
{
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (!isEscape(argument, i))
            continue;
        bytes += QStringView(argument).mid(from, i - from).toUtf8();
        bytes += static_cast<char>(argument.at(i).unicode() - kEscape);
        from = i + 1;
    }
    return bytes + QStringView(argument).mid(from).toUtf8();
}

bool CliArguments::holdsRawBytes(const QString &argument)
{
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (isEscape(argument, i))
            return true;
    }
    return false;
}
