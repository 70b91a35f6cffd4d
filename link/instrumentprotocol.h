#pragma once

#include "productioninfo.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

// The instrument's request/reply operations. Every operation returns 1 on success or
//  -1 request not sent, -2 no valid reply, -3 reply does not echo the request,
//  -4 data block CRC wrong (instrument not configured), -5 probe not connected.
// Out-parameters are written only on success. The parse functions turn a complete
// reply (frame CRC already checked) into values and are safe on any bytes.
class InstrumentProtocol
{
public:
    enum Code { Ok = 1, NotSent = -1, NoReply = -2, BadEcho = -3, BadBlock = -4, NoProbe = -5 };

    static constexpr int SendTimeoutMs = 1000;
    static constexpr int DefaultReceiveTimeoutMs = 6000;

    static InstrumentProtocol *instance();

    int ReadFirmwareVersion(int &version);
    int ReadProductionInfo(ProductionInfo &info);
    int ReadCalibrationDate(QDate &date);
    int ReadMeasureConfigure(int &s0, int &s1, int &s2, int &s3);
    int WriteMeasureConfigure(int s0, int s1, int s2, int s3);
    int ReadHostConfigure(int &h0, int &h1, int &h2, int &h3);
    int WriteHostConfigure(int h0, int h1, int h2, int h3);
    int WriteDateTime(const QDateTime &when);
    int ReadDateTime(QDateTime &when);
    int ReadPowerGroupCount(int &count);

    // Sleeps the calling thread for more than `ms` milliseconds; processes no events.
    static void Delay(int ms);

    // Request bytes before the frame CRC.
    static QByteArray firmwareVersionRequest();
    static QByteArray productionInfoRequest();
    static QByteArray calibrationDateRequest();
    static QByteArray measureConfigureRequest();
    static QByteArray writeMeasureConfigureRequest(int s0, int s1, int s2, int s3);
    static QByteArray hostConfigureRequest();
    static QByteArray writeHostConfigureRequest(int h0, int h1, int h2, int h3);
    static QByteArray writeDateTimeRequest(const QDateTime &when);
    static QByteArray dateTimeRequest();
    static QByteArray powerGroupCountRequest();
    static QByteArray powerGroupRequest(quint32 address);

    static int parseFirmwareVersion(const QByteArray &reply, int &version);
    static int parseProductionInfo(const QByteArray &reply, ProductionInfo &info);
    static int parseCalibrationDate(const QByteArray &reply, QDate &date);
    static int parseSettingsBlock(const QByteArray &reply, quint8 address, int values[4]);
    static int parseWriteReply(const QByteArray &reply, quint8 address);
    static int parseWriteDateTimeReply(const QByteArray &reply);
    static int parseDateTime(const QByteArray &reply, QDateTime &when);
    static int parsePowerGroupCount(const QByteArray &reply, int &count);

    // Tests shorten the 6000 ms reply deadline; the program never changes it.
    static void setReceiveTimeoutMs(int ms);
    static int receiveTimeoutMs();

private:
    InstrumentProtocol() = default;

    int transact(QByteArray request, int replyLength, QByteArray &reply, bool probeErrorCounts);
    int readSettings(const QByteArray &request, quint8 address, int &v0, int &v1, int &v2, int &v3);
};
