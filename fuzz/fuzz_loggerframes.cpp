// The logger's frame walk and what is built from a downloaded group.
// Input: one byte N (pieces, 0..7), N bytes of piece lengths, then the received bytes.
#include "fuzzcheck.h"
#include "loggerframes.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool sameBits(float a, const QByteArray &bytes, qsizetype offset)
{
    return std::memcmp(&a, bytes.constData() + offset, sizeof a) == 0;
}

void checkGroup(const QByteArray &group)
{
    const int count = LoggerFrames::sampleCount(group);
    check(count == (group.size() < 6 ? 0 : (group.size() - 6) / 4));
    check(LoggerFrames::sample(group, -1) == 0 && LoggerFrames::sample(group, count) == 0);
    if (count > 0 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        check(sameBits(LoggerFrames::sample(group, 0), group, 6));
        check(
            sameBits(LoggerFrames::sample(group, count - 1), group, 6 + 4 * qsizetype(count - 1)));
    }

    const QString start = LoggerFrames::startTimeText(group);
    if (group.size() < 6)
        check(start.isEmpty());
    if (!start.isEmpty()) {
        check(start.size() == 19);
        const QString compact = LoggerFrames::compactTime(start);
        static const QRegularExpression digits(QStringLiteral("^\\d{14}$"));
        check(digits.match(compact).hasMatch());
        check(compact.left(4) == start.left(4) && compact.right(2) == start.right(2));
    }

    const LoggerFrames::Statistics s = LoggerFrames::statistics(group);
    check(s.count == count);
    if (count == 0)
        return;
    // REC is the last sample that is a number; MIN and MAX bound every such sample.
    int finite = 0;
    float last = 0;
    for (int k = 0; k < count; ++k) {
        const float v = LoggerFrames::sample(group, k);
        if (!std::isfinite(v))
            continue;
        ++finite;
        last = v;
        check(s.min <= v && v <= s.max);
    }
    check(s.finiteCount == finite);
    check(std::memcmp(&s.rec, &last, sizeof last) == 0);
    check(std::isfinite(s.avg) && std::isfinite(s.min) && std::isfinite(s.max));
    if (finite == 0)
        check(s.rec == 0 && s.min == 0 && s.max == 0 && s.avg == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t pieces = data[0] & 7;
    if (size < 1 + pieces)
        return 0;
    const QByteArray raw(reinterpret_cast<const char *>(data + 1 + pieces),
                         static_cast<qsizetype>(size - 1 - pieces));

    // One walk over the whole ...
    qsizetype wholeOffset = 0;
    const bool whole = LoggerFrames::findEndFrame(raw, wholeOffset);

    // ... and the same bytes arriving piece by piece, walked after every arrival.
    QByteArray received;
    qsizetype offset = 0;
    bool found = false;
    qsizetype taken = 0;
    for (size_t p = 0; p <= pieces && !found; ++p) {
        const qsizetype length =
            p < pieces ? qMin<qsizetype>(data[1 + p], raw.size() - taken) : raw.size() - taken;
        received.append(raw.constData() + taken, length);
        taken += length;
        found = LoggerFrames::findEndFrame(received, offset);
    }
    check(found == whole);
    check(offset == wholeOffset);

    // Once the end frame is in, every frame before it is whole.
    QList<int> skipped;
    const QByteArray group = LoggerFrames::assembleGroup(raw, &skipped);
    check(group.size() <= raw.size());
    if (whole)
        check(skipped.isEmpty());
    for (int length : skipped)
        check(length > 0);

    checkGroup(group);
    checkGroup(raw);

    // Any text: empty or fourteen digits.
    const QString compact = LoggerFrames::compactTime(QString::fromLatin1(raw.left(40)));
    check(compact.isEmpty() || compact.size() == 14);
    return 0;
}
