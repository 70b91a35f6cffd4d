#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class QIODevice;

// A zip archive written front to back: each entry is deflated as its data comes and ends
// with a data descriptor, so nothing but the current entry's compressor is held in memory.
// Entries and the archive stay below 4 GiB (no zip64); larger ones fail.
class ZipStream
{
public:
    explicit ZipStream(QIODevice *device);
    ~ZipStream();
    ZipStream(const ZipStream &) = delete;
    ZipStream &operator=(const ZipStream &) = delete;

    // Ends any open entry and starts a new one of that name.
    bool begin(const QString &name);
    bool write(const QByteArray &data);
    bool end();
    // Ends the open entry and writes the central directory; false if anything failed.
    bool finish();
    bool failed() const { return m_failed; }

private:
    struct Entry {
        QByteArray name;
        quint32 crc = 0;
        quint64 compressed = 0;
        quint64 size = 0;
        quint64 offset = 0;
    };
    bool deflateChunk(const char *data, qsizetype size, bool last);
    bool put(const QByteArray &bytes);

    QIODevice *m_device;
    QList<Entry> m_entries;
    bool m_open = false;
    bool m_failed = false;
    quint64 m_offset = 0;
    struct State;
    std::unique_ptr<State> m_state; // the open entry's compressor
};
