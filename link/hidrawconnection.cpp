#include "hidrawconnection.h"

#include <QDebug>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

// Shared by the connection and a write still in the kernel: the node closes (and its lock
// goes) when both are done with it.
struct HidrawConnection::Handle {
    PosixIo io;
    int fd = -1;
    QByteArray path;
    bool haveRdev = false;
    dev_t rdev = 0;
    std::atomic<bool> gone{false};

    ~Handle() { io.close(fd); } // never retried: on Linux the descriptor is gone even after EINTR
};

namespace {

constexpr short HangUp = POLLERR | POLLHUP | POLLNVAL;

// errno values after which the node is of no more use: the device has gone.
bool isFatal(int error)
{
    return error == ENODEV || error == EIO || error == ESHUTDOWN;
}

HidBackend::OpenError openErrorFor(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return HidBackend::OpenError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return HidBackend::OpenError::PermissionDenied;
    case EBUSY:
        return HidBackend::OpenError::Busy;
    default:
        return HidBackend::OpenError::Failed;
    }
}

// One output report, whole, by the deadline.
int writeNow(HidrawConnection::Handle &handle, const QByteArray &report,
             HidHandleLock::Clock::time_point deadline)
{
    for (;;) {
        if (handle.gone)
            return -1;
        pollfd p{handle.fd, POLLOUT, 0};
        const int ready = handle.io.poll(&p, 1, HidDeadline::remainingMs(deadline));
        if (ready < 0) {
            if (errno != EINTR || HidDeadline::remainingMs(deadline) == 0)
                return -1;
            continue;
        }
        if (ready == 0)
            return -1; // not writable in time
        if (p.revents & HangUp) {
            handle.gone = true;
            return -1;
        }
        if (!(p.revents & POLLOUT)) {
            if (HidDeadline::remainingMs(deadline) == 0)
                return -1;
            continue;
        }
        const ssize_t written =
            handle.io.write(handle.fd, report.constData(), static_cast<size_t>(report.size()));
        if (written == report.size())
            return static_cast<int>(written);
        if (written >= 0)
            return -1; // a report goes out whole or not at all
        const int error = errno;
        if ((error == EINTR || error == EAGAIN) && HidDeadline::remainingMs(deadline) > 0) {
            if (error == EAGAIN)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (isFatal(error))
            handle.gone = true;
        return -1;
    }
}

} // namespace

std::unique_ptr<HidrawConnection> HidrawConnection::open(const QString &path, const QString &serial,
                                                         HidBackend::OpenError *error,
                                                         const PosixIo &io)
{
    auto fail = [error](HidBackend::OpenError why) {
        if (error)
            *error = why;
        return std::unique_ptr<HidrawConnection>();
    };
    const QByteArray nativePath = path.toLocal8Bit();
    int fd = -1;
    do {
        fd = io.open(nativePath.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail(openErrorFor(errno));

    auto handle = std::make_shared<Handle>();
    handle->io = io;
    handle->fd = fd;
    handle->path = nativePath;

    int locked = -1;
    do {
        locked = io.flock(fd, LOCK_EX | LOCK_NB);
    } while (locked < 0 && errno == EINTR);
    if (locked < 0) {
        if (errno == EWOULDBLOCK)
            return fail(HidBackend::OpenError::Busy); // another program holds it
        // The lock is advisory: the instrument stays usable without it.
        qWarning("hidraw: no exclusive lock on %s: %s", nativePath.constData(),
                 std::strerror(errno));
    }

    // The node's device number, to tell a later node under the same name from ours.
    struct stat st {
    };
    if (io.fstat(fd, &st) == 0) {
        if (!S_ISCHR(st.st_mode))
            return fail(HidBackend::OpenError::Failed); // not a device node
        handle->haveRdev = true;
        handle->rdev = st.st_rdev;
    }
    if (error)
        *error = HidBackend::OpenError::None;
    return std::unique_ptr<HidrawConnection>(new HidrawConnection(std::move(handle), serial));
}

HidrawConnection::HidrawConnection(std::shared_ptr<Handle> handle, const QString &serial)
    : HidSlicedConnection(serial), m_handle(std::move(handle))
{
}

bool HidrawConnection::broken() const
{
    return m_handle->gone;
}

HidDeadlineWriter::Job HidrawConnection::writeJob(const QByteArray &report) const
{
    std::shared_ptr<Handle> handle = m_handle;
    return [handle, report](HidHandleLock::Clock::time_point deadline) {
        return writeNow(*handle, report, deadline);
    };
}

// One poll of at most `sliceMs`: the report's length, 0 for nothing (yet), -1 on failure.
int HidrawConnection::readSlice(QByteArray &report, int sliceMs)
{
    Handle &h = *m_handle;
    pollfd p{h.fd, POLLIN, 0};
    const int ready = h.io.poll(&p, 1, sliceMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    if (p.revents & HangUp) {
        h.gone = true;
        return -1;
    }
    if (!(p.revents & POLLIN))
        return 0;
    char buffer[ReadBufferSize];
    const ssize_t got = h.io.read(h.fd, buffer, sizeof buffer);
    if (got > 0) {
        report = QByteArray(buffer, static_cast<int>(got));
        return static_cast<int>(got);
    }
    if (got == 0)
        return 0; // an empty report carries nothing
    const int error = errno;
    if (error == EINTR || error == EAGAIN)
        return 0; // interrupted, or another reader was first
    if (isFatal(error))
        h.gone = true;
    return -1;
}

bool HidrawConnection::isRemoved() const
{
    Handle &h = *m_handle;
    if (h.gone)
        return true;
    // Asks for no event: hidraw still reports a device that has gone (POLLERR | POLLHUP),
    // whatever file system the node is on, and nothing is read.
    pollfd p{h.fd, 0, 0};
    int ready = -1;
    do {
        ready = h.io.poll(&p, 1, 0);
    } while (ready < 0 && errno == EINTR);
    bool gone = ready > 0 && (p.revents & HangUp);
    if (!gone) {
        // The node: gone, or another device's under our name.
        struct stat st {
        };
        if (h.io.stat(h.path.constData(), &st) != 0)
            gone = errno == ENOENT || errno == ENOTDIR || errno == ENODEV;
        else
            gone = h.haveRdev && (!S_ISCHR(st.st_mode) || st.st_rdev != h.rdev);
    }
    if (gone)
        h.gone = true; // for good: a node of the same name later is another device
    return gone;
}
