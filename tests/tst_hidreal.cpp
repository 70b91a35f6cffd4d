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
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <hidapi.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using OpenError = HidBackend::OpenError;
using Io = HidApiBackend::Io;
// Per call, its next results: a count or value, or -errno for a failure.
using Script = std::map<std::string, std::deque<long>>;
Q_DECLARE_METATYPE(OpenError)
Q_DECLARE_METATYPE(Io)
Q_DECLARE_METATYPE(Script)

namespace
{

enum Kind { Hidraw, HidApi, NoDevice }; // the connection under test

// Time a blocked call may take beyond its deadline (sanitizer builds are slow).
constexpr int Slack = 300;
constexpr int FakeFd = 42;
constexpr long Live = LONG_MIN;    // no script: the stand-in behaves like the device
constexpr long TimeOut = LONG_MAX; // poll: waits its whole time and finds nothing
constexpr long Regular = 0;        // (f)stat: a plain file; n > 0: character device minor n
constexpr long OurMinor = 3;
const QByteArray Node("/dev/hidraw3");
const QString NodeName = QString::fromLatin1(Node);
const QString HidSerial = QStringLiteral("SN-415-7");

QByteArray report(char id, const QByteArray &payload)
{
    QByteArray r(64, '\0');
    r[0] = id;
    r[1] = static_cast<char>(payload.size());
    std::memcpy(r.data() + 2, payload.constData(), static_cast<size_t>(payload.size()));
    return r;
}
// Not the meter's usual report id: reports go through whatever their id.
const QByteArray In = report(0x01, "\x01\x02\x03");

// The node, the device behind it and the calls made; one at a time (tests run in order).
struct Fake {
    std::mutex m;
    std::condition_variable changed;
    Script script;
    std::map<std::string, long> always;         // once a call's script is used up
    std::map<std::string, QByteArrayList> args; // every call, with its arguments
    std::deque<QByteArray> input;               // reports waiting in the device
    QByteArrayList written;
    QList<int> waits; // time-outs of the polls for events and of hid_read_timeout
    bool unplugged = false;
    int writeBlockMs = 0; // a write stays in the kernel this long (unplug ends it: ENODEV)
    int opens = 0;
    int closes = 0;
    int inside = 0; // calls on the device under way at once
    int maxInside = 0;
    struct Info {
        QByteArray path;
        QString serial;
        int interfaceNumber = 0;
        unsigned short product = 0x0301;
    };
    QList<Info> hidDevices;        // an empty path or a null serial: hidapi gives null
    std::deque<QByteArray> events; // "subsystem action", "-" for null
    int pipe[2] = {-1, -1};

    // Records the call; its next scripted result, or `otherwise`. With `m` held.
    long call(const char *name, long otherwise = 0, const QByteArray &arg = {})
    {
        args[name].append(arg);
        std::deque<long> &next = script[name];
        if (!next.empty()) {
            const long v = next.front();
            next.pop_front();
            return v;
        }
        const auto a = always.find(name);
        return a != always.end() ? a->second : otherwise;
    }
    long locked(const char *name, long otherwise = 0, const QByteArray &arg = {})
    {
        std::lock_guard<std::mutex> lock(m);
        return call(name, otherwise, arg);
    }
    int count(const char *name)
    {
        std::lock_guard<std::mutex> lock(m);
        return args[name].size();
    }
    // Calls that use the device (not the presence check).
    int busy()
    {
        return count("pollin") + count("pollout") + count("read") + count("write") +
               count("hid_read");
    }
    bool waitUntil(const std::function<bool()> &done)
    {
        std::unique_lock<std::mutex> lock(m);
        return changed.wait_for(lock, std::chrono::seconds(10), done);
    }
    template <typename F> void change(F f)
    {
        {
            std::lock_guard<std::mutex> lock(m);
            f();
        }
        changed.notify_all();
    }
};

Fake *g = nullptr;

struct Inside { // with g->m held
    Inside()
    {
        g->maxInside = std::max(g->maxInside, ++g->inside);
        g->changed.notify_all();
    }
    ~Inside() { --g->inside; }
};

// Joins when the test leaves, also on a failed check.
struct Background {
    std::thread thread;
    ~Background() { thread.join(); }
};

long fail(long result)
{
    if (result >= 0)
        return result;
    errno = static_cast<int>(-result);
    return -1;
}

// --- POSIX stand-ins ---

int fakeOpen(const char *path, int flags)
{
    std::lock_guard<std::mutex> lock(g->m);
    const long fd = g->call("open", FakeFd, path + (" " + QByteArray::number(flags)));
    g->opens += fd >= 0;
    return static_cast<int>(fail(fd));
}

int fakeClose(int fd)
{
    // Notified under the lock: a test that waits for the close may delete the fake next.
    std::lock_guard<std::mutex> lock(g->m);
    g->closes += fd == FakeFd;
    g->changed.notify_all();
    return 0;
}

int fakeFlock(int, int operation)
{
    return static_cast<int>(fail(g->locked("flock", 0, QByteArray::number(operation))));
}

int fakePoll(pollfd *p, nfds_t, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(g->m);
    p->revents = 0;
    if (p->events == 0) { // the presence check
        const long r = g->call("check", g->unplugged ? POLLERR | POLLHUP : 0);
        if (r < 0)
            return static_cast<int>(fail(r));
        p->revents = static_cast<short>(r);
        return r ? 1 : 0;
    }
    Inside in;
    g->waits.append(timeoutMs);
    const long r = g->call(p->events & POLLOUT ? "pollout" : "pollin", Live);
    if (r == TimeOut || r == Live) {
        const auto ready = [p, r] {
            short e = g->unplugged ? POLLERR | POLLHUP : 0;
            if (r == TimeOut)
                return e;
            if ((p->events & POLLIN) && (!g->input.empty() || !g->script["read"].empty()))
                e |= POLLIN;
            return static_cast<short>(e | (p->events & POLLOUT));
        };
        g->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return ready(); });
        p->revents = ready();
        return p->revents ? 1 : 0;
    }
    if (r < 0)
        return static_cast<int>(fail(r));
    p->revents = static_cast<short>(r);
    return 1;
}

