// The real-device code (hidraw connection, hidapi connection and backend, udev monitor)
// against scripted stand-ins of the C APIs: no device exists here. The stand-ins block
// the way the kernel does (poll waits, a write stays in the kernel, unplug wakes them).
#include "hidapibackend.h"
#include "hidapicalls.h"
#include "hidapiconnection.h"
#include "hidhost.h"
#include "hidrawconnection.h"
#include "joiningthread.h"
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
#include <unistd.h>

using OpenError = HidBackend::OpenError;
using Io = HidApiBackend::Io;
// Per call, its next results: a count or value, or -errno for a failure.
using Script = std::map<std::string, std::deque<long>>;

namespace {

// The connection under test; "no number": fstat fails at the open (stat impossible, or not on
// devtmpfs); "no node": hidapi's path is no device node.
enum Kind { Hidraw, HidApi, NoDevice, NoNumber, NoNode };

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

const auto report = HidHost::report;
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
    QList<HidDeviceInfo> hidDevices; // an empty path or a null serial: hidapi gives null
    std::deque<QByteArray> events;   // "subsystem action", "-" for null
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
    // Notified under the lock: a test that waits for the close may delete the fake next.
    void closed(bool ours)
    {
        std::lock_guard<std::mutex> lock(m);
        closes += ours;
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

int fail(long result)
{
    if (result >= 0)
        return static_cast<int>(result);
    errno = static_cast<int>(-result);
    return -1;
}

// The next report waiting in the device, cut to `size`; with g->m held.
int take(void *buffer, size_t size)
{
    const QByteArray next = g->input.front();
    g->input.pop_front();
    const size_t n = std::min(size, static_cast<size_t>(next.size()));
    std::memcpy(buffer, next.constData(), n);
    return static_cast<int>(n);
}

int fakePoll(pollfd *p, nfds_t, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(g->m);
    p->revents = 0;
    if (p->events == 0) { // the presence check
        const long r = g->call("check", g->unplugged ? POLLERR | POLLHUP : 0);
        p->revents = static_cast<short>(std::max(0L, r));
        return r > 0 ? 1 : fail(r);
    }
    Inside in;
    g->waits.append(timeoutMs);
    const long r = g->call(p->events & POLLOUT ? "pollout" : "pollin", Live);
    if (r != TimeOut && r != Live) {
        p->revents = static_cast<short>(std::max(0L, r));
        return r >= 0 ? 1 : fail(r);
    }
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

ssize_t fakeRead(int, void *buffer, size_t size)
{
    std::lock_guard<std::mutex> lock(g->m);
    Inside in;
    const long r = g->call("read", static_cast<long>(size)); // n > 0: hands over n at most
    if (r <= 0 || g->input.empty())
        return fail(r <= 0 ? r : -EAGAIN);
    return take(buffer, std::min(size, static_cast<size_t>(r)));
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

int fakeStat(const char *call, const QByteArray &path, struct stat *st)
{
    const long r = g->locked(call, OurMinor, path);
    *st = {};
    st->st_mode = r == Regular ? S_IFREG | 0644 : S_IFCHR | 0660;
    st->st_rdev = makedev(241, std::max(0L, r));
    return fail(std::min(0L, r));
}

const PosixIo FakeIo{
    [](const char *path, int flags) {
        std::lock_guard<std::mutex> lock(g->m);
        const long fd = g->call("open", FakeFd, path + (" " + QByteArray::number(flags)));
        g->opens += fd >= 0;
        return fail(fd);
    },
    [](int fd) {
        g->closed(fd == FakeFd);
        return 0;
    },
    [](int, int op) { return fail(g->locked("flock", 0, QByteArray::number(op))); },
    fakePoll,
    fakeRead,
    [](int, const void *data, size_t size) -> ssize_t { return fail(fakeWriteReport(data, size)); },
    [](int, struct stat *st) { return fakeStat("fstat", {}, st); },
    [](const char *path, struct stat *st) { return fakeStat("stat", path, st); },
    [](const char *, int mode) { return fail(g->locked("access", 0, QByteArray::number(mode))); }};

char g_deviceToken;
hid_device *const FakeDevice = reinterpret_cast<hid_device *>(&g_deviceToken);

hid_device_info *fakeHidEnumerate(unsigned short vendor, unsigned short product)
{
    g->locked("enumerate", 0,
              QByteArray::number(vendor, 16) + ' ' + QByteArray::number(product, 16));
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const HidDeviceInfo &d : g->hidDevices) {
        auto *info = new hid_device_info{};
        info->path = d.path.isEmpty() ? nullptr : strdup(d.path.toLocal8Bit().constData());
        if (!d.serial.isNull()) {
            info->serial_number = new wchar_t[64]{};
            d.serial.toWCharArray(info->serial_number);
        }
        info->interface_number = d.interfaceNumber;
        info->vendor_id = d.vendorId;
        info->product_id = d.productId;
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
    return take(data, length);
}

const HidApiCalls FakeHid{
    [] { return fail(g->locked("init")); },
    [] { return fail(g->locked("exit")); },
    fakeHidEnumerate,
    fakeHidFree,
    [](const char *path) {
        std::lock_guard<std::mutex> lock(g->m);
        const long r = g->call("hid_open", 0, path);
        g->opens += r >= 0;
        return fail(r) < 0 ? nullptr : FakeDevice;
    },
    [](hid_device *device) { g->closed(device == FakeDevice); },
    [](hid_device *, const unsigned char *data, size_t length) {
        return fail(fakeWriteReport(data, length));
    },
    fakeHidRead,
    [](hid_device *, wchar_t *string, size_t maxLength) {
        if (const long r = g->locked("serial"))
            return static_cast<int>(r);
        string[HidSerial.left(static_cast<int>(maxLength)).toWCharArray(string)] = 0;
        return 0;
    }};

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

char g_udevToken;
char g_monitorToken;
const UdevCalls FakeUdev{
    []() { return g->locked("udev_new") < 0 ? nullptr : reinterpret_cast<udev *>(&g_udevToken); },
    [](udev *) -> udev * { return g->locked("udev_unref"), nullptr; },
    [](udev *, const char *source) {
        return g->locked("monitor_new", 0, source) < 0
                   ? nullptr
                   : reinterpret_cast<udev_monitor *>(&g_monitorToken);
    },
    [](udev_monitor *) -> udev_monitor * { return g->locked("monitor_unref"), nullptr; },
    [](udev_monitor *, const char *subsystem, const char *devtype) {
        return fail(g->locked("match", 0,
                              QByteArray(subsystem) + (devtype ? "/" + QByteArray(devtype) : "")));
    },
    [](udev_monitor *) { return fail(g->locked("enable")); },
    [](udev_monitor *) { return static_cast<int>(g->locked("fd", g->pipe[0])); },
    fakeReceive,
    [](udev_device *device) { return eventPart(device, 0); },
    [](udev_device *device) { return eventPart(device, 1); },
    [](udev_device *device) -> udev_device * {
        delete reinterpret_cast<QByteArrayList *>(device);
        return g->locked("device_unref"), nullptr;
    },
    [](const char *path) { return g->locked("exists", 1, path) != 0; }};

std::unique_ptr<HidConnection> make(Kind kind)
{
    if (kind == NoNumber || kind == NoNode)
        g->script = kind == NoNumber ? Script{{"fstat", {-EIO}}} : Script{{"stat", {-ENOENT}}};
    if (kind == Hidraw || kind == NoNumber)
        return HidrawConnection::open(NodeName, QStringLiteral("SN-1"), nullptr, FakeIo);
    return std::make_unique<HidApiConnection>(
        kind != NoDevice ? FakeHid.openPath(Node.constData()) : nullptr, QString(), FakeHid,
        HidApiBackend::nodeGone(NodeName, FakeIo));
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

// One row of data per case, named after it.
template <typename Case> void rows(const std::vector<Case> &cases)
{
    QTest::addColumn<Case>("row");
    for (const Case &c : cases)
        QTest::newRow(c.name) << c;
}

struct KindCase {
    const char *name;
    Kind kind;
    char op = 'r';
};
struct OpenCase {
    const char *name;
    Script script;
    OpenError error;
};
// One call (read 'r', write 'w', write of nothing 'e', presence '?') in a scripted state.
struct CallCase {
    const char *name;
    Kind kind;
    char op;
    Script script;
    int result; // of the presence check: removed
    // Removed afterwards; sent: the report went out although the write failed.
    bool removed = false, sent = false;
};
struct DeadlineCase {
    const char *name;
    Kind kind;
    char op;
    Script always;
    int timeoutMs;
};
struct BackendCase {
    const char *name;
    Io mode;
    Script script;
    bool enumerateFirst;
    OpenError error;
    QString serial;
    QByteArrayList enumerations;
    QString path = NodeName;
};
struct UdevCase {
    const char *name;
    Script script;
    QByteArray event; // empty: set-up fails
    int arrived, removed;
    QByteArray source = "udev"; // asked of libudev
    int monitorUnrefs = 1, contextUnrefs = 1;
};

} // namespace

Q_DECLARE_METATYPE(OpenError)
Q_DECLARE_METATYPE(OpenCase)
Q_DECLARE_METATYPE(CallCase)
Q_DECLARE_METATYPE(DeadlineCase)
Q_DECLARE_METATYPE(BackendCase)
Q_DECLARE_METATYPE(UdevCase)
Q_DECLARE_METATYPE(KindCase)

namespace {
void kinds()
{
    rows<KindCase>({{"hidraw", Hidraw}, {"hidapi", HidApi}});
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
        rows<OpenCase>({
            {"opens", {}, OpenError::None},
            {"open EINTR, again", {{"open", {-EINTR, -EINTR}}}, OpenError::None},
            {"no node", {{"open", {-ENOENT}}}, OpenError::NotFound},
            {"no device", {{"open", {-ENODEV}}}, OpenError::NotFound},
            {"ENXIO", {{"open", {-ENXIO}}}, OpenError::NotFound},
            {"EACCES", {{"open", {-EACCES}}}, OpenError::PermissionDenied},
            {"EPERM", {{"open", {-EPERM}}}, OpenError::PermissionDenied},
            {"EBUSY", {{"open", {-EBUSY}}}, OpenError::Busy},
            {"EIO", {{"open", {-EIO}}}, OpenError::Failed},
            {"lock held by another program", {{"flock", {-EWOULDBLOCK}}}, OpenError::Busy},
            {"flock EINTR, again", {{"flock", {-EINTR}}}, OpenError::None},
            {"flock impossible: opens unlocked", {{"flock", {-ENOLCK}}}, OpenError::None},
            {"not a device node", {{"fstat", {Regular}}}, OpenError::Failed},
            {"fstat fails: opens", {{"fstat", {-EIO}}}, OpenError::None},
        });
    }
    void open()
    {
        QFETCH(OpenCase, row);
        const bool warns = row.script["flock"] == std::deque<long>{-ENOLCK};
        for (const bool withReason : {true, false}) {
            g->script = row.script;
            if (warns)
                QTest::ignoreMessage(QtWarningMsg, "hidraw: no exclusive lock on /dev/hidraw3: "
                                                   "No locks available");
            auto why = static_cast<OpenError>(-1);
            std::unique_ptr<HidrawConnection> c =
                HidrawConnection::open(NodeName, QString(), withReason ? &why : nullptr, FakeIo);
            QCOMPARE(bool(c), row.error == OpenError::None);
            if (withReason)
                QCOMPARE(why, row.error);
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

    void call_data()
    {
        rows<CallCase>({
            {"read: the report as the kernel has it", Hidraw, 'r', {}, 64},
            {"read: short", Hidraw, 'r', {{"read", {2}}}, 2},
            {"read: poll EINTR, again", Hidraw, 'r', {{"pollin", {-EINTR}}}, 64},
            {"read: EINTR, again", Hidraw, 'r', {{"read", {-EINTR}}}, 64},
            {"read: EAGAIN (taken), again", Hidraw, 'r', {{"read", {-EAGAIN}}}, 64},
            {"read: empty, again", Hidraw, 'r', {{"read", {0}}}, 64},
            {"read: poll without POLLIN, again", Hidraw, 'r', {{"pollin", {0}}}, 64},
            {"read: ENODEV", Hidraw, 'r', {{"read", {-ENODEV}}}, -1, true},
            {"read: EIO", Hidraw, 'r', {{"read", {-EIO}}}, -1, true},
            {"read: ESHUTDOWN", Hidraw, 'r', {{"read", {-ESHUTDOWN}}}, -1, true},
            {"read: EINVAL", Hidraw, 'r', {{"read", {-EINVAL}}}, -1},
            {"read: poll EINVAL", Hidraw, 'r', {{"pollin", {-EINVAL}}}, -1},
            {"read: POLLHUP", Hidraw, 'r', {{"pollin", {POLLHUP}}}, -1, true},
            {"read: POLLNVAL", Hidraw, 'r', {{"pollin", {POLLNVAL}}}, -1, true},
            {"write: as-is", Hidraw, 'w', {}, 64},
            {"write: short fails, sent once", Hidraw, 'w', {{"write", {10}}}, -1, false, true},
            {"write: EINTR, again", Hidraw, 'w', {{"write", {-EINTR}}}, 64},
            {"write: EAGAIN, again", Hidraw, 'w', {{"write", {-EAGAIN, -EAGAIN}}}, 64},
            {"write: poll EINTR, again", Hidraw, 'w', {{"pollout", {-EINTR}}}, 64},
            {"write: poll without POLLOUT, again", Hidraw, 'w', {{"pollout", {0}}}, 64},
            {"write: poll EINVAL", Hidraw, 'w', {{"pollout", {-EINVAL}}}, -1},
            {"write: ENODEV", Hidraw, 'w', {{"write", {-ENODEV}}}, -1, true},
            {"write: EIO", Hidraw, 'w', {{"write", {-EIO}}}, -1, true},
            {"write: EPIPE (stall)", Hidraw, 'w', {{"write", {-EPIPE}}}, -1},
            {"write: POLLERR", Hidraw, 'w', {{"pollout", {POLLERR}}}, -1, true},
            {"write: empty report", Hidraw, 'e', {}, -1},
            {"present", Hidraw, '?', {}, false},
            {"check EINTR, again", Hidraw, '?', {{"check", {-EINTR, -EINTR}}}, false},
            {"hung up", Hidraw, '?', {{"check", {POLLERR | POLLHUP}}}, true},
            {"node gone", Hidraw, '?', {{"stat", {-ENOENT}}}, true},
            {"folder gone", Hidraw, '?', {{"stat", {-ENOTDIR}}}, true},
            {"stat refused: cannot tell", Hidraw, '?', {{"stat", {-EACCES}}}, false},
            {"another device's node", Hidraw, '?', {{"stat", {4}}}, true},
            {"not a device node now", Hidraw, '?', {{"stat", {Regular}}}, true},
            {"no number: present", NoNumber, '?', {{"stat", {4}}}, false},
            {"no number: hung up", NoNumber, '?', {{"check", {POLLHUP}}}, true},
            {"no number: gone", NoNumber, '?', {{"stat", {-ENOENT}}}, true},
            {"hidapi read", HidApi, 'r', {}, 64},
            {"hidapi read fails: gone", HidApi, 'r', {{"hid_read", {-1}}}, -1, true},
            {"hidapi write", HidApi, 'w', {}, 64},
            {"hidapi write fails: not removed", HidApi, 'w', {{"write", {-EIO}}}, -1},
            {"hidapi write: empty report", HidApi, 'e', {}, -1},
            {"hidapi present", HidApi, '?', {}, false},
            {"hidapi node gone", HidApi, '?', {{"stat", {-ENOENT}}}, true},
            {"hidapi another device's node", HidApi, '?', {{"stat", {4}}}, true},
            {"hidapi not a node now", HidApi, '?', {{"stat", {Regular}}}, true},
            {"hidapi, no node: reads tell", NoNode, '?', {{"stat", {-ENOENT}}}, false},
            {"hidapi without a device", NoDevice, 'r', {}, -1, true},
        });
    }
    void call()
    {
        QFETCH(CallCase, row);
        const bool removed = row.op == '?' ? row.result != 0 : row.removed;
        std::unique_ptr<HidConnection> c = make(row.kind);
        QVERIFY(c);
        g->script = row.script;
        g->input = {In};
        QByteArray got("stale");
        int r = -2;
        TIMED(r = row.op == 'r'   ? c->readReport(got, 1000)
                  : row.op == '?' ? c->isRemoved()
                                  : c->writeReport(row.op == 'w' ? In : QByteArray(), 1000),
              0, Slack);
        QCOMPARE(r, row.result);
        if (row.op == 'r') {
            QCOMPARE(got, In.left(std::max(0, row.result)));
        } else if (row.op != '?') {
            QCOMPARE(g->written, row.sent || r > 0 ? QByteArrayList{In} : QByteArrayList());
        } else {
            // Consumes nothing.
            QCOMPARE(g->busy(), 0);
            QCOMPARE(int(g->input.size()), 1);
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

    // Calls that find nothing to do end by their deadline, and leave the node usable.
    void deadline_data()
    {
        rows<DeadlineCase>({
            {"read: nothing comes", Hidraw, 'r', {}, 300},
            {"read: poll EINTR to the end", Hidraw, 'r', {{"pollin", {-EINTR}}}, 60},
            {"read: no time, one look", Hidraw, 'r', {}, 0},
            {"hidapi read: nothing comes", HidApi, 'r', {}, 200},
            {"write: never writable", Hidraw, 'w', {{"pollout", {TimeOut}}}, 200},
            {"write: EAGAIN to the end", Hidraw, 'w', {{"write", {-EAGAIN}}}, 200},
            {"write: EINTR to the end", Hidraw, 'w', {{"write", {-EINTR}}}, 200},
            {"write: poll EINTR to the end", Hidraw, 'w', {{"pollout", {-EINTR}}}, 200},
            {"write: poll without POLLOUT to the end", Hidraw, 'w', {{"pollout", {0}}}, 200},
            // Past its deadline before it starts: not started, and the lock not left taken.
            {"write: no time", Hidraw, 'w', {}, 0},
        });
    }
    void deadline()
    {
        QFETCH(DeadlineCase, row);
        auto c = make(row.kind);
        for (const auto &a : row.always)
            g->always[a.first] = a.second.front();
        const int t = row.timeoutMs;
        QByteArray got("stale");
        TIMED(QCOMPARE(row.op == 'r' ? c->readReport(got, t) : c->writeReport(In, t),
                       row.op == 'r' ? 0 : -1),
              t - 5, t + Slack);
        QVERIFY(!c->isRemoved());
        const int slice =
            row.kind == Hidraw ? HidrawConnection::ReadSliceMs : HidApiConnection::ReadSliceMs;
        {
            std::lock_guard<std::mutex> lock(g->m);
            for (int w : g->waits)
                QVERIFY2(w >= 0 && w <= (row.op == 'r' ? std::min(t, slice) : t),
                         QByteArray::number(w));
            if (row.op == 'r') // in slices, so that a write gets the node between them
                QVERIFY(t ? g->waits.size() >= t / slice : g->waits.size() == 1);
        }
        if (row.op == 'r') {
            QVERIFY(got.isEmpty());
        } else {
            if (t == 0)
                QCOMPARE(g->count("write"), 0);
            // Reads go on; and the late write has let go once this one ends.
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

    void writeStaysInTheKernel_data() { kinds(); }
    void writeStaysInTheKernel()
    {
        QFETCH(KindCase, row);
        auto c = make(row.kind);
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
    void waitingReadHoldsUpNothing_data() { kinds(); }
    void waitingReadHoldsUpNothing()
    {
        QFETCH(KindCase, row);
        auto c = make(row.kind);
        std::atomic<int> readResult{-2};
        {
            JoiningThread reader([&] {
                QByteArray got;
                readResult = c->readReport(got, 1500);
            });
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

        // Cancelled before a close: the waiting read ends with its slice, later ones at once.
        TIMED(
            {
                JoiningThread reader([&] {
                    QByteArray got;
                    readResult = c->readReport(got, 3000);
                });
                QVERIFY(g->waitUntil([] { return g->inside > 0; }));
                c->cancelRead();
            },
            0, HidrawConnection::ReadSliceMs + Slack);
        QCOMPARE(readResult.load(), 0);
        QByteArray got;
        TIMED(QCOMPARE(c->readReport(got, 3000), 0), 0, Slack);
    }

    void unplugWakesAWaitingCall_data()
    {
        rows<KindCase>({{"read", Hidraw, 'r'}, {"write", Hidraw, 'w'}});
    }
    void unplugWakesAWaitingCall()
    {
        QFETCH(KindCase, row);
        auto c = make(Hidraw);
        g->writeBlockMs = 5000;
        JoiningThread unplugger([] {
            g->waitUntil([] { return g->inside > 0; }); // waiting in poll or in the write
            g->change([] { g->unplugged = true; });
        });
        QByteArray got;
        TIMED(QCOMPARE(row.op == 'w' ? c->writeReport(In, 3000) : c->readReport(got, 3000), -1), 0,
              Slack);
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
        // Why an open of this node fails; None when it opens.
        const auto refusal = [](const QString &path) {
            auto why = static_cast<OpenError>(-1);
            const bool opened = bool(HidrawConnection::open(path, QString(), &why));
            return opened == (why == OpenError::None) ? why : static_cast<OpenError>(-1);
        };
        // The exclusive lock: a second open of the same node finds it in use.
        QCOMPARE(refusal(QStringLiteral("/dev/zero")), OpenError::Busy);
        c.reset();
        QCOMPARE(refusal(QStringLiteral("/dev/zero")), OpenError::None);
        // Not a device node; no node.
        QTemporaryFile file;
        QVERIFY(file.open());
        QCOMPARE(refusal(file.fileName()), OpenError::Failed);
        QCOMPARE(refusal(QStringLiteral("/dev/hidraw-none")), OpenError::NotFound);
    }

    void backendEnumerates()
    {
        g->hidDevices = {{NodeName, "SN-7", 1, 0x2047, 0x0301}, {{}, {}, 2, 0x2047, 0x0302}};
        const auto text = [](const QList<HidDeviceInfo> &list) {
            QStringList t;
            for (const HidDeviceInfo &i : list)
                t << QStringLiteral("%1 %2 %3 %4 %5 %6")
                         .arg(i.path, i.serial, QString::number(i.interfaceNumber))
                         .arg(i.vendorId, 0, 16)
                         .arg(i.productId, 0, 16)
                         .arg(i.serial.isNull());
            return t;
        };
        {
            HidApiBackend backend(FakeHid, FakeIo);
            QCOMPARE(text(backend.enumerate(0x2047, 0x0301)), text(g->hidDevices));
            QCOMPARE(g->args["enumerate"], QByteArrayList{"2047 301"});
            QCOMPARE(g->count("free"), 1);
        }
        QCOMPARE(g->count("exit"), 1);
    }

    void backendOpens_data()
    {
        using E = OpenError;
        const Io raw = Io::Hidraw;
        const Io api = Io::HidApi;
        const QString sn = QStringLiteral("SN-7");
        const QByteArrayList ours{"2047 301"};
        const QByteArrayList lookUp{"0 0"}; // for the serial of a path not seen
        const E denied = E::PermissionDenied;
        rows<BackendCase>({
            {"no hidapi", raw, {{"init", {-1}}}, true, E::Failed, {}, {}},
            {"no node", raw, {{"access", {-ENOENT}}}, true, E::NotFound, {}, ours},
            {"not ours to open", raw, {{"access", {0, -EACCES}}}, true, denied, {}, ours},
            // Refused for another reason: it tries.
            {"access refused otherwise", raw, {{"access", {0, -EROFS}}}, true, E::None, sn, ours},
            {"hidraw, serial from the enumeration", raw, {}, true, E::None, sn, ours},
            {"hidraw, serial looked up", raw, {}, false, E::None, sn, lookUp},
            {"hidraw, unknown path", raw, {}, false, E::None, {}, lookUp, "/dev/hidraw9"},
            {"hidraw, in use", raw, {{"flock", {-EWOULDBLOCK}}}, true, E::Busy, {}, ours},
            {"hidapi", api, {}, true, E::None, HidSerial, ours},
            {"hidapi, no serial", api, {{"serial", {-1}}}, true, E::None, {}, ours},
            {"hidapi, busy", api, {{"hid_open", {-EBUSY}}}, true, E::Busy, {}, ours},
            {"hidapi, fails", api, {{"hid_open", {-EIO}}}, true, E::Failed, {}, ours},
        });
    }
    void backendOpens()
    {
        QFETCH(BackendCase, row);
        g->hidDevices = {{NodeName, "SN-7", 0, 0x2047, 0x0301}};
        g->script = row.script;
        {
            HidApiBackend backend(FakeHid, FakeIo, row.mode);
            if (row.enumerateFirst)
                backend.enumerate(0x2047, 0x0301);
            auto why = static_cast<OpenError>(-1);
            std::unique_ptr<HidConnection> c = backend.open(row.path, &why);
            QCOMPARE(why, row.error);
            QCOMPARE(bool(c), row.error == OpenError::None);
            QCOMPARE(g->args["enumerate"], row.enumerations);
            if (c) {
                QCOMPARE(c->serialNumber(), row.serial);
                QCOMPARE(bool(dynamic_cast<HidrawConnection *>(c.get())), row.mode == Io::Hidraw);
                QCOMPARE(bool(dynamic_cast<HidApiConnection *>(c.get())), row.mode == Io::HidApi);
            }
            c.reset();
            // Without a place for the reason.
            g->script = row.script;
            QCOMPARE(bool(backend.open(row.path)), row.error == OpenError::None);
        }
        QCOMPARE(g->count("exit"), row.script.count("init") ? 0 : 1);
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
        rows<UdevCase>({
            {"hidraw add", {}, "hidraw add", 1, 0},
            // No udev daemon: the kernel's events.
            {"hidraw remove, no udev daemon", {{"exists", {0}}}, "hidraw remove", 0, 1, "kernel"},
            {"hidraw change", {}, "hidraw change", 0, 0},
            {"usb add", {}, "usb add", 0, 0},
            {"no subsystem", {}, "- add", 0, 0},
            {"no action", {}, "hidraw -", 0, 0},
            {"no udev context", {{"udev_new", {-1}}}, {}, 0, 0, {}, 0, 0},
            {"no monitor", {{"monitor_new", {-1}}}, {}, 0, 0, "udev", 0},
            {"cannot receive", {{"enable", {-1}}}, {}, 0, 0},
            {"no descriptor", {{"fd", {-1}}}, {}, 0, 0},
        });
    }
    void udev()
    {
        QFETCH(UdevCase, row);
        QVERIFY(::pipe2(g->pipe, O_NONBLOCK) == 0);
        g->script = row.script;
        {
            std::unique_ptr<DeviceMonitor> base(new UdevDeviceMonitor(nullptr, FakeUdev));
            auto *monitor = static_cast<UdevDeviceMonitor *>(base.get());
            QCOMPARE(monitor->isListening(), !row.event.isEmpty());
            QCOMPARE(g->args["monitor_new"],
                     row.source.isEmpty() ? QByteArrayList() : QByteArrayList{row.source});
            if (!row.source.isEmpty())
                QCOMPARE(g->args["exists"], QByteArrayList{"/run/udev/control"});
            if (!row.event.isEmpty()) {
                QCOMPARE(g->args["match"], QByteArrayList{"hidraw"});
                QSignalSpy arrivals(monitor, &DeviceMonitor::deviceArrived);
                QSignalSpy removals(monitor, &DeviceMonitor::deviceRemoved);
                // Two events at once: both come through one notification.
                g->events = {row.event, row.event};
                QCOMPARE(::write(g->pipe[1], "ab", 2), 2);
                QTRY_COMPARE(g->count("device_unref"), 2);
                QCOMPARE(arrivals.size(), 2 * row.arrived);
                QCOMPARE(removals.size(), 2 * row.removed);
            }
        }
        QCOMPARE(g->count("monitor_unref"), row.monitorUnrefs);
        QCOMPARE(g->count("udev_unref"), row.contextUnrefs);
    }

    void udevReal()
    {
        // libudev's own calls: set-up may be refused here (no netlink); it never throws.
        UdevDeviceMonitor{};
        QVERIFY(UdevCalls::system().exists("/dev/null"));
        QVERIFY(!UdevCalls::system().exists("/dev/no-such-node"));
    }
};

QTEST_GUILESS_MAIN(tst_HidReal)
#include "tst_hidreal.moc"
