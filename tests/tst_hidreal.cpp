// The real-device code (hidraw connection, hidapi connection and backend, udev monitor)
// against scripted stand-ins of the C APIs: no device exists here. The stand-ins block
// the way the kernel does (poll waits, a write stays in the kernel, unplug wakes them).
#include "hidapibackend.h"
#include "hidapicalls.h"
#include "hidapiconnection.h"
#include "hidrawconnection.h"
#include "posixio.h"
#include "udevdevicemonitor.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <hidapi.h>
#include <mutex>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using OpenError = HidBackend::OpenError;
Q_DECLARE_METATYPE(OpenError)
Q_DECLARE_METATYPE(HidApiBackend::Io)

namespace
{

// Time a blocked call may take beyond its deadline (sanitizer builds are slow).
constexpr int Slack = 300;
constexpr int FakeFd = 42;
const dev_t NodeRdev = makedev(241, 3);

QByteArray report(char id, const QByteArray &payload, int length = 64)
{
    QByteArray r(length, '\0');
    r[0] = id;
    r[1] = static_cast<char>(payload.size());
    std::memcpy(r.data() + 2, payload.constData(), static_cast<size_t>(payload.size()));
    return r;
}

// The node, the device behind it and the calls made; one at a time (tests run in order).
struct Fake {
    std::mutex m;
    std::condition_variable changed;

    // open / flock / fstat / stat / access: errno per attempt, 0 for success
    std::deque<int> openErrors;
    std::deque<int> flockErrors;
    int fstatError = 0;
    mode_t fstatMode = S_IFCHR | 0660;
    int statError = 0;
    mode_t statMode = S_IFCHR | 0660;
    dev_t statRdev = NodeRdev;
    std::deque<int> accessErrors; // F_OK first, then R_OK | W_OK
    QByteArray openedPath;
    int openFlags = 0;
    int flockOperation = 0;
    int opens = 0;
    int closes = 0;

    // the device
    std::deque<QByteArray> input;
    std::deque<int> readErrors;      // before the input: errno, or 0 for an empty read
    std::deque<int> pollErrors;      // next polls asking for events fail with this errno
    std::deque<int> pollRevents;     // next polls asking for events return 1 with these revents
    std::deque<int> checkPollErrors; // polls asking for nothing (the presence check)
    int stickyPollError = 0;         // every poll asking for events fails so
    int stickyWriteError = 0;
    int stickyRevents =
        -1; // every poll asking for events returns 1 with these        // every write fails so
    std::deque<long> writeResults; // next writes: a count, or -errno
    bool unplugged = false;
    bool writable = true;
    int writeBlockMs = 0; // a write stays in the kernel this long (unplug ends it: ENODEV)
    QList<QByteArray> written;
    QList<int> pollTimeouts;
    int reads = 0;
    int writes = 0;
    int checks = 0;
    int inside = 0;
    int maxInside = 0;

    // hidapi
    int initResult = 0;
    int exits = 0;
    struct Info {
        QByteArray path;
        QString serial;
        bool nullPath = false;
        bool nullSerial = false;
        int interfaceNumber = 0;
        unsigned short vendor = 0x2047;
        unsigned short product = 0x0301;
    };
    QList<Info> hidDevices;
    QList<QPair<unsigned short, unsigned short>> enumerations;
    int frees = 0;
    int openPathErrno = 0; // non-zero: hid_open_path fails with it
    int hidCloses = 0;
    int serialResult = 0;
    QString serial = QStringLiteral("SN-415-7");
    std::deque<int> hidReadResults; // before the input: a result of hid_read_timeout

    // libudev
    bool udevNewFails = false;
    bool monitorFails = false;
    int enableResult = 0;
    bool badFd = false;
    bool controlExists = true;
    QByteArray source;
    QByteArray matched;
    QByteArray askedPath;
    int pipe[2] = {-1, -1};
    struct Event {
        QByteArray subsystem;
        QByteArray action;
        bool nullSubsystem = false;
        bool nullAction = false;
    };
    std::deque<Event> events;
    int devicesUnrefd = 0;
    int monitorsUnrefd = 0;
    int contextsUnrefd = 0;

    void enter()
    {
        ++inside;
        maxInside = std::max(maxInside, inside);
    }
    void leave() { --inside; }
    void unplug()
    {
        {
            std::lock_guard<std::mutex> lock(m);
            unplugged = true;
        }
        changed.notify_all();
    }
    void push(const QByteArray &r)
    {
        {
            std::lock_guard<std::mutex> lock(m);
            input.push_back(r);
        }
        changed.notify_all();
    }
};

Fake *g = nullptr;

int pop(std::deque<int> &q)
{
    if (q.empty())
        return 0;
    const int v = q.front();
    q.pop_front();
    return v;
}

// --- POSIX stand-ins ---

int fakeOpen(const char *path, int flags)
{
    std::lock_guard<std::mutex> lock(g->m);
    g->openedPath = path;
    g->openFlags = flags;
    if (const int e = pop(g->openErrors)) {
        errno = e;
        return -1;
    }
    ++g->opens;
    return FakeFd;
}

int fakeClose(int fd)
{
    // Notified under the lock: a test that waits for the close may delete the fake next.
    std::lock_guard<std::mutex> lock(g->m);
    if (fd == FakeFd)
        ++g->closes;
    g->changed.notify_all();
    return 0;
}

int fakeFlock(int, int operation)
{
    std::lock_guard<std::mutex> lock(g->m);
    g->flockOperation = operation;
    if (const int e = pop(g->flockErrors)) {
        errno = e;
        return -1;
    }
    return 0;
}

int fakePoll(pollfd *fds, nfds_t, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(g->m);
    fds->revents = 0;
    if (fds->events == 0) {
        ++g->checks;
        if (const int e = pop(g->checkPollErrors)) {
            errno = e;
            return -1;
        }
        fds->revents = g->unplugged ? (POLLERR | POLLHUP) : 0;
        return fds->revents ? 1 : 0;
    }
    g->enter();
    g->pollTimeouts.append(timeoutMs);
    int error = pop(g->pollErrors);
    if (!error)
        error = g->stickyPollError;
    if (error) {
        g->leave();
        errno = error;
        return -1;
    }
    if (g->stickyRevents >= 0)
        g->pollRevents.push_back(g->stickyRevents);
    if (!g->pollRevents.empty()) {
        fds->revents = static_cast<short>(pop(g->pollRevents));
        g->leave();
        return 1;
    }
    const auto ready = [fds] {
        short r = 0;
        if (g->unplugged)
            r |= POLLERR | POLLHUP;
        if ((fds->events & POLLIN) && (!g->input.empty() || !g->readErrors.empty()))
            r |= POLLIN;
        if ((fds->events & POLLOUT) && g->writable)
            r |= POLLOUT;
        return r;
    };
    g->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return ready() != 0; });
    fds->revents = ready();
    g->leave();
    return fds->revents ? 1 : 0;
}

