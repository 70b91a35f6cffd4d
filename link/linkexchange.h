#pragma once

#include "frameexchange.h"

#include <functional>

class CLinker;

// The frame exchange over one link: appends the frame CRC on the way out and checks it
// where the expected frame ends on the way in. What went wrong is handed to the owner,
// who tells the user in its own words.
class LinkExchange : public FrameExchange
{
public:
    enum class Trouble {
        SendFailed, // the link took fewer bytes than the frame has
        BadFrame,   // a reply arrived but its CRC is wrong or it is too short
    };
    using TroubleHandler = std::function<void(Trouble)>;

    explicit LinkExchange(TroubleHandler onTrouble = {});
    ~LinkExchange() override;

    // The link to use (not owned); null while none is open.
    void setLink(CLinker *link) { m_link = link; }
    CLinker *link() const { return m_link; }

    int SendData(QByteArray &frame, int timeout) override;
    int ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc) override;
    bool IsLinkOpen() override;
    bool WaitForInput(int timeoutMs) override;
    void WakeInputWaiters() override;

private:
    void report(Trouble trouble) const;

    TroubleHandler m_onTrouble;
    CLinker *m_link = nullptr;
};
