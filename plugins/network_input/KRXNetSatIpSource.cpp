#include "KRXNetSatIpSource.h"

#include "KRXNetSatIpSession.h"

#include "platform/DebugOutput.h"

CKRXNetSatIpSource::CKRXNetSatIpSource(
    std::unique_ptr<CKRXNetRTSPClient> client, SocketFactory makeSocket, const KRXNetURL& url)
    : m_client(std::move(client))
    , m_makeSocket(std::move(makeSocket))
    , m_url(url)
{
}

CKRXNetSatIpSource::~CKRXNetSatIpSource()
{
    Stop();
}

bool CKRXNetSatIpSource::Initialise()
{
    CString error;
    for (int pair = 0; pair < PortPairsTried; ++pair) {
        const uint16_t port = static_cast<uint16_t>(FirstPort + 2 * pair);
        KRXNetURL rtp, rtcp;
        ParseNetURL(FormatString("rtp://:%u", port), rtp, error);
        ParseNetURL(FormatString("udp://:%u", port + 1), rtcp, error);
        auto rtpSource = std::make_unique<CKRXNetDatagramSource>(m_makeSocket(), rtp);
        auto rtcpSocket = m_makeSocket();
        if (!rtpSource->Initialise() || !rtcpSocket->Open(rtcp, error))
            continue;
        m_rtpPort = port;
        m_rtp = std::move(rtpSource);
        m_rtcp = std::move(rtcpSocket);
        return true;
    }
    Fail(FormatString("no free pair of ports from %u for the RTP", FirstPort));
    return false;
}

bool CKRXNetSatIpSource::DeInitialise()
{
    if (m_rtp)
        m_rtp->DeInitialise();
    if (m_rtcp)
        m_rtcp->Close();
    return true;
}

bool CKRXNetSatIpSource::Start()
{
    if (HasEnded())
        return false;
    if (m_thread.IsRunning())
        return true;
    m_stopEvent.Reset();
    SetState(Tuning);
    return m_thread.Start([this] { HoldSession(); });
}

bool CKRXNetSatIpSource::Stop()
{
    if (!m_thread.IsRunning())
        return true;
    m_stopEvent.Set();
    return m_thread.StopWithin(StopTimeoutMs);
}

void CKRXNetSatIpSource::HoldSession()
{
    CKRXNetSatIpSession session(*m_client, m_url, m_rtpPort);
    uint32_t waitMs = 0;
    while (!m_stopEvent.Wait(waitMs)) {
        CString error;
        const CKRXNetSatIpSession::Outcome outcome = session.IsOpen() ? session.KeepAlive(error) : session.Open(error);
        if (outcome == CKRXNetSatIpSession::Done) {
            if (session.IsOpen())
                m_keepAlives.fetch_add(1, std::memory_order_relaxed);
            SetState(Playing);
            m_backoff.Reset();
            waitMs = session.GetKeepAliveIntervalMs();
            continue;
        }
        if (outcome == CKRXNetSatIpSession::Refused && !session.IsOpen()) {
            Fail(error);
            return;
        }
        DebugOutputFormat(
            "SAT>IP session with %s lost (%s); setting it up again.\n", m_url.host.c_str(), error.c_str());
        session.Close();
        SetState(Reconnecting, error);
        waitMs = m_backoff.NextWaitMs();
    }
    session.Close();
}

void CKRXNetSatIpSource::Fail(const CString& reason)
{
    m_failure = reason;
    m_failed.store(true, std::memory_order_release);
    DebugOutputFormat("Cannot play %s: %s.\n", m_url.text.c_str(), reason.c_str());
}

void CKRXNetSatIpSource::SetState(State state, const CString& reason)
{
    std::lock_guard lock(m_statusMutex);
    m_state = state;
    m_reason = reason;
}

void CKRXNetSatIpSource::ReadSignalReports()
{
    for (long size; (size = m_rtcp->Receive(m_report, sizeof m_report)) >= 0;) {
        KRXNetSatIpSignal signal;
        if (!ParseSatIpSignalReport(m_report, static_cast<size_t>(size), signal))
            continue;
        std::lock_guard lock(m_statusMutex);
        // Lock gained or lost goes to the log.
        if (!m_signalKnown || signal.locked != m_signal.locked)
            DebugOutputFormat("SAT>IP signal from %s: %s.\n", m_url.host.c_str(), FormatSatIpSignal(signal).c_str());
        m_signal = signal;
        m_signalKnown = true;
    }
}

unsigned long CKRXNetSatIpSource::ReadBuffer(unsigned char* buffer, unsigned long size)
{
    if (HasEnded() || !m_rtp)
        return 0;
    ReadSignalReports();
    return m_rtp->ReadBuffer(buffer, size);
}

uint32_t CKRXNetSatIpSource::GetMillisecondsUntilDue()
{
    // Without its sockets the stream has ended: nothing is due but the receive thread's own pass.
    return m_rtp ? m_rtp->GetMillisecondsUntilDue() : KRX_INFINITE;
}

void CKRXNetSatIpSource::GetStatus(CString& text)
{
    if (HasEnded()) {
        text = "cannot play: " + m_failure;
        return;
    }
    {
        std::lock_guard lock(m_statusMutex);
        if (m_state == Tuning) {
            text = "Tuning...";
            return;
        }
        if (m_state == Reconnecting) {
            text = "Reconnecting... (" + m_reason + ")";
            return;
        }
        text = m_signalKnown ? FormatSatIpSignal(m_signal) : "no signal report";
    }
    CString lost;
    m_rtp->GetStatus(lost);
    text += ", " + lost;
}
