#pragma once

#include "hidconnection.h"
#include "hidhandlelock.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

// What the system connections share: one lock so that the reading and the writing thread
// never use the handle at once, reads in slices so that a waiting read holds up no write,
// and writes on a writer thread so that they end by their deadline.
class HidSlicedConnection : public HidConnection
{
public:
    // Longest hold of the handle lock by one read.
    static constexpr int ReadSliceMs = 50;

    ~HidSlicedConnection() override;

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    void cancelRead() override { m_cancelled.store(true); }
    QString serialNumber() const override { return m_serial; }

protected:
    explicit HidSlicedConnection(const QString &serial);
    // The handle can take no more reads or writes.
    virtual bool broken() const = 0;
    // One wait of at most `sliceMs`, with the lock held: the report's length (and the
    // report), 0 for nothing yet, -1 on failure.
    virtual int readSlice(QByteArray &report, int sliceMs) = 0;
    // The write of `report`; it owns the handle, since it may outlive the connection.
    virtual HidDeadlineWriter::Job writeJob(const QByteArray &report) const = 0;
    // For the destructors: the writer goes before the handle.
    void stopWriting() { m_writer.reset(); }

private:
    QString m_serial;
    std::shared_ptr<HidHandleLock> m_lock;
    std::unique_ptr<HidDeadlineWriter> m_writer;
    std::atomic<bool> m_cancelled{false}; // looked at between slices
};