ssize_t fakeRead(int, void *buffer, size_t size)
{
    std::lock_guard<std::mutex> lock(g->m);
    g->enter();
    ++g->reads;
    if (!g->readErrors.empty()) {
        const int e = pop(g->readErrors);
        g->leave();
        if (e == 0)
            return 0;
        errno = e;
        return -1;
    }
    if (g->input.empty()) {
        g->leave();
        errno = EAGAIN;
        return -1;
    }
    const QByteArray r = g->input.front();
    g->input.pop_front();
    const size_t n = std::min(size, static_cast<size_t>(r.size()));
    std::memcpy(buffer, r.constData(), n);
    g->leave();
    return static_cast<ssize_t>(n);
}

// The kernel side of an output report, shared by write() and hid_write().
long fakeWriteReport(const void *buffer, size_t size)
{
    std::unique_lock<std::mutex> lock(g->m);
    g->enter();
    ++g->writes;
    if (g->writeBlockMs > 0) {
        g->changed.wait_for(lock, std::chrono::milliseconds(g->writeBlockMs),
                            [] { return g->unplugged; });
        if (g->unplugged) {
            g->leave();
            return -ENODEV;
        }
    }
    long result = static_cast<long>(size);
    if (!g->writeResults.empty()) {
        result = g->writeResults.front();
        g->writeResults.pop_front();
    } else if (g->stickyWriteError) {
        result = -g->stickyWriteError;
    }
    if (result >= 0)
        g->written.append(QByteArray(static_cast<const char *>(buffer), static_cast<int>(size)));
    g->leave();
    return result;
}

ssize_t fakeWrite(int, const void *buffer, size_t size)
{
    const long result = fakeWriteReport(buffer, size);
    if (result < 0) {
        errno = static_cast<int>(-result);
        return -1;
    }
    return result;
}

int fakeFstat(int, struct stat *st)
{
    std::lock_guard<std::mutex> lock(g->m);
    if (g->fstatError) {
        errno = g->fstatError;
        return -1;
    }
    *st = {};
    st->st_mode = g->fstatMode;
    st->st_rdev = NodeRdev;
    return 0;
}

int fakeStat(const char *, struct stat *st)
{
    std::lock_guard<std::mutex> lock(g->m);
    if (g->statError) {
        errno = g->statError;
        return -1;
    }
    *st = {};
    st->st_mode = g->statMode;
    st->st_rdev = g->statRdev;
    return 0;
}

int fakeAccess(const char *, int)
{
    std::lock_guard<std::mutex> lock(g->m);
    if (const int e = pop(g->accessErrors)) {
        errno = e;
        return -1;
    }
    return 0;
}

const PosixIo FakeIo{fakeOpen,  fakeClose, fakeFlock, fakePoll,  fakeRead,
                     fakeWrite, fakeFstat, fakeStat,  fakeAccess};

// --- hidapi stand-ins ---

char g_deviceToken;
hid_device *fakeDevice()
{
    return reinterpret_cast<hid_device *>(&g_deviceToken);
}

int fakeHidInit()
{
    return g->initResult;
}

int fakeHidExit()
{
    ++g->exits;
    return 0;
}

hid_device_info *fakeHidEnumerate(unsigned short vendor, unsigned short product)
{
    g->enumerations.append({vendor, product});
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const Fake::Info &d : g->hidDevices) {
        auto *info = new hid_device_info{};
        info->path = d.nullPath ? nullptr : strdup(d.path.constData());
        if (!d.nullSerial) {
            info->serial_number = new wchar_t[64]{};
            d.serial.toWCharArray(info->serial_number);
        }
        info->interface_number = d.interfaceNumber;
        info->vendor_id = d.vendor;
        info->product_id = d.product;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void fakeHidFree(hid_device_info *list)
{
    ++g->frees;
    while (list) {
        hid_device_info *next = list->next;
        free(list->path);
        delete[] list->serial_number;
        delete list;
        list = next;
    }
}

hid_device *fakeHidOpenPath(const char *path)
{
    g->openedPath = path;
    if (g->openPathErrno) {
        errno = g->openPathErrno;
        return nullptr;
    }
    return fakeDevice();
}

void fakeHidClose(hid_device *device)
{
    if (device == fakeDevice())
        ++g->hidCloses;
}

int fakeHidWrite(hid_device *, const unsigned char *data, size_t length)
{
    const long result = fakeWriteReport(data, length);
    return result < 0 ? -1 : static_cast<int>(result);
}

int fakeHidRead(hid_device *, unsigned char *data, size_t length, int milliseconds)
{
    std::unique_lock<std::mutex> lock(g->m);
    g->enter();
    g->pollTimeouts.append(milliseconds);
    if (!g->hidReadResults.empty()) {
        const int r = pop(g->hidReadResults);
        g->leave();
        return r;
    }
    g->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                        [] { return g->unplugged || !g->input.empty(); });
    int result = 0;
    if (g->unplugged) {
        result = -1;
    } else if (!g->input.empty()) {
        const QByteArray r = g->input.front();
        g->input.pop_front();
        result = static_cast<int>(std::min(length, static_cast<size_t>(r.size())));
        std::memcpy(data, r.constData(), static_cast<size_t>(result));
    }
    g->leave();
    return result;
}

int fakeHidSerial(hid_device *, wchar_t *string, size_t maxLength)
{
    if (g->serialResult != 0)
        return g->serialResult;
    const int n = g->serial.left(static_cast<int>(maxLength)).toWCharArray(string);
    string[n] = 0;
    return 0;
}

const HidApiCalls FakeHid{fakeHidInit,  fakeHidExit,     fakeHidEnumerate,
                          fakeHidFree,  fakeHidOpenPath, fakeHidClose,
                          fakeHidWrite, fakeHidRead,     fakeHidSerial};

// --- libudev stand-ins ---

char g_udevToken;
char g_monitorToken;
udev *fakeUdevNew()
{
    return g->udevNewFails ? nullptr : reinterpret_cast<udev *>(&g_udevToken);
}

udev *fakeUdevUnref(udev *)
{
    ++g->contextsUnrefd;
    return nullptr;
}

udev_monitor *fakeMonitorNew(udev *, const char *source)
{
    g->source = source;
    return g->monitorFails ? nullptr : reinterpret_cast<udev_monitor *>(&g_monitorToken);
}

udev_monitor *fakeMonitorUnref(udev_monitor *)
{
    ++g->monitorsUnrefd;
    return nullptr;
}

int fakeAddMatch(udev_monitor *, const char *subsystem, const char *devtype)
{
    g->matched = subsystem;
    if (devtype)
        g->matched += QByteArray("/") + devtype;
    return 0;
}

int fakeEnable(udev_monitor *)
{
    return g->enableResult;
}

