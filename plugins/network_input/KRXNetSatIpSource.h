#pragma once
// A SAT>IP server's stream. A control thread holds the RTSP session: it sets
// it up and plays it ("Tuning..." meanwhile), keeps it alive within its
// time-out and, when the server stops answering, sets it up again with
// back-off ("Reconnecting..."). A server that refuses the tuning ends the
// stream, saying why. The RTP comes in on the receive thread through a
// datagram source; the RTCP beside it brings the signal report for the status.
// TEARDOWN goes out when the reception stops.
#include "KRXNetBackoff.h"
#include "KRXNetDatagramSource.h"
#include "KRXNetRTSPClient.h"
#include "KRXNetSatIpSignal.h"

#include "platform/Event.h"
#include "platform/Thread.h"

#include <functional>
#include <mutex>

class CKRXNetSatIpSource : public CDVBTransportStreamSource
{
public:
    using SocketFactory = std::function<std::unique_ptr<CKRXNetDatagramSocket>()>;
    // RTP on an even port, RTCP on the next; the first free pair from here is taken.
    static constexpr uint16_t FirstPort = 45000;
    static constexpr int PortPairsTried = 64;
    static constexpr uint32_t StopTimeoutMs = 2000;

    CKRXNetSatIpSource(std::unique_ptr<CKRXNetRTSPClient> client, SocketFactory makeSocket, const KRXNetURL& url);
    ~CKRXNetSatIpSource() override;

    // Opens the RTP and RTCP sockets; without them the stream ends at once.
    bool Initialise() override;
    bool DeInitialise() override;
    bool Start() override;
    bool Stop() override;
    unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override;
    void GetStatus(CString& text) override;
    bool HasEnded() override { return m_failed.load(std::memory_order_acquire); }
    // As the RTP's datagram source says.
    uint32_t GetMillisecondsUntilDue() override;

    uint16_t GetRTPPort() const { return m_rtpPort; }
    uint64_t GetKeepAliveCount() const { return m_keepAlives.load(std::memory_order_relaxed); }

private:
    enum State { Tuning, Playing, Reconnecting };

    void HoldSession();
    void Fail(const CString& reason);
    void SetState(State state, const CString& reason = "");
    void ReadSignalReports();

    std::unique_ptr<CKRXNetRTSPClient> m_client;
    SocketFactory m_makeSocket;
    KRXNetURL m_url;
    uint16_t m_rtpPort = 0;
    std::unique_ptr<CKRXNetDatagramSource> m_rtp;
    std::unique_ptr<CKRXNetDatagramSocket> m_rtcp;
    uint8_t m_report[2048];
    CKRXNetBackoff m_backoff;
    CThread m_thread { "SAT>IP session thread" };
    CEvent m_stopEvent { true, false };
    std::atomic<uint64_t> m_keepAlives { 0 };
    // The state, its reason and the last signal report, for the status.
    mutable std::mutex m_statusMutex;
    State m_state = Tuning;
    CString m_reason;
    bool m_signalKnown = false;
    KRXNetSatIpSignal m_signal;
    // The failure text is written once, before the flag is raised.
    std::atomic<bool> m_failed { false };
    CString m_failure;
};
