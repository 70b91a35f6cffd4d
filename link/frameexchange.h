#pragma once

#include <QByteArray>

// The doors to the instrument: send a frame with its CRC appended, collect a reply.
// The main window is the one exchange of the program; protocol operations and the
// polling worker reach it through current().
class FrameExchange
{
public:
    virtual ~FrameExchange();

    virtual int SendData(QByteArray &frame, int timeout) = 0;
    virtual int ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc) = 0;
    virtual bool IsLinkOpen() = 0;
    // Waits up to `timeoutMs` for input without taking any, beside an exchange on another
    // thread; true when some waits, and at once where the link cannot tell (a read will).
    // False when none came in time, none can come, or when woken.
    virtual bool WaitForInput(int timeoutMs);
    // Ends every WaitForInput now (the next one too, once).
    virtual void WakeInputWaiters();

    static FrameExchange *current();
    static void setCurrent(FrameExchange *exchange);
};
