// Inputs the fuzz targets (fuzz/) found faults with, fed to the function that failed the way
// the target fed them.
#include "bytes.h"
#include "clinkerusb.h"
#include "instrumentprotocol.h"
#include "libhiddevice.h"
#include "scriptedhidbackend.h"

#include <QtTest>

namespace {

const auto hex = Bytes::hex;

// The fuzz targets' own input: each report after its length byte.
QByteArray script(const QByteArray &report)
{
    return char(report.size()) + report;
}

} // namespace

class tst_FuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void clockWithImpossibleTimeIsNotMidnight();
    void reportLengthByteBeyondPayloadField();

private:
    ScriptedHidBackend m_backend;
};

void tst_FuzzRegressions::clockWithImpossibleTimeIsNotMidnight()
{
    // A clock reply whose hour byte is 0x6D: the date is fine, the time is not. It used to
    // come back as 2006-06-06 00:00:00, a valid reading the instrument never sent.
    QDateTime when(QDate(1999, 9, 9), QTime(9, 9, 9));
    QCOMPARE(InstrumentProtocol::parseDateTime(
                 hex("ff 0e 06 06 06 06 06 06 06 6d 06 06 06 06 06 06"), when),
             1);
    QVERIFY(!when.isValid());

    // Each impossible field alone, and the reading beside them that is fine.
    const QByteArray good = hex("ab 20 61 00 06 00 18 02 1d 17 3b 3a 00 00");
    QCOMPARE(InstrumentProtocol::parseDateTime(good, when), 1);
    QCOMPARE(when, QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    const struct {
        int index;
        char value;
    } impossible[] = {{7, 13}, {8, 30}, {9, 24}, {10, 60}, {11, 60}}; // month .. second
    for (const auto &field : impossible) {
        QByteArray bad = good;
        bad[field.index] = field.value;
        when = QDateTime(QDate(2001, 1, 1), QTime(1, 1, 1));
        QCOMPARE(InstrumentProtocol::parseDateTime(bad, when), 1);
        QVERIFY2(!when.isValid(), qPrintable(bad.toHex(' ')));
    }
}

void tst_FuzzRegressions::reportLengthByteBeyondPayloadField()
{
    // hidapi reads up to 256 bytes; a report longer than 64 whose length byte claims more
    // than 62 used to hand over that many bytes instead of the payload field only.
    const QByteArray longReport = hex(
        "3f a4 90 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 22 3f a4 90 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 00 00 00 00 00 00 00 22 3f a4 90 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 00 00 00 00 00 00 00 2a 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 22 "
        "3f a4 90");
    QCOMPARE(longReport.size(), 123);
    HidBackend::setCurrent(&m_backend);
    m_backend.setScript(script(longReport));
    libHidDevice device;
    QCOMPARE(device.Open(ScriptedHidBackend::VendorId, ScriptedHidBackend::ProductId), 0);
    char destination[256];
    QCOMPARE(device.Read(destination, 256, 50), 62);
    QCOMPARE(QByteArray(destination, 62), longReport.mid(2, 62));
    QCOMPARE(device.Read(destination, 256, 50), 0);
    device.Close();

    // The link's frame read over such a report: the frame starts at the start byte in the
    // payload and ends with the payload field.
    const QByteArray frameReport = hex(
        "3f 42 40 22 f0 00 00 00 18 00 00 00 00 00 00 00 00 00 00 40 3f 22 ab 42 08 01 00 00 18 00 "
        "00 00 00 00 00 00 00 32 00 00 00 00 00 00 00 00 00 fd 00 00 00 00 00 00 00 00 00 00 ff ff "
        "ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff ff 00 00 00 00 ef e4 00 00 "
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    QCOMPARE(frameReport.size(), 116);
    m_backend.setScript(script(frameReport));
    CLinkerUSB link;
    QCOMPARE(link.Open(ScriptedHidBackend::VendorId, ScriptedHidBackend::ProductId), 0);
    QByteArray frame;
    QCOMPARE(link.Read(frame, 1000, 34), 42);
    QCOMPARE(frame, frameReport.mid(22, 42));
    link.Close();
    HidBackend::setCurrent(nullptr);
}

QTEST_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
