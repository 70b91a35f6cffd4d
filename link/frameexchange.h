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

    static FrameExchange *current();
    static void setCurrent(FrameExchange *exchange);
};
