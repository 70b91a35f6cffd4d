// Frame-mode reads of the link over scripted input reports, and its garbage drop.
// Input: one byte giving the expected frame length (1..256), then the report script
// (see ScriptedHidConnection). Empty entries (nothing in time) are left out: the link
// sleeps out its 50 ms report wait after each, which would make every run crawl; the
// transport target covers them.
#include "clinkerusb.h"
#include "fuzzcheck.h"
#include "scriptedhidbackend.h"
#include "scriptedhidconnection.h"

#include <QtGlobal>
#include <cstdint>

namespace {

void checkGarbageDrop(const QByteArray &input)
{
    QByteArray buffer = input;
    CLinkerUSB::dropFrontGarbage(buffer);
    const qsizetype first = input.indexOf('\xAB');
    if (first < 0) {
        check(buffer.isEmpty());
        return;
    }
    check(static_cast<quint8>(buffer.at(0)) == 0xAB);
    check(input.endsWith(buffer) && buffer.size() == input.size() - first);
}

QByteArray withoutGaps(const QByteArray &script)
{
    QByteArray kept;
    for (qsizetype i = 0; i < script.size();) {
        const qsizetype length =
            qMin<qsizetype>(static_cast<quint8>(script.at(i)), script.size() - i - 1);
        if (length > 0)
            kept.append(script.constData() + i, 1 + length);
        i += 1 + length;
    }
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ScriptedHidBackend &backend = ScriptedHidBackend::installed();
    if (size < 1)
        return 0;
    const int length = 1 + data[0];
    QByteArray script(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    checkGarbageDrop(script);
    script = withoutGaps(script);

    const QByteArray stream = ScriptedHidConnection::expectedPayload(script);
    backend.setScript(script);
    CLinkerUSB link;
    check(link.Open(ScriptedHidBackend::VendorId, ScriptedHidBackend::ProductId) == 0);

    // The first frame: from the first start byte on, and whole when the stream holds it.
    QByteArray buffer;
    const int got = link.Read(buffer, 1000, length);
    const qsizetype start = stream.indexOf('\xAB');
    check(buffer.isEmpty() || static_cast<quint8>(buffer.at(0)) == 0xAB);
    if (start >= 0 && stream.size() - start >= length) {
        check(got == buffer.size());
        // A read takes at most `length` bytes, so the frame comes with less than that behind it.
        check(buffer.size() >= length && buffer.size() < 2 * length);
        check(buffer == stream.mid(start, buffer.size()));
    } else {
        check(got <= 0);
        check(stream.mid(start < 0 ? stream.size() : start).startsWith(buffer));
    }

    // Later frames follow on from where the first one ended, even across reads.
    if (got > 0) {
        const qsizetype consumed = start + buffer.size();
        QByteArray next;
        const int more = link.Read(next, 1000, length);
        const QByteArray rest = stream.mid(consumed);
        const qsizetype nextStart = rest.indexOf('\xAB');
        if (nextStart >= 0 && rest.size() - nextStart >= length) {
            check(more == next.size());
            check(next == rest.mid(nextStart, next.size()));
        } else {
            check(more <= 0);
        }
    }
    link.Close();
    return 0;
}
