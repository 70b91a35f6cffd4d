#pragma once

#include "frameexchange.h"

#include <QDialog>

class CLinker;

// The program's one window. It owns the link to the instrument and is the exchange
// through which every frame passes.
class MainWindow : public QDialog, public FrameExchange
{
    Q_OBJECT

public:
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;

    static MainWindow *instance();
    // Releases the window at the end of the program (or of a test).
    static void destroyInstance();

    ~MainWindow() override;

    int SendData(QByteArray &frame, int timeout) override;
    int ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc) override;
    bool IsLinkOpen() override;

    CLinker *link() const { return m_link; }

public slots:
    bool OpenUSB();
    void CloseUSB();

private:
    explicit MainWindow(QWidget *parent = nullptr);

    CLinker *m_link = nullptr; // owned; null while no instrument is open
};