int fakeGetFd(udev_monitor *)
{
    return g->badFd ? -1 : g->pipe[0];
}

udev_device *fakeReceive(udev_monitor *)
{
    char byte = 0;
    if (::read(g->pipe[0], &byte, 1) != 1 || g->events.empty())
        return nullptr;
    auto *event = new Fake::Event(g->events.front());
    g->events.pop_front();
    return reinterpret_cast<udev_device *>(event);
}

const char *fakeSubsystem(udev_device *device)
{
    auto *event = reinterpret_cast<Fake::Event *>(device);
    return event->nullSubsystem ? nullptr : event->subsystem.constData();
}

const char *fakeAction(udev_device *device)
{
    auto *event = reinterpret_cast<Fake::Event *>(device);
    return event->nullAction ? nullptr : event->action.constData();
}

udev_device *fakeDeviceUnref(udev_device *device)
{
    delete reinterpret_cast<Fake::Event *>(device);
    ++g->devicesUnrefd;
    return nullptr;
}

bool fakeExists(const char *path)
{
    g->askedPath = path;
    return g->controlExists;
}

const UdevCalls FakeUdev{fakeUdevNew,   fakeUdevUnref, fakeMonitorNew,  fakeMonitorUnref,
                         fakeAddMatch,  fakeEnable,    fakeGetFd,       fakeReceive,
                         fakeSubsystem, fakeAction,    fakeDeviceUnref, fakeExists};

std::unique_ptr<HidrawConnection> openNode(OpenError *error = nullptr)
{
    return HidrawConnection::open(QStringLiteral("/dev/hidraw3"), QStringLiteral("SN-1"), error,
                                  FakeIo);
}

} // namespace

