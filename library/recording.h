#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// One entry of the recording library: a logger recording or a meter group, with the
// instrument it came from. The pages, the library window, the report, the workbook and the
// command line all read this one type, whether it was just downloaded or read back.
class Recording
{
public:
    enum class Family { Logger, Meter };

    qint64 id = 0; // 0 until stored
    Family family = Family::Logger;

    // The instrument, as it stood at the download.
    QString serial;
    quint32 modelCode = 0;
    QString modelName;
    QString firmware;
    QDate productionDate;
    QDate calibrationDate;

    int group = 0;           // the recording's or group's number, from 1
    QDateTime startTime;     // logger: the instrument's clock; invalid for a meter group
    int intervalSeconds = 0; // logger: the storage interval in force at the download
    QByteArray samples;      // logger: float32 little-endian, as the instrument sent them
    QByteArray rawFrames;    // the reply bytes as they came
    QStringList shown;       // the table row's texts as the page showed them

    // Logger statistics (as the table computes them).
    double powerRec = 0;
    double powerMax = 0;
    double powerMin = 0;
    double powerAvg = 0;
    // Meter values; the maximum, minimum and average above serve meter groups too.
    double energy = 0;
    double duration = 0;
    double powerRt = 0;
    QString unit;

    // Logger: the dose in uJ/cm², as the library keeps it (see Dose); flagged where samples
    // were not numbers, there were none, or the interval was 0.
    double doseUjCm2 = 0;
    bool doseFlagged = false;

    QDateTime downloadedAt; // UTC
    // The station's offset from UTC at the download: what the instrument's clock (startTime)
    // meant in UTC there. Unknown for entries stored before it was kept.
    std::optional<int> utcOffsetSeconds;
    QString sha256; // hex, of the samples (logger) or of the values (meter)

    // The four texts a user types for a report.
    QString testLight;
    QString company;
    QString tester;
    QString auditor;

    // Removed from the lists with a reason; kept in the library and its trail.
    bool removed = false;

    QString familyName() const
    {
        return family == Family::Logger ? QStringLiteral("logger") : QStringLiteral("meter");
    }
    static bool familyFromName(const QString &name, Family &family);

    // A list read without the bytes keeps only their count.
    int listedSampleCount = -1;
    int sampleCount() const
    {
        return samples.isEmpty() && listedSampleCount >= 0 ? listedSampleCount
                                                           : static_cast<int>(samples.size() / 4);
    }
    float sample(int index) const;
    // The group bytes the curve, report and workbook classes read: 6 start-time bytes
    // (year - 2000, month, day, hour, minute, second), then the samples.
    QByteArray groupData() const;
    // Sets startTime and samples from such group bytes.
    void setGroupData(const QByteArray &group);

    // What the hash covers: the samples, or a meter group's six values and unit.
    QByteArray hashedBytes() const;
    void updateHash();
    static QString hashOf(const QByteArray &bytes);
    // The hash of everything stored that no one may change afterwards: the instrument, the
    // values, the times and the frames (the samples through sha256); not the report texts.
    QString contentDigest() const;
    QStringList reportTexts() const { return {testLight, company, tester, auditor}; }
    // The start time in UTC, where the station's offset is known.
    QDateTime startUtc() const;
    // The key that makes a second download of the same entry a no-op.
    QString dedupeKey() const;
};
