// The Windows transport and device notices against scripted stand-ins of the Win32 calls, and
// the transport's real overlapped I/O against a named pipe that the virtual instrument serves.
#include "clinkerusb.h"
#include "devicemonitor.h"
#include "instrumentprotocol.h"
#include "instrumentwire.h"
#include "libhiddevice.h"
#include "linkexchange.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "promptrecorder.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"
#include "windevicemonitor.h"
#include "winhidbackend.h"
#include "winhidconnection.h"

#include <QElapsedTimer>
#include <QtTest>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr quint16 kVid = InstrumentWire::VendorId;
constexpr quint16 kPid = InstrumentWire::ProductId;
const GUID kHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr LONG kStatusCancelled = static_cast<LONG>(0xC0000120);
constexpr LONG kStatusGone = static_cast<LONG>(0xC000009D);

QString instrumentPath(const QString &tail)
{
    return QStringLiteral("\\\\?\\hid#vid_2047&pid_0301#") + tail +
           QStringLiteral("#{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

// One scripted HID interface.
struct Interface {
    QString path;
    QString serial;
    quint16 vendorId = kVid;
    bool serialReadable = true;
    bool heldExclusively = false; // another program holds it for itself
    bool heldShared = false;      // another program has it open, sharing
    bool capsFail = false;
    bool removed = false;
};

// A transfer the scripted driver has taken and not finished.
struct Pending {
    HANDLE handle = nullptr;
    OVERLAPPED *overlapped = nullptr;
    char *buffer = nullptr;
    DWORD length = 0;
};

// What the stand-ins answer and what they were asked; a fresh one for every test.
struct Script {
    QList<Interface> interfaces;
    bool noClassList = false;
    int detailFailsAt = -1;          // that interface's record cannot be read
    int noDetailSizeAt = -1;         // nor its size
    std::deque<QByteArray> ready;    // input reports there before a read starts
    std::deque<QByteArray> arriving; // one comes during each wait; an empty one unplugs
    bool reportRacesCancel = false;  // the report comes just as the read is cancelled
    bool cancelHangs = false;
    enum class WriteMode { Pending, AtOnce, NeverEnds, Unplugs } writeMode = WriteMode::Pending;
    QList<QByteArray> written;
    QList<DWORD> shareModes; // of every open for reading and writing
    QList<ULONG> inputBuffers;
    DWORD classFlags = 0;
    int reads = 0;
    int cancels = 0;
    int openHandles = 0;
    int preparsedHeld = 0;
    int listsHeld = 0;
    int failRegistrationAt = -1;
    QList<HANDLE> recipients;
    QList<QByteArray> filters;
    int unregistered = 0;
    std::optional<Pending> read;
    std::optional<Pending> write;
    std::map<HANDLE, int> handles; // scripted device handles and their interfaces
    int nextHandle = 1;
    DWORD lastError = 0;
};

Script g;
std::recursive_mutex g_mutex; // the reading and the cancelling thread share the script
using Lock = std::lock_guard<std::recursive_mutex>;

const auto kSet = reinterpret_cast<HDEVINFO>(quintptr(0x5E70));
const auto kPreparsed = reinterpret_cast<PHIDP_PREPARSED_DATA>(quintptr(0x9A50));

BOOL failWith(DWORD error)
{
    g.lastError = error;
    return FALSE;
}

Interface *interfaceOf(HANDLE handle)
{
    const auto it = g.handles.find(handle);
    return it == g.handles.end() ? nullptr : &g.interfaces[it->second];
}

void complete(Pending &pending, LONG status, const QByteArray &bytes = {})
{
    const DWORD n = std::min<DWORD>(pending.length, static_cast<DWORD>(bytes.size()));
    if (pending.buffer && n)
        std::memcpy(pending.buffer, bytes.constData(), n);
    pending.overlapped->Internal = static_cast<ULONG_PTR>(status);
    pending.overlapped->InternalHigh = n;
    SetEvent(pending.overlapped->hEvent);
}

HDEVINFO WINAPI classDevs(const GUID *guid, PCWSTR, HWND, DWORD flags)
{
    g.classFlags = flags;
    if (g.noClassList || !IsEqualGUID(*guid, kHidClass)) {
        g.lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    ++g.listsHeld;
    return kSet;
}

BOOL WINAPI enumInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID *, DWORD index,
                           PSP_DEVICE_INTERFACE_DATA data)
{
    if (set != kSet || data->cbSize != sizeof *data)
        return failWith(ERROR_INVALID_PARAMETER);
    if (index >= static_cast<DWORD>(g.interfaces.size()))
        return failWith(ERROR_NO_MORE_ITEMS);
    data->Reserved = index;
    return TRUE;
}

BOOL WINAPI interfaceDetail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA data,
                            PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                            PSP_DEVINFO_DATA)
{
    const int index = static_cast<int>(data->Reserved);
    const QString &path = g.interfaces[index].path;
    const DWORD needed = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                         static_cast<DWORD>(path.size() + 1) * sizeof(wchar_t);
    if (required)
        *required = index == g.noDetailSizeAt ? 0 : needed;
    if (!detail || size < needed || detail->cbSize != sizeof *detail || index == g.detailFailsAt)
        return failWith(ERROR_INSUFFICIENT_BUFFER);
    path.toWCharArray(detail->DevicePath);
    detail->DevicePath[path.size()] = L'\0';
    return TRUE;
}

BOOL WINAPI destroyList(HDEVINFO set)
{
    g.listsHeld -= set == kSet;
    return TRUE;
}

void WINAPI hidGuid(LPGUID guid)
{
    *guid = kHidClass;
}

BOOLEAN WINAPI attributes(HANDLE handle, PHIDD_ATTRIBUTES out)
{
    Lock lock(g_mutex);
    const Interface *i = interfaceOf(handle);
    if (!i || i->removed || out->Size != sizeof *out)
        return FALSE;
    out->VendorID = i->vendorId;
    out->ProductID = kPid;
    out->VersionNumber = 0x0102;
    return TRUE;
}

BOOLEAN WINAPI serialNumber(HANDLE handle, PVOID buffer, ULONG bytes)
{
    const Interface *i = interfaceOf(handle);
    if (!i || !i->serialReadable)
        return FALSE;
    const int chars = std::min<int>(i->serial.size(), static_cast<int>(bytes / sizeof(wchar_t)));
    i->serial.left(chars).toWCharArray(static_cast<wchar_t *>(buffer));
    return TRUE;
}

BOOLEAN WINAPI preparsedData(HANDLE, PHIDP_PREPARSED_DATA *data)
{
    *data = kPreparsed;
    ++g.preparsedHeld;
    return TRUE;
}

NTSTATUS WINAPI caps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS out)
{
    // Only the one interface the test opened has preparsed data out.
    const bool fails = std::any_of(g.interfaces.begin(), g.interfaces.end(),
                                   [](const Interface &i) { return i.capsFail; });
    if (data != kPreparsed || fails)
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    out->InputReportByteLength = 64;
    out->OutputReportByteLength = 64;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN WINAPI freePreparsed(PHIDP_PREPARSED_DATA data)
{
    g.preparsedHeld -= data == kPreparsed;
    return TRUE;
}

BOOLEAN WINAPI inputBuffers(HANDLE, ULONG count)
{
    g.inputBuffers << count;
    return TRUE;
}

HANDLE WINAPI createFile(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD,
                         DWORD flags, HANDLE)
{
    const QString path = QString::fromWCharArray(name);
    for (int index = 0; index < g.interfaces.size(); ++index) {
        const Interface &i = g.interfaces[index];
        if (i.path != path)
            continue;
        if (i.removed || !(flags & FILE_FLAG_OVERLAPPED)) {
            failWith(i.removed ? ERROR_DEVICE_NOT_CONNECTED : ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (access != 0) {
            g.shareModes << share;
            if (i.heldExclusively || (i.heldShared && share == 0)) {
                failWith(ERROR_SHARING_VIOLATION);
                return INVALID_HANDLE_VALUE;
            }
        }
        const auto handle = reinterpret_cast<HANDLE>(quintptr(0x10000 + 16 * g.nextHandle++));
        g.handles[handle] = index;
        ++g.openHandles;
        return handle;
    }
    failWith(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI closeHandle(HANDLE handle)
{
    Lock lock(g_mutex);
    if (g.handles.erase(handle)) {
        --g.openHandles;
        return TRUE;
    }
    return CloseHandle(handle); // an event
}

BOOL WINAPI readFile(HANDLE handle, LPVOID buffer, DWORD length, LPDWORD, LPOVERLAPPED overlapped)
{
    Lock lock(g_mutex);
    ++g.reads;
    const Interface *i = interfaceOf(handle);
    if (!i || i->removed)
        return failWith(ERROR_DEVICE_NOT_CONNECTED);
    Pending pending{handle, overlapped, static_cast<char *>(buffer), length};
    ResetEvent(overlapped->hEvent);
    if (!g.ready.empty()) {
        complete(pending, 0, g.ready.front());
        g.ready.pop_front();
        return TRUE;
    }
    overlapped->Internal = static_cast<ULONG_PTR>(STATUS_PENDING);
    g.read = pending;
    return failWith(ERROR_IO_PENDING);
}

BOOL WINAPI writeFile(HANDLE handle, LPCVOID buffer, DWORD length, LPDWORD, LPOVERLAPPED overlapped)
{
    Lock lock(g_mutex);
    const Interface *i = interfaceOf(handle);
    if (!i || i->removed)
        return failWith(ERROR_DEVICE_NOT_CONNECTED);
    Pending pending{handle, overlapped, nullptr, length};
    ResetEvent(overlapped->hEvent);
    overlapped->Internal = static_cast<ULONG_PTR>(STATUS_PENDING);
    switch (g.writeMode) {
    case Script::WriteMode::AtOnce:
        g.written << QByteArray(static_cast<const char *>(buffer), static_cast<int>(length));
        complete(pending, 0, QByteArray(static_cast<int>(length), '\0'));
        return TRUE;
    case Script::WriteMode::Pending:
        g.written << QByteArray(static_cast<const char *>(buffer), static_cast<int>(length));
        complete(pending, 0, QByteArray(static_cast<int>(length), '\0'));
        break;
    case Script::WriteMode::NeverEnds:
    case Script::WriteMode::Unplugs:
        g.write = pending;
        break;
    }
    return failWith(ERROR_IO_PENDING);
}

BOOL WINAPI overlappedResult(HANDLE, LPOVERLAPPED overlapped, LPDWORD bytes, BOOL)
{
    const auto status = static_cast<LONG>(overlapped->Internal);
    if (status == static_cast<LONG>(STATUS_PENDING))
        return failWith(ERROR_IO_INCOMPLETE);
    if (status == kStatusCancelled)
        return failWith(ERROR_OPERATION_ABORTED);
    if (status != 0)
        return failWith(ERROR_DEVICE_NOT_CONNECTED);
    *bytes = static_cast<DWORD>(overlapped->InternalHigh);
    return TRUE;
}

DWORD WINAPI waitMultiple(DWORD count, const HANDLE *events, BOOL all, DWORD timeoutMs)
{
    {
        Lock lock(g_mutex);
        const auto waitsFor = [&](const std::optional<Pending> &p) {
            return p && std::find(events, events + count, p->overlapped->hEvent) != events + count;
        };
        if (waitsFor(g.read) && !g.arriving.empty() && !g.reportRacesCancel) {
            const QByteArray report = g.arriving.front();
            g.arriving.pop_front();
            if (report.isEmpty())
                g.interfaces[g.handles[g.read->handle]].removed = true;
            complete(*g.read, report.isEmpty() ? kStatusGone : 0, report);
            g.read.reset();
        }
        if (waitsFor(g.write) && g.writeMode == Script::WriteMode::Unplugs) {
            g.interfaces[g.handles[g.write->handle]].removed = true;
            complete(*g.write, kStatusGone);
            g.write.reset();
        }
    }
    return WaitForMultipleObjects(count, events, all, timeoutMs);
}

BOOL WINAPI cancelIo(HANDLE handle)
{
    Lock lock(g_mutex);
    ++g.cancels;
    if (g.cancelHangs)
        return TRUE;
    for (std::optional<Pending> *pending : {&g.read, &g.write}) {
        if (!*pending || (*pending)->handle != handle)
            continue;
        const bool racing = pending == &g.read && g.reportRacesCancel && !g.arriving.empty();
        if (racing) {
            complete(**pending, 0, g.arriving.front());
            g.arriving.pop_front();
        } else {
            complete(**pending, kStatusCancelled);
        }
        pending->reset();
    }
    return TRUE;
}

DWORD WINAPI lastError()
{
    return g.lastError;
}

HDEVNOTIFY WINAPI registerNotification(HANDLE recipient, LPVOID filter, DWORD flags)
{
    const auto *header = static_cast<const DEV_BROADCAST_HDR *>(filter);
    g.recipients << recipient;
    g.filters << QByteArray(static_cast<const char *>(filter), static_cast<int>(header->dbch_size));
    if (flags != DEVICE_NOTIFY_WINDOW_HANDLE || g.recipients.size() - 1 == g.failRegistrationAt)
        return nullptr;
    return reinterpret_cast<HDEVNOTIFY>(quintptr(0x7000 + g.recipients.size()));
}

BOOL WINAPI unregisterNotification(HDEVNOTIFY)
{
    ++g.unregistered;
    return TRUE;
}

const Win32HidCalls &scripted()
{
    static const Win32HidCalls calls = {classDevs,
                                        enumInterfaces,
                                        interfaceDetail,
                                        destroyList,
                                        hidGuid,
                                        attributes,
                                        serialNumber,
                                        preparsedData,
                                        caps,
                                        freePreparsed,
                                        inputBuffers,
                                        createFile,
                                        closeHandle,
                                        CreateEventW,
                                        SetEvent,
                                        readFile,
                                        writeFile,
                                        overlappedResult,
                                        waitMultiple,
                                        cancelIo,
                                        lastError,
                                        registerNotification,
                                        unregisterNotification};
    return calls;
}

QByteArray inputReport(const QByteArray &payload, char id = 0x3F)
{
    QByteArray report(64, '\0');
    report[0] = id;
    report[1] = static_cast<char>(payload.size());
    report.replace(2, payload.size(), payload);
    return report;
}

// Every debug line written while it lives.
class DebugLines
{
public:
    DebugLines()
    {
        s_lines = &m_lines;
        m_previous = qInstallMessageHandler(keep);
    }
    ~DebugLines()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList take() { return std::exchange(m_lines, {}); }

private:
    static void keep(QtMsgType, const QMessageLogContext &, const QString &text)
    {
        if (s_lines)
            *s_lines << text;
    }
    static inline QStringList *s_lines = nullptr;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

class tst_WinHid : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        g = Script{};
        HidBackend::setCurrent(&m_backend);
    }
    void cleanup() { HidBackend::setCurrent(nullptr); }

    void opening();
    void readsAndWrites();
    void waitsThatEndEarly();
    void deviceNotices();
    void realOverlappedIoThroughAPipe();

private:
    WinHidBackend m_backend{scripted()};
};

void tst_WinHid::opening()
{
    using E = HidBackend::OpenError;
    const DWORD rw = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const auto one = [](Interface i) {
        if (i.path.isEmpty())
            i.path = instrumentPath(QStringLiteral("a"));
        return QList<Interface>{i};
    };
    const struct {
        const char *name;
        QList<Interface> interfaces;
        std::function<void()> prepare;
        int opened; // index of the interface opened, or -1
        E error;
        QList<DWORD> shareModes;
    } cases[] = {
        {"no device", {}, {}, -1, E::NotFound, {}},
        {"another product's path",
         {{QStringLiteral("\\\\?\\hid#vid_2047&pid_0302#a"), QStringLiteral("S")}},
         {},
         -1,
         E::NotFound,
         {}},
        {"ours alone", one({{}, QStringLiteral("5633416")}), {}, 0, E::None, {0}},
        {"held by another program",
         one({{}, QStringLiteral("S"), kVid, true, true}),
         {},
         -1,
         E::Busy,
         {0, rw}},
        {"shared by another program",
         one({{}, QStringLiteral("S"), kVid, true, false, true}),
         {},
         0,
         E::None,
         {0, rw}},
        {"two instruments: the last serial wins",
         {{instrumentPath("a"), QStringLiteral("AAA")},
          {instrumentPath("b"), QStringLiteral("BBB")}},
         {},
         1,
         E::None,
         {0}},
        {"two interfaces of one: the last",
         {{instrumentPath("a"), QStringLiteral("S")}, {instrumentPath("b"), QStringLiteral("S")}},
         {},
         1,
         E::None,
         {0}},
        {"an empty serial has a name of its own", one({{}, QString()}), {}, 0, E::None, {0}},
        {"no serial readable",
         one({{}, QStringLiteral("S"), kVid, false}),
         {},
         -1,
         E::NotFound,
         {}},
        {"another vendor behind the path",
         one({{}, QStringLiteral("S"), 0x1234}),
         {},
         -1,
         E::NotFound,
         {}},
        {"no class list",
         one({{}, QStringLiteral("S")}),
         [] { g.noClassList = true; },
         -1,
         E::NotFound,
         {}},
        {"an unreadable record is passed over",
         {{instrumentPath("a"), QStringLiteral("A")},
          {instrumentPath("b"), QStringLiteral("B")},
          {instrumentPath("c"), QStringLiteral("C")}},
         [] {
             g.detailFailsAt = 2;
             g.noDetailSizeAt = 1;
         },
         0,
         E::None,
         {0}},
        {"capabilities refused: 64-byte reports",
         one({{}, QStringLiteral("S"), kVid, true, false, false, true}),
         {},
         0,
         E::None,
         {0}},
    };
    for (const auto &c : cases) {
        g = Script{};
        g.interfaces = c.interfaces;
        if (c.prepare)
            c.prepare();
        libHidDevice device;
        QVERIFY2(device.Open(kVid, kPid) == (c.opened < 0 ? -1 : 0), c.name);
        QVERIFY2(device.lastOpenError() == c.error, c.name);
        QVERIFY2(g.shareModes == c.shareModes, c.name);
        QCOMPARE(g.listsHeld, 0);
        if (c.opened >= 0) {
            QVERIFY2(g.classFlags == (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE), c.name);
            QCOMPARE(g.openHandles, 1);
            QCOMPARE(g.handles.begin()->second, c.opened);
            QCOMPARE(g.inputBuffers, QList<ULONG>{WinHidBackend::InputBuffers});
            QVERIFY(!device.IsRemoved());
            g.writeMode = Script::WriteMode::AtOnce;
            QCOMPARE(device.Write("\x01\x02", 2, 50), 2);
            QCOMPARE(g.written.value(0), inputReport("\x01\x02"));
        }
        device.Close();
        QVERIFY2(g.openHandles == 0 && g.preparsedHeld == 0, c.name);
        QVERIFY(device.IsRemoved());
    }
}

void tst_WinHid::readsAndWrites()
{
    g.interfaces = {{instrumentPath("a"), QStringLiteral("S")}};
    libHidDevice device;
    QCOMPARE(device.Open(kVid, kPid), 0);

    // 62 bytes in one report, 63 in two; nothing for nothing. Writes that finish later.
    QByteArray bytes(125, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i);
    QCOMPARE(device.Write(bytes.constData(), 62, 50), 62);
    QCOMPARE(g.written, QList<QByteArray>{inputReport(bytes.left(62))});
    QCOMPARE(device.Write(bytes.constData(), 63, 50), 63);
    QCOMPARE(g.written.mid(1),
             (QList<QByteArray>{inputReport(bytes.left(62)), inputReport(bytes.mid(62, 1))}));
    QCOMPARE(device.Write(bytes.constData(), 0, 50), 0);
    QCOMPARE(g.written.size(), 3);

    // A report in at once, handed out in pieces; the rest from the leftover without a read.
    const QByteArray ten = QByteArray::fromHex("00010203040506070809");
    g.ready = {inputReport("\xEE\xEE", 0x02), inputReport(ten)};
    char out[64] = {};
    QCOMPARE(device.Read(out, 8, 50), 8);
    QCOMPARE(QByteArray(out, 8), ten.left(8));
    const int reads = g.reads;
    QCOMPARE(device.Read(out, 2, 50), 2);
    QCOMPARE(QByteArray(out, 2), ten.mid(8));
    QCOMPARE(g.reads, reads);

    // A report that arrives while the read waits.
    g.arriving = {inputReport(ten.left(3))};
    QCOMPARE(device.Read(out, 3, 50), 3);
    QCOMPARE(QByteArray(out, 3), ten.left(3));
    QCOMPARE(g.cancels, 0);

    // None comes: the read is cancelled at its deadline, and ends within it.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(device.Read(out, 3, 40), 0);
    QVERIFY2(clock.elapsed() >= 35 && clock.elapsed() < 1000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(g.cancels, 1);
    // One that comes as the read is cancelled is kept.
    g.reportRacesCancel = true;
    g.arriving = {inputReport(ten.left(4))};
    g.ready.clear();
    QCOMPARE(device.Read(out, 4, 0), 4); // the wait ends before the report is delivered
    QCOMPARE(g.cancels, 2);
    g.reportRacesCancel = false;

    // A write that does not end in time is cancelled: 0, within its deadline.
    g.writeMode = Script::WriteMode::NeverEnds;
    clock.restart();
    QCOMPARE(device.Write(bytes.constData(), 5, 40), 0);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(g.cancels, 3);
    QVERIFY(!device.IsRemoved());

    // Unplugged during a write, then during a read.
    g.writeMode = Script::WriteMode::Unplugs;
    QCOMPARE(device.Write(bytes.constData(), 5, 1000), 0);
    QVERIFY(device.IsRemoved());
    QCOMPARE(device.Read(out, 4, 50), 0);
    QCOMPARE(device.Write(bytes.constData(), 5, 50), 0);
    g.interfaces[0].removed = false;
    g.arriving = {QByteArray()};
    QCOMPARE(device.Read(out, 4, 1000), 0);
    QVERIFY(device.IsRemoved());
    device.Close();
    QCOMPARE(g.openHandles, 0);
}

void tst_WinHid::waitsThatEndEarly()
{
    g.interfaces = {{instrumentPath("a"), QStringLiteral("S")}};
    // A read waiting on another thread ends soon once it is cancelled, long before its time.
    std::unique_ptr<HidConnection> connection = m_backend.open(g.interfaces[0].path);
    QVERIFY(connection);
    QCOMPARE(connection->inputReportLength(), 64);
    QCOMPARE(connection->serialNumber(), QStringLiteral("S"));
    std::atomic<int> got{-9};
    std::atomic<qint64> took{-1};
    std::thread reader([&] {
        QElapsedTimer clock;
        clock.start();
        QByteArray report;
        got = connection->readReport(report, 10000);
        took = clock.elapsed();
    });
    QTest::qSleep(50);
    connection->cancelRead();
    reader.join();
    QCOMPARE(got.load(), 0);
    QVERIFY2(took.load() < 2000, qPrintable(QString::number(took.load())));
    QByteArray report;
    QCOMPARE(connection->readReport(report, 10000), 0); // and every read after it, at once

    // A transfer whose cancel does not finish: the handle is given up, never waited on again.
    connection = m_backend.open(g.interfaces[0].path);
    g.cancelHangs = true;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(connection->readReport(report, 10), -1);
    QVERIFY(clock.elapsed() >= WinHidConnection::CancelWaitMs - 100);
    clock.restart();
    QCOMPARE(connection->readReport(report, 10), -1);
    QCOMPARE(connection->writeReport(inputReport("x"), 10), -1);
    QVERIFY(clock.elapsed() < 100);
    connection.reset();
    QCOMPARE(g.openHandles, 0);
}

void tst_WinHid::deviceNotices()
{
    PromptRecorder prompts;
    PluggedInstrument plugged;
    DeviceMonitor::setFactory([](QObject *parent) -> DeviceMonitor * {
        return new WinDeviceMonitor(parent, scripted());
    });
    VirtualInstrument *logger = plugged.create(VirtualInstrument::Family::Logger, 5633416);
    g.failRegistrationAt = 3;
    DebugLines lines;
    MainWindow *window = plugged.start(nullptr);
    QVERIFY(window->deviceMonitor());
    // Four classes, each a 32-byte interface filter of type 5, addressed to the window.
    QVERIFY(lines.take().contains(QStringLiteral("注册失败")));
    QCOMPARE(g.recipients, QList<HANDLE>(4, reinterpret_cast<HANDLE>(window->winId())));
    for (int i = 0; i < 4; ++i) {
        const QByteArray &filter = g.filters[i];
        QCOMPARE(filter.size(), 32);
        const auto *f = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(filter.data());
        QCOMPARE(f->dbcc_devicetype, DWORD(5));
        QVERIFY(IsEqualGUID(f->dbcc_classguid, WinDeviceMonitor::interfaceClasses()[i]));
    }
    QCOMPARE(static_cast<WinDeviceMonitor *>(window->deviceMonitor())->registrations(), 3);

    const auto notice = [&](UINT message, WPARAM event) {
        MSG msg{};
        msg.hwnd = reinterpret_cast<HWND>(window->winId());
        msg.message = message;
        msg.wParam = event;
        long result = 0;
        return window->winEvent(&msg, &result);
    };
    const QString got = QStringLiteral("收到事件 ");
    const QString arrival = QStringLiteral("DBT_DEVICEARRIVAL");
    const QString removal = QStringLiteral("DBT_DEVICEREMOVECOMPLETE");
    const struct {
        const char *name;
        std::function<void()> before;
        UINT message;
        WPARAM event;
        bool linked;
        QStringList said; // in this order, among what was written
        QStringList unsaid;
    } steps[] = {
        {"arrival, nothing plugged",
         {},
         WM_DEVICECHANGE,
         DBT_DEVICEARRIVAL,
         false,
         {got, QStringLiteral("USB_设备打开"), arrival},
         {}},
        {"arrival opens the link",
         [&] { plugged.plug(logger); },
         WM_DEVICECHANGE,
         DBT_DEVICEARRIVAL,
         true,
         {got, QStringLiteral("USB_设备打开"), arrival},
         {}},
        {"a second arrival changes nothing",
         {},
         WM_DEVICECHANGE,
         DBT_DEVICEARRIVAL,
         true,
         {got},
         {arrival}},
        {"removal of another device",
         {},
         WM_DEVICECHANGE,
         DBT_DEVICEREMOVECOMPLETE,
         true,
         {got, removal},
         {QStringLiteral("USB_设备移除")}},
        {"type-specific",
         {},
         WM_DEVICECHANGE,
         DBT_DEVICETYPESPECIFIC,
         true,
         {got, QStringLiteral("DBT_DEVICETYPESPECIFIC ")},
         {}},
        {"another message", {}, WM_PAINT, 0, true, {}, {got}},
        {"removal of the instrument closes the link",
         [&] { logger->unplug(); },
         WM_DEVICECHANGE,
         DBT_DEVICEREMOVECOMPLETE,
         false,
         {got, QStringLiteral("USB_设备移除"), removal},
         {}},
    };
    for (const auto &step : steps) {
        if (step.before)
            step.before();
        lines.take();
        QVERIFY2(!notice(step.message, step.event), step.name);
        QVERIFY2(bool(window->link()) == step.linked, step.name);
        const QStringList said = lines.take();
        const QString told = step.name + (": " + said.join('|'));
        qsizetype at = 0;
        for (const QString &line : step.said) {
            at = said.indexOf(line, at);
            QVERIFY2(at >= 0, qPrintable(told + " lacks " + line));
        }
        for (const QString &line : step.unsaid)
            QVERIFY2(!said.contains(line), qPrintable(told));
    }
    plugged.reset();
    QCOMPARE(g.unregistered, 3);
    DeviceMonitor::setFactory({});
}

namespace {

// The virtual instrument behind a named pipe: each message is one report, as the HID driver
// moves them, and the transport's own ReadFile, WriteFile and CancelIo run on its client end.
class PipeInstrument
{
public:
    static constexpr int ReportBytes = 64;

    PipeInstrument(VirtualInstrument *instrument, const QString &name)
        : m_backend(instrument), m_name(name)
    {
        m_pipe = CreateNamedPipeW(reinterpret_cast<LPCWSTR>(name.utf16()),
                                  PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                  ReportBytes * 64, ReportBytes * 64, 0, nullptr);
        const QList<HidDeviceInfo> devices = m_backend.enumerate(kVid, kPid);
        if (!devices.isEmpty())
            m_connection = m_backend.open(devices.first().path);
        m_connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_overlapped.hEvent = m_connected;
        if (!ConnectNamedPipe(m_pipe, &m_overlapped) && GetLastError() == ERROR_PIPE_CONNECTED)
            SetEvent(m_connected);
    }
    ~PipeInstrument() { unplug(); }

    bool isValid() const { return m_pipe != INVALID_HANDLE_VALUE && m_connection; }

    // Once the transport's end is open: reports begin to flow both ways.
    bool serve()
    {
        if (WaitForSingleObject(m_connected, 5000) != WAIT_OBJECT_0)
            return false;
        m_toInstrument = std::thread([this] { toInstrument(); });
        m_toHost = std::thread([this] { toHost(); });
        return true;
    }
    // The cable pulled: the pipe goes.
    void unplug()
    {
        m_stop = true;
        for (std::thread *t : {&m_toInstrument, &m_toHost}) {
            if (t->joinable())
                t->join();
        }
        if (m_pipe != INVALID_HANDLE_VALUE)
            CloseHandle(m_pipe);
        if (m_connected)
            CloseHandle(m_connected);
        m_pipe = INVALID_HANDLE_VALUE;
        m_connected = nullptr;
    }
    // Stops taking reports from the host, so that its writes fill the pipe and wait.
    void stopListening() { m_deaf = true; }

private:
    // One overlapped transfer on the server end, in slices so that a stop is seen.
    bool transfer(bool reading, QByteArray &bytes)
    {
        OVERLAPPED overlapped{};
        overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        DWORD done = 0;
        BOOL ok = reading ? ReadFile(m_pipe, bytes.data(), ReportBytes, nullptr, &overlapped)
                          : WriteFile(m_pipe, bytes.constData(), ReportBytes, nullptr, &overlapped);
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            while (!m_stop && WaitForSingleObject(overlapped.hEvent, 20) == WAIT_TIMEOUT) {
            }
            if (m_stop)
                CancelIo(m_pipe);
            ok = GetOverlappedResult(m_pipe, &overlapped, &done, TRUE);
        } else if (ok) {
            ok = GetOverlappedResult(m_pipe, &overlapped, &done, FALSE);
        }
        CloseHandle(overlapped.hEvent);
        bytes.truncate(static_cast<int>(done));
        return ok && !m_stop;
    }
    void toInstrument()
    {
        while (!m_stop) {
            if (m_deaf) {
                QThread::msleep(10);
                continue;
            }
            QByteArray report(ReportBytes, '\0');
            if (!transfer(true, report))
                return;
            m_connection->writeReport(report, 1000);
        }
    }
    void toHost()
    {
        while (!m_stop) {
            QByteArray report;
            if (m_connection->readReport(report, 20) <= 0)
                continue;
            report.resize(ReportBytes, '\0');
            if (!transfer(false, report))
                return;
        }
    }

    VirtualHidBackend m_backend;
    QString m_name;
    std::unique_ptr<HidConnection> m_connection;
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    HANDLE m_connected = nullptr;
    OVERLAPPED m_overlapped{};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_deaf{false};
    std::thread m_toInstrument;
    std::thread m_toHost;
};

QString g_pipeName;

// The scripted inventory, and the pipe opened for real where the transport opens the device.
HANDLE WINAPI openPipe(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                       DWORD disposition, DWORD flags, HANDLE model)
{
    if (access == 0) // the inventory's query handle
        return createFile(name, access, share, security, disposition, flags, model);
    g.shareModes << share;
    const HANDLE pipe = CreateFileW(reinterpret_cast<LPCWSTR>(g_pipeName.utf16()), access, 0,
                                    security, OPEN_EXISTING, flags, model);
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (pipe != INVALID_HANDLE_VALUE)
        SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
    return pipe;
}

BOOLEAN WINAPI pipeAttributes(HANDLE handle, PHIDD_ATTRIBUTES out)
{
    if (interfaceOf(handle))
        return attributes(handle, out);
    // The pipe's end answers as long as the other end is there.
    if (!PeekNamedPipe(handle, nullptr, 0, nullptr, nullptr, nullptr))
        return FALSE;
    out->VendorID = kVid;
    out->ProductID = kPid;
    return TRUE;
}

BOOLEAN WINAPI pipeSerial(HANDLE handle, PVOID buffer, ULONG bytes)
{
    if (interfaceOf(handle))
        return serialNumber(handle, buffer, bytes);
    const QString serial = QStringLiteral("5633416");
    if (bytes < (serial.size() + 1) * sizeof(wchar_t))
        return FALSE;
    serial.toWCharArray(static_cast<wchar_t *>(buffer));
    return TRUE;
}

BOOL WINAPI pipeClose(HANDLE handle)
{
    return g.handles.count(handle) ? closeHandle(handle) : CloseHandle(handle);
}

const Win32HidCalls &throughPipe()
{
    static Win32HidCalls calls = [] {
        Win32HidCalls c = Win32HidCalls::system();
        c.getClassDevs = classDevs;
        c.enumDeviceInterfaces = enumInterfaces;
        c.getDeviceInterfaceDetail = interfaceDetail;
        c.destroyDeviceInfoList = destroyList;
        c.getHidGuid = hidGuid;
        c.getAttributes = pipeAttributes;
        c.getSerialNumberString = pipeSerial;
        c.getPreparsedData = preparsedData;
        c.getCaps = caps;
        c.freePreparsedData = freePreparsed;
        c.setNumInputBuffers = inputBuffers;
        c.createFile = openPipe;
        c.closeHandle = pipeClose;
        return c;
    }();
    return calls;
}

} // namespace

void tst_WinHid::realOverlappedIoThroughAPipe()
{
    g.interfaces = {{instrumentPath("pipe"), QStringLiteral("5633416")}};
    g_pipeName = QStringLiteral("\\\\.\\pipe\\solvane-test-%1").arg(GetCurrentProcessId());
    VirtualInstrument logger(VirtualInstrument::Family::Logger, 5633416);
    logger.plug();
    PipeInstrument pipe(&logger, g_pipeName);
    QVERIFY(pipe.isValid());
    WinHidBackend backend(throughPipe());
    HidBackend::setCurrent(&backend);

    CLinkerUSB link;
    QCOMPARE(int(link.Open(kVid, kPid)), 0);
    QVERIFY(pipe.serve());
    LinkExchange exchange;
    exchange.setLink(&link);
    FrameExchange::setCurrent(&exchange);
    InstrumentProtocol::setReceiveTimeoutMs(2000);

    // Whole exchanges, the reply in several reports.
    ProductionInfo info;
    QCOMPARE(InstrumentProtocol::instance()->ReadProductionInfo(info), 1);
    QCOMPARE(info.modelCode, 5633416u);
    int version = 0;
    QCOMPARE(InstrumentProtocol::instance()->ReadFirmwareVersion(version), 1);
    QVERIFY(!link.IsRemoved());

    // A read with nothing to come ends at its deadline, its ReadFile cancelled for real.
    QByteArray nothing;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(link.Read(nothing, 0, 1), 0);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

    // Writes into a pipe nobody reads fill it, then wait, and end at their deadline.
    pipe.stopListening();
    QByteArray frame(62, '\x55');
    int written = 0;
    clock.restart();
    for (int i = 0; i < 200 && link.Write(frame, 50) == 62; ++i)
        ++written;
    QVERIFY2(written < 200 && clock.elapsed() < 10000, qPrintable(QString::number(written)));

    // The cable pulled: reads fail, the removal shows.
    pipe.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(link.IsRemoved(), 2000);
    QCOMPARE(link.Read(nothing, 0, 1), 0);
    link.Close();
    FrameExchange::setCurrent(nullptr);
    InstrumentProtocol::setReceiveTimeoutMs(InstrumentProtocol::DefaultReceiveTimeoutMs);
}

QTEST_MAIN(tst_WinHid)
#include "tst_winhid.moc"
