#include "mainwindow.h"
#include "clinkerusb.h"
#include "crc16.h"
#include "userprompts.h"

#include <QDebug>

namespace {
MainWindow *g_instance = nullptr;
}

MainWindow *MainWindow::instance()
{
    if (!g_instance)
        g_instance = new MainWindow; // released by destroyInstance()
    return g_instance;
}

void MainWindow::destroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

MainWindow::MainWindow(QWidget *parent) : QDialog(parent)
{
    FrameExchange::setCurrent(this);
}

MainWindow::~MainWindow()
{
    CloseUSB();
    if (g_instance == this)
        g_instance = nullptr;
}

bool MainWindow::IsLinkOpen()
{
    return m_link && m_link->IsOpen();
}

int MainWindow::SendData(QByteArray &frame, int timeout)
{
    if (!IsLinkOpen())
        return -1;
    Crc16::append(frame);
    const int written = m_link->Write(frame, timeout);
    if (written != frame.size())
        UserPrompts::information(this, tr("information"), tr("Send data Error！"));
    return written;
}

int MainWindow::ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc)
{
    CLinker *link = m_link;
    if (!link)
        return -1;
    const int result = link->Read(buffer, timeout, length);
    if (result <= 0 || !checkCrc)
        return result;
    // The CRC sits where the expected frame ends, whatever follows it.
    bool valid = length >= 3 && buffer.size() >= length;
    if (valid) {
        const quint16 stored = static_cast<quint16>(static_cast<quint8>(buffer.at(length - 2)) |
                                                    (static_cast<quint8>(buffer.at(length - 1)) << 8));
        valid = Crc16::modbus(buffer, 0, length - 2) == stored;
    }
    if (valid)
        return static_cast<int>(buffer.size());
    UserPrompts::information(this, tr("information"), tr("Message format error！"));
    return -1;
}

bool MainWindow::OpenUSB()
{
    if (m_link)
        return true;
    auto *link = new CLinkerUSB(this);
    if (link->Open(VendorId, ProductId) != 0) {
        delete link;
        return false;
    }
    m_link = link;
    return true;
}

void MainWindow::CloseUSB()
{
    if (!m_link)
        return;
    m_link->Close();
    delete m_link;
    m_link = nullptr;
}