ssize_t fakeRead(int, void *buffer, size_t size)
{
    std::lock_guard<std::mutex> lock(g->m);
    Inside in;
    const long r = g->call("read", static_cast<long>(size)); // n > 0: hands over n at most
    if (r <= 0)
        return fail(r);
    if (g->input.empty())
        return fail(-EAGAIN);
    const QByteArray next = g->input.front();
    g->input.pop_front();
    const size_t n = std::min({static_cast<size_t>(r), size, static_cast<size_t>(next.size())});
    std::memcpy(buffer, next.constData(), n);
    return static_cast<ssize_t>(n);
}

// The kernel side of an output report, shared by write() and hid_write().
long fakeWriteReport(const void *buffer, size_t size)
{
    std::unique_lock<std::mutex> lock(g->m);
    Inside in;
    const long r = g->call("write", static_cast<long>(size));
    if (g->writeBlockMs > 0 && g->changed.wait_for(lock, std::chrono::milliseconds(g->writeBlockMs),
                                                   [] { return g->unplugged; }))
        return -ENODEV;
    if (r >= 0)
        g->written.append(QByteArray(static_cast<const char *>(buffer), static_cast<int>(size)));
    return r;
}

ssize_t fakeWrite(int, const void *buffer, size_t size)
{
    return fail(fakeWriteReport(buffer, size));
}

int fakeStatOf(const char *call, const QByteArray &path, struct stat *st)
{
    const long r = g->locked(call, OurMinor, path);
    *st = {};
    st->st_mode = r == Regular ? S_IFREG | 0644 : S_IFCHR | 0660;
    st->st_rdev = makedev(241, std::max(0L, r));
    return static_cast<int>(fail(std::min(0L, r)));
}

int fakeFstat(int, struct stat *st)
{
    return fakeStatOf("fstat", {}, st);
}

int fakeStat(const char *path, struct stat *st)
{
    return fakeStatOf("stat", path, st);
}

int fakeAccess(const char *, int mode)
{
    return static_cast<int>(fail(g->locked("access", 0, QByteArray::number(mode))));
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
    return static_cast<int>(g->locked("init"));
}

int fakeHidExit()
{
    return static_cast<int>(g->locked("exit"));
}

hid_device_info *fakeHidEnumerate(unsigned short vendor, unsigned short product)
{
    g->locked("enumerate", 0,
              QByteArray::number(vendor, 16) + ' ' + QByteArray::number(product, 16));
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const Fake::Info &d : g->hidDevices) {
        auto *info = new hid_device_info{};
        info->path = d.path.isEmpty() ? nullptr : strdup(d.path.constData());
        if (!d.serial.isNull()) {
            info->serial_number = new wchar_t[64]{};
            d.serial.toWCharArray(info->serial_number);
        }
        info->interface_number = d.interfaceNumber;
        info->vendor_id = 0x2047;
        info->product_id = d.product;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void fakeHidFree(hid_device_info *list)
{
    g->locked("free");
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
    std::lock_guard<std::mutex> lock(g->m);
    const long r = g->call("hid_open", 0, path);
    g->opens += r >= 0;
    return fail(r) < 0 ? nullptr : fakeDevice();
}

void fakeHidClose(hid_device *device)
{
    std::lock_guard<std::mutex> lock(g->m);
    g->closes += device == fakeDevice();
    g->changed.notify_all();
}

int fakeHidWrite(hid_device *, const unsigned char *data, size_t length)
{
    return static_cast<int>(fail(fakeWriteReport(data, length)));
}

int fakeHidRead(hid_device *, unsigned char *data, size_t length, int milliseconds)
{
    std::unique_lock<std::mutex> lock(g->m);
    Inside in;
    g->waits.append(milliseconds);
    const long r = g->call("hid_read", Live);
    if (r != Live)
        return static_cast<int>(r);
    g->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                        [] { return g->unplugged || !g->input.empty(); });
    if (g->unplugged || g->input.empty())
        return g->unplugged ? -1 : 0;
    const QByteArray next = g->input.front();
    g->input.pop_front();
    const size_t n = std::min(length, static_cast<size_t>(next.size()));
    std::memcpy(data, next.constData(), n);
    return static_cast<int>(n);
}

