#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QVector>
#include <QWaitCondition>
#include <array>
#include <atomic>
#include <deque>

// A simulated meter (415) or logger (416) speaking the instrument protocol at the
// HID report level. Thread-safe: the GUI thread and the polling worker both talk to it.
class VirtualInstrument : public QObject
{
    Q_OBJECT

public:
    enum class Family { Meter, Logger };

    // What the system keeps of input reports for an open connection that is not being read;
    // a report that arrives while the buffer is full is lost for that reader.
    static constexpr int InputBufferReports = 64;

    // Misbehaviour for the next reply (queued faults apply to consecutive replies, in order).
    enum class Fault {
        BadFrameCrc,   // the reply's frame CRC is wrong
        WrongEcho,     // the reply echoes neither checked header field (frame CRC still right)
        NoReply,       // the request is swallowed
        SplitReply,    // the reply is cut into two reports after `arg` bytes
        GarbageBefore, // `data` is sent in front of the reply, in the same report
        ForeignReport, // an input report with identifier `arg` (not 0x3F) goes before the reply
        SecondFrame,   // `data` (a whole frame) follows the reply in the same report
        ShortReply,    // only the first `arg` bytes of the reply are sent
    };

    struct Recording {
        QDateTime start;
        QVector<float> samples;
    };
    using MeterGroup = std::array<float, 6>;

    explicit VirtualInstrument(Family family, quint32 modelCode, QObject *parent = nullptr);
    ~VirtualInstrument() override;

    Family family() const;

    // Identity. Each setter rewrites the production record block with a valid CRC.
    void setModelCode(quint32 code);
    void setSerialNumber(quint32 serial);
    void setProductionDate(int year, int month, int day);
    void setCopiedBytes(quint8 kindByte, quint16 auxWord, quint8 auxByte1, quint8 auxByte2);
    void setCalibrationDate(int year, int month, int day);
    void setFirmwareVersion(quint16 tenths);
    // The USB serial-number string; by default the serial number in decimal.
    void setUsbSerial(const QString &serial);
    QString usbSerial() const;

    // Memory banks (1, 2 and 7) and blocks that end in their own CRC.
    QByteArray memory(int bank, int address, int length) const;
    void setMemory(int bank, int address, const QByteArray &bytes);
    void writeBlock(int bank, int address, const QByteArray &payload);   // payload + block CRC
    void corruptBlock(int bank, int address, int payloadLength);         // breaks its stored CRC
    void setHostSettings(quint8 h0, quint8 h1, quint8 h2, quint8 h3);    // bank 1, 0x80
    void setMeasureSettings(quint8 s0, quint8 s1, quint8 s2, quint8 s3); // bank 7, 0x60
    void setGroupCount(int count); // bank 1, 0xE0, independent of the stored groups

    // Clock: runs on from the value set.
    void setClock(const QDateTime &when);
    QDateTime clock() const;

    // Probe. A change is reported with the unsolicited notification while plugged.
    // While the probe is missing every request is answered with the error reply 0xC7 0x08.
    void setProbeConnected(bool connected);
    bool probeConnected() const;

    // Meter: groups of six floats at bank 2, 0xF0 + 24 i; also sets the group count.
    void setMeterGroups(const QVector<MeterGroup> &groups);
    // Logger: recordings at bank 2, 0x180 + 0x980 g; also sets the group count.
    void setRecordings(const QVector<Recording> &recordings);
    void setFrameDataSize(int bytes); // data bytes per record frame (default 52)
    // The logger stops after sending `frames` frames of its next recordings (-1: never).
    void setLoggerStopAfterFrames(int frames);
    // Which frame of a recording reply takes a queued fault: 0 (the default) the first, the
    // number of data frames the end frame, beyond that none.
    void setRecordingFaultFrame(int frame);
    // The logger pauses for `ms` after the first `frames` frames of each recording it sends,
    // as while it reads on in its memory (frames < 0: never).
    void setRecordingPause(int frames, int ms);

    // Pacing of input reports: 0 = none; 1000 = one report per ms (full-speed interrupt endpoint).
    // A report arrives in the connection's input buffer at its time; unpaced, when it is sent.
    void setReportIntervalMicroseconds(int us);

    void injectFault(Fault fault, int arg = 0, const QByteArray &data = QByteArray());
    void clearFaults();
    // Sends raw payload bytes as input reports of identifier 0x3F.
    void sendUnsolicited(const QByteArray &payload);

    // Plugging. An unplugged instrument fails every read and write of its open connections
    // for good; plugging again makes a new device that must be opened anew.
    void plug();
    void unplug();
    bool isPlugged() const;
    void unplugAfterReports(int reports);   // after the host has taken this many more input reports
    void unplugAfterRequests(int requests); // when this many more request frames have arrived
    // The interface refuses to open (another program holds it / no permission).
    void setOpenRefused(bool busy, bool permissionDenied = false);

