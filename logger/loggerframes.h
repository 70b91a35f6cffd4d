#pragma once

#include "instrumentwire.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// What a logger sends for a group request, and the group data built from it: 6 start-time
// bytes (year - 2000, month, day, hour, minute, second), then little-endian single-precision
// samples. Every function is safe on any bytes.
class LoggerFrames
{
public:
    static constexpr int MaxGroups = 25;
    static constexpr int HeaderLength = 8;
    // Header plus frame CRC: a frame with L data bytes is L + 10 bytes long.
    static constexpr int FrameOverhead = 10;
    static constexpr int StartTimeBytes = 6;
    static constexpr quint32 FirstGroupAddress = InstrumentWire::LoggerGroupAddress;
    static constexpr quint32 GroupStride = InstrumentWire::LoggerGroupStride;

    // How a group's reply stands up to its checks.
    enum class GroupCheck {
        Whole,        // every frame passes its CRC, the end frame included; no frame is missing
        BadCrc,       // a frame fails its CRC: damaged on the way
        MissingFrame, // the frames' addresses show a frame that never came
        Cut,          // no complete end frame, or a frame that runs past the received bytes
    };

    struct Statistics {
        int count = 0; // samples; the duration counts every one
        // Samples that are numbers: the values below are theirs, and mean nothing when 0. A
        // sample that is not a number would make every comparison false and the average NaN.
        int finiteCount = 0;
        float rec = 0;
        float max = 0;
        float min = 0;
        float avg = 0;
    };

    static quint32 groupAddress(int group);

    // Walks the frames of `raw` from `offset` and tells whether the end frame (data length 0)
    // has fully arrived. `offset` is left where the walk has to go on once more bytes are
    // appended, so feeding the walk piece by piece finds what one walk over the whole would.
    // Start with 0.
    static bool findEndFrame(const QByteArray &raw, qsizetype &offset);

    // The data bytes of every complete frame before the end frame, in order. A frame whose
    // end is not strictly before the end of `raw` is left out; its length goes to `skipped`.
    static QByteArray assembleGroup(const QByteArray &raw, QList<int> *skipped = nullptr);

    // Checks the frames assembleGroup() would take, and the end frame, in the same walk.
    // Each frame ends in CRC-16/MODBUS over the rest of it, low byte first. Addresses are
    // held against the data only when the reply shows that it numbers its frames by the data
    // (one frame's address is the one before it plus that frame's length): then the first
    // frame must carry `requested` (or 0, counting from the group's start) and every frame
    // the address after the frame before it. Replies numbered otherwise are not judged by it.
    static GroupCheck checkGroup(const QByteArray &raw, quint32 requested);

    // (size - 6) / 4, and 0 for anything shorter than a start time.
    static int sampleCount(const QByteArray &group);
    // Sample `index`; 0 when it is not there.
    static float sample(const QByteArray &group, int index);
    // "yyyy-MM-dd hh:mm:ss", or empty without 6 bytes or for an impossible date or time.
    static QString startTimeText(const QByteArray &group);
    // "yyyyMMddhhmmss" of a "yyyy-MM-dd hh:mm:ss" text; empty when it is not one.
    static QString compactTime(const QString &dashed);
    // Sum in single precision, as the instrument's own software adds them.
    static Statistics statistics(const QByteArray &group);
};