int fakeHidSerial(hid_device *, wchar_t *string, size_t maxLength)
{
    if (const long r = g->locked("serial"))
        return static_cast<int>(r);
    string[HidSerial.left(static_cast<int>(maxLength)).toWCharArray(string)] = 0;
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
    return g->locked("udev_new") < 0 ? nullptr : reinterpret_cast<udev *>(&g_udevToken);
}

udev *fakeUdevUnref(udev *)
{
    g->locked("udev_unref");
    return nullptr;
}

udev_monitor *fakeMonitorNew(udev *, const char *source)
{
    return g->locked("monitor_new", 0, source) < 0
               ? nullptr
               : reinterpret_cast<udev_monitor *>(&g_monitorToken);
}

udev_monitor *fakeMonitorUnref(udev_monitor *)
{
    g->locked("monitor_unref");
    return nullptr;
}

int fakeAddMatch(udev_monitor *, const char *subsystem, const char *devtype)
{
    return static_cast<int>(
        g->locked("match", 0, QByteArray(subsystem) + (devtype ? "/" + QByteArray(devtype) : "")));
}

int fakeEnable(udev_monitor *)
{
    return static_cast<int>(g->locked("enable"));
}

int fakeGetFd(udev_monitor *)
{
    return static_cast<int>(g->locked("fd", g->pipe[0]));
}

udev_device *fakeReceive(udev_monitor *)
{
    char byte = 0;
    if (::read(g->pipe[0], &byte, 1) != 1 || g->events.empty())
        return nullptr;
    auto *event = new QByteArrayList(g->events.front().split(' '));
    g->events.pop_front();
    return reinterpret_cast<udev_device *>(event);
}

const char *eventPart(udev_device *device, int i)
{
    const QByteArray &part = reinterpret_cast<QByteArrayList *>(device)->at(i);
    return part == "-" ? nullptr : part.constData();
}

const char *fakeSubsystem(udev_device *device)
{
    return eventPart(device, 0);
}

const char *fakeAction(udev_device *device)
{
    return eventPart(device, 1);
}

udev_device *fakeDeviceUnref(udev_device *device)
{
    delete reinterpret_cast<QByteArrayList *>(device);
    g->locked("device_unref");
    return nullptr;
}

bool fakeExists(const char *path)
{
    return g->locked("exists", 1, path) != 0;
}

const UdevCalls FakeUdev{fakeUdevNew,   fakeUdevUnref, fakeMonitorNew,  fakeMonitorUnref,
                         fakeAddMatch,  fakeEnable,    fakeGetFd,       fakeReceive,
                         fakeSubsystem, fakeAction,    fakeDeviceUnref, fakeExists};

std::unique_ptr<HidConnection> make(Kind kind)
{
    if (kind == Hidraw)
        return HidrawConnection::open(NodeName, QStringLiteral("SN-1"), nullptr, FakeIo);
    return std::make_unique<HidApiConnection>(kind == HidApi ? fakeHidOpenPath(Node.constData())
                                                             : nullptr,
                                              NodeName, QString(), FakeHid, FakeIo);
}

// Runs `op`; fails the test unless it took from `atLeast` to `atMost` ms.
#define TIMED(op, atLeast, atMost)                                                                 \
    do {                                                                                           \
        QElapsedTimer timer_;                                                                      \
        timer_.start();                                                                            \
        op;                                                                                        \
        const qint64 ms_ = timer_.elapsed();                                                       \
        QVERIFY2(ms_ >= (atLeast) && ms_ < (atMost), #op ": " + QByteArray::number(ms_));          \
    } while (false)

} // namespace

