#include "recording.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <cstring>

bool Recording::familyFromName(const QString &name, Family &family)
{
    if (name == QLatin1String("logger"))
        family = Family::Logger;
    else if (name == QLatin1String("meter"))
        family = Family::Meter;
    else
        return false;
    return true;
}

float Recording::sample(int index) const
{
    // The bytes themselves bound the index: a listed entry has a count but no samples.
    if (index < 0 || index >= samples.size() / 4)
        return 0;
    const quint32 bits = qFromLittleEndian<quint32>(samples.constData() + 4 * index);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray Recording::groupData() const
{
    QByteArray group(6, '\0');
    if (startTime.isValid()) {
        const QDate d = startTime.date();
        const QTime t = startTime.time();
        const int values[6] = {d.year() - 2000, d.month(),  d.day(),
                               t.hour(),        t.minute(), t.second()};
        for (int i = 0; i < 6; ++i)
            group[i] = static_cast<char>(values[i] & 0xFF);
    }
    return group + samples;
}

void Recording::setGroupData(const QByteArray &group)
{
    if (group.size() < 6) {
        startTime = QDateTime();
        samples.clear();
        return;
    }
    auto at = [&group](int i) { return static_cast<int>(static_cast<quint8>(group.at(i))); };
    const QDate date(2000 + at(0), at(1), at(2));
    const QTime time(at(3), at(4), at(5));
    startTime = date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
    // Whole samples only: a stray byte at the end carries no value.
    const qsizetype whole = (group.size() - 6) / 4 * 4;
    samples = group.mid(6, whole);
}

QByteArray Recording::hashedBytes() const
{
    if (family == Family::Logger)
        return samples;
    QByteArray bytes;
    for (double v : {energy, duration, powerRt, powerMax, powerMin, powerAvg}) {
        const float f = static_cast<float>(v);
        quint32 bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        char le[4];
        qToLittleEndian(bits, le);
        bytes.append(le, 4);
    }
    return bytes + unit.toUtf8();
}

void Recording::updateHash()
{
    sha256 = hashOf(hashedBytes());
}

QString Recording::hashOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString Recording::dedupeKey() const
{
    if (family == Family::Meter)
        return QStringLiteral("meter|") + sha256;
    return startTime.toString(Qt::ISODate) + QLatin1Char('|') + sha256;
}

QString Recording::contentDigest() const
{
    auto number = [](double v) { return QString::number(v, 'g', 17); };
    auto date = [](const QDate &d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); };
    const QStringList fields{familyName(),
                             serial,
                             QString::number(modelCode),
                             modelName,
                             firmware,
                             date(productionDate),
                             date(calibrationDate),
                             QString::number(group),
                             startTime.isValid() ? startTime.toString(Qt::ISODate) : QString(),
                             QString::number(intervalSeconds),
                             QString::number(sampleCount()),
                             shown.join(QChar(0x1F)),
                             number(powerRec),
                             number(powerMax),
                             number(powerMin),
                             number(powerAvg),
                             number(energy),
                             number(duration),
                             number(powerRt),
                             unit,
                             number(doseUjCm2),
                             doseFlagged ? QStringLiteral("1") : QStringLiteral("0"),
                             downloadedAt.isValid() ? downloadedAt.toUTC().toString(Qt::ISODate)
                                                    : QString(),
                             utcOffsetSeconds ? QString::number(*utcOffsetSeconds) : QString(),
                             sha256,
                             hashOf(rawFrames)};
    QByteArray text;
    for (const QString &field : fields) {
        const QByteArray bytes = field.toUtf8();
        text += QByteArray::number(bytes.size()) + ':' + bytes + ',';
    }
    return hashOf(text);
}

QDateTime Recording::startUtc() const
{
    if (!startTime.isValid() || !utcOffsetSeconds)
        return {};
    QDateTime local = startTime;
    local.setOffsetFromUtc(*utcOffsetSeconds);
    return local.toUTC();
}
