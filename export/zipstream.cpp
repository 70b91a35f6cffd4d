#include "zipstream.h"

#include <QDateTime>
#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <limits>

namespace {

constexpr quint32 kLocalHeader = 0x04034b50;
constexpr quint32 kDescriptor = 0x08074b50;
constexpr quint32 kCentralHeader = 0x02014b50;
constexpr quint32 kEndOfDirectory = 0x06054b50;
constexpr quint16 kVersion = 20;   // 2.0: deflate
constexpr quint16 kFlags = 0x0808; // sizes in a data descriptor; names in UTF-8
constexpr quint16 kDeflated = 8;
constexpr quint64 kLimit = 0xffffffffull; // no zip64
constexpr int kChunk = 1 << 16;

template <typename T> void append(QByteArray &bytes, T value)
{
    char le[sizeof(T)];
    qToLittleEndian(value, le);
    bytes.append(le, sizeof le);
}

// The DOS time and date of now, which every entry carries.
quint32 dosNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    const quint32 date = quint32(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    return (date << 16) | time;
}

} // namespace

struct ZipStream::State {
    z_stream z{};
    bool ready = false;
    QByteArray out = QByteArray(kChunk, Qt::Uninitialized);
    ~State()
    {
        if (ready)
            deflateEnd(&z);
    }
};

ZipStream::ZipStream(QIODevice *device) : m_device(device) {}

ZipStream::~ZipStream() = default;

bool ZipStream::put(const QByteArray &bytes)
{
    if (m_failed)
        return false;
    if (m_device->write(bytes) != bytes.size()) {
        m_failed = true;
        return false;
    }
    m_offset += quint64(bytes.size());
    return true;
}

bool ZipStream::begin(const QString &name)
{
    if (m_open && !end())
        return false;
    if (m_failed)
        return false;
    Entry entry;
    entry.name = name.toUtf8();
    entry.offset = m_offset;
    QByteArray header;
    append<quint32>(header, kLocalHeader);
    append<quint16>(header, kVersion);
    append<quint16>(header, kFlags);
    append<quint16>(header, kDeflated);
    append<quint32>(header, dosNow());
    append<quint32>(header, 0); // crc and sizes follow the data
    append<quint32>(header, 0);
    append<quint32>(header, 0);
    append<quint16>(header, quint16(entry.name.size()));
    append<quint16>(header, 0);
    header += entry.name;
    if (!put(header))
        return false;
    m_state = std::make_unique<State>();
    // Raw deflate at the fastest level: sheet XML is repetitive enough that more effort
    // buys little, and the export's time is mostly this.
    if (deflateInit2(&m_state->z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        m_failed = true;
        return false;
    }
    m_state->ready = true;
    m_entries.append(entry);
    m_open = true;
    return true;
}

bool ZipStream::deflateChunk(const char *data, qsizetype size, bool last)
{
    z_stream &z = m_state->z;
    Entry &entry = m_entries.last();
    qsizetype left = size;
    const char *next = data;
    int result = Z_OK;
    do {
        // zlib takes at most an unsigned int at a time.
        const uInt step = uInt(std::min<qsizetype>(left, std::numeric_limits<int>::max()));
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(next));
        z.avail_in = step;
        next += step;
        left -= step;
        const int flush = last && left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef *>(m_state->out.data());
            z.avail_out = uInt(m_state->out.size());
            result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR) {
                m_failed = true;
                return false;
            }
            const qsizetype produced = m_state->out.size() - qsizetype(z.avail_out);
            if (produced > 0) {
                entry.compressed += quint64(produced);
                if (!put(m_state->out.left(produced)))
                    return false;
            }
        } while (z.avail_out == 0);
    } while (left > 0);
    if (last && result != Z_STREAM_END) {
        m_failed = true;
        return false;
    }
    return true;
}

bool ZipStream::write(const QByteArray &data)
{
    if (!m_open || m_failed)
        return false;
    if (data.isEmpty())
        return true;
    Entry &entry = m_entries.last();
    entry.crc = quint32(crc32_z(entry.crc, reinterpret_cast<const Bytef *>(data.constData()),
                                z_size_t(data.size())));
    entry.size += quint64(data.size());
    if (entry.size > kLimit) {
        m_failed = true;
        return false;
    }
    return deflateChunk(data.constData(), data.size(), false);
}

bool ZipStream::end()
{
    if (!m_open)
        return !m_failed;
    m_open = false;
    const bool flushed = deflateChunk(nullptr, 0, true);
    m_state.reset();
    if (!flushed)
        return false;
    const Entry &entry = m_entries.last();
    if (entry.compressed > kLimit) {
        m_failed = true;
        return false;
    }
    QByteArray descriptor;
    append<quint32>(descriptor, kDescriptor);
    append<quint32>(descriptor, entry.crc);
    append<quint32>(descriptor, quint32(entry.compressed));
    append<quint32>(descriptor, quint32(entry.size));
    return put(descriptor);
}

bool ZipStream::finish()
{
    if (!end())
        return false;
    const quint64 directoryStart = m_offset;
    const quint32 stamp = dosNow();
    QByteArray directory;
    for (const Entry &entry : std::as_const(m_entries)) {
        append<quint32>(directory, kCentralHeader);
        append<quint16>(directory, kVersion);
        append<quint16>(directory, kVersion);
        append<quint16>(directory, kFlags);
        append<quint16>(directory, kDeflated);
        append<quint32>(directory, stamp);
        append<quint32>(directory, entry.crc);
        append<quint32>(directory, quint32(entry.compressed));
        append<quint32>(directory, quint32(entry.size));
        append<quint16>(directory, quint16(entry.name.size()));
        append<quint16>(directory, 0); // extra
        append<quint16>(directory, 0); // comment
        append<quint16>(directory, 0); // disk
        append<quint16>(directory, 0); // internal attributes
        append<quint32>(directory, 0); // external attributes
        append<quint32>(directory, quint32(entry.offset));
        directory += entry.name;
    }
    if (directoryStart > kLimit || m_entries.size() > 0xffff) {
        m_failed = true;
        return false;
    }
    QByteArray tail;
    append<quint32>(tail, kEndOfDirectory);
    append<quint16>(tail, 0);
    append<quint16>(tail, 0);
    append<quint16>(tail, quint16(m_entries.size()));
    append<quint16>(tail, quint16(m_entries.size()));
    append<quint32>(tail, quint32(directory.size()));
    append<quint32>(tail, quint32(directoryStart));
    append<quint16>(tail, 0);
    return put(directory) && put(tail);
}
