#pragma once

#include <QByteArray>
#include <QObject>

// A link to an instrument. The base class is a link without a device: it moves
// nothing, is never open and counts as removed.
class CLinker : public QObject
{
    Q_OBJECT

public:
    explicit CLinker(QObject *parent = nullptr);
    ~CLinker() override;

    virtual void Close();
    // Appends received bytes to `buffer`. timeout 0 polls once; above 0 waits for a frame.
    virtual int Read(QByteArray &buffer, int timeout, int length);
    virtual int Write(QByteArray &frame, int timeout);
    virtual bool IsOpen();
    virtual bool IsRemoved();
    // Waits up to `timeoutMs` for input, taking none; true when some waits. May run beside
    // a Read on another thread. False at once when it cannot tell, or when woken.
    virtual bool WaitForInput(int timeoutMs);
    virtual void WakeInputWaiters();
};
