// Report unpacking in the transport: libHidDevice::Read over scripted input reports.
// Input: one byte K (reads, 1..8), K bytes of read lengths, then the report script
// (see ScriptedHidConnection).
#include "fuzzcheck.h"
#include "libhiddevice.h"
#include "scriptedhidbackend.h"
#include "scriptedhidconnection.h"

#include <QtGlobal>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ScriptedHidBackend &backend = ScriptedHidBackend::installed();
    if (size < 1)
        return 0;
    const size_t reads = 1 + (data[0] & 7);
    if (size < 1 + reads)
        return 0;
    const QByteArray script(reinterpret_cast<const char *>(data + 1 + reads),
                            static_cast<qsizetype>(size - 1 - reads));
    const QByteArray expected = ScriptedHidConnection::expectedPayload(script);

    backend.setScript(script);
    libHidDevice device;
    check(device.Open(ScriptedHidBackend::VendorId, ScriptedHidBackend::ProductId) == 0);

    QByteArray delivered;
    char destination[256];
    auto readOnce = [&](int length) {
        const int got = device.Read(destination, length, 50);
        check(got >= 0 && got <= length);
        delivered.append(destination, got);
        return got;
    };
    for (size_t r = 0; r < reads; ++r)
        readOnce(data[1 + r] == 0 ? 1 : data[1 + r]);
    // Drain: whatever is kept back (leftover, reports not read yet) still comes, in order.
    const qsizetype maxReads = script.size() + 2;
    for (qsizetype r = 0; r < maxReads; ++r) {
        if (readOnce(256) == 0 && backend.connection()->exhausted())
            break;
    }
    check(delivered == expected);
    device.Close();
    return 0;
}