    // Every request frame received, CRC included, in order.
    QList<QByteArray> requests() const;
    void clearRequests();
    qint64 reportsDelivered() const;
    // Reports lost because they arrived while the input buffer was full.
    qint64 reportsDropped() const;

    // --- used by the virtual HID connection ---
    quint64 generation() const; // changes with every plug / unplug
    bool openRefused(bool *permissionDenied) const;
    void attach(quint64 generation); // a connection opened: drops stale input
    int hostWrite(quint64 generation, const QByteArray &report);
    // Returns 0 at once, or as soon as woken, while `*cancelled` holds.
    int hostRead(quint64 generation, QByteArray &report, int timeoutMs,
                 const std::atomic<bool> *cancelled = nullptr);
    void wakeReaders();

signals:
    // Emitted on the thread that caused the change, which may be a reader or writer thread
    // when unplugAfterReports / unplugAfterRequests fire; listeners use queued connections.
    void plugged();
    void unplugged();

private:
    struct PendingReport {
        QByteArray bytes;
        qint64 readyAtUs = 0;
    };
    struct QueuedFault {
        Fault fault;
        int arg;
        QByteArray data;
    };

    // All of these are called with m_mutex held.
    void consumeRequestBytes();
    void handleRequest(const QByteArray &frame);
    void replyRegisterRead(const QByteArray &frame);
    void replyRegisterWrite(const QByteArray &frame);
    void replyMemoryRead(const QByteArray &frame);
    void replyMemoryWrite(const QByteArray &frame);
    void replyBank2Read(quint32 address);
    void sendRecording(int index);
    void queueReply(QByteArray reply, bool mayFault = true); // applies the next fault
    void queuePayload(const QByteArray &payload);            // splits into 0x3F reports
    void queueReport(const QByteArray &report);              // paced
    void admitArrivals();                                    // into the input buffer, or lost
    void dropInput();
    void rewriteProductionRecord();
    void writeBlockLocked(int bank, int address, const QByteArray &payload);
    void setGroupCountLocked(int count);
    void setClockLocked(const QDateTime &when);
    QDateTime clockLocked() const;
    QByteArray readMemoryLocked(int bank, qint64 address, qint64 length) const; // zero-padded
    // Clipped to the bank.
    void writeMemoryLocked(int bank, qint64 address, const QByteArray &bytes);
    QByteArray *bankOrNull(int number);
    const QByteArray *bankOrNull(int number) const;
    static qint64 bankCapacity(int number);
    qint64 nowUs() const;
    // True when the state changed; the caller emits unplugged() after unlocking.
    bool unplugLocked();

    mutable QMutex m_mutex;
    QWaitCondition m_inputReady;
    const Family m_family;
    quint32 m_modelCode;
    quint32 m_serial = 19120001;
    int m_prodYear = 2021, m_prodMonth = 6, m_prodDay = 15;
    quint8 m_kindByte = 0, m_auxByte1 = 0, m_auxByte2 = 0;
    quint16 m_auxWord = 0;
    quint16 m_firmware = 23;
    QString m_usbSerial;
    bool m_usbSerialSet = false;
    // Banks grow on demand up to their capacity; unwritten memory reads as zero.
    QByteArray m_bank1, m_bank2, m_bank7;
    QDateTime m_clockBase;
    QElapsedTimer m_clockTimer;
    bool m_probe = true;
    int m_meterGroupCount = 0;
    QVector<int> m_recordingSizes; // data bytes of each stored recording
    int m_frameDataSize = 52;
    int m_stopAfterFrames = -1;
    int m_faultFrame = 0;
    int m_pauseAfterFrames = -1;
    qint64 m_pauseUs = 0;
    int m_intervalUs = 0;
    qint64 m_lastReadyUs = 0;
    QElapsedTimer m_sinceStart;
    std::deque<QueuedFault> m_faults;
    std::deque<PendingReport> m_inFlight; // sent, not arrived yet
    std::deque<QByteArray> m_input;       // arrived, not read yet
    QByteArray m_requestBytes;
    QList<QByteArray> m_requests;
    qint64 m_delivered = 0;
    qint64 m_dropped = 0;
    bool m_plugged = true;
    bool m_attached = false;
    bool m_unplugPending = false; // set by a request that unplugged the device
    quint64 m_generation = 1;
    qint64 m_unplugAfterReports = -1;
    qint64 m_unplugAfterRequests = -1;
    bool m_refuseBusy = false;
    bool m_refusePermission = false;
};
