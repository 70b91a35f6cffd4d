#include "winhidconnection.h"

#include <algorithm>

namespace {

// What the instrument's reports measure where the capabilities did not say.
constexpr int DefaultReportLength = 64;

} // namespace

WinHidConnection::WinHidConnection(HANDLE handle, const QString &serial, int inputLength,
                                   int outputLength, const Win32HidCalls &calls)
    : m_calls(calls), m_handle(handle), m_serial(serial),
      m_inputLength(inputLength > 0 ? inputLength : DefaultReportLength),
      m_outputLength(outputLength > 0 ? outputLength : DefaultReportLength)
{
    m_readEvent = m_calls.createEvent(nullptr, FALSE, FALSE, nullptr);
    m_writeEvent = m_calls.createEvent(nullptr, FALSE, FALSE, nullptr);
    m_cancelEvent = m_calls.createEvent(nullptr, TRUE, FALSE, nullptr);
}

WinHidConnection::~WinHidConnection()
{
    // Closing the handle ends whatever a given-up transfer still had pending.
    if (m_handle != INVALID_HANDLE_VALUE)
        m_calls.closeHandle(m_handle);
    for (HANDLE event : {m_readEvent, m_writeEvent, m_cancelEvent}) {
        if (event)
            m_calls.closeHandle(event);
    }
}

bool WinHidConnection::isUsable() const
{
    return m_handle != INVALID_HANDLE_VALUE && m_readEvent && m_writeEvent && m_cancelEvent;
}

int WinHidConnection::finish(OVERLAPPED &overlapped, HANDLE done, bool reading, int timeoutMs)
{
    const HANDLE waits[2] = {done, m_cancelEvent};
    const DWORD waited = m_calls.waitForMultipleObjects(reading ? 2 : 1, waits, FALSE,
                                                        static_cast<DWORD>(std::max(0, timeoutMs)));
    DWORD bytes = 0;
    if (waited == WAIT_OBJECT_0)
        return m_calls.getOverlappedResult(m_handle, &overlapped, &bytes, FALSE)
                   ? static_cast<int>(bytes)
                   : -1;
    // Not in time, cancelled, or the wait failed: the transfer is cancelled and finished here,
    // so that its buffer is ours again. A report that came in meanwhile is kept.
    m_calls.cancelIo(m_handle);
    if (m_calls.waitForMultipleObjects(1, &done, FALSE, CancelWaitMs) != WAIT_OBJECT_0) {
        m_stuck.store(true);
        return -1;
    }
    if (m_calls.getOverlappedResult(m_handle, &overlapped, &bytes, FALSE) && bytes > 0)
        return static_cast<int>(bytes);
    return waited == WAIT_TIMEOUT || waited == WAIT_OBJECT_0 + 1 ? 0 : -1;
}

int WinHidConnection::readReport(QByteArray &report, int timeoutMs)
{
    if (!isUsable() || m_stuck.load())
        return -1;
    if (m_cancelled.load())
        return 0;
    m_readBuffer.resize(m_inputLength);
    m_readOverlapped = OVERLAPPED{};
    m_readOverlapped.hEvent = m_readEvent;
    int got = -1;
    if (m_calls.readFile(m_handle, m_readBuffer.data(), static_cast<DWORD>(m_inputLength), nullptr,
                         &m_readOverlapped)) {
        DWORD bytes = 0;
        if (m_calls.getOverlappedResult(m_handle, &m_readOverlapped, &bytes, FALSE))
            got = static_cast<int>(bytes);
    } else if (m_calls.getLastError() == ERROR_IO_PENDING) {
        got = finish(m_readOverlapped, m_readEvent, true, timeoutMs);
    }
    if (got > 0)
        report = m_readBuffer.left(std::min(got, m_inputLength));
    return got;
}

int WinHidConnection::writeReport(const QByteArray &report, int timeoutMs)
{
    if (!isUsable() || m_stuck.load() || report.isEmpty())
        return -1;
    // The driver takes output reports of exactly the interface's length.
    m_writeBuffer = report.left(m_outputLength);
    if (m_writeBuffer.size() < m_outputLength)
        m_writeBuffer.append(QByteArray(m_outputLength - m_writeBuffer.size(), '\0'));
    m_writeOverlapped = OVERLAPPED{};
    m_writeOverlapped.hEvent = m_writeEvent;
    int written = -1;
    if (m_calls.writeFile(m_handle, m_writeBuffer.constData(), static_cast<DWORD>(m_outputLength),
                          nullptr, &m_writeOverlapped)) {
        DWORD bytes = 0;
        if (m_calls.getOverlappedResult(m_handle, &m_writeOverlapped, &bytes, FALSE))
            written = static_cast<int>(bytes);
    } else if (m_calls.getLastError() == ERROR_IO_PENDING) {
        written = finish(m_writeOverlapped, m_writeEvent, false, timeoutMs);
    }
    return written > 0 ? std::min(written, static_cast<int>(report.size())) : -1;
}

bool WinHidConnection::isRemoved() const
{
    if (m_handle == INVALID_HANDLE_VALUE)
        return true;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    return !m_calls.getAttributes(m_handle, &attributes);
}

void WinHidConnection::cancelRead()
{
    m_cancelled.store(true);
    if (m_cancelEvent)
        m_calls.setEvent(m_cancelEvent);
}
