#include "KRXNetHTTPSource.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "stream/DVBPIDReceiver.h"

#include <cinttypes>

CKRXNetHTTPSource::CKRXNetHTTPSource(std::unique_ptr<CKRXNetTransfer> transfer, const CString& url)
    : m_transfer(std::move(transfer))
    , m_url(url)
{
}

CKRXNetHTTPSource::~CKRXNetHTTPSource()
{
    Stop();
}

bool CKRXNetHTTPSource::Start()
{
    if (m_thread.IsRunning())
        return true;
    m_stopEvent.Reset();
    m_transfer->SetCancelled(false);
    m_queue.Clear();
    m_state.store(Connecting);
    m_inGap = false;
    return m_thread.Start([this] { FetchAgainUntilStopped(); });
}

bool CKRXNetHTTPSource::Stop()
{
    if (!m_thread.IsRunning())
        return true;
    m_stopEvent.Set();
    m_transfer->SetCancelled(true);
    return m_thread.StopWithin(StopTimeoutMs);
}

void CKRXNetHTTPSource::FetchAgainUntilStopped()
{
    for (;;) {
        m_queue.BeginConnection();
        CString reason;
        const bool ended = m_transfer->Fetch(
            m_url, [this](const uint8_t* data, size_t size) { OnData(data, size); }, reason);
        if (m_stopEvent.IsSet())
            return;
        OnConnectionLost(ended ? CString("the server ended the stream") : reason);
        if (m_stopEvent.Wait(m_backoff.NextWaitMs()))
            return;
    }
}

void CKRXNetHTTPSource::OnData(const uint8_t* data, size_t size)
{
    const int64_t now = GetMonotonicNanoseconds();
    if (m_inGap) {
        DebugOutputFormat("Reception of %s resumed after a gap of %.1f s.\n", m_url.c_str(),
            double(now - m_lastDataAt) / KRX_MONOTONIC_FREQUENCY);
        m_inGap = false;
    }
    if (m_state.exchange(Receiving) != Receiving)
        m_backoff.Reset();
    m_lastDataAt = now;
    m_queue.Push(data, size);
}

void CKRXNetHTTPSource::OnConnectionLost(const CString& reason)
{
    {
        std::lock_guard lock(m_reasonMutex);
        m_reason = reason;
    }
    // A gap begins only where data had been flowing.
    if (m_state.exchange(Reconnecting) == Receiving) {
        m_inGap = true;
        m_reconnections.fetch_add(1, std::memory_order_relaxed);
        DebugOutputFormat("Connection to %s lost (%s); reconnecting.\n", m_url.c_str(), reason.c_str());
    }
}

unsigned long CKRXNetHTTPSource::ReadBuffer(unsigned char* buffer, unsigned long size)
{
    const size_t delivered = m_queue.Pop(buffer, size);
    m_readFull = delivered + DVB_PACKET_SIZE > size;
    return static_cast<unsigned long>(delivered);
}

void CKRXNetHTTPSource::GetStatus(CString& text)
{
    switch (m_state.load()) {
    case Connecting:
        text = "Connecting...";
        break;
    case Reconnecting: {
        std::lock_guard lock(m_reasonMutex);
        text = "Reconnecting... (" + m_reason + ")";
        break;
    }
    case Receiving:
        text = "";
        break;
    }
    if (const uint64_t count = GetReconnectionCount())
        text += FormatString("%s%" PRIu64 " reconnection%s", text.empty() ? "" : ", ", count, count == 1 ? "" : "s");
}
