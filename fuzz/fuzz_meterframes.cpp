// The meter's scans over what the polling worker received: group replies and probe reports.
#include "fuzzcheck.h"
#include "meterframes.h"

#include <cstdint>
#include <cstring>

namespace {

bool sameBits(float a, const QByteArray &bytes, int offset)
{
    return std::memcmp(&a, bytes.constData() + offset, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray buffer(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    // Replies are 34-byte pieces of the buffer, in order and not overlapping, and none is missed:
    // every 0xAB 0x42 with room for a whole reply lies inside one of them.
    const QList<QByteArray> replies = MeterFrames::groupReplies(buffer);
    qsizetype from = 0;
    qsizetype covered = 0;
    for (const QByteArray &reply : replies) {
        check(reply.size() == MeterFrames::GroupReplyLength);
        check(byteAt(reply, 0) == 0xAB && byteAt(reply, 1) == 0x42);
        const qsizetype pos = buffer.indexOf(reply, from);
        check(pos >= from);
        for (qsizetype i = from; i < pos; ++i)
            check(!(byteAt(buffer, i) == 0xAB && byteAt(buffer, i + 1) == 0x42));
        from = pos + reply.size();
        covered = from;

        MeterFrames::Group group;
        check(MeterFrames::decodeGroup(reply, group));
        // Little-endian floats at 8, 12, ... 28, bit for bit (NaN payloads included).
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            check(sameBits(group.powerRT, reply, 8) && sameBits(group.powerMAX, reply, 12) &&
                  sameBits(group.powerMIN, reply, 16) && sameBits(group.powerAVG, reply, 20) &&
                  sameBits(group.energy, reply, 24) && sameBits(group.duration, reply, 28));
        }
    }
    for (qsizetype i = covered; i + MeterFrames::GroupReplyLength <= buffer.size(); ++i)
        check(!(byteAt(buffer, i) == 0xAB && byteAt(buffer, i + 1) == 0x42));

    // A short reply decodes to nothing and leaves the values alone.
    MeterFrames::Group untouched;
    untouched.energy = 42;
    const bool decoded = MeterFrames::decodeGroup(buffer, untouched);
    check(decoded == (buffer.size() >= MeterFrames::GroupReplyLength));
    if (!decoded)
        check(untouched.energy == 42);

    // The state is that of the first whole probe report carrying 0 or 1.
    const int state = MeterFrames::probeState(buffer);
    int expected = -1;
    for (qsizetype i = 0; i + MeterFrames::ProbeReportMinLength <= buffer.size(); ++i) {
        if (byteAt(buffer, i) == 0xAB && byteAt(buffer, i + 1) == 0x22 &&
            byteAt(buffer, i + 2) == 0x0D && byteAt(buffer, i + 6) <= 1) {
            expected = byteAt(buffer, i + 6);
            break;
        }
    }
    check(state == expected);
    return 0;
}