class tst_HidReal : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        delete g;
        g = new Fake;
    }
    void cleanup()
    {
        // A write that outlived its deadline may still be running on its writer thread:
        // the fake stays until every node it opened is closed.
        {
            std::unique_lock<std::mutex> lock(g->m);
            QVERIFY(g->changed.wait_for(lock, std::chrono::seconds(10),
                                        [] { return g->closes == g->opens; }));
        }
        if (g->pipe[0] >= 0) {
            ::close(g->pipe[0]);
            ::close(g->pipe[1]);
        }
    }
    void cleanupTestCase()
    {
        delete g;
        g = nullptr;
    }

    // --- HidrawConnection: open ---

    void open_data()
    {
        QTest::addColumn<QList<int>>("openErrors");
        QTest::addColumn<QList<int>>("flockErrors");
        QTest::addColumn<int>("fstatError");
        QTest::addColumn<int>("fstatMode");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<OpenError>("error");
        const int chr = S_IFCHR | 0660;
        QTest::newRow("opens") << QList<int>{} << QList<int>{} << 0 << chr << true
                               << OpenError::None;
        QTest::newRow("open EINTR, again")
            << QList<int>{EINTR, EINTR} << QList<int>{} << 0 << chr << true << OpenError::None;
        QTest::newRow("no node") << QList<int>{ENOENT} << QList<int>{} << 0 << chr << false
                                 << OpenError::NotFound;
        QTest::newRow("no device")
            << QList<int>{ENODEV} << QList<int>{} << 0 << chr << false << OpenError::NotFound;
        QTest::newRow("ENXIO") << QList<int>{ENXIO} << QList<int>{} << 0 << chr << false
                               << OpenError::NotFound;
        QTest::newRow("EACCES") << QList<int>{EACCES} << QList<int>{} << 0 << chr << false
                                << OpenError::PermissionDenied;
        QTest::newRow("EPERM") << QList<int>{EPERM} << QList<int>{} << 0 << chr << false
                               << OpenError::PermissionDenied;
        QTest::newRow("EBUSY") << QList<int>{EBUSY} << QList<int>{} << 0 << chr << false
                               << OpenError::Busy;
        QTest::newRow("EIO") << QList<int>{EIO} << QList<int>{} << 0 << chr << false
                             << OpenError::Failed;
        QTest::newRow("lock held by another program")
            << QList<int>{} << QList<int>{EWOULDBLOCK} << 0 << chr << false << OpenError::Busy;
        QTest::newRow("flock EINTR, again")
            << QList<int>{} << QList<int>{EINTR} << 0 << chr << true << OpenError::None;
        QTest::newRow("flock impossible: opens unlocked")
            << QList<int>{} << QList<int>{ENOLCK} << 0 << chr << true << OpenError::None;
        QTest::newRow("not a device node") << QList<int>{} << QList<int>{} << 0
                                           << int(S_IFREG | 0600) << false << OpenError::Failed;
        QTest::newRow("fstat fails: opens")
            << QList<int>{} << QList<int>{} << EIO << chr << true << OpenError::None;
    }
    void open()
    {
        QFETCH(QList<int>, openErrors);
        QFETCH(QList<int>, flockErrors);
        QFETCH(int, fstatError);
        QFETCH(int, fstatMode);
        QFETCH(bool, opened);
        QFETCH(OpenError, error);
        g->openErrors.assign(openErrors.begin(), openErrors.end());
        g->flockErrors.assign(flockErrors.begin(), flockErrors.end());
        g->fstatError = fstatError;
        g->fstatMode = static_cast<mode_t>(fstatMode);
        if (flockErrors.contains(ENOLCK))
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("no exclusive lock on /dev/hidraw3"));

        OpenError why = OpenError::NotFound;
        std::unique_ptr<HidrawConnection> c = openNode(&why);
        QCOMPARE(bool(c), opened);
        QCOMPARE(why, error);
        QCOMPARE(g->openedPath, QByteArray("/dev/hidraw3"));
        QCOMPARE(g->openFlags, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (g->opens)
            QCOMPARE(g->flockOperation, LOCK_EX | LOCK_NB);
        // A node opened and then refused is closed at once.
        QCOMPARE(g->closes, opened ? 0 : g->opens);
        if (c) {
            QCOMPARE(c->serialNumber(), QStringLiteral("SN-1"));
            QCOMPARE(c->inputReportLength(), 64);
            QVERIFY(!c->isRemoved());
        }
        c.reset();
        QCOMPARE(g->closes, g->opens);

        // Without a place for the reason.
        g->openErrors.assign(openErrors.begin(), openErrors.end());
        g->flockErrors.assign(flockErrors.begin(), flockErrors.end());
        if (flockErrors.contains(ENOLCK))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no exclusive lock"));
        QCOMPARE(bool(HidrawConnection::open(QStringLiteral("/dev/hidraw3"), QString(), nullptr,
                                             FakeIo)),
                 opened);
    }

    // --- HidrawConnection: reads ---

    void read_data()
    {
        QTest::addColumn<QList<QByteArray>>("input");
        QTest::addColumn<QList<int>>("pollErrors");
        QTest::addColumn<QList<int>>("pollRevents");
        QTest::addColumn<QList<int>>("readErrors");
        QTest::addColumn<bool>("unplugged");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("removed");
        const QByteArray r = report(0x3F, "\x01\x02\x03");
        const QList<QByteArray> one{r};
        const QList<int> none;
        QTest::newRow("report as the kernel gives it")
            << one << none << none << none << false << 64 << r << false;
        QTest::newRow("short read") << QList<QByteArray>{QByteArray("\x3F\x01", 2)} << none << none
                                    << none << false << 2 << QByteArray("\x3F\x01", 2) << false;
        QTest::newRow("other report id, as-is")
            << QList<QByteArray>{report(0x01, "x")} << none << none << none << false << 64
            << report(0x01, "x") << false;
        QTest::newRow("poll EINTR, again")
            << one << QList<int>{EINTR} << none << none << false << 64 << r << false;
        QTest::newRow("read EINTR, again")
            << one << none << none << QList<int>{EINTR} << false << 64 << r << false;
        QTest::newRow("read EAGAIN (taken), again")
            << one << none << none << QList<int>{EAGAIN} << false << 64 << r << false;
        QTest::newRow("empty read, again")
            << one << none << none << QList<int>{0} << false << 64 << r << false;
        QTest::newRow("poll without POLLIN, again")
            << one << none << QList<int>{0} << none << false << 64 << r << false;
        QTest::newRow("read ENODEV")
            << one << none << none << QList<int>{ENODEV} << false << -1 << QByteArray() << true;
        QTest::newRow("read EIO") << one << none << none << QList<int>{EIO} << false << -1
                                  << QByteArray() << true;
        QTest::newRow("read ESHUTDOWN")
            << one << none << none << QList<int>{ESHUTDOWN} << false << -1 << QByteArray() << true;
        QTest::newRow("read EINVAL")
            << one << none << none << QList<int>{EINVAL} << false << -1 << QByteArray() << false;
        QTest::newRow("poll EINVAL")
            << one << QList<int>{EINVAL} << none << none << false << -1 << QByteArray() << false;
        QTest::newRow("poll POLLHUP")
            << one << none << none << none << true << -1 << QByteArray() << true;
        QTest::newRow("poll POLLNVAL")
            << one << none << QList<int>{POLLNVAL} << none << false << -1 << QByteArray() << true;
    }
    void read()
    {
        QFETCH(QList<QByteArray>, input);
        QFETCH(QList<int>, pollErrors);
        QFETCH(QList<int>, pollRevents);
        QFETCH(QList<int>, readErrors);
        QFETCH(bool, unplugged);
        QFETCH(int, result);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, removed);
        auto c = openNode();
        QVERIFY(c);
        g->input.assign(input.begin(), input.end());
        g->pollErrors.assign(pollErrors.begin(), pollErrors.end());
        g->pollRevents.assign(pollRevents.begin(), pollRevents.end());
        g->readErrors.assign(readErrors.begin(), readErrors.end());
        g->unplugged = unplugged;

        QByteArray got("stale");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->readReport(got, 1000), result);
        QVERIFY(timer.elapsed() < Slack);
        QCOMPARE(got, bytes);
        QCOMPARE(c->isRemoved(), removed);
        if (removed) {
            // For good: nothing more is asked of the node.
            const int polls = g->pollTimeouts.size();
            QCOMPARE(c->readReport(got, 1000), -1);
            QCOMPARE(c->writeReport(report(0x3F, "a"), 1000), -1);
            QCOMPARE(g->pollTimeouts.size(), polls);
            QCOMPARE(g->writes, 0);
        }
    }

    void readWaitsInSlices()
    {
        auto c = openNode();
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->readReport(got, 300), 0);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= 295 && elapsed < 300 + Slack, QByteArray::number(elapsed));
        QVERIFY(got.isEmpty());
        QVERIFY(g->pollTimeouts.size() >= 6);
        for (int t : g->pollTimeouts)
            QVERIFY(t >= 0 && t <= HidrawConnection::ReadSliceMs);

        // A report that arrives during the wait ends it.
        std::thread later([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            g->push(report(0x3F, "late"));
        });
        timer.restart();
        QCOMPARE(c->readReport(got, 2000), 64);
        later.join();
        QVERIFY(timer.elapsed() >= 100 && timer.elapsed() < 120 + Slack);
        QCOMPARE(got, report(0x3F, "late"));

        // No wait at all: one look.
        g->pollTimeouts.clear();
        QCOMPARE(c->readReport(got, 0), 0);
        QCOMPARE(g->pollTimeouts, QList<int>{0});
        g->push(report(0x3F, "now"));
        QCOMPARE(c->readReport(got, -5), 64);
    }

    void readEintrToTheEnd()
    {
        // Interrupted again and again: retried with what is left, then nothing arrived.
        auto c = openNode();
        g->stickyPollError = EINTR;
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->readReport(got, 60), 0);
        QVERIFY(timer.elapsed() >= 55 && timer.elapsed() < 60 + Slack);
        QVERIFY(!c->isRemoved());
    }

    // --- HidrawConnection: writes ---

    void write_data()
    {
        QTest::addColumn<QList<long>>("writeResults");
        QTest::addColumn<QList<int>>("pollErrors");
        QTest::addColumn<QList<int>>("pollRevents");
        QTest::addColumn<bool>("unplugged");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("writtenReports");
        QTest::addColumn<bool>("removed");
        const QList<long> none;
        const QList<int> noErrors;
        QTest::newRow("written as-is") << none << noErrors << noErrors << false << 64 << 1 << false;
        QTest::newRow("short write fails")
            << QList<long>{10} << noErrors << noErrors << false << -1 << 1 << false;
        QTest::newRow("write EINTR, again")
            << QList<long>{-EINTR} << noErrors << noErrors << false << 64 << 1 << false;
        QTest::newRow("write EAGAIN, again")
            << QList<long>{-EAGAIN, -EAGAIN} << noErrors << noErrors << false << 64 << 1 << false;
        QTest::newRow("poll EINTR, again")
            << none << QList<int>{EINTR} << noErrors << false << 64 << 1 << false;
        QTest::newRow("poll without POLLOUT, again")
            << none << noErrors << QList<int>{0} << false << 64 << 1 << false;
        QTest::newRow("poll EINVAL")
            << none << QList<int>{EINVAL} << noErrors << false << -1 << 0 << false;
        QTest::newRow("write ENODEV")
            << QList<long>{-ENODEV} << noErrors << noErrors << false << -1 << 0 << true;
        QTest::newRow("write EIO")
            << QList<long>{-EIO} << noErrors << noErrors << false << -1 << 0 << true;
        QTest::newRow("write EPIPE (stall)")
            << QList<long>{-EPIPE} << noErrors << noErrors << false << -1 << 0 << false;
        QTest::newRow("poll POLLERR") << none << noErrors << noErrors << true << -1 << 0 << true;
    }
    void write()
    {
        QFETCH(QList<long>, writeResults);
        QFETCH(QList<int>, pollErrors);
        QFETCH(QList<int>, pollRevents);
        QFETCH(bool, unplugged);
        QFETCH(int, result);
        QFETCH(int, writtenReports);
        QFETCH(bool, removed);
        auto c = openNode();
        g->writeResults.assign(writeResults.begin(), writeResults.end());
        g->pollErrors.assign(pollErrors.begin(), pollErrors.end());
        g->pollRevents.assign(pollRevents.begin(), pollRevents.end());
        g->unplugged = unplugged;
        const QByteArray r = report(0x3F, "\x01\x10");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->writeReport(r, 1000), result);
        QVERIFY(timer.elapsed() < Slack);
        QCOMPARE(g->written.size(), writtenReports);
        if (writtenReports)
            QCOMPARE(g->written.first(), r);
        QCOMPARE(c->isRemoved(), removed);
    }

    void writeEmptyReport()
    {
        auto c = openNode();
        QCOMPARE(c->writeReport(QByteArray(), 1000), -1);
        QCOMPARE(g->writes, 0);
    }

    void writeEndsByItsDeadline_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("never writable") << "unwritable";
        QTest::newRow("EAGAIN to the end") << "eagain";
        QTest::newRow("EINTR to the end") << "eintr";
        QTest::newRow("poll EINTR to the end") << "polleintr";
        QTest::newRow("poll without POLLOUT to the end") << "nopollout";
        QTest::newRow("stays in the kernel") << "kernel";
    }
    void writeEndsByItsDeadline()
    {
        QFETCH(QString, how);
        auto c = openNode();
        if (how == "unwritable")
            g->writable = false;
        else if (how == "eagain")
            g->stickyWriteError = EAGAIN;
        else if (how == "eintr")
            g->stickyWriteError = EINTR;
        else if (how == "polleintr")
            g->stickyPollError = EINTR;
        else if (how == "nopollout")
            g->stickyRevents = 0;
        else
            g->writeBlockMs = 1500;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->writeReport(report(0x3F, "a"), 200), -1);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= 190 && elapsed < 200 + Slack, QByteArray::number(elapsed));
        QVERIFY(!c->isRemoved());
        if (how != "kernel")
            return;
        // The write still in the kernel keeps the node: the next write and a read end by
        // their own deadlines, without touching it.
        timer.restart();
        QCOMPARE(c->writeReport(report(0x3F, "b"), 100), -1);
        QVERIFY(timer.elapsed() >= 95 && timer.elapsed() < 100 + Slack);
        QByteArray got;
        timer.restart();
        QCOMPARE(c->readReport(got, 100), 0);
        QVERIFY(timer.elapsed() >= 95 && timer.elapsed() < 100 + Slack);
        QCOMPARE(g->writes, 1);
        // Once the kernel lets go, writes work again.
        g->writeBlockMs = 0;
        QCOMPARE(c->writeReport(report(0x3F, "c"), 3000), 64);
        QCOMPARE(g->writes, 2);
        QCOMPARE(g->maxInside, 1);
    }

    void writeWithoutWait()
    {
        // A write with no time at all is past its deadline before it starts: not started,
        // and the lock is not left taken.
        auto c = openNode();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(c->writeReport(report(0x3F, "z"), 0), -1);
        QCOMPARE(c->writeReport(report(0x3F, "y"), 1000), 64);
        QCOMPARE(g->writes, 1);
        QCOMPARE(g->written.last(), report(0x3F, "y"));
    }

    void writeWaitsOneReportWaitForAReader()
    {
        // The worker waits for a reply that does not come; the GUI thread's write gets the
        // node within one poll slice, and the two never use it at once.
        auto c = openNode();
        std::atomic<int> readResult{-2};
        std::thread reader([&] {
            QByteArray got;
            readResult = c->readReport(got, 1500);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(c->writeReport(report(0x3F, QByteArray::number(i)), 1000), 64);
            QVERIFY2(timer.elapsed() < HidrawConnection::ReadSliceMs + Slack,
                     QByteArray::number(timer.elapsed()));
        }
        g->push(report(0x3F, "reply"));
        reader.join();
        QCOMPARE(readResult.load(), 64);
        QCOMPARE(g->written.size(), 5);
        QCOMPARE(g->maxInside, 1);
    }

    void unplugDuringRead()
    {
        auto c = openNode();
        std::thread unplugger([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            g->unplug();
        });
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->readReport(got, 3000), -1);
        unplugger.join();
        QVERIFY(timer.elapsed() < 100 + Slack);
        QVERIFY(c->isRemoved());
    }

    void unplugDuringWrite()
    {
        auto c = openNode();
        g->writeBlockMs = 5000; // until the unplug
        std::thread unplugger([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            g->unplug();
        });
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c->writeReport(report(0x3F, "a"), 1000), -1);
        unplugger.join();
        QVERIFY(timer.elapsed() < 100 + Slack);
        QVERIFY(c->isRemoved());
    }

    void closeWithAWriteInTheKernel()
    {
        // Closing does not wait for the kernel; the node closes when the write ends.
        auto c = openNode();
        g->writeBlockMs = 600;
        QCOMPARE(c->writeReport(report(0x3F, "a"), 50), -1);
        QElapsedTimer timer;
        timer.start();
        c.reset();
        QVERIFY(timer.elapsed() < 100);
        QCOMPARE(g->closes, 0);
        std::unique_lock<std::mutex> lock(g->m);
        QVERIFY(g->changed.wait_for(lock, std::chrono::seconds(3), [] { return g->closes == 1; }));
    }

    // --- HidrawConnection: presence ---

    void isRemoved_data()
    {
        QTest::addColumn<int>("fstatError");
        QTest::addColumn<bool>("unplugged");
        QTest::addColumn<int>("statError");
        QTest::addColumn<int>("statMode");
        QTest::addColumn<int>("statMinor");
        QTest::addColumn<int>("checkEintr");
        QTest::addColumn<bool>("removed");
        const int chr = S_IFCHR | 0660;
        QTest::newRow("present") << 0 << false << 0 << chr << 3 << 0 << false;
        QTest::newRow("check EINTR, again") << 0 << false << 0 << chr << 3 << 2 << false;
        QTest::newRow("hung up") << 0 << true << 0 << chr << 3 << 0 << true;
        QTest::newRow("node gone") << 0 << false << ENOENT << chr << 3 << 0 << true;
        QTest::newRow("folder gone") << 0 << false << ENOTDIR << chr << 3 << 0 << true;
        QTest::newRow("stat refused: cannot tell")
            << 0 << false << EACCES << chr << 3 << 0 << false;
        QTest::newRow("another device's node") << 0 << false << 0 << chr << 4 << 0 << true;
        QTest::newRow("not a device node now")
            << 0 << false << 0 << int(S_IFREG | 0644) << 3 << 0 << true;
        // No device number from open (stat impossible, or not on devtmpfs and the node stays):
        QTest::newRow("no number, present") << EIO << false << 0 << chr << 4 << 0 << false;
        QTest::newRow("no number, hung up") << EIO << true << 0 << chr << 3 << 0 << true;
        QTest::newRow("no number, node gone") << EIO << false << ENOENT << chr << 3 << 0 << true;
    }
    void isRemoved()
    {
        QFETCH(int, fstatError);
        QFETCH(bool, unplugged);
        QFETCH(int, statError);
        QFETCH(int, statMode);
        QFETCH(int, statMinor);
        QFETCH(int, checkEintr);
        QFETCH(bool, removed);
        g->fstatError = fstatError;
        auto c = openNode();
        QVERIFY(c);
        g->input.push_back(report(0x3F, "kept"));
        g->unplugged = unplugged;
        g->statError = statError;
        g->statMode = static_cast<mode_t>(statMode);
        g->statRdev = makedev(241, statMinor);
        for (int i = 0; i < checkEintr; ++i)
            g->checkPollErrors.push_back(EINTR);
        QCOMPARE(c->isRemoved(), removed);
        // Consumes nothing.
        QCOMPARE(g->reads, 0);
        QCOMPARE(int(g->input.size()), 1);
        QVERIFY(g->pollTimeouts.isEmpty());
        // Once gone, gone for good, whatever the node looks like later.
        g->unplugged = false;
        g->statError = 0;
        g->statMode = S_IFCHR | 0660;
        g->statRdev = NodeRdev;
        QCOMPARE(c->isRemoved(), removed);
    }

    void isRemovedWhileReading()
    {
        auto c = openNode();
        std::atomic<int> readResult{-2};
        std::thread reader([&] {
            QByteArray got;
            readResult = c->readReport(got, 2000);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100; ++i)
            QVERIFY(!c->isRemoved());
        QVERIFY(timer.elapsed() < Slack); // does not wait for the reader
        QCOMPARE(readResult.load(), -2);
        g->push(report(0x3F, "r"));
        reader.join();
        QCOMPARE(readResult.load(), 64);
    }

    void realSystemCalls()
    {
        // The system's own calls on /dev/zero, a character device like a hidraw node.
        auto c = HidrawConnection::open(QStringLiteral("/dev/zero"), QString());
        QVERIFY(c);
        QVERIFY(!c->isRemoved());
        QByteArray got;
        QCOMPARE(c->readReport(got, 100), HidrawConnection::ReadBufferSize);
        QCOMPARE(got, QByteArray(HidrawConnection::ReadBufferSize, '\0'));
        QCOMPARE(c->writeReport(report(0x3F, "a"), 100), 64);
        // The exclusive lock: a second open of the same node finds it in use.
        OpenError why = OpenError::None;
        QVERIFY(!HidrawConnection::open(QStringLiteral("/dev/zero"), QString(), &why));
        QCOMPARE(why, OpenError::Busy);
        c.reset();
        QVERIFY(HidrawConnection::open(QStringLiteral("/dev/zero"), QString(), &why));
        QCOMPARE(why, OpenError::None);
        // Not a device node; no node.
        QTemporaryFile file;
        QVERIFY(file.open());
        QVERIFY(!HidrawConnection::open(file.fileName(), QString(), &why));
        QCOMPARE(why, OpenError::Failed);
        QVERIFY(!HidrawConnection::open(QStringLiteral("/dev/hidraw-none"), QString(), &why));
        QCOMPARE(why, OpenError::NotFound);
    }

    // --- HidApiConnection ---

    void hidapiRead()
    {
        g->statError = ENOENT; // a path that is no node: presence comes from the reads
        HidApiConnection c(fakeDevice(), QStringLiteral("IOService:/x"), QStringLiteral("S"),
                           FakeHid, FakeIo);
        QCOMPARE(c.serialNumber(), QStringLiteral("S"));
        g->input.push_back(report(0x3F, "abc"));
        QByteArray got;
        QCOMPARE(c.readReport(got, 1000), 64);
        QCOMPARE(got, report(0x3F, "abc"));
        QElapsedTimer timer;
        timer.start();
        g->pollTimeouts.clear();
        QCOMPARE(c.readReport(got, 200), 0);
        QVERIFY(timer.elapsed() >= 195 && timer.elapsed() < 200 + Slack);
        QVERIFY(got.isEmpty());
        QVERIFY(g->pollTimeouts.size() >= 4);
        for (int t : g->pollTimeouts)
            QVERIFY(t >= 0 && t <= HidApiConnection::ReadSliceMs);
        QVERIFY(!c.isRemoved());
        g->hidReadResults.push_back(-1);
        QCOMPARE(c.readReport(got, 1000), -1);
        QVERIFY(c.isRemoved());
        const int reads = g->pollTimeouts.size();
        QCOMPARE(c.readReport(got, 1000), -1);
        QCOMPARE(c.writeReport(report(0x3F, "a"), 1000), -1);
        QCOMPARE(g->pollTimeouts.size(), reads);
        QCOMPARE(g->writes, 0);
    }

    void hidapiWrite()
    {
        {
            HidApiConnection c(fakeDevice(), QStringLiteral("/dev/hidraw3"), QString(), FakeHid,
                               FakeIo);
            QCOMPARE(c.writeReport(report(0x3F, "a"), 1000), 64);
            QCOMPARE(g->written.last(), report(0x3F, "a"));
            QCOMPARE(c.writeReport(QByteArray(), 1000), -1);
            g->writeResults.push_back(-EIO);
            QCOMPARE(c.writeReport(report(0x3F, "b"), 1000), -1);
            QVERIFY(!c.isRemoved()); // a failed write is no removal (it may be a time-out)
            g->writeBlockMs = 1000;
            QElapsedTimer timer;
            timer.start();
            QCOMPARE(c.writeReport(report(0x3F, "c"), 150), -1);
            QVERIFY(timer.elapsed() >= 145 && timer.elapsed() < 150 + Slack);
            QByteArray got;
            timer.restart();
            QCOMPARE(c.readReport(got, 100), 0); // the write still has the device
            QVERIFY(timer.elapsed() >= 95 && timer.elapsed() < 100 + Slack);
            g->writeBlockMs = 0;
            QCOMPARE(c.writeReport(report(0x3F, "d"), 3000), 64);
        }
        QCOMPARE(g->hidCloses, 1);
        QCOMPARE(g->maxInside, 1);
    }

    void hidapiWriteWaitsOneReportWait()
    {
        HidApiConnection c(fakeDevice(), QStringLiteral("/dev/hidraw3"), QString(), FakeHid,
                           FakeIo);
        std::atomic<int> readResult{-2};
        std::thread reader([&] {
            QByteArray got;
            readResult = c.readReport(got, 1500);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(c.writeReport(report(0x3F, "w"), 1000), 64);
        QVERIFY(timer.elapsed() < HidApiConnection::ReadSliceMs + Slack);
        g->push(report(0x3F, "reply"));
        reader.join();
        QCOMPARE(readResult.load(), 64);
        QCOMPARE(g->maxInside, 1);
    }

    void hidapiPresence_data()
    {
        QTest::addColumn<int>("statError");
        QTest::addColumn<int>("statMode");
        QTest::addColumn<int>("statMinor");
        QTest::addColumn<bool>("removed");
        const int chr = S_IFCHR | 0660;
        QTest::newRow("present") << 0 << chr << 3 << false;
        QTest::newRow("node gone") << ENOENT << chr << 3 << true;
        QTest::newRow("another device's node") << 0 << chr << 4 << true;
        QTest::newRow("not a node now") << 0 << int(S_IFREG) << 3 << true;
    }
    void hidapiPresence()
    {
        QFETCH(int, statError);
        QFETCH(int, statMode);
        QFETCH(int, statMinor);
        QFETCH(bool, removed);
        HidApiConnection c(fakeDevice(), QStringLiteral("/dev/hidraw3"), QString(), FakeHid,
                           FakeIo);
        g->statError = statError;
        g->statMode = static_cast<mode_t>(statMode);
        g->statRdev = makedev(241, statMinor);
        QCOMPARE(c.isRemoved(), removed);
    }

    void hidapiWithoutDevice()
    {
        HidApiConnection c(nullptr, QStringLiteral("/dev/hidraw3"), QString(), FakeHid, FakeIo);
        QByteArray got;
        QCOMPARE(c.readReport(got, 10), -1);
        QCOMPARE(c.writeReport(report(0x3F, "a"), 10), -1);
        QVERIFY(c.isRemoved());
    }

    // --- HidApiBackend ---

    void backendWithoutHidapi()
    {
        g->initResult = -1;
        {
            HidApiBackend backend(FakeHid, FakeIo);
            QVERIFY(backend.enumerate(0x2047, 0x0301).isEmpty());
            QVERIFY(g->enumerations.isEmpty());
            OpenError why = OpenError::None;
            QVERIFY(!backend.open(QStringLiteral("/dev/hidraw3"), &why));
            QCOMPARE(why, OpenError::Failed);
            QVERIFY(!backend.open(QStringLiteral("/dev/hidraw3")));
        }
        QCOMPARE(g->exits, 0);
    }

    void backendEnumerates()
    {
        Fake::Info a;
        a.path = "/dev/hidraw3";
        a.serial = QStringLiteral("SN-7");
        a.interfaceNumber = 1;
        Fake::Info b;
        b.nullPath = true;
        b.nullSerial = true;
        b.product = 0x0302;
        g->hidDevices = {a, b};
        {
            HidApiBackend backend(FakeHid, FakeIo);
            const QList<HidDeviceInfo> found = backend.enumerate(0x2047, 0x0301);
            QCOMPARE(g->enumerations.size(), 1);
            QCOMPARE(g->enumerations.first(),
                     (QPair<unsigned short, unsigned short>(0x2047, 0x0301)));
            QCOMPARE(g->frees, 1);
            QCOMPARE(found.size(), 2);
            QCOMPARE(found.at(0).path, QStringLiteral("/dev/hidraw3"));
            QCOMPARE(found.at(0).serial, QStringLiteral("SN-7"));
            QCOMPARE(found.at(0).interfaceNumber, 1);
            QCOMPARE(found.at(0).vendorId, quint16(0x2047));
            QCOMPARE(found.at(0).productId, quint16(0x0301));
            QVERIFY(found.at(1).path.isEmpty());
            QVERIFY(found.at(1).serial.isNull());
            QCOMPARE(found.at(1).productId, quint16(0x0302));
        }
        QCOMPARE(g->exits, 1);
    }

    void backendOpens_data()
    {
        QTest::addColumn<HidApiBackend::Io>("mode");
        QTest::addColumn<QList<int>>("accessErrors");
        QTest::addColumn<bool>("enumerated");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("lowerError"); // open()/flock() errno, or hid_open_path's
        QTest::addColumn<int>("serialResult");
        QTest::addColumn<OpenError>("error");
        QTest::addColumn<QString>("serial");
        using Io = HidApiBackend::Io;
        const QString node = QStringLiteral("/dev/hidraw3");
        const QString sn = QStringLiteral("SN-7");
        QTest::newRow("no node") << Io::Hidraw << QList<int>{ENOENT} << true << node << 0 << 0
                                 << OpenError::NotFound << QString();
        QTest::newRow("not ours to open") << Io::Hidraw << QList<int>{0, EACCES} << true << node
                                          << 0 << 0 << OpenError::PermissionDenied << QString();
        QTest::newRow("access refused otherwise: tries")
            << Io::Hidraw << QList<int>{0, EROFS} << true << node << 0 << 0 << OpenError::None
            << sn;
        QTest::newRow("hidraw, serial from the enumeration")
            << Io::Hidraw << QList<int>{} << true << node << 0 << 0 << OpenError::None << sn;
        QTest::newRow("hidraw, serial looked up")
            << Io::Hidraw << QList<int>{} << false << node << 0 << 0 << OpenError::None << sn;
        QTest::newRow("hidraw, unknown path")
            << Io::Hidraw << QList<int>{} << false << QStringLiteral("/dev/hidraw9") << 0 << 0
            << OpenError::None << QString();
        QTest::newRow("hidraw, in use") << Io::Hidraw << QList<int>{} << true << node << EWOULDBLOCK
                                        << 0 << OpenError::Busy << QString();
        QTest::newRow("hidapi") << Io::HidApi << QList<int>{} << true << node << 0 << 0
                                << OpenError::None << QStringLiteral("SN-415-7");
        QTest::newRow("hidapi, no serial") << Io::HidApi << QList<int>{} << true << node << 0 << -1
                                           << OpenError::None << QString();
        QTest::newRow("hidapi, busy") << Io::HidApi << QList<int>{} << true << node << EBUSY << 0
                                      << OpenError::Busy << QString();
        QTest::newRow("hidapi, fails") << Io::HidApi << QList<int>{} << true << node << EIO << 0
                                       << OpenError::Failed << QString();
    }
    void backendOpens()
    {
        QFETCH(HidApiBackend::Io, mode);
        QFETCH(QList<int>, accessErrors);
        QFETCH(bool, enumerated);
        QFETCH(QString, path);
        QFETCH(int, lowerError);
        QFETCH(int, serialResult);
        QFETCH(OpenError, error);
        QFETCH(QString, serial);
        Fake::Info a;
        a.path = "/dev/hidraw3";
        a.serial = QStringLiteral("SN-7");
        g->hidDevices = {a};
        g->serialResult = serialResult;
        HidApiBackend backend(FakeHid, FakeIo, mode);
        if (enumerated)
            backend.enumerate(0x2047, 0x0301);
        g->accessErrors.assign(accessErrors.begin(), accessErrors.end());
        if (mode == HidApiBackend::Io::Hidraw) {
            if (lowerError)
                g->flockErrors.push_back(lowerError);
        } else {
            g->openPathErrno = lowerError;
        }
        const int enumerations = g->enumerations.size();
        OpenError why = OpenError::NotFound;
        std::unique_ptr<HidConnection> c = backend.open(path, &why);
        QCOMPARE(why, error);
        QCOMPARE(bool(c), error == OpenError::None);
        if (c)
            QCOMPARE(c->serialNumber(), serial);
        // Looked up only when the enumeration had not seen the path.
        const bool lookedUp = mode == HidApiBackend::Io::Hidraw && error != OpenError::NotFound &&
                              error != OpenError::PermissionDenied && !enumerated;
        QCOMPARE(g->enumerations.size(), enumerations + (lookedUp ? 1 : 0));
        if (lookedUp)
            QCOMPARE(g->enumerations.last(), (QPair<unsigned short, unsigned short>(0, 0)));
        if (c && mode == HidApiBackend::Io::Hidraw)
            QVERIFY(dynamic_cast<HidrawConnection *>(c.get()));
        if (c && mode == HidApiBackend::Io::HidApi)
            QVERIFY(dynamic_cast<HidApiConnection *>(c.get()));
        c.reset();
        // Without a place for the reason.
        g->accessErrors.assign(accessErrors.begin(), accessErrors.end());
        if (mode == HidApiBackend::Io::Hidraw && lowerError)
            g->flockErrors.push_back(lowerError);
        QCOMPARE(bool(backend.open(path)), error == OpenError::None);
    }

    void backendRealHidapi()
    {
        // hidapi's and the system's own calls: no instrument here, and no such node.
        HidApiBackend backend(HidApiCalls::system(), PosixIo::system(), HidApiBackend::Io::HidApi);
        QVERIFY(backend.enumerate(0x2047, 0x0301).isEmpty());
        OpenError why = OpenError::None;
        QVERIFY(!backend.open(QStringLiteral("/dev/hidraw-none"), &why));
        QCOMPARE(why, OpenError::NotFound);
        QCOMPARE(HidApiBackend::DefaultIo, HidApiBackend::Io::Hidraw); // on Linux
    }

    // --- UdevDeviceMonitor ---

    void udevEvents_data()
    {
        QTest::addColumn<QByteArray>("subsystem");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<int>("arrived");
        QTest::addColumn<int>("removed");
        QTest::newRow("hidraw add") << QByteArray("hidraw") << QByteArray("add") << 1 << 0;
        QTest::newRow("hidraw remove") << QByteArray("hidraw") << QByteArray("remove") << 0 << 1;
        QTest::newRow("hidraw change") << QByteArray("hidraw") << QByteArray("change") << 0 << 0;
        QTest::newRow("usb add") << QByteArray("usb") << QByteArray("add") << 0 << 0;
        QTest::newRow("no subsystem") << QByteArray() << QByteArray("add") << 0 << 0;
        QTest::newRow("no action") << QByteArray("hidraw") << QByteArray() << 0 << 0;
    }
    void udevEvents()
    {
        QFETCH(QByteArray, subsystem);
        QFETCH(QByteArray, action);
        QFETCH(int, arrived);
        QFETCH(int, removed);
        QVERIFY(::pipe2(g->pipe, O_NONBLOCK) == 0);
        {
            UdevDeviceMonitor monitor(nullptr, FakeUdev);
            QVERIFY(monitor.isListening());
            QCOMPARE(g->matched, QByteArray("hidraw"));
            QSignalSpy arrivals(&monitor, &DeviceMonitor::deviceArrived);
            QSignalSpy removals(&monitor, &DeviceMonitor::deviceRemoved);
            Fake::Event event;
            event.subsystem = subsystem;
            event.action = action;
            event.nullSubsystem = subsystem.isNull();
            event.nullAction = action.isNull();
            // Two events at once: both come through one notification.
            g->events = {event, event};
            QCOMPARE(::write(g->pipe[1], "ab", 2), 2);
            QTRY_COMPARE(g->devicesUnrefd, 2);
            QCOMPARE(arrivals.size(), 2 * arrived);
            QCOMPARE(removals.size(), 2 * removed);
        }
        QCOMPARE(g->monitorsUnrefd, 1);
        QCOMPARE(g->contextsUnrefd, 1);
    }

    void udevSource_data()
    {
        QTest::addColumn<bool>("daemon");
        QTest::addColumn<QByteArray>("source");
        QTest::newRow("udev daemon running") << true << QByteArray("udev");
        QTest::newRow("no udev daemon: the kernel's events") << false << QByteArray("kernel");
    }
    void udevSource()
    {
        QFETCH(bool, daemon);
        QFETCH(QByteArray, source);
        QVERIFY(::pipe2(g->pipe, O_NONBLOCK) == 0);
        g->controlExists = daemon;
        UdevDeviceMonitor monitor(nullptr, FakeUdev);
        QCOMPARE(g->askedPath, QByteArray("/run/udev/control"));
        QCOMPARE(g->source, source);
        QVERIFY(monitor.isListening());
    }

    void udevSetupFails_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("monitorsUnrefd");
        QTest::addColumn<int>("contextsUnrefd");
        QTest::newRow("no udev context") << "context" << 0 << 0;
        QTest::newRow("no monitor") << "monitor" << 0 << 1;
        QTest::newRow("cannot receive") << "enable" << 1 << 1;
        QTest::newRow("no descriptor") << "fd" << 1 << 1;
    }
    void udevSetupFails()
    {
        QFETCH(QString, failing);
        QFETCH(int, monitorsUnrefd);
        QFETCH(int, contextsUnrefd);
        g->udevNewFails = failing == "context";
        g->monitorFails = failing == "monitor";
        g->enableResult = failing == "enable" ? -1 : 0;
        g->badFd = failing == "fd";
        std::unique_ptr<DeviceMonitor> monitor(new UdevDeviceMonitor(nullptr, FakeUdev));
        QVERIFY(!static_cast<UdevDeviceMonitor *>(monitor.get())->isListening());
        monitor.reset();
        QCOMPARE(g->monitorsUnrefd, monitorsUnrefd);
        QCOMPARE(g->contextsUnrefd, contextsUnrefd);
    }

    void udevReal()
    {
        // libudev's own calls: set-up may be refused here (no netlink); it never throws.
        UdevDeviceMonitor monitor;
        Q_UNUSED(monitor.isListening());
        QCOMPARE(&UdevCalls::system(), &UdevCalls::system());
    }
};

QTEST_GUILESS_MAIN(tst_HidReal)
#include "tst_hidreal.moc"