Q_DECLARE_METATYPE(Kind)

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
        QVERIFY(g->waitUntil([] { return g->closes == g->opens; }));
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

    void open_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<OpenError>("error");
        const auto row = [](const char *name, const Script &s, OpenError e) {
            QTest::newRow(name) << s << e;
        };
        row("opens", {}, OpenError::None);
        row("open EINTR, again", {{"open", {-EINTR, -EINTR}}}, OpenError::None);
        row("no node", {{"open", {-ENOENT}}}, OpenError::NotFound);
        row("no device", {{"open", {-ENODEV}}}, OpenError::NotFound);
        row("ENXIO", {{"open", {-ENXIO}}}, OpenError::NotFound);
        row("EACCES", {{"open", {-EACCES}}}, OpenError::PermissionDenied);
        row("EPERM", {{"open", {-EPERM}}}, OpenError::PermissionDenied);
        row("EBUSY", {{"open", {-EBUSY}}}, OpenError::Busy);
        row("EIO", {{"open", {-EIO}}}, OpenError::Failed);
        row("lock held by another program", {{"flock", {-EWOULDBLOCK}}}, OpenError::Busy);
        row("flock EINTR, again", {{"flock", {-EINTR}}}, OpenError::None);
        row("flock impossible: opens unlocked", {{"flock", {-ENOLCK}}}, OpenError::None);
        row("not a device node", {{"fstat", {Regular}}}, OpenError::Failed);
        row("fstat fails: opens", {{"fstat", {-EIO}}}, OpenError::None);
    }
    void open()
    {
        QFETCH(Script, script);
        QFETCH(OpenError, error);
        const bool warns = script["flock"] == std::deque<long>{-ENOLCK};
        for (const bool withReason : {true, false}) {
            g->script = script;
            if (warns)
                QTest::ignoreMessage(QtWarningMsg, "hidraw: no exclusive lock on /dev/hidraw3: "
                                                   "No locks available");
            auto why = static_cast<OpenError>(-1);
            std::unique_ptr<HidrawConnection> c =
                HidrawConnection::open(NodeName, QString(), withReason ? &why : nullptr, FakeIo);
            QCOMPARE(bool(c), error == OpenError::None);
            if (withReason)
                QCOMPARE(why, error);
            QCOMPARE(g->args["open"].first(),
                     Node + ' ' + QByteArray::number(O_RDWR | O_NONBLOCK | O_CLOEXEC));
            if (g->opens)
                QCOMPARE(g->args["flock"].first(), QByteArray::number(LOCK_EX | LOCK_NB));
            // A node opened and then refused is closed at once.
            QCOMPARE(g->closes, c ? g->opens - 1 : g->opens);
            if (c)
                QVERIFY(!c->isRemoved());
            c.reset();
            QCOMPARE(g->closes, g->opens);
        }
    }

    // One call (read, write or the presence check) on a connection in a scripted state.
    void call_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<char>("op");
        QTest::addColumn<Script>("atOpen");
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("bytes"); // read, or written
        QTest::addColumn<bool>("removed");
        const auto row = [](const char *name, Kind k, char op, const Script &atOpen,
                            const Script &s, int result, const QByteArray &bytes, bool removed) {
            QTest::newRow(name) << k << op << atOpen << s << result << bytes << removed;
        };
        const auto rd = [&](const char *name, const Script &s, int result, bool removed = false) {
            row(name, Hidraw, 'r', {}, s, result, In.left(std::max(0, result)), removed);
        };
        const auto wr = [&](const char *name, const Script &s, int result, const QByteArray &bytes,
                            bool removed = false) {
            row(name, Hidraw, 'w', {}, s, result, bytes, removed);
        };
        const auto gone = [&](const char *name, Kind k, const Script &atOpen, const Script &s,
                              bool removed) { row(name, k, '?', atOpen, s, removed, {}, removed); };
        rd("read: the report as the kernel has it", {}, 64);
        rd("read: short", {{"read", {2}}}, 2);
        rd("read: poll EINTR, again", {{"pollin", {-EINTR}}}, 64);
        rd("read: EINTR, again", {{"read", {-EINTR}}}, 64);
        rd("read: EAGAIN (taken), again", {{"read", {-EAGAIN}}}, 64);
        rd("read: empty, again", {{"read", {0}}}, 64);
        rd("read: poll without POLLIN, again", {{"pollin", {0}}}, 64);
        rd("read: ENODEV", {{"read", {-ENODEV}}}, -1, true);
        rd("read: EIO", {{"read", {-EIO}}}, -1, true);
        rd("read: ESHUTDOWN", {{"read", {-ESHUTDOWN}}}, -1, true);
        rd("read: EINVAL", {{"read", {-EINVAL}}}, -1);
        rd("read: poll EINVAL", {{"pollin", {-EINVAL}}}, -1);
        rd("read: POLLHUP", {{"pollin", {POLLHUP}}}, -1, true);
        rd("read: POLLNVAL", {{"pollin", {POLLNVAL}}}, -1, true);
        wr("write: as-is", {}, 64, In);
        wr("write: short fails, not repeated", {{"write", {10}}}, -1, In);
        wr("write: EINTR, again", {{"write", {-EINTR}}}, 64, In);
        wr("write: EAGAIN, again", {{"write", {-EAGAIN, -EAGAIN}}}, 64, In);
        wr("write: poll EINTR, again", {{"pollout", {-EINTR}}}, 64, In);
        wr("write: poll without POLLOUT, again", {{"pollout", {0}}}, 64, In);
        wr("write: poll EINVAL", {{"pollout", {-EINVAL}}}, -1, {});
        wr("write: ENODEV", {{"write", {-ENODEV}}}, -1, {}, true);
        wr("write: EIO", {{"write", {-EIO}}}, -1, {}, true);
        wr("write: EPIPE (stall)", {{"write", {-EPIPE}}}, -1, {});
        wr("write: POLLERR", {{"pollout", {POLLERR}}}, -1, {}, true);
        gone("present", Hidraw, {}, {}, false);
        gone("check EINTR, again", Hidraw, {}, {{"check", {-EINTR, -EINTR}}}, false);
        gone("hung up", Hidraw, {}, {{"check", {POLLERR | POLLHUP}}}, true);
        gone("node gone", Hidraw, {}, {{"stat", {-ENOENT}}}, true);
        gone("folder gone", Hidraw, {}, {{"stat", {-ENOTDIR}}}, true);
        gone("stat refused: cannot tell", Hidraw, {}, {{"stat", {-EACCES}}}, false);
        gone("another device's node", Hidraw, {}, {{"stat", {4}}}, true);
        gone("not a device node now", Hidraw, {}, {{"stat", {Regular}}}, true);
        // No device number from open (stat impossible, or not on devtmpfs and the node stays):
        const Script noNumber{{"fstat", {-EIO}}};
        gone("no number, present", Hidraw, noNumber, {{"stat", {4}}}, false);
        gone("no number, hung up", Hidraw, noNumber, {{"check", {POLLHUP}}}, true);
        gone("no number, node gone", Hidraw, noNumber, {{"stat", {-ENOENT}}}, true);
        row("hidapi read", HidApi, 'r', {}, {}, 64, In, false);
        row("hidapi read fails: gone", HidApi, 'r', {}, {{"hid_read", {-1}}}, -1, {}, true);
        row("hidapi write", HidApi, 'w', {}, {}, 64, In, false);
        row("hidapi write fails: no removal (may be a time-out)", HidApi, 'w', {},
            {{"write", {-EIO}}}, -1, {}, false);
        gone("hidapi present", HidApi, {}, {}, false);
        gone("hidapi node gone", HidApi, {}, {{"stat", {-ENOENT}}}, true);
        gone("hidapi another device's node", HidApi, {}, {{"stat", {4}}}, true);
        gone("hidapi not a node now", HidApi, {}, {{"stat", {Regular}}}, true);
        gone("hidapi path no node: the reads tell", HidApi, {{"stat", {-ENOENT}}},
             {{"stat", {-ENOENT}}}, false);
        row("hidapi without a device", NoDevice, 'r', {}, {}, -1, {}, true);
    }
    void call()
    {
        QFETCH(Kind, kind);
        QFETCH(char, op);
        QFETCH(Script, atOpen);
        QFETCH(Script, script);
        QFETCH(int, result);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, removed);
        g->script = atOpen;
        std::unique_ptr<HidConnection> c = make(kind);
        QVERIFY(c);
        g->script = script;
        g->input = {In};
        QByteArray got("stale");
        int r = -2;
        TIMED(r = op == 'r'   ? c->readReport(got, 1000)
                  : op == 'w' ? c->writeReport(In, 1000)
                              : c->isRemoved(),
              0, Slack);
        QCOMPARE(r, result);
        if (op == 'w')
            got = g->written.join();
        if (op == '?') {
            // Consumes nothing.
            QCOMPARE(g->busy(), 0);
            QCOMPARE(int(g->input.size()), 1);
            if (kind != Hidraw)
                return; // hidapi judges by the node as it is now
        } else {
            QCOMPARE(got, bytes);
        }
        // Gone for good (whatever the node looks like later): nothing more asked of it.
        QCOMPARE(c->isRemoved(), removed);
        if (removed) {
            const int before = g->busy();
            QCOMPARE(c->readReport(got, 1000), -1);
            QCOMPARE(c->writeReport(In, 1000), -1);
            QCOMPARE(g->busy(), before);
        }
    }

    void writeEmptyReport_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("hidraw") << Hidraw;
        QTest::newRow("hidapi") << HidApi;
    }
    void writeEmptyReport()
    {
        QFETCH(Kind, kind);
        QCOMPARE(make(kind)->writeReport(QByteArray(), 1000), -1);
        QCOMPARE(g->count("write"), 0);
    }

    // Calls that find nothing to do end by their deadline, and leave the node usable.
    void deadline_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<char>("op");
        QTest::addColumn<Script>("always");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("read: nothing comes") << Hidraw << 'r' << Script{} << 300;
        QTest::newRow("read: poll EINTR to the end")
            << Hidraw << 'r' << Script{{"pollin", {-EINTR}}} << 60;
        QTest::newRow("read: no time, one look") << Hidraw << 'r' << Script{} << 0;
        QTest::newRow("hidapi read: nothing comes") << HidApi << 'r' << Script{} << 200;
        QTest::newRow("write: never writable")
            << Hidraw << 'w' << Script{{"pollout", {TimeOut}}} << 200;
        QTest::newRow("write: EAGAIN to the end")
            << Hidraw << 'w' << Script{{"write", {-EAGAIN}}} << 200;
        QTest::newRow("write: EINTR to the end")
            << Hidraw << 'w' << Script{{"write", {-EINTR}}} << 200;
        QTest::newRow("write: poll EINTR to the end")
            << Hidraw << 'w' << Script{{"pollout", {-EINTR}}} << 200;
        QTest::newRow("write: poll without POLLOUT to the end")
            << Hidraw << 'w' << Script{{"pollout", {0}}} << 200;
        // Past its deadline before it starts: not started, and the lock not left taken.
        QTest::newRow("write: no time") << Hidraw << 'w' << Script{} << 0;
    }
    void deadline()
    {
        QFETCH(Kind, kind);
        QFETCH(char, op);
        QFETCH(Script, always);
        QFETCH(int, timeoutMs);
        auto c = make(kind);
        for (const auto &a : always)
            g->always[a.first] = a.second.front();
        QByteArray got;
        const int expected = op == 'r' ? 0 : -1;
        TIMED(QCOMPARE(op == 'r' ? c->readReport(got, timeoutMs) : c->writeReport(In, timeoutMs),
                       expected),
              timeoutMs - 5, timeoutMs + Slack);
        QVERIFY(got.isEmpty());
        QVERIFY(!c->isRemoved());
        const int slice = op == 'w'        ? timeoutMs
                          : kind == Hidraw ? HidrawConnection::ReadSliceMs
                                           : HidApiConnection::ReadSliceMs;
        {
            std::lock_guard<std::mutex> lock(g->m);
            for (int t : g->waits)
                QVERIFY2(t >= 0 && t <= std::min(slice, timeoutMs), QByteArray::number(t));
            if (op == 'r') // in slices, so that a write gets the node between them
                QVERIFY(g->waits.size() >= (timeoutMs ? timeoutMs / slice : 1));
            if (op == 'r' && timeoutMs == 0)
                QCOMPARE(g->waits.size(), 1);
        }
        if (op == 'w' && timeoutMs == 0)
            QCOMPARE(g->count("write"), 0);
        if (op == 'w') { // reads go on; and the late write has let go once this one ends
            g->change([] { g->input.push_back(In); });
            QCOMPARE(c->readReport(got, 1000), 64);
        }
        g->change([] { g->always.clear(); });
        QCOMPARE(c->writeReport(In, 1000), 64);
        QCOMPARE(g->written, QByteArrayList{In});
        // A negative time-out is none at all: a report already there is still taken.
        g->change([] { g->input.push_back(In); });
        QCOMPARE(c->readReport(got, -5), 64);
    }

    void writeStaysInTheKernel_data() { writeEmptyReport_data(); }
    void writeStaysInTheKernel()
    {
        QFETCH(Kind, kind);
        auto c = make(kind);
        g->writeBlockMs = 1500;
        TIMED(QCOMPARE(c->writeReport(In, 200), -1), 195, 200 + Slack);
        // The write still in the kernel keeps the node: the next write and a read end by
        // their own deadlines, without touching it.
        TIMED(QCOMPARE(c->writeReport(In, 100), -1), 95, 100 + Slack);
        QByteArray got;
        TIMED(QCOMPARE(c->readReport(got, 100), 0), 95, 100 + Slack);
        QCOMPARE(g->count("write"), 1);
        QVERIFY(!c->isRemoved());
        // Once the kernel lets go, writes work again.
        g->change([] { g->writeBlockMs = 0; });
        QCOMPARE(c->writeReport(In, 3000), 64);
        QCOMPARE(g->count("write"), 2);
        QCOMPARE(g->maxInside, 1);
        // Closing does not wait for the kernel; the node closes when the write ends.
        g->change([] { g->writeBlockMs = 600; });
        QCOMPARE(c->writeReport(In, 50), -1);
        TIMED(c.reset(), 0, Slack);
        QCOMPARE(g->closes, 0);
        QVERIFY(g->waitUntil([] { return g->closes == 1; }));
    }

    // A read waiting for a reply that does not come holds up neither the GUI thread's
    // writes (each gets the node within one read slice) nor the presence check, and the
    // two threads never use the node at once.
    void waitingReadHoldsUpNothing_data() { writeEmptyReport_data(); }
    void waitingReadHoldsUpNothing()
    {
        QFETCH(Kind, kind);
        auto c = make(kind);
        std::atomic<int> readResult{-2};
        {
            Background reader{std::thread([&] {
                QByteArray got;
                readResult = c->readReport(got, 1500);
            })};
            QVERIFY(g->waitUntil([] { return g->inside > 0; }));
            for (int i = 0; i < 5; ++i)
                TIMED(QCOMPARE(c->writeReport(report(0x3F, QByteArray::number(i)), 1000), 64), 0,
                      HidrawConnection::ReadSliceMs + Slack);
            TIMED(for (int i = 0; i < 100; ++i) QVERIFY(!c->isRemoved()), 0, Slack);
            QCOMPARE(readResult.load(), -2);
            g->change([] { g->input.push_back(In); });
        }
        QCOMPARE(readResult.load(), 64);
        QCOMPARE(g->written.size(), 5);
        QCOMPARE(g->maxInside, 1);
    }

    void unplugWakesAWaitingCall_data()
    {
        QTest::addColumn<bool>("write");
        QTest::newRow("read") << false;
        QTest::newRow("write") << true;
    }
    void unplugWakesAWaitingCall()
    {
        QFETCH(bool, write);
        auto c = make(Hidraw);
        g->writeBlockMs = 5000;
        Background unplugger{std::thread([] {
            g->waitUntil([] { return g->inside > 0; }); // waiting in poll or in the write
            g->change([] { g->unplugged = true; });
        })};
        QByteArray got;
        TIMED(QCOMPARE(write ? c->writeReport(In, 3000) : c->readReport(got, 3000), -1), 0, Slack);
        QVERIFY(c->isRemoved());
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
        QCOMPARE(c->writeReport(In, 100), 64);
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

    void backendEnumerates()
    {
        g->hidDevices = {{Node, QStringLiteral("SN-7"), 1}, {{}, {}, 0, 0x0302}};
        {
            HidApiBackend backend(FakeHid, FakeIo);
            const QList<HidDeviceInfo> found = backend.enumerate(0x2047, 0x0301);
            QCOMPARE(g->args["enumerate"], QByteArrayList{"2047 301"});
            QCOMPARE(g->count("free"), 1);
            QCOMPARE(found.size(), 2);
            QCOMPARE(found.at(0).path, NodeName);
            QCOMPARE(found.at(0).serial, QStringLiteral("SN-7"));
            QCOMPARE(found.at(0).interfaceNumber, 1);
            QCOMPARE(found.at(0).vendorId, quint16(0x2047));
            QCOMPARE(found.at(0).productId, quint16(0x0301));
            QVERIFY(found.at(1).path.isEmpty());
            QVERIFY(found.at(1).serial.isNull());
            QCOMPARE(found.at(1).productId, quint16(0x0302));
        }
        QCOMPARE(g->count("exit"), 1);
    }

    void backendOpens_data()
    {
        QTest::addColumn<Io>("mode");
        QTest::addColumn<Script>("script");
        QTest::addColumn<bool>("enumerateFirst");
        QTest::addColumn<QString>("path");
        QTest::addColumn<OpenError>("error");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QByteArrayList>("enumerations");
        const auto row = [](const char *name, Io mode, const Script &s, bool first,
                            const QString &path, OpenError e, const QString &serial,
                            const QByteArrayList &enumerations) {
            QTest::newRow(name) << mode << s << first << path << e << serial << enumerations;
        };
        const QString sn = QStringLiteral("SN-7");
        const QByteArrayList ours{"2047 301"};
        const QByteArrayList lookUp{"0 0"}; // for the serial of a path not seen
        const QString other = QStringLiteral("/dev/hidraw9");
        row("no hidapi", Io::Hidraw, {{"init", {-1}}}, true, NodeName, OpenError::Failed, {}, {});
        row("no node", Io::Hidraw, {{"access", {-ENOENT}}}, true, NodeName, OpenError::NotFound, {},
            ours);
        row("not ours to open", Io::Hidraw, {{"access", {0, -EACCES}}}, true, NodeName,
            OpenError::PermissionDenied, {}, ours);
        row("access refused otherwise: tries", Io::Hidraw, {{"access", {0, -EROFS}}}, true,
            NodeName, OpenError::None, sn, ours);
        row("hidraw, serial from the enumeration", Io::Hidraw, {}, true, NodeName, OpenError::None,
            sn, ours);
        row("hidraw, serial looked up", Io::Hidraw, {}, false, NodeName, OpenError::None, sn,
            lookUp);
        row("hidraw, unknown path", Io::Hidraw, {}, false, other, OpenError::None, {}, lookUp);
        row("hidraw, in use", Io::Hidraw, {{"flock", {-EWOULDBLOCK}}}, true, NodeName,
            OpenError::Busy, {}, ours);
        row("hidapi", Io::HidApi, {}, true, NodeName, OpenError::None, HidSerial, ours);
        row("hidapi, no serial", Io::HidApi, {{"serial", {-1}}}, true, NodeName, OpenError::None,
            {}, ours);
        row("hidapi, busy", Io::HidApi, {{"hid_open", {-EBUSY}}}, true, NodeName, OpenError::Busy,
            {}, ours);
        row("hidapi, fails", Io::HidApi, {{"hid_open", {-EIO}}}, true, NodeName, OpenError::Failed,
            {}, ours);
    }
    void backendOpens()
    {
        QFETCH(Io, mode);
        QFETCH(Script, script);
        QFETCH(bool, enumerateFirst);
        QFETCH(QString, path);
        QFETCH(OpenError, error);
        QFETCH(QString, serial);
        QFETCH(QByteArrayList, enumerations);
        g->hidDevices = {{Node, QStringLiteral("SN-7")}};
        g->script = script;
        {
            HidApiBackend backend(FakeHid, FakeIo, mode);
            if (enumerateFirst)
                backend.enumerate(0x2047, 0x0301);
            auto why = static_cast<OpenError>(-1);
            std::unique_ptr<HidConnection> c = backend.open(path, &why);
            QCOMPARE(why, error);
            QCOMPARE(bool(c), error == OpenError::None);
            QCOMPARE(g->args["enumerate"], enumerations);
            if (c) {
                QCOMPARE(c->serialNumber(), serial);
                if (mode == Io::Hidraw)
                    QVERIFY(dynamic_cast<HidrawConnection *>(c.get()));
                else
                    QVERIFY(dynamic_cast<HidApiConnection *>(c.get()));
            }
            c.reset();
            // Without a place for the reason.
            g->script = script;
            QCOMPARE(bool(backend.open(path)), error == OpenError::None);
        }
        QCOMPARE(g->count("exit"), script.count("init") ? 0 : 1);
    }

    void backendRealHidapi()
    {
        // hidapi's and the system's own calls: no instrument here, and no such node.
        HidApiBackend backend(HidApiCalls::system(), PosixIo::system(), HidApiBackend::Io::HidApi);
        QVERIFY(backend.enumerate(0x2047, 0x0301).isEmpty());
        OpenError why = OpenError::None;
        QVERIFY(!backend.open(QStringLiteral("/dev/hidraw-none"), &why));
        QCOMPARE(why, OpenError::NotFound);
        // Linux opens our own hidraw I/O, for the exclusive lock and the bounded waits.
        QCOMPARE(HidApiBackend::DefaultIo, HidApiBackend::Io::Hidraw);
    }

    void udev_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QByteArray>("event"); // empty: set-up fails
        QTest::addColumn<int>("arrived");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QByteArray>("source"); // asked of libudev
        QTest::addColumn<int>("monitorUnrefs");
        QTest::addColumn<int>("contextUnrefs");
        const auto row = [](const char *name, const Script &s, const QByteArray &event, int arrived,
                            int removed, const QByteArray &source, int monitors, int contexts) {
            QTest::newRow(name) << s << event << arrived << removed << source << monitors
                                << contexts;
        };
        row("hidraw add", {}, "hidraw add", 1, 0, "udev", 1, 1);
        row("hidraw remove, no udev daemon: the kernel's events", {{"exists", {0}}},
            "hidraw remove", 0, 1, "kernel", 1, 1);
        row("hidraw change", {}, "hidraw change", 0, 0, "udev", 1, 1);
        row("usb add", {}, "usb add", 0, 0, "udev", 1, 1);
        row("no subsystem", {}, "- add", 0, 0, "udev", 1, 1);
        row("no action", {}, "hidraw -", 0, 0, "udev", 1, 1);
        row("no udev context", {{"udev_new", {-1}}}, {}, 0, 0, {}, 0, 0);
        row("no monitor", {{"monitor_new", {-1}}}, {}, 0, 0, "udev", 0, 1);
        row("cannot receive", {{"enable", {-1}}}, {}, 0, 0, "udev", 1, 1);
        row("no descriptor", {{"fd", {-1}}}, {}, 0, 0, "udev", 1, 1);
    }
    void udev()
    {
        QFETCH(Script, script);
        QFETCH(QByteArray, event);
        QFETCH(int, arrived);
        QFETCH(int, removed);
        QFETCH(QByteArray, source);
        QFETCH(int, monitorUnrefs);
        QFETCH(int, contextUnrefs);
        QVERIFY(::pipe2(g->pipe, O_NONBLOCK) == 0);
        g->script = script;
        {
            std::unique_ptr<DeviceMonitor> base(new UdevDeviceMonitor(nullptr, FakeUdev));
            auto *monitor = static_cast<UdevDeviceMonitor *>(base.get());
            QCOMPARE(monitor->isListening(), !event.isEmpty());
            QCOMPARE(g->args["monitor_new"],
                     source.isEmpty() ? QByteArrayList() : QByteArrayList{source});
            if (!source.isEmpty())
                QCOMPARE(g->args["exists"], QByteArrayList{"/run/udev/control"});
            if (!event.isEmpty()) {
                QCOMPARE(g->args["match"], QByteArrayList{"hidraw"});
                QSignalSpy arrivals(monitor, &DeviceMonitor::deviceArrived);
                QSignalSpy removals(monitor, &DeviceMonitor::deviceRemoved);
                // Two events at once: both come through one notification.
                g->events = {event, event};
                QCOMPARE(::write(g->pipe[1], "ab", 2), 2);
                QTRY_COMPARE(g->count("device_unref"), 2);
                QCOMPARE(arrivals.size(), 2 * arrived);
                QCOMPARE(removals.size(), 2 * removed);
            }
        }
        QCOMPARE(g->count("monitor_unref"), monitorUnrefs);
        QCOMPARE(g->count("udev_unref"), contextUnrefs);
    }

    void udevReal()
    {
        // libudev's own calls: set-up may be refused here (no netlink); it never throws.
        {
            UdevDeviceMonitor monitor;
        }
        QVERIFY(UdevCalls::system().exists("/dev/null"));
        QVERIFY(!UdevCalls::system().exists("/dev/no-such-node"));
    }
};

QTEST_GUILESS_MAIN(tst_HidReal)
#include "tst_hidreal.moc"
